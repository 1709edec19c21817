#include "fstat/windows.h"

#include <algorithm>
#include <map>

#include "run/whole_number.h"

namespace ortelan {
namespace {

constexpr std::int64_t kLargestPosition = std::int64_t{1} << 61;

}  // namespace

std::optional<WindowLayout> parseWindowLayout(std::string_view text) {
  const std::size_t colon = text.find(':');
  const std::optional<std::int64_t> size = wholeNumber<std::int64_t>(text.substr(0, colon));
  const std::optional<std::int64_t> step =
      colon == std::string_view::npos ? size : wholeNumber<std::int64_t>(text.substr(colon + 1));
  if (!size || !step || *size < 1 || *step < 1 || *step > *size || *size > kLargestWindow) return std::nullopt;
  return WindowLayout{*size, *step};
}

std::string windowLayoutText(const WindowLayout& layout) {
  return std::to_string(layout.size) + ":" + std::to_string(layout.step);
}

template <class Real>
std::vector<WindowFst<Real>> windowFst(std::span<const WindowSite<Real>> sites, const WindowLayout& layout) {
  // The sites with a theta, per contig in order of first appearance, each
  // contig a stretch of `order`; most files give them so already.
  std::vector<std::size_t> order;
  std::vector<std::size_t> starts;  // where each contig's stretch begins
  std::map<std::string_view, std::size_t> contigOf;
  std::string_view last;
  bool grouped = true, sorted = true;
  for (std::size_t i = 0; i < sites.size(); ++i) {
    // Window ends beyond a site stay far below 2^63.
    if (!sites[i].f->hasComponents() || sites[i].pos < 1 || sites[i].pos > kLargestPosition) continue;
    if (order.empty() || sites[i].chrom != last) {
      const bool added = contigOf.try_emplace(sites[i].chrom, contigOf.size()).second;
      grouped = grouped && added;
      last = sites[i].chrom;
      starts.push_back(order.size());
    } else if (sites[i].pos < sites[order.back()].pos) {
      sorted = false;
    }
    order.push_back(i);
  }
  if (!grouped || !sorted) {
    // Contigs met again later, or positions out of order: by contig, then
    // by position, each in the order met.
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      const std::size_t ca = contigOf.at(sites[a].chrom), cb = contigOf.at(sites[b].chrom);
      return ca != cb ? ca < cb : sites[a].pos < sites[b].pos;
    });
    starts.assign(1, 0);
    for (std::size_t k = 1; k < order.size(); ++k) {
      if (sites[order[k]].chrom != sites[order[k - 1]].chrom) starts.push_back(k);
    }
  }
  starts.push_back(order.size());

  // The first window that reaches `pos`.
  const auto firstWindow = [&layout](std::int64_t pos) {
    return pos <= layout.size ? std::int64_t{0} : (pos - layout.size + layout.step - 1) / layout.step;
  };
  std::vector<WindowFst<Real>> windows;
  for (std::size_t c = 0; c + 1 < starts.size(); ++c) {
    const std::size_t first = starts[c], end = starts[c + 1];
    if (first == end) continue;
    const auto posAt = [&](std::size_t k) { return sites[order[k]].pos; };
    const std::string chrom(sites[order[first]].chrom);
    std::size_t low = first, high = first;  // the window's sites are [low, high)
    for (std::int64_t k = firstWindow(posAt(first)); low < end;) {
      const std::int64_t start = 1 + k * layout.step, stop = k * layout.step + layout.size;
      while (low < end && posAt(low) < start) ++low;
      if (low == end) break;
      if (posAt(low) > stop) {
        k = firstWindow(posAt(low));
        continue;
      }
      high = std::max(high, low);
      while (high < end && posAt(high) <= stop) ++high;
      WindowFst<Real> w{chrom, start, stop, static_cast<long>(high - low), 0, 0, 0, 0};
      Real sumFst = 0;
      for (std::size_t j = low; j < high; ++j) {
        const FValues<Real>& f = *sites[order[j]].f;
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
                                       const WindowLayout& layout) {
  std::vector<WindowSite<Real>> sites;
  if (!data.hasSites()) return {};
  for (int I = 1; I <= data.NUMBOFLOCI; ++I) {
    if (!data.isInRun(I)) continue;
    const DataSummary::Site& site = data.sites[static_cast<std::size_t>(I)];
    sites.push_back({site.chrom, site.pos, &loci[static_cast<std::size_t>(I)]});
  }
  return windowFst<Real>(sites, layout);
}

template std::vector<WindowFst<double>> windowFst<double>(std::span<const WindowSite<double>>, const WindowLayout&);
template std::vector<WindowFst<long double>> windowFst<long double>(std::span<const WindowSite<long double>>,
                                                                    const WindowLayout&);
template std::vector<WindowFst<double>> windowFst<double>(const DataSummary&, const std::vector<FValues<double>>&,
                                                          const WindowLayout&);
template std::vector<WindowFst<long double>> windowFst<long double>(const DataSummary&,
                                                                    const std::vector<FValues<long double>>&,
                                                                    const WindowLayout&);

}  // namespace ortelan
