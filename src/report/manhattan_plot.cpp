#include "report/manhattan_plot.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <stdexcept>

#include "report/genome_axis.h"
#include "report/sampled_floors.h"
#include "report/svg_writer.h"
#include "report/window_panel.h"

namespace ortelan {
namespace {

using svg::decodeLabel;
using svg::documentStart;
using svg::escapedLabel;
using svg::kMargin;
using svg::kTitleBottom;
using svg::num;
using svg::textWidth;
using svg::threeDigits;
using svg::titledWidth;
using svg::toChars;

constexpr double kWidth = 1200;
constexpr double kHeight = 540;
constexpr double kLegendFont = 12;
constexpr double kLegendLine = 16;
constexpr double kTickFont = 11;
constexpr double kInset = 5;  // plot frame to the first and last marks
constexpr double kLabelGap = 5;  // the Bonferroni line's end to its label
constexpr double kMarkDiameter = 3;
constexpr double kFewMarkDiameter = 5;  // up to kFewLoci loci: easier to see, and they do not crowd
constexpr std::size_t kFewLoci = 5000;
constexpr double kMarkedRadius = 4;  // loci with a tooltip: a little larger than the dots
constexpr double kBonferroniLevel = 0.05;
constexpr double kThinnedAbove = 0.01;  // -log10 P below 2: may share a mark with its neighbours
constexpr const char* kLineColour = "#c0392b";
constexpr const char* kInk = "#222222";
constexpr const char* kAxisTitle = "\u2212log\u2081\u2080 P";
constexpr const char* kOutlierColour = "#e8710a";  // apart from the chromosomes' blue and green and the line's red
constexpr double kOutlierLevel = 0.05;
constexpr double kWindowPanelGap = 34;  // the P panel's foot to the windows' panel, its note between
constexpr double kWindowPanelHeight = 150;

// Viridis at 3/16 and 9/16: neighbouring chromosomes stand apart, and both
// read on white.
constexpr std::array<const char*, 2> kChromosomeColours = {"#424086", "#1f9f88"};

// What the points say before anything is placed.
struct Summary {
  std::size_t tested = 0;
  std::size_t zeros = 0;           // loci with a chain's P of 0
  std::size_t exact = 0;           // loci with an exact P
  std::size_t sampled = 0;         // loci with a P from independent tables
  SampledFloors floors;            // those of them with no hit, at their floor
  std::size_t tail = 0;            // loci with a P far in the tail
  double line = 0;                 // the Bonferroni level as P
  double bound = 0;                // P = 0 drawn as this P
  double largest = 0;              // -log10 P of the highest mark or of the line
  bool numbered = false;           // GENEPOP input: the x axis is the locus number
  bool outlierTest = false;        // the outlier test was made
  std::size_t outliers = 0;        // loci that stand out from the background
};

// A chain's P = 0 (or below, which no chain gives): no draw of the chain
// was as extreme. An exact or tail P is never 0, though it may lie below
// any double; nor is a P from independent tables, at least 1 / (tables + 1).
bool isZero(const ManhattanPoint& point) {
  return !point.exact && !point.sampled && !point.tail && point.p <= 0;
}

// A locus that stands out from the background in the outlier test.
bool isOutlier(const ManhattanPoint& point) { return point.outlierQ < kOutlierLevel; }

// -log10 P for 0 < P; P above 1 counts as 1.
double minusLog10(double p) { return p >= 1 ? 0 : -std::log10(p); }

// Where a locus is drawn, as -log10 P: a chain's P of 0 at the bound.
double heightOf(const ManhattanPoint& point, double bound) {
  if (isZero(point)) return minusLog10(bound);
  if ((point.exact || point.tail) && point.minusLog10P >= 0) return point.minusLog10P;
  return minusLog10(point.p);
}

// Layout of the whole document.
struct Frame {
  double width = kWidth, height = kHeight;
  double plotLeft = 0, plotRight = 0, plotTop = 0, plotBottom = 0;
  double windowTop = 0, windowBottom = 0;  // the windows' panel, where there is one
  double axisTop = 0;                      // the x axis's line: under the lowest panel
  svg::AxisSteps yAxis;
  std::size_t legendLines = 0;

