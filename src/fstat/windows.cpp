#include "fstat/windows.h"

#include <algorithm>
#include <map>

#include "run/whole_number.h"

namespace ortelan {

std::optional<WindowSpec> parseWindowSpec(std::string_view text) {
  const std::size_t colon = text.find(':');
  const std::optional<std::int64_t> size = wholeNumber<std::int64_t>(text.substr(0, colon));
  const std::optional<std::int64_t> step =
      colon == std::string_view::npos ? size : wholeNumber<std::int64_t>(text.substr(colon + 1));
  if (!size || !step || *size < 1 || *step < 1 || *step > *size) return std::nullopt;
  return WindowSpec{*size, *step};
}

std::string windowSpecText(const WindowSpec& spec) {
  return std::to_string(spec.size) + ":" + std::to_string(spec.step);
}

template <class Real>
std::vector<WindowFst<Real>> windowFst(std::span<const WindowSite<Real>> sites, const WindowSpec& spec) {
  // The sites with a theta, per contig in order of first appearance.
  std::map<std::string_view, std::size_t> contigOf;
  std::vector<std::vector<std::size_t>> contigs;
  std::size_t last = 0;  // the contig of the site before: mostly the next one's
  for (std::size_t i = 0; i < sites.size(); ++i) {
    if (!sites[i].f.hasComponents() || sites[i].pos < 1) continue;
    if (contigs.empty() || sites[contigs[last].front()].chrom != sites[i].chrom) {
      const auto [place, added] = contigOf.try_emplace(sites[i].chrom, contigs.size());
      if (added) contigs.emplace_back();
      last = place->second;
    }
    contigs[last].push_back(i);
  }
  // The first window that reaches `pos`.
  const auto firstWindow = [&spec](std::int64_t pos) {
    return pos <= spec.size ? std::int64_t{0} : (pos - spec.size + spec.step - 1) / spec.step;
  };
  std::vector<WindowFst<Real>> windows;
  for (std::vector<std::size_t>& contig : contigs) {
    std::stable_sort(contig.begin(), contig.end(), [&](std::size_t a, std::size_t b) { return sites[a].pos < sites[b].pos; });
    const auto posAt = [&](std::size_t k) { return sites[contig[k]].pos; };
    std::size_t low = 0, high = 0;  // the window's sites are [low, high)
    for (std::int64_t k = firstWindow(posAt(0)); low < contig.size();) {
      const std::int64_t start = 1 + k * spec.step, end = k * spec.step + spec.size;
      while (low < contig.size() && posAt(low) < start) ++low;
      if (low == contig.size()) break;
      if (posAt(low) > end) {
        k = firstWindow(posAt(low));
        continue;
      }
      high = std::max(high, low);
      while (high < contig.size() && posAt(high) <= end) ++high;
      WindowFst<Real> w{std::string(sites[contig[low]].chrom), start, end, static_cast<long>(high - low), 0, 0, 0, 0};
      Real sumFst = 0;
      for (std::size_t j = low; j < high; ++j) {
        const FValues<Real>& f = sites[contig[j]].f;
        w.num += f.num;
        w.den += f.den;
        sumFst += f.fst;
      }
      w.fst = w.num / w.den;
      w.meanFst = sumFst / static_cast<Real>(w.sites);
      windows.push_back(std::move(w));
      ++k;
    }
  }
  return windows;
}

template <class Real>
std::vector<WindowFst<Real>> windowFst(const DataSummary& data, const std::vector<FValues<Real>>& loci,
                                       const WindowSpec& spec) {
  std::vector<WindowSite<Real>> sites;
  if (!data.hasSites()) return {};
  for (int I = 1; I <= data.NUMBOFLOCI; ++I) {
    if (!data.isInRun(I)) continue;
    const DataSummary::Site& site = data.sites[static_cast<std::size_t>(I)];
    sites.push_back({site.chrom, site.pos, loci[static_cast<std::size_t>(I)]});
  }
  return windowFst<Real>(sites, spec);
}

template std::vector<WindowFst<double>> windowFst<double>(std::span<const WindowSite<double>>, const WindowSpec&);
template std::vector<WindowFst<long double>> windowFst<long double>(std::span<const WindowSite<long double>>,
                                                                    const WindowSpec&);
template std::vector<WindowFst<double>> windowFst<double>(const DataSummary&, const std::vector<FValues<double>>&,
                                                          const WindowSpec&);
template std::vector<WindowFst<long double>> windowFst<long double>(const DataSummary&,
                                                                    const std::vector<FValues<long double>>&,
                                                                    const WindowSpec&);

}  // namespace ortelan
