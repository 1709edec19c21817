#include "report/genome_axis.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace ortelan {

double ChromosomeSpan::x(std::int64_t position) const {
  if (last == first) return left + width / 2;
  // In double: last - first may not fit in an int64_t.
  const double extent = static_cast<double>(last) - static_cast<double>(first);
  return left + width * ((static_cast<double>(position) - static_cast<double>(first)) / extent);
}

std::vector<ChromosomeSpan> groupByChromosome(const std::vector<ManhattanPoint>& points) {
  std::vector<ChromosomeSpan> chromosomes;
  std::unordered_map<std::string_view, std::size_t> index;
  std::size_t current = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const ManhattanPoint& point = points[i];
    if (std::isnan(point.p)) continue;
    // Files run chromosome by chromosome: most loci are on the previous one.
    if (chromosomes.empty() || chromosomes[current].name != point.chromosome) {
      const auto [found, added] = index.try_emplace(point.chromosome, chromosomes.size());
      current = found->second;
      if (added) chromosomes.push_back({point.chromosome, point.position, point.position, {}, 0, 0});
    }
    ChromosomeSpan& chromosome = chromosomes[current];
    chromosome.first = std::min(chromosome.first, point.position);
    chromosome.last = std::max(chromosome.last, point.position);
    chromosome.loci.push_back(i);
  }
  return chromosomes;
}

void placeChromosomes(std::vector<ChromosomeSpan>& chromosomes, double left, double right) {
  if (chromosomes.empty()) return;
  const double count = static_cast<double>(chromosomes.size());
  const double gap = chromosomes.size() > 1 ? std::min(8.0, 0.2 * (right - left) / (count - 1)) : 0;
  const double usable = right - left - gap * (count - 1);
  auto extent = [](const ChromosomeSpan& c) { return static_cast<double>(c.last) - static_cast<double>(c.first); };
  double whole = 0;
  for (const ChromosomeSpan& c : chromosomes) whole += extent(c);
  std::vector<double> weights;
  double sum = 0;
  for (const ChromosomeSpan& c : chromosomes) {
    weights.push_back(whole > 0 ? std::max(extent(c), 0.002 * whole) : 1.0);
    sum += weights.back();
  }
  double at = left;
  for (std::size_t k = 0; k < chromosomes.size(); ++k) {
    chromosomes[k].left = at;
    chromosomes[k].width = usable * weights[k] / sum;
    at += chromosomes[k].width + gap;
  }
}

}  // namespace ortelan
