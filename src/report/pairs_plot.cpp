#include "report/pairs_plot.h"

#include <algorithm>
#include <array>
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
constexpr const char* kMinus = "\u2212";

// P: the colour bar runs from -log10 P = 0 to `top`, a whole multiple of
// the tick step at or above the largest finite -log10 P drawn (and at least
// 3, so a matrix of large P values does not stretch over the whole scale).
// P = 0 has no finite -log10 P; it takes the top colour, and the top tick
// then reads "≥ top".
struct PScale {
  double top = 3;
  int step = 1;
  bool capped = false;

  explicit PScale(const std::vector<PairPlotCell>& cells) {
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

// Theta: light yellow at 0, through orange to dark red at the top of the
// scale (ColorBrewer's YlOrRd); estimates below 0, which say no more than
// that the populations differ less than sampling alone would make them,
// through pale blue to a middle blue at the bottom (Blues). The scale runs from the least estimate
// (or 0) to the largest, each end rounded out to a whole step of 1, 2 or 5
// times a power of ten, at most six steps in all.
constexpr std::array<Rgb, 9> kAboveZero = {{{0xff, 0xff, 0xcc}, {0xff, 0xed, 0xa0}, {0xfe, 0xd9, 0x76},
                                            {0xfe, 0xb2, 0x4c}, {0xfd, 0x8d, 0x3c}, {0xfc, 0x4e, 0x2a},
                                            {0xe3, 0x1a, 0x1c}, {0xbd, 0x00, 0x26}, {0x80, 0x00, 0x26}}};
constexpr std::array<Rgb, 3> kBelowZero = {{{0xff, 0xff, 0xcc}, {0xc6, 0xdb, 0xef}, {0x6b, 0xae, 0xd6}}};

template <std::size_t N>
Rgb alongMap(const std::array<Rgb, N>& map, double t) {
  t = std::clamp(std::isnan(t) ? 0.0 : t, 0.0, 1.0);
  const double scaled = t * (N - 1);
  const auto low = std::min(static_cast<std::size_t>(scaled), N - 2);
  const double f = scaled - static_cast<double>(low);
  return {map[low].r + (map[low + 1].r - map[low].r) * f, map[low].g + (map[low + 1].g - map[low].g) * f,
          map[low].b + (map[low + 1].b - map[low].b) * f};
}

struct ThetaScale {
  double bottom = 0, top = 0.1, step = 0.02;
  int decimals = 2;

  explicit ThetaScale(const std::vector<PairPlotCell>& cells) {
    double least = 0, largest = 0;
    for (const PairPlotCell& cell : cells) {
      if (!std::isfinite(cell.theta)) continue;
      least = std::min(least, cell.theta);
      largest = std::max(largest, cell.theta);
    }
    if (largest - least < 1e-3) largest = least + 1e-3;
    for (double decade = 1e-3;; decade *= 10) {
      for (const int m : {1, 2, 5}) {
        step = m * decade;
        bottom = std::floor(least / step + 1e-9) * step;
        top = std::ceil(largest / step - 1e-9) * step;
        if (top <= 0) top = step;
        if ((top - bottom) / step <= 6 + 1e-9) {
          decimals = std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
          return;
        }
      }
    }
  }

  Rgb colour(double theta) const {
    if (theta >= 0) return alongMap(kAboveZero, theta / top);
    return alongMap(kBelowZero, bottom < 0 ? theta / bottom : 0);
  }
  // Where 0 lies on the bar, from its bottom (0) to its top (1).
  double zero() const { return -bottom / (top - bottom); }
  std::string label(double value) const {
    const std::string text = toChars(std::abs(value), std::chars_format::fixed, decimals);
    return value < 0 && text.find_first_not_of("0.") != std::string::npos ? kMinus + text : text;
  }
};

// Theta as a cell shows it: three decimals, a true minus sign.
std::string thetaText(double theta) {
  const std::string text = toChars(std::abs(theta), std::chars_format::fixed, 3);
  return theta < 0 && text != "0.000" ? kMinus + text : text;
}

// ---------------------------------------------------------------- layout

constexpr double kLegendFont = 12;
constexpr double kTickFont = 11;
constexpr double kBarWidth = 16;
constexpr double kBarGap = 28;       // grid to the first colour bar, and between the bars' columns
constexpr double kLegendDrop = 42;   // grid top to bar top, room for the legend's two-line heading
constexpr double kLabelGap = 5;      // axis labels to grid
constexpr double kMinCellFont = 9;   // smallest value written in a cell
constexpr double kMaxCellFont = 12;
constexpr const char* kPHeading = "\u2212log\u2081\u2080 P";
constexpr const char* kPWhere = "above the diagonal";
constexpr const char* kThetaHeading = "F_ST (\u03B8)";
constexpr const char* kThetaWhere = "below the diagonal";

// One colour bar of the legend, with its heading, ticks and the swatch of
// cells without a value.
struct Legend {
  std::string heading, where, swatchText;
  std::vector<std::pair<double, std::string>> ticks;  // position from the bar's bottom (0 to 1), label
  bool swatch = false;
  double left = 0, width = 0;
};

// Sizes that scale with the number of populations: a row and a column for
// each, the diagonal left empty.
struct Layout {
  std::size_t n = 0;
  double cell = 0;
  double labelFont = 0;
  double cellFont = 0;  // 0: no value written in the cells
  double gridLeft = 0, gridTop = 0, gridSize = 0;
  bool rotatedColumnLabels = false;
  double barTop = 0, barHeight = 0;
  double width = 0, height = 0;

  double cellLeft(std::size_t column) const { return gridLeft + static_cast<double>(column) * cell; }
  double cellTop(std::size_t row) const { return gridTop + static_cast<double>(row) * cell; }
};

Layout layOut(const std::vector<PopulationLabel>& labels, const std::vector<std::string>& cellTexts,
              std::vector<Legend>& legends, std::string_view title) {
  Layout l;
  l.n = labels.size();
  // About 800 px of grid, cells between 8 px (n = 100 gives 800 px) and 90 px.
  l.cell = std::clamp(std::floor(800.0 / static_cast<double>(l.n)), 8.0, 90.0);
  l.gridSize = l.cell * static_cast<double>(l.n);
  l.labelFont = std::clamp(l.cell * 0.75, 6.0, 13.0);

  // One font size for every value in the grid, as large as lets the longest
  // fit. When that is too small to read, no cell shows its value (the
  // tooltips still do): a grid with only some cells written in reads worse
  // than none.
  std::size_t longest = 1;
  for (const std::string& text : cellTexts) longest = std::max(longest, decodeLabel(text).size());
  const double fitting = 0.88 * l.cell / (0.62 * static_cast<double>(longest));  // digits run ~0.62 em
  l.cellFont = std::min({kMaxCellFont, l.cell * 0.4, fitting});
  if (l.cellFont < kMinCellFont) l.cellFont = 0;

  double labelWidth = 0;
  for (const PopulationLabel& label : labels) labelWidth = std::max(labelWidth, textWidth(label.drawn, l.labelFont));
  l.rotatedColumnLabels = labelWidth > l.cell - 4;

  l.gridLeft = kMargin + labelWidth + kLabelGap;
  l.gridTop = kTitleBottom + 18;
  const double gridBottom = l.gridTop + l.gridSize;
  const double columnLabelDepth = kLabelGap + (l.rotatedColumnLabels ? labelWidth : l.labelFont * 1.2);

  l.barTop = l.gridTop + kLegendDrop;
  l.barHeight = std::clamp(l.gridSize - kLegendDrop, 150.0, 320.0);
  double left = l.gridLeft + l.gridSize + kBarGap;
  double barBottom = l.barTop + l.barHeight + kTickFont;
  for (Legend& legend : legends) {
    double tickWidth = 0;
    for (const auto& tick : legend.ticks) tickWidth = std::max(tickWidth, textWidth(tick.second, kTickFont));
    legend.left = left;
    // The rough text widths run short of the wider faces by up to a tenth.
    legend.width = 1.1 * std::max({textWidth(legend.heading, kLegendFont), textWidth(legend.where, kTickFont),
                                   kBarWidth + 7 + tickWidth});
    if (legend.swatch) {
      legend.width = std::max(legend.width, 12 + 6 + textWidth(legend.swatchText, kTickFont));
      barBottom = std::max(barBottom, l.barTop + l.barHeight + kTickFont + 24);
    }
    left += legend.width + kBarGap;
  }

  l.width = std::max(left - kBarGap + kMargin, titledWidth(title));
  l.height = std::max(gridBottom + columnLabelDepth, barBottom) + kMargin;
  l.width = std::ceil(l.width);
  l.height = std::ceil(l.height);
  return l;
}

// ---------------------------------------------------------------- drawing

void drawAxisLabels(std::string& svg, const Layout& l, const std::vector<PopulationLabel>& labels) {
  svg += "<g font-size=\"" + num(l.labelFont) + "\" fill=\"#222222\">\n";
  const double baselineShift = 0.35 * l.labelFont;  // puts the middle of a capital on the centre line
  for (std::size_t row = 0; row < l.n; ++row) {
    svg += "<text x=\"" + num(l.gridLeft - kLabelGap) + "\" y=\"" + num(l.cellTop(row) + l.cell / 2 + baselineShift) +
           "\" text-anchor=\"end\">" + xmlText(labels[row].drawn) + "</text>\n";
  }
  const double gridBottom = l.gridTop + l.gridSize;
  for (std::size_t column = 0; column < l.n; ++column) {
    const std::string text = xmlText(labels[column].drawn);
    const double centre = l.cellLeft(column) + l.cell / 2;
    if (l.rotatedColumnLabels) {
      // Read upwards, ending just under the grid.
      svg += "<text transform=\"translate(" + num(centre + baselineShift) + " " + num(gridBottom + kLabelGap) +
             ") rotate(-90)\" text-anchor=\"end\">" + text + "</text>\n";
    } else {
      svg += "<text x=\"" + num(centre) + "\" y=\"" + num(gridBottom + kLabelGap + l.labelFont) +
             "\" text-anchor=\"middle\">" + text + "</text>\n";
    }
  }
  svg += "</g>\n";
}

// A cell with its tooltip, and its text where there is room.
void drawCell(std::string& svg, const Layout& l, std::size_t row, std::size_t column, const std::string& tooltip,
              const std::string& fill, const std::string& text, const char* textFill) {
  const double x = l.cellLeft(column), y = l.cellTop(row);
  svg += "<g><title>" + tooltip + "</title><rect x=\"" + num(x) + "\" y=\"" + num(y) + "\" width=\"" + num(l.cell) +
         "\" height=\"" + num(l.cell) + "\" fill=\"" + fill + "\"/>";
  if (!text.empty() && l.cellFont > 0) {
    // The text lets the pointer through, so the cell's tooltip shows over it too.
    svg += "<text x=\"" + num(x + l.cell / 2) + "\" y=\"" + num(y + l.cell / 2 + 0.35 * l.cellFont) + "\" fill=\"" +
           textFill + "\" stroke=\"none\" pointer-events=\"none\">" + text + "</text>";
  }
  svg += "</g>\n";
}

void drawCells(std::string& svg, const Layout& l, const std::vector<PopulationLabel>& labels,
               const std::vector<PairPlotCell>& cells, const std::vector<std::string>& pTexts,
               const std::vector<std::string>& thetaTexts, const PScale& pScale, const ThetaScale& thetaScale,
               bool showsP) {
  const double stroke = l.cell >= 20 ? 1 : 0.5;
  std::string group = "<g stroke=\"#ffffff\" stroke-width=\"" + num(stroke) + "\"";
  if (l.cellFont > 0) group += " font-size=\"" + num(l.cellFont) + "\" text-anchor=\"middle\"";
  group += ">\n";
  const std::size_t n = labels.size();
  const auto pairName = [&](std::size_t a, std::size_t b) {
    return labels[a].tooltip + " \u00D7 " + labels[b].tooltip + ": ";
  };
  if (showsP) {
    // Above the diagonal: row a, column b.
    svg += group;
    std::size_t k = 0;
    for (std::size_t a = 0; a + 1 < n; ++a) {
      for (std::size_t b = a + 1; b < n; ++b, ++k) {
        const PairPlotCell& cell = cells[k];
        std::string tooltip = pairName(a, b);
        if (cell.tested) {
          tooltip += "P = " + pTexts[k] + " (Fisher's chi2 = " + toChars(cell.chi2, std::chars_format::fixed, 2) +
                     ", df = " + std::to_string(cell.df) + ")";
        } else {
          tooltip += "not tested";
        }
        const Rgb fill = viridis(pScale.position(cell.p));
        drawCell(svg, l, a, b, tooltip, cell.tested ? hex(fill) : kUntestedFill, cell.tested ? pTexts[k] : "",
                 textColourOn(fill));
      }
    }
    svg += "</g>\n";
  }
  // Below the diagonal: row b, column a.
  svg += group;
  std::size_t k = 0;
  for (std::size_t a = 0; a + 1 < n; ++a) {
    for (std::size_t b = a + 1; b < n; ++b, ++k) {
      const PairPlotCell& cell = cells[k];
      const bool estimated = std::isfinite(cell.theta);
      std::string tooltip = pairName(a, b);
      if (estimated) {
        tooltip += "\u03B8 = " + thetaTexts[k];
        if (std::isfinite(cell.thetaLow) && std::isfinite(cell.thetaHigh)) {
          tooltip += " (95 % limits " + thetaText(cell.thetaLow) + " to " + thetaText(cell.thetaHigh) + ")";
        }
      } else {
        tooltip += "no estimate of \u03B8";
      }
      const Rgb fill = thetaScale.colour(cell.theta);
      drawCell(svg, l, b, a, tooltip, estimated ? hex(fill) : kUntestedFill, estimated ? thetaTexts[k] : "",
               textColourOn(fill));
    }
  }
  svg += "</g>\n";
}

// A vertical gradient from its stops (offset from the bar's bottom, colour).
void drawGradient(std::string& svg, const char* id, const std::vector<std::pair<double, Rgb>>& stops) {
  svg += std::string("<defs><linearGradient id=\"") + id + "\" x1=\"0\" y1=\"1\" x2=\"0\" y2=\"0\">\n";
  for (const auto& [offset, colour] : stops) {
    svg += "<stop offset=\"" + toChars(offset, std::chars_format::fixed, 4) + "\" stop-color=\"" + hex(colour) +
           "\"/>\n";
  }
  svg += "</linearGradient></defs>\n";
}

void drawLegend(std::string& svg, const Layout& l, const Legend& legend, const char* gradient) {
  svg += "<g font-size=\"" + num(kTickFont) + "\" fill=\"#222222\">\n";
  svg += "<text x=\"" + num(legend.left) + "\" y=\"" + num(l.gridTop + kLegendFont) + "\" font-size=\"" +
         num(kLegendFont) + "\">" + legend.heading + "</text>\n";
  svg += "<text x=\"" + num(legend.left) + "\" y=\"" + num(l.gridTop + kLegendFont + 16) + "\">" + legend.where +
         "</text>\n";
  svg += "<rect x=\"" + num(legend.left) + "\" y=\"" + num(l.barTop) + "\" width=\"" + num(kBarWidth) +
         "\" height=\"" + num(l.barHeight) + "\" fill=\"url(#" + gradient +
         ")\" stroke=\"#555555\" stroke-width=\"0.5\"/>\n";
  const double right = legend.left + kBarWidth;
  for (const auto& [position, label] : legend.ticks) {
    const double y = l.barTop + l.barHeight * (1 - position);
    svg += "<line x1=\"" + num(right) + "\" y1=\"" + num(y) + "\" x2=\"" + num(right + 4) + "\" y2=\"" + num(y) +
           "\" stroke=\"#555555\" stroke-width=\"1\"/>";
    svg += "<text x=\"" + num(right + 7) + "\" y=\"" + num(y + 0.35 * kTickFont) + "\">" + label + "</text>\n";
  }
  if (legend.swatch) {
    const double y = l.barTop + l.barHeight + kTickFont + 12;
    svg += "<rect x=\"" + num(legend.left) + "\" y=\"" + num(y) + "\" width=\"12\" height=\"12\" fill=\"" +
           kUntestedFill + "\"/><text x=\"" + num(legend.left + 18) + "\" y=\"" + num(y + 6 + 0.35 * kTickFont) +
           "\">" + legend.swatchText + "</text>\n";
  }
  svg += "</g>\n";
}

Legend thetaLegend(const ThetaScale& scale, bool anyMissing) {
  Legend legend{kThetaHeading, kThetaWhere, "no estimate", {}, anyMissing};
  const int steps = static_cast<int>(std::lround((scale.top - scale.bottom) / scale.step));
  for (int k = 0; k <= steps; ++k) {
    const double value = scale.bottom + k * scale.step;
    legend.ticks.emplace_back(static_cast<double>(k) / steps, scale.label(std::abs(value) < scale.step / 2 ? 0 : value));
  }
  return legend;
}

Legend pLegend(const PScale& scale, bool anyUntested) {
  Legend legend{kPHeading, kPWhere, "not tested", {}, anyUntested};
  const int ticks = static_cast<int>(std::lround(scale.top / scale.step));
  for (int k = 0; k <= ticks; ++k) {
    const std::string label = (k == ticks && scale.capped ? "\u2265 " : "") + std::to_string(k * scale.step);
    legend.ticks.emplace_back(k * scale.step / scale.top, label);
  }
  return legend;
}

std::vector<std::pair<double, Rgb>> thetaStops(const ThetaScale& scale) {
  std::vector<std::pair<double, Rgb>> stops;
  const double zero = scale.zero();
  if (zero > 0) {
    for (std::size_t k = kBelowZero.size() - 1; k > 0; --k) {
      stops.emplace_back(zero * (1 - static_cast<double>(k) / (kBelowZero.size() - 1)), kBelowZero[k]);
    }
  }
  for (std::size_t k = 0; k < kAboveZero.size(); ++k) {
    stops.emplace_back(zero + (1 - zero) * static_cast<double>(k) / (kAboveZero.size() - 1), kAboveZero[k]);
  }
  return stops;
}

std::vector<std::pair<double, Rgb>> pStops() {
  std::vector<std::pair<double, Rgb>> stops;
  for (std::size_t k = 0; k < kViridis.size(); ++k) stops.emplace_back(static_cast<double>(k) / (kViridis.size() - 1), kViridis[k]);
  return stops;
}

}  // namespace

std::string pairsPlotSvg(const std::vector<std::string>& labels, const std::vector<PairPlotCell>& cells,
                         std::string_view title, bool showsP) {
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
  std::vector<std::string> pTexts, thetaTexts, cellTexts;
  pTexts.reserve(pairs);
  thetaTexts.reserve(pairs);
  bool anyUntested = false, anyMissing = false;
  for (const PairPlotCell& cell : cells) {
    pTexts.push_back(cell.tested ? threeDigits(cell.p) : "");
    thetaTexts.push_back(std::isfinite(cell.theta) ? thetaText(cell.theta) : "");
    anyUntested = anyUntested || !cell.tested;
    anyMissing = anyMissing || !std::isfinite(cell.theta);
    if (showsP) cellTexts.push_back(pTexts.back());
    cellTexts.push_back(thetaTexts.back());
  }

  const PScale pScale(cells);
  const ThetaScale thetaScale(cells);
  std::vector<Legend> legends{thetaLegend(thetaScale, anyMissing)};
  if (showsP) legends.push_back(pLegend(pScale, anyUntested));
  const Layout layout = layOut(shown, cellTexts, legends, title);
  std::string svg = documentStart(layout.width, layout.height, title);
  svg.reserve(pairs * 400 + 4096);
  drawAxisLabels(svg, layout, shown);
  drawCells(svg, layout, shown, cells, pTexts, thetaTexts, pScale, thetaScale, showsP);
  drawGradient(svg, "ortelan-pairs-theta", thetaStops(thetaScale));
  drawLegend(svg, layout, legends[0], "ortelan-pairs-theta");
  if (showsP) {
    drawGradient(svg, "ortelan-pairs-p", pStops());
    drawLegend(svg, layout, legends[1], "ortelan-pairs-p");
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace ortelan
