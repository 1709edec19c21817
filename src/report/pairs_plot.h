// The pairs of populations as a picture: a standalone SVG heatmap of the
// populations x populations matrix. Below the diagonal, each pair's
// multilocus F_ST (theta), coloured on a scale of its own; above it, each
// pair's combined P, coloured by -log10 P. A legend with a colour bar for
// each says which triangle is which; every cell has a tooltip.
#pragma once

#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace ortelan {

// One pair of populations a < b, over its loci.
struct PairPlotCell {
  bool tested = false;  // false: no locus could be tested for this pair
  double p = 1;         // combined P (Fisher's method); may be exactly 0
  double chi2 = 0;      // Fisher's chi2, -2 sum ln P
  int df = 0;           // 2 per tested locus
  // The pair's multilocus theta and its 95 % bootstrap limits; NaN: none.
  double theta = std::numeric_limits<double>::quiet_NaN();
  double thetaLow = std::numeric_limits<double>::quiet_NaN();
  double thetaHigh = std::numeric_limits<double>::quiet_NaN();
};

// labels[i] is population i + 1's label (raw bytes from a data file: may hold
// any byte, Latin-1 or UTF-8, '&', '<', quotes, control characters).
// cells in pair order (1,2), (1,3) ... (1,n), (2,3) ... (n-1,n): n(n-1)/2 of them.
// title: the heading, as label bytes (escaped like the labels); it names
// the test whose P the cells show.
// Without `showsP` (a run with no exact test) the upper triangle and its
// colour bar are left out.
// The document holds the P cells in pair order, then the theta cells in
// pair order, each a <g> with a <title>.
// Returns a complete standalone SVG document (UTF-8).
// Throws std::invalid_argument when the number of cells does not match.
inline constexpr std::string_view kPairsPlotTitle =
    "Pairs of populations: F_ST (\u03B8) below the diagonal, combined P over loci (Fisher's method) above";
std::string pairsPlotSvg(const std::vector<std::string>& labels, const std::vector<PairPlotCell>& cells,
                         std::string_view title = kPairsPlotTitle, bool showsP = true);

}  // namespace ortelan
