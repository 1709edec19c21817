// The exact test of every locus along the genome: a standalone SVG
// Manhattan plot of -log10 P by chromosome and position, with the Bonferroni
// level as a dashed line and a tooltip on every locus above it.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace ortelan {

// One tested locus. Names are raw bytes from a data file (any byte, Latin-1
// or UTF-8, '&', '<', quotes, control characters).
struct ManhattanPoint {
  std::string chromosome;     // empty for GENEPOP input
  std::int64_t position = 0;  // base pairs; for GENEPOP input the locus number
  std::string name;           // the locus name
  double p = 1;               // exact-test P: 0 when no draw of the chain was as extreme; NaN: not tested
  double se = 0;              // its standard error; NaN: none (the chi-square's P)
  bool exact = false;         // P listed over every table with the margins, not estimated by the chain
  bool sampled = false;       // P from independent tables, with its 95 % limits
  bool tail = false;          // P far in the tail, from tilted tables, with its 95 % limits
  double low = 0, high = 0;   // those limits
  // -log10 P of an exact or tail P, where P itself may lie below the
  // smallest double (an 80-bit program's); negative when not given.
  double minusLog10P = -1;
  // The outlier test's q; NaN where the locus was not tested so. Below
  // 0.05 the locus stands out from the background, drawn in a colour of
  // its own.
  double outlierQ = std::numeric_limits<double>::quiet_NaN();
};

// The F_ST of a window along the genome.
struct ManhattanWindow {
  std::string chromosome;
  std::int64_t start = 0, end = 0;
  double fst = 0;
};

// What the plot shows beside the P-values.
struct ManhattanLayers {
  // A second panel under the P-values, on the same genome axis: the
  // windows' F_ST as a line, and the F_ST over all loci (NaN: none).
  std::vector<ManhattanWindow> windows;
  std::int64_t windowSize = 0, windowStep = 0;
  double overallFst = std::numeric_limits<double>::quiet_NaN();
  // The outlier test was made: the legend counts the loci that stand out.
  bool outliers = false;
};

inline constexpr std::string_view kManhattanPlotTitle = "Exact test of each locus: \u2212log\u2081\u2080 P";

// points in file order; batches and iterations: the chain's, at least 1 each.
// Draws each point with a P that is not NaN (P above 1 counts as 1), its
// chromosome's span in order of first appearance, in alternating colours.
// With every chromosome empty the x axis is the locus number (GENEPOP input).
// The dashed line is at P = 0.05 / (points drawn), labelled in the right
// margin beside its end. A chain's P of 0 is drawn as an open mark at
// 1 / (batches x iterations), the chain's resolution; an exact or tail P at
// its own height, however small. The legend tells how many P are exact, how
// many from independent tables, how many far in the tail and how many chain
// estimates, and how many of those from independent tables sit at their
// floor (sampled_floors.h).
// Every locus at or above the line (P of 0 included) is a circle of its own
// with a <title> tooltip (name, where, P, SE), some 150 bytes. The others
// are dots at whole pixels, some 7 bytes, and of those with P > 0.01 one per
// chromosome and pixel: a scan of a million loci, a few hundred of them
// above the line, makes a document of under a megabyte.
// title: the heading, as label bytes (escaped like the names); the document
// widens for it up to twice its usual width, past that it is cut off.
// Returns a complete standalone SVG document (UTF-8); with no point drawn,
// a short document that says so.
// With `layers`: the loci that stand out from the background are circles in
// their own colour, with a legend line, and windows a second panel.
// Throws std::invalid_argument when batches or iterations is below 1.
std::string manhattanPlotSvg(const std::vector<ManhattanPoint>& points, std::int64_t batches,
                             std::int64_t iterations, std::string_view title = kManhattanPlotTitle,
                             const ManhattanLayers& layers = {});

}  // namespace ortelan