  double y(double minusLog10P) const {
    return plotBottom - (plotBottom - plotTop) * std::min(minusLog10P, yAxis.top) / yAxis.top;
  }
};

// The Bonferroni line's label: two lines, the name above the line's level
// and the level below it.
std::string bonferroniLevelText(const Summary& s) { return "P = " + threeDigits(s.line); }

double bonferroniLabelWidth(const Summary& s) {
  return std::max(textWidth(std::string_view("Bonferroni"), kTickFont), textWidth(bonferroniLevelText(s), kTickFont));
}

Frame frameFor(const Summary& summary, std::string_view title, bool windows) {
  Frame f;
  // Wide enough for a long title, within reason: the dots' pixel grid
  // grows with the width.
  f.width = std::clamp(std::ceil(titledWidth(title)), kWidth, 2 * kWidth);
  f.legendLines = 1 + (summary.zeros > 0 ? 1 : 0) + (summary.exact + summary.sampled + summary.tail > 0 ? 1 : 0) +
                  (summary.floors.loci > 0 ? 1 : 0) + (summary.outlierTest ? 1 : 0);
  // Room above the highest mark, and at least 3 decades so that a plot of
  // large P only does not fill the height.
  f.yAxis = svg::axisSteps(std::max(3.0, summary.largest * 1.03), 6);
  double tickLabelWidth = textWidth(std::to_string(static_cast<long long>(f.yAxis.top)), kTickFont);
  // The windows' F_ST has labels such as -0.05 or 0.125 beside the same left edge.
  if (windows) tickLabelWidth = std::max(tickLabelWidth, textWidth(std::string_view("-0.000"), kTickFont));
  f.plotLeft = kMargin + kLegendFont + 10 + tickLabelWidth + 8;
  // The Bonferroni line's label in the right margin, beside the line's end,
  // where no mark is drawn.
  f.plotRight = f.width - kMargin - kLabelGap - bonferroniLabelWidth(summary);
  f.plotTop = kTitleBottom + 10 + kLegendLine * static_cast<double>(f.legendLines) + 12;
  // Under the plot: two rows of chromosome labels and the axis title.
  f.plotBottom = f.height - kMargin - kLegendFont - 2 * (kTickFont + 3) - 8;
  f.axisTop = f.plotBottom;
  if (windows) {
    f.windowTop = f.plotBottom + kWindowPanelGap;
    f.windowBottom = f.windowTop + kWindowPanelHeight;
    f.axisTop = f.windowBottom;
    f.height += kWindowPanelGap + kWindowPanelHeight;
  }
  return f;
}

// ---------------------------------------------------------------- legend and axes

// "1 locus", "2 loci".
std::string loci(std::size_t count) { return std::to_string(count) + (count == 1 ? " locus" : " loci"); }

// The sampled P-values that reached no hit, and their floors.
std::string floorsLine(const SampledFloors& floors) {
  const auto one = [](long long tables) {
    return threeDigits(SampledFloors::floorOf(tables)) + " (B = " + std::to_string(tables) + ")";
  };
  const bool single = floors.loci == 1;
  return (single ? "1 locus" : std::to_string(floors.loci) + " loci") + " reached no hit among " +
         (single ? "its" : "their") + " independent tables: " + (single ? "its" : "each") +
         " P at its floor 1/(B + 1) for B tables, " +
         (floors.oneFloor() ? one(floors.mostTables)
                            : "from " + one(floors.mostTables) + " to " + one(floors.fewestTables)) +
         "; a larger --samples resolves " + (single ? "it." : "them.");
}

void drawLegend(std::string& svg, const Summary& s, std::int64_t batches, std::int64_t iterations) {
  svg += "<g class=\"legend\" font-size=\"" + num(kLegendFont) + "\" fill=\"#444444\">\n";
  double y = kTitleBottom + 10 + kLegendFont;
  svg += "<text x=\"" + num(kMargin) + "\" y=\"" + num(y) + "\">" + std::to_string(s.tested) +
         (s.tested == 1 ? " locus" : " loci") + " tested. Dashed line: Bonferroni level 0.05 / " +
         std::to_string(s.tested) + " = " + threeDigits(s.line) +
         ". Point at a locus above it for its name and P.</text>\n";
  if (s.sampled + s.tail > 0) {
    // Every kind of P the plot holds, how many of each.
    const std::size_t chain = s.tested - s.exact - s.sampled - s.tail;
    std::string kinds;
    if (s.exact > 0) kinds += "Exact P at " + loci(s.exact) + " (every table with the locus's margins listed); ";
    if (s.sampled > 0) kinds += std::to_string(s.sampled) + " P from independent tables with their 95 % limits, never 0";
    if (s.sampled > 0 && s.tail > 0) kinds += "; ";
    if (s.tail > 0) kinds += std::to_string(s.tail) + " P far in the tail (tilted tables) with their 95 % limits";
    if (chain > 0) kinds += "; " + std::to_string(chain) + " P are chain estimates";
    y += kLegendLine;
    svg += "<text x=\"" + num(kMargin) + "\" y=\"" + num(y) + "\">" + kinds + ". Each drawn at its height.</text>\n";
    if (s.floors.loci > 0) {
      y += kLegendLine;
      svg += "<text x=\"" + num(kMargin) + "\" y=\"" + num(y) + "\">" + floorsLine(s.floors) + "</text>\n";
    }
  } else if (s.exact > 0) {
    y += kLegendLine;
    svg += "<text x=\"" + num(kMargin) + "\" y=\"" + num(y) + "\">Exact P at " + loci(s.exact) +
           " (every table with the locus's margins listed), drawn at its height; " +
           std::to_string(s.tested - s.exact) + " P are chain estimates.</text>\n";
  }
  if (s.zeros > 0) {
    y += kLegendLine;
    svg += "<circle cx=\"" + num(kMargin + kMarkedRadius) + "\" cy=\"" + num(y - 0.35 * kLegendFont) + "\" r=\"" +
           num(kMarkedRadius) + "\" fill=\"#ffffff\" stroke=\"#444444\" stroke-width=\"1.5\"/>";
    svg += "<text x=\"" + num(kMargin + 2 * kMarkedRadius + 5) + "\" y=\"" + num(y) + "\">P = 0 at " +
           std::to_string(s.zeros) + (s.zeros == 1 ? " locus" : " loci") +
           ": no draw of the chain was as extreme, so P &lt; about 1 / (" + std::to_string(batches) + " \u00D7 " +
           std::to_string(iterations) + ") = " + threeDigits(s.bound) + "; drawn at that bound.</text>\n";
  }
  if (s.outlierTest) {
    y += kLegendLine;
    svg += "<circle cx=\"" + num(kMargin + kMarkedRadius) + "\" cy=\"" + num(y - 0.35 * kLegendFont) + "\" r=\"" +
           num(kMarkedRadius) + "\" fill=\"" + kOutlierColour + "\" stroke=\"#ffffff\" stroke-width=\"1.5\"/>";
    svg += "<text x=\"" + num(kMargin + 2 * kMarkedRadius + 5) + "\" y=\"" + num(y) + "\">" + std::to_string(s.outliers) +
           (s.outliers == 1 ? " locus stands" : " loci stand") +
           " out from the background at q &lt; 0.05 (outlier test of F); point at one for its q.</text>\n";
  }
  svg += "</g>\n";
}

void drawYAxis(std::string& svg, const Frame& f) {
  svg += "<g class=\"y-axis\" font-size=\"" + num(kTickFont) + "\" fill=\"" + kInk + "\" text-anchor=\"end\">\n";
  const int ticks = static_cast<int>(std::lround(f.yAxis.top / f.yAxis.step));
  for (int k = 0; k <= ticks; ++k) {
    const int value = k * f.yAxis.step;
    const double y = f.y(value);
    svg += "<line x1=\"" + num(f.plotLeft - 4) + "\" y1=\"" + num(y) + "\" x2=\"" + num(f.plotRight) + "\" y2=\"" +
           num(y) + "\" stroke=\"" + (k == 0 ? "#555555" : "#e4e4e4") + "\" stroke-width=\"1\"/>";
    svg += "<text x=\"" + num(f.plotLeft - 6) + "\" y=\"" + num(y + 0.35 * kTickFont) + "\">" +
           std::to_string(value) + "</text>\n";
  }
  const double middle = (f.plotTop + f.plotBottom) / 2;
  svg += "<text transform=\"translate(" + num(kMargin + kLegendFont) + " " + num(middle) +
         ") rotate(-90)\" text-anchor=\"middle\" font-size=\"" + num(kLegendFont) + "\">" + kAxisTitle +
         "</text>\n</g>\n";
}

// Chromosome names under their spans, centred, on whichever of two rows
// has room; a name with room on neither is left out (its loci are drawn).
void drawChromosomeNames(std::string& svg, const Frame& f, const std::vector<ChromosomeSpan>& chromosomes) {
  std::array<double, 2> rowEnd = {-1e300, -1e300};
  for (const ChromosomeSpan& c : chromosomes) {
    const std::u32string name = decodeLabel(c.name);
    const double half = textWidth(name, kTickFont) / 2;
    const double centre = c.left + c.width / 2;
    if (centre - half < 0 || centre + half > f.width) continue;
    for (std::size_t row = 0; row < rowEnd.size(); ++row) {
      if (centre - half < rowEnd[row] + 6) continue;
      rowEnd[row] = centre + half;
      svg += "<text x=\"" + num(centre) + "\" y=\"" +
             num(f.axisTop + 4 + kTickFont + static_cast<double>(row) * (kTickFont + 3)) + "\">" +
             svg::xmlText(name) + "</text>\n";
      break;
    }
  }
}

// Position ticks along one chromosome or along the locus numbers: steps of
// 1, 2, 5 x 10^k, in bp, kb or Mb, whichever keeps the labels short.
void drawPositionTicks(std::string& svg, const Frame& f, const ChromosomeSpan& c, bool numbered) {
  const double extent = static_cast<double>(c.last) - static_cast<double>(c.first);
  const double unit = numbered || extent < 2e4 ? 1 : extent < 2e6 ? 1e3 : 1e6;
  const char* suffix = numbered ? "" : unit == 1 ? " bp" : unit == 1e3 ? " kb" : " Mb";
  const double step = svg::axisSteps(extent, 8).step;
  for (double k = std::ceil(static_cast<double>(c.first) / step); k * step <= static_cast<double>(c.last); ++k) {
    const double x = c.x(static_cast<std::int64_t>(k * step));
    svg += "<line x1=\"" + num(x) + "\" y1=\"" + num(f.axisTop) + "\" x2=\"" + num(x) + "\" y2=\"" +
           num(f.axisTop + 4) + "\" stroke=\"#555555\" stroke-width=\"1\"/><text x=\"" + num(x) + "\" y=\"" +
           num(f.axisTop + 4 + kTickFont) + "\">" + num(k * step / unit) + suffix + "</text>\n";
  }
}

void drawXAxis(std::string& svg, const Frame& f, const std::vector<ChromosomeSpan>& chromosomes, bool numbered) {
  svg += "<g class=\"x-axis\" font-size=\"" + num(kTickFont) + "\" fill=\"" + kInk + "\" text-anchor=\"middle\">\n";
  std::string axisTitle = "Chromosome";
  if (numbered) {
    axisTitle = "Locus (number in the file)";
    drawPositionTicks(svg, f, chromosomes.front(), true);
  } else if (chromosomes.size() == 1) {
    axisTitle = "Position on " + escapedLabel(chromosomes.front().name);
    drawPositionTicks(svg, f, chromosomes.front(), false);
  } else {
    drawChromosomeNames(svg, f, chromosomes);
  }
  svg += "<text x=\"" + num((f.plotLeft + f.plotRight) / 2) + "\" y=\"" + num(f.height - kMargin) +
         "\" font-size=\"" + num(kLegendFont) + "\">" + axisTitle + "</text>\n</g>\n";
}

void drawBonferroniLine(std::string& svg, const Frame& f, const Summary& s) {
  const double y = f.y(minusLog10(s.line));
  svg += "<line class=\"bonferroni\" x1=\"" + num(f.plotLeft) + "\" y1=\"" + num(y) + "\" x2=\"" + num(f.plotRight) +
         "\" y2=\"" + num(y) + "\" stroke=\"" + kLineColour + "\" stroke-width=\"1\" stroke-dasharray=\"6 4\"/>\n";
}

// In the right margin beside the line's end, its two lines about the
// line's level.
void drawBonferroniLabel(std::string& svg, const Frame& f, const Summary& s) {
  const double y = f.y(minusLog10(s.line));
  const std::string x = num(f.plotRight + kLabelGap);
  svg += "<text class=\"bonferroni\" font-size=\"" + num(kTickFont) + "\" fill=\"" + kLineColour + "\"><tspan x=\"" +
         x + "\" y=\"" + num(y - 3) + "\">Bonferroni</tspan><tspan x=\"" + x + "\" y=\"" + num(y + kTickFont) + "\">" +
         bonferroniLevelText(s) + "</tspan></text>\n";
}

// ---------------------------------------------------------------- marks

// A locus drawn on its own, with its tooltip.
bool marked(const ManhattanPoint& point, double line) { return point.p <= line; }

void appendInt(std::string& out, long value) {
  std::array<char, 24> buffer{};
  out.append(buffer.data(), std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr);
}

// The unmarked loci of each chromosome as one path of dots (round caps on
// empty segments) at whole pixels, in relative moves: some 7 bytes a locus.
// Of the loci with P > 0.01 below the line, one per occupied pixel is kept.
// Returns how many loci share a dot with another.
std::size_t drawDots(std::string& svg, const Frame& f, const std::vector<ManhattanPoint>& points,
                     const std::vector<ChromosomeSpan>& chromosomes, const Summary& s) {
  const long columns = static_cast<long>(f.width) + 2;
  const long rows = static_cast<long>(f.height) + 2;
  // Cell -> the chromosome (number + 1) that last drew there.
  std::vector<std::uint32_t> drawnBy(static_cast<std::size_t>(columns * rows), 0);
  std::size_t merged = 0;
  const double diameter = s.tested <= kFewLoci ? kFewMarkDiameter : kMarkDiameter;
  svg += "<g class=\"loci\" fill=\"none\" stroke-width=\"" + num(diameter) + "\" stroke-linecap=\"round\">\n";
  for (std::size_t k = 0; k < chromosomes.size(); ++k) {
    const ChromosomeSpan& c = chromosomes[k];
    const auto stamp = static_cast<std::uint32_t>(k + 1);
    std::string d;
    long lastX = 0, lastY = 0;  // relative moves start from 0 0
    for (const std::size_t i : c.loci) {
      const ManhattanPoint& point = points[i];
      if (marked(point, s.line) || isOutlier(point)) continue;
      const long x = std::clamp(std::lround(c.x(point.position)), 0L, columns - 1);
      const long y = std::clamp(std::lround(f.y(heightOf(point, s.bound))), 0L, rows - 1);
      if (point.p > kThinnedAbove) {
        std::uint32_t& cell = drawnBy[static_cast<std::size_t>(y * columns + x)];
        if (cell == stamp) {
          ++merged;
          continue;
        }
        cell = stamp;
      }
      d += 'm';
      appendInt(d, x - lastX);
      d += ' ';
      appendInt(d, y - lastY);
      d += "h0";
      lastX = x;
      lastY = y;
    }
    if (d.empty()) continue;
    svg += "<path stroke=\"";
    svg += kChromosomeColours[k % 2];
    svg += "\" d=\"";
    svg += d;
    svg += "\"/>\n";
  }
  svg += "</g>\n";
  return merged;
}

void drawThinningNote(std::string& svg, const Frame& f) {
  svg += "<text x=\"" + num(f.plotRight) + "\" y=\"" + num(f.height - kMargin) + "\" font-size=\"" + num(kTickFont) +
         "\" fill=\"#666666\" text-anchor=\"end\">Loci with P &gt; 0.01 below the line: one dot per pixel</text>\n";
}

// An exact or tail P in three digits, from -log10 P where P lies below any
// double.
std::string exactPText(const ManhattanPoint& point) {
  if (point.p > 0 || point.minusLog10P < 0) return threeDigits(point.p);
  const double exponent = std::ceil(point.minusLog10P);
  double mantissa = std::pow(10.0, exponent - point.minusLog10P);
  int power = -static_cast<int>(exponent);
  if (mantissa >= 9.995) {
    mantissa /= 10;
    ++power;
  }
  return toChars(mantissa, std::chars_format::fixed, 2) + "e" + std::to_string(power);
}

std::string tooltip(const ManhattanPoint& point, bool numbered, const Summary& s) {
  std::string text = escapedLabel(point.name) + ", ";
  if (numbered) {
    text += "locus " + std::to_string(point.position);
  } else {
    text += escapedLabel(point.chromosome) + ":" + std::to_string(point.position);
  }
  if (point.exact) return text + ": P = " + exactPText(point) + " (exact)";
  // A tail P, like an exact one, may lie below any double; so may its
  // limits, which are then left out.
  if (point.tail) {
    text += ": P = " + exactPText(point);
    if (point.high > 0) text += ", 95 % limits " + threeDigits(point.low) + " to " + threeDigits(point.high);
    return text + " (far in the tail)";
  }
  text += ": P = " + threeDigits(point.p);
  if (point.sampled) {
    return text + ", SE = " + threeDigits(point.se) + ", 95 % limits " + threeDigits(point.low) + " to " +
           threeDigits(point.high) +
           (atSampledFloor(point.sampled, point.low) ? " (from independent tables, none as extreme: its floor)"
                                                      : " (from independent tables)");
  }
  if (isZero(point)) text += " (&lt; about " + threeDigits(s.bound) + ")";
  // A P of the chi-square has no standard error.
  return std::isnan(point.se) ? text : text + ", SE = " + threeDigits(point.se);
}

// Loci at or above the line and loci with P = 0, each a circle with its
// tooltip: filled at its P, open at the bound. P = 0 first, so that a marked
// locus at the same height stays on top.
void drawMarkedLoci(std::string& svg, const Frame& f, const std::vector<ManhattanPoint>& points,
                    const std::vector<ChromosomeSpan>& chromosomes, const Summary& s) {
  svg += "<g class=\"marked\" stroke-width=\"1.5\">\n";
  for (const bool zeros : {true, false}) {
    for (std::size_t k = 0; k < chromosomes.size(); ++k) {
      const std::string colour = kChromosomeColours[k % 2];
      for (const std::size_t i : chromosomes[k].loci) {
        const ManhattanPoint& point = points[i];
        if (!marked(point, s.line) || isZero(point) != zeros || isOutlier(point)) continue;
        const double value = heightOf(point, s.bound);
        svg += "<circle cx=\"" + num(chromosomes[k].x(point.position)) + "\" cy=\"" + num(f.y(value)) + "\" r=\"" +
               num(kMarkedRadius) + "\" fill=\"" + (zeros ? "#ffffff" : colour) + "\" stroke=\"" +
               (zeros ? colour : "#ffffff") + "\"><title>" + tooltip(point, s.numbered, s) + "</title></circle>\n";
      }
    }
  }
  svg += "</g>\n";
}

// The loci that stand out from the background, on top of all others, each
// a circle in the outlier colour with its tooltip and q.
void drawOutliers(std::string& svg, const Frame& f, const std::vector<ManhattanPoint>& points,
                  const std::vector<ChromosomeSpan>& chromosomes, const Summary& s) {
  if (s.outliers == 0) return;
  svg += "<g class=\"outliers\" stroke-width=\"1.5\">\n";
  for (const ChromosomeSpan& c : chromosomes) {
    for (const std::size_t i : c.loci) {
      const ManhattanPoint& point = points[i];
      if (!isOutlier(point)) continue;
      svg += "<circle cx=\"" + num(c.x(point.position)) + "\" cy=\"" + num(f.y(heightOf(point, s.bound))) + "\" r=\"" +
             num(kMarkedRadius) + "\" fill=\"" + kOutlierColour + "\" stroke=\"#ffffff\"><title>" +
             tooltip(point, s.numbered, s) + "; stands out from the background, q = " + threeDigits(point.outlierQ) +
             "</title></circle>\n";
    }
  }
  svg += "</g>\n";
}

Summary summarize(const std::vector<ManhattanPoint>& points, const std::vector<ChromosomeSpan>& chromosomes,
                  std::int64_t batches, std::int64_t iterations, bool outlierTest) {
  Summary s;
  for (const ChromosomeSpan& c : chromosomes) s.tested += c.loci.size();
  s.line = kBonferroniLevel / static_cast<double>(s.tested);
  s.bound = 1 / (static_cast<double>(batches) * static_cast<double>(iterations));
  s.numbered = chromosomes.size() == 1 && chromosomes.front().name.empty();
  s.outlierTest = outlierTest;
  s.largest = minusLog10(s.line);
  for (const ChromosomeSpan& c : chromosomes) {
    for (const std::size_t i : c.loci) {
      if (isZero(points[i])) ++s.zeros;
      if (points[i].exact) ++s.exact;
      if (isOutlier(points[i])) ++s.outliers;
      if (points[i].sampled) ++s.sampled;
      if (atSampledFloor(points[i].sampled, points[i].low)) s.floors.add(points[i].p);
      if (points[i].tail) ++s.tail;
      s.largest = std::max(s.largest, heightOf(points[i], s.bound));
    }
  }
  return s;
}

}  // namespace

std::string manhattanPlotSvg(const std::vector<ManhattanPoint>& points, std::int64_t batches,
                             std::int64_t iterations, std::string_view title, const ManhattanLayers& layers) {
  if (batches < 1 || iterations < 1) {
    throw std::invalid_argument("manhattanPlotSvg: batches and iterations must be at least 1, got " +
                                std::to_string(batches) + " and " + std::to_string(iterations));
  }
  std::vector<ChromosomeSpan> chromosomes = groupByChromosome(points);
  if (chromosomes.empty()) {
    std::string svg = documentStart(std::max(480.0, std::ceil(titledWidth(title))), 80, title);
    svg += "<text x=\"" + num(kMargin) + "\" y=\"60\" font-size=\"12\">No tested locus: nothing to plot.</text>\n</svg>\n";
    return svg;
  }
  const Summary summary = summarize(points, chromosomes, batches, iterations, layers.outliers);
  const Frame frame = frameFor(summary, title, !layers.windows.empty());
  placeChromosomes(chromosomes, frame.plotLeft + kInset, frame.plotRight - kInset);

  std::string svg = documentStart(frame.width, frame.height, title);
  drawLegend(svg, summary, batches, iterations);
  drawYAxis(svg, frame);
  drawXAxis(svg, frame, chromosomes, summary.numbered);
  if (drawDots(svg, frame, points, chromosomes, summary) > 0) drawThinningNote(svg, frame);
  drawBonferroniLine(svg, frame, summary);
  drawMarkedLoci(svg, frame, points, chromosomes, summary);
  drawOutliers(svg, frame, points, chromosomes, summary);
  drawBonferroniLabel(svg, frame, summary);
  if (!layers.windows.empty()) {
    drawWindowPanel(svg, {frame.plotLeft, frame.plotRight, frame.windowTop, frame.windowBottom, kMargin + kLegendFont},
                    chromosomes, layers, kChromosomeColours);
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace ortelan
