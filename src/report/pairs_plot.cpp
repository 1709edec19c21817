#include "report/pairs_plot.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string_view>

#include "report/svg_writer.h"

namespace ortelan {
namespace {

using svg::decodeLabel;
using svg::documentStart;
using svg::hex;
using svg::kMargin;
using svg::kTitleBottom;
using svg::kViridis;
using svg::num;
using svg::Rgb;
using svg::textColourOn;
using svg::textWidth;
using svg::threeDigits;
using svg::titledWidth;
using svg::toChars;
using svg::viridis;
using svg::xmlText;

constexpr std::size_t kDrawnLabelLength = 20;

struct PopulationLabel {
  std::string tooltip;  // the whole label, escaped
  std::u32string drawn;   // at most kDrawnLabelLength characters, unescaped
};

PopulationLabel populationLabel(const std::string& raw, std::size_t number) {
  std::u32string text = decodeLabel(raw);
  const auto first = text.find_first_not_of(U' ');
  if (first == std::u32string::npos) {
    // Nothing printable: name the population by its number instead.
    std::string fallback = "#";  // not "#" + ...: g++ 12 at -O3 misreads that as an overlapping copy
    fallback += std::to_string(number);
    text.assign(fallback.begin(), fallback.end());
    return {xmlText(text), text};
  }
  const std::string tooltip = xmlText(text);
  text = text.substr(first, text.find_last_not_of(U' ') - first + 1);
  if (text.size() > kDrawnLabelLength) {
    text.resize(kDrawnLabelLength - 1);
    text += U'\u2026';
  }
  return {tooltip, text};
}

// ---------------------------------------------------------------- colour

constexpr const char* kUntestedFill = "#c0c0c0";

// The colour bar runs from -log10 P = 0 to `top`, a whole multiple of the
// tick step at or above the largest finite -log10 P drawn (and at least 3,
// so a matrix of large P values does not stretch over the whole scale).
// P = 0 has no finite -log10 P; it takes the top colour, and the top tick
// then reads "≥ top".
struct ColourScale {
  double top = 3;
  int step = 1;
  bool capped = false;

  explicit ColourScale(const std::vector<PairPlotCell>& cells) {
    double largest = 3;
    for (const PairPlotCell& cell : cells) {
      if (!cell.tested || std::isnan(cell.p)) continue;
      if (cell.p <= 0) {
        capped = true;
      } else {
        largest = std::max(largest, -std::log10(cell.p));
      }
    }
    const svg::AxisSteps steps = svg::axisSteps(largest, 6);
    top = steps.top;
    step = steps.step;
  }

  // Position on the scale, 0 (P = 1) to 1 (P at or past the top).
  double position(double p) const {
    if (std::isnan(p) || p >= 1) return 0;
    if (p <= 0) return 1;
    return std::min(-std::log10(p) / top, 1.0);
  }
};

// ---------------------------------------------------------------- layout

constexpr double kLegendFont = 12;
constexpr double kTickFont = 11;
constexpr double kBarWidth = 16;
constexpr double kBarGap = 28;       // grid to colour bar
constexpr double kLegendDrop = 30;   // grid top to bar top, room for the legend's heading
constexpr double kLabelGap = 5;      // axis labels to grid
constexpr double kMinCellFont = 9;   // smallest P written in a cell
constexpr double kMaxCellFont = 12;
constexpr const char* kLegendHeading = "\u2212log\u2081\u2080 P";

// Sizes that scale with the number of populations. The grid has a row for
// each of populations 2..n and a column for each of 1..n-1: with the
// diagonal and everything above it empty, that is the whole lower triangle.
struct Layout {
  std::size_t columns = 0;  // n - 1
  double cell = 0;
  double labelFont = 0;
  double cellFont = 0;  // 0: no P written in the cells
  double gridLeft = 0, gridTop = 0, gridSize = 0;
  bool rotatedColumnLabels = false;
  double barLeft = 0, barTop = 0, barHeight = 0;
  double width = 0, height = 0;

  double columnCentre(std::size_t column) const { return gridLeft + (static_cast<double>(column) + 0.5) * cell; }
  double rowCentre(std::size_t row) const { return gridTop + (static_cast<double>(row) + 0.5) * cell; }
};

Layout layOut(const std::vector<PopulationLabel>& labels, const std::vector<std::string>& cellTexts,
              const ColourScale& scale, bool anyUntested, std::string_view title) {
  Layout l;
  const std::size_t n = labels.size();
  l.columns = n - 1;
  // About 800 px of grid, cells between 10 px (n = 100 gives 990 px) and 90 px.
  l.cell = std::clamp(std::floor(800.0 / static_cast<double>(l.columns)), 10.0, 90.0);
  l.gridSize = l.cell * static_cast<double>(l.columns);
  l.labelFont = std::clamp(l.cell * 0.75, 7.5, 13.0);

  // One font size for every P in the grid, as large as lets the longest fit.
  // When that is too small to read, no cell shows its P (the tooltips still
  // do): a grid with only some cells written in reads worse than none.
  std::size_t longest = 1;
  for (const std::string& text : cellTexts) longest = std::max(longest, text.size());
  const double fitting = 0.88 * l.cell / (0.62 * static_cast<double>(longest));  // digits run ~0.62 em
  l.cellFont = std::min({kMaxCellFont, l.cell * 0.4, fitting});
  if (l.cellFont < kMinCellFont) l.cellFont = 0;

  double rowLabelWidth = 0, columnLabelWidth = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double width = textWidth(labels[i].drawn, l.labelFont);
    if (i > 0) rowLabelWidth = std::max(rowLabelWidth, width);
    if (i + 1 < n) columnLabelWidth = std::max(columnLabelWidth, width);
  }
  l.rotatedColumnLabels = columnLabelWidth > l.cell - 4;

