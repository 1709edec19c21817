// The pairwise-test matrix as a picture: a standalone SVG heatmap of the
// combined P of every pair of populations, lower triangle, coloured by
// -log10 P, with a colour bar and a tooltip on every cell.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ortelan {

// One pair of populations a < b, combined over the loci at which the pair was tested.
struct PairPlotCell {
  bool tested = false;  // false: no locus could be tested for this pair
  double p = 1;         // combined P (Fisher's method); may be exactly 0
  double chi2 = 0;      // Fisher's chi2, -2 sum ln P
  int df = 0;           // 2 per tested locus
};

// labels[i] is population i + 1's label (raw bytes from a data file: may hold
// any byte, Latin-1 or UTF-8, '&', '<', quotes, control characters).
// cells in pair order (1,2), (1,3) ... (1,n), (2,3) ... (n-1,n): n(n-1)/2 of them.
// title: the heading, as label bytes (escaped like the labels); it names
// the test whose P the cells show.
// Returns a complete standalone SVG document (UTF-8).
// Throws std::invalid_argument when the number of cells does not match.
inline constexpr std::string_view kPairsPlotTitle = "Pairwise tests: combined P over loci (Fisher's method)";
std::string pairsPlotSvg(const std::vector<std::string>& labels, const std::vector<PairPlotCell>& cells,
                         std::string_view title = kPairsPlotTitle);

}  // namespace ortelan