  l.gridLeft = kMargin + rowLabelWidth + kLabelGap;
  l.gridTop = kTitleBottom + 18;
  const double gridBottom = l.gridTop + l.gridSize;
  const double columnLabelDepth = kLabelGap + (l.rotatedColumnLabels ? columnLabelWidth : l.labelFont * 1.2);

  l.barLeft = l.gridLeft + l.gridSize + kBarGap;
  l.barTop = l.gridTop + kLegendDrop;
  l.barHeight = std::clamp(l.gridSize - kLegendDrop, 150.0, 320.0);
  const std::string topTick = (scale.capped ? "\u2265 " : "") + std::to_string(static_cast<int>(scale.top));
  double barArea = std::max(textWidth(kLegendHeading, kLegendFont), kBarWidth + 7 + textWidth(topTick, kTickFont));
  double barBottom = l.barTop + l.barHeight + kTickFont;
  if (anyUntested) {
    barArea = std::max(barArea, 12 + 6 + textWidth("not tested", kTickFont));
    barBottom += 24;
  }

  l.width = std::max(l.barLeft + barArea + kMargin, titledWidth(title));
  l.height = std::max(gridBottom + columnLabelDepth, barBottom) + kMargin;
  l.width = std::ceil(l.width);
  l.height = std::ceil(l.height);
  return l;
}

// ---------------------------------------------------------------- drawing

void drawAxisLabels(std::string& svg, const Layout& l, const std::vector<PopulationLabel>& labels) {
  svg += "<g font-size=\"" + num(l.labelFont) + "\" fill=\"#222222\">\n";
  const double baselineShift = 0.35 * l.labelFont;  // puts the middle of a capital on the centre line
  for (std::size_t row = 0; row < l.columns; ++row) {
    svg += "<text x=\"" + num(l.gridLeft - kLabelGap) + "\" y=\"" + num(l.rowCentre(row) + baselineShift) +
           "\" text-anchor=\"end\">" + xmlText(labels[row + 1].drawn) + "</text>\n";
  }
  const double gridBottom = l.gridTop + l.gridSize;
  for (std::size_t column = 0; column < l.columns; ++column) {
    const std::string text = xmlText(labels[column].drawn);
    if (l.rotatedColumnLabels) {
      // Read upwards, ending just under the grid.
      svg += "<text transform=\"translate(" + num(l.columnCentre(column) + baselineShift) + " " +
             num(gridBottom + kLabelGap) + ") rotate(-90)\" text-anchor=\"end\">" + text + "</text>\n";
    } else {
      svg += "<text x=\"" + num(l.columnCentre(column)) + "\" y=\"" + num(gridBottom + kLabelGap + l.labelFont) +
             "\" text-anchor=\"middle\">" + text + "</text>\n";
    }
  }
  svg += "</g>\n";
}

void drawCells(std::string& svg, const Layout& l, const std::vector<PopulationLabel>& labels,
               const std::vector<PairPlotCell>& cells, const std::vector<std::string>& cellTexts,
               const ColourScale& scale) {
  const double stroke = l.cell >= 20 ? 1 : 0.5;
  svg += "<g stroke=\"#ffffff\" stroke-width=\"" + num(stroke) + "\"";
  if (l.cellFont > 0) svg += " font-size=\"" + num(l.cellFont) + "\" text-anchor=\"middle\"";
  svg += ">\n";
  const std::size_t n = labels.size();
  std::size_t index = 0;
  for (std::size_t a = 0; a + 1 < n; ++a) {
    for (std::size_t b = a + 1; b < n; ++b, ++index) {
      const PairPlotCell& cell = cells[index];
      const double x = l.gridLeft + static_cast<double>(a) * l.cell;
      const double y = l.gridTop + static_cast<double>(b - 1) * l.cell;
      svg += "<g><title>" + labels[a].tooltip + " \u00D7 " + labels[b].tooltip + ": ";
      if (cell.tested) {
        svg += "P = " + cellTexts[index] + " (Fisher's chi2 = " + toChars(cell.chi2, std::chars_format::fixed, 2) +
               ", df = " + std::to_string(cell.df) + ")";
      } else {
        svg += "not tested";
      }
      const Rgb fill = viridis(scale.position(cell.p));
      svg += "</title><rect x=\"" + num(x) + "\" y=\"" + num(y) + "\" width=\"" + num(l.cell) + "\" height=\"" +
             num(l.cell) + "\" fill=\"" + (cell.tested ? hex(fill) : kUntestedFill) + "\"/>";
      const std::string& text = cellTexts[index];
      if (cell.tested && l.cellFont > 0) {
        // The text lets the pointer through, so the cell's tooltip shows over it too.
        svg += "<text x=\"" + num(x + l.cell / 2) + "\" y=\"" + num(y + l.cell / 2 + 0.35 * l.cellFont) +
               "\" fill=\"" + textColourOn(fill) + "\" stroke=\"none\" pointer-events=\"none\">" + text + "</text>";
      }
      svg += "</g>\n";
    }
  }
  svg += "</g>\n";
}

void drawColourBar(std::string& svg, const Layout& l, const ColourScale& scale, bool anyUntested) {
  svg += "<defs><linearGradient id=\"ortelan-pairs-scale\" x1=\"0\" y1=\"1\" x2=\"0\" y2=\"0\">\n";
  for (std::size_t k = 0; k < kViridis.size(); ++k) {
    svg += "<stop offset=\"" + num(static_cast<double>(k) / (kViridis.size() - 1)) + "\" stop-color=\"" +
           hex(kViridis[k]) + "\"/>\n";
  }
  svg += "</linearGradient></defs>\n";
  svg += "<g font-size=\"" + num(kTickFont) + "\" fill=\"#222222\">\n";
  svg += "<text x=\"" + num(l.barLeft) + "\" y=\"" + num(l.gridTop + kLegendFont) + "\" font-size=\"" +
         num(kLegendFont) + "\">" + kLegendHeading + "</text>\n";
  svg += "<rect x=\"" + num(l.barLeft) + "\" y=\"" + num(l.barTop) + "\" width=\"" + num(kBarWidth) +
         "\" height=\"" + num(l.barHeight) + "\" fill=\"url(#ortelan-pairs-scale)\" stroke=\"#555555\" stroke-width=\"0.5\"/>\n";
  const int ticks = static_cast<int>(std::lround(scale.top / scale.step));
  for (int k = 0; k <= ticks; ++k) {
    const double value = k * scale.step;
    const double y = l.barTop + l.barHeight * (1 - value / scale.top);
    const double right = l.barLeft + kBarWidth;
    svg += "<line x1=\"" + num(right) + "\" y1=\"" + num(y) + "\" x2=\"" + num(right + 4) + "\" y2=\"" + num(y) +
           "\" stroke=\"#555555\" stroke-width=\"1\"/>";
    const std::string label = (k == ticks && scale.capped ? "\u2265 " : "") + std::to_string(k * scale.step);
    svg += "<text x=\"" + num(right + 7) + "\" y=\"" + num(y + 0.35 * kTickFont) + "\">" + label + "</text>\n";
  }
  if (anyUntested) {
    const double y = l.barTop + l.barHeight + kTickFont + 12;
    svg += "<rect x=\"" + num(l.barLeft) + "\" y=\"" + num(y) + "\" width=\"12\" height=\"12\" fill=\"" +
           kUntestedFill + "\"/><text x=\"" + num(l.barLeft + 18) + "\" y=\"" + num(y + 6 + 0.35 * kTickFont) +
           "\">not tested</text>\n";
  }
  svg += "</g>\n";
}

}  // namespace

std::string pairsPlotSvg(const std::vector<std::string>& labels, const std::vector<PairPlotCell>& cells,
                         std::string_view title) {
  const std::size_t n = labels.size();
  const std::size_t pairs = n < 2 ? 0 : n * (n - 1) / 2;
  if (cells.size() != pairs) {
    throw std::invalid_argument("pairsPlotSvg: " + std::to_string(n) + " populations need " + std::to_string(pairs) +
                                " pairs, got " + std::to_string(cells.size()));
  }
  if (n < 2) {
    std::string svg = documentStart(titledWidth(title), 80, title);
    svg += "<text x=\"" + num(kMargin) + "\" y=\"60\" font-size=\"12\">Fewer than two populations: no pairs to show.</text>\n</svg>\n";
    return svg;
  }

  std::vector<PopulationLabel> shown;
  shown.reserve(n);
  for (std::size_t i = 0; i < n; ++i) shown.push_back(populationLabel(labels[i], i + 1));
  std::vector<std::string> cellTexts;
  cellTexts.reserve(pairs);
  bool anyUntested = false;
  for (const PairPlotCell& cell : cells) {
    cellTexts.push_back(cell.tested ? threeDigits(cell.p) : "");
    anyUntested = anyUntested || !cell.tested;
  }

  const ColourScale scale(cells);
  const Layout layout = layOut(shown, cellTexts, scale, anyUntested, title);
  std::string svg = documentStart(layout.width, layout.height, title);
  svg.reserve(pairs * 200 + 4096);
  drawAxisLabels(svg, layout, shown);
  drawCells(svg, layout, shown, cells, cellTexts, scale);
  drawColourBar(svg, layout, scale, anyUntested);
  svg += "</svg>\n";
  return svg;
}

}  // namespace ortelan
