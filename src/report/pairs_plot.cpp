#include "report/pairs_plot.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string_view>

namespace ortelan {
namespace {

// ---------------------------------------------------------------- numbers
// All numbers go through std::to_chars, which ignores the global locale, so
// the document never gets decimal commas and the same input gives the same
// bytes.

std::string toChars(double value, std::chars_format format, int precision) {
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format, precision);
  return std::string(buffer.data(), result.ptr);
}

// A coordinate or size: at most two decimals, trailing zeros dropped.
std::string num(double value) {
  if (!std::isfinite(value)) return "0";  // never reached by the layout; keeps the SVG valid
  std::string text = toChars(value, std::chars_format::fixed, 2);
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text == "-0" ? "0" : text;
}

// P with three significant digits: 0.500, 0.0123, 0.00100, 1.23e-5.
std::string threeDigits(double p) {
  if (std::isnan(p)) return "nan";
  if (std::isinf(p)) return p > 0 ? "inf" : "-inf";
  if (p == 0) return "0";
  const std::string scientific = toChars(p, std::chars_format::scientific, 2);
  const std::size_t e = scientific.find('e');
  std::string_view digits = std::string_view(scientific).substr(e + 1);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int exponent = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), exponent);
  if (exponent >= -3 && exponent <= 2) return toChars(p, std::chars_format::fixed, 2 - exponent);
  return scientific.substr(0, e) + "e" + std::to_string(exponent);
}

// ---------------------------------------------------------------- text

// Label bytes to Unicode code points: valid UTF-8 sequences are decoded,
// any other byte is read as Latin-1. Control characters (C0, DEL, C1) and
// the non-characters U+FFFE and U+FFFF are dropped: XML 1.0 forbids most of
// them and none of them can be drawn.
std::u32string decodeLabel(std::string_view raw) {
  std::u32string out;
  std::size_t i = 0;
  while (i < raw.size()) {
    const auto lead = static_cast<unsigned char>(raw[i]);
    char32_t cp = lead;
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xF4) {
      const std::size_t need = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      const char32_t least = need == 2 ? 0x80 : need == 3 ? 0x800 : 0x10000;
      char32_t value = lead & (need == 2 ? 0x1F : need == 3 ? 0x0F : 0x07);
      bool valid = i + need <= raw.size();
      for (std::size_t k = 1; valid && k < need; ++k) {
        const auto next = static_cast<unsigned char>(raw[i + k]);
        valid = (next & 0xC0) == 0x80;
        value = (value << 6) | (next & 0x3F);
      }
      // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
      if (valid && value >= least && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF)) {
        cp = value;
        length = need;
      }
    }
    i += length;
    const bool control = cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
    if (!control && cp != 0xFFFE && cp != 0xFFFF) out.push_back(cp);
  }
  return out;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Code points as UTF-8 character data, with XML's special characters escaped.
std::string xmlText(const std::u32string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (const char32_t cp : text) {
    switch (cp) {
      case U'&': out += "&amp;"; break;
      case U'<': out += "&lt;"; break;
      case U'>': out += "&gt;"; break;
      case U'"': out += "&quot;"; break;
      case U'\'': out += "&apos;"; break;
      default: appendUtf8(out, cp);
    }
  }
  return out;
}

// Rough advance width in ems for a sans-serif face: East Asian wide forms
// take a full em, combining marks none, everything else about 0.58 em
// (about the average of Latin text in the common sans-serif faces).
double textWidth(const std::u32string& text, double fontSize) {
  double ems = 0;
  for (const char32_t cp : text) {
    const bool combining = cp >= 0x300 && cp <= 0x36F;
    const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                      (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                      (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                      (cp >= 0xFFE0 && cp <= 0xFFE6) || cp >= 0x20000;
    ems += combining ? 0 : wide ? 1.0 : 0.58;
  }
  return ems * fontSize;
}

double textWidth(std::string_view utf8, double fontSize) { return textWidth(decodeLabel(utf8), fontSize); }

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
    const std::string fallback = "#" + std::to_string(number);
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

struct Rgb {
  double r, g, b;  // 0..255
};

// The viridis colour map (van der Walt and Smith, 2015) at 17 equally
// spaced points, 0 dark to 1 light. Linear interpolation in sRGB between
// them stays within 6 units of 255 per channel of the full 256-entry map.
constexpr std::array<Rgb, 17> kViridis = {{
    {0x44, 0x01, 0x54}, {0x48, 0x18, 0x6A}, {0x47, 0x2D, 0x7B}, {0x42, 0x40, 0x86}, {0x3B, 0x52, 0x8B},
    {0x33, 0x63, 0x8D}, {0x2C, 0x72, 0x8E}, {0x26, 0x82, 0x8E}, {0x21, 0x90, 0x8C}, {0x1F, 0x9F, 0x88},
    {0x27, 0xAD, 0x81}, {0x3E, 0xBC, 0x74}, {0x5D, 0xC8, 0x63}, {0x82, 0xD3, 0x4D}, {0xAA, 0xDC, 0x32},
    {0xD5, 0xE2, 0x1A}, {0xFD, 0xE7, 0x25},
}};

constexpr const char* kUntestedFill = "#c0c0c0";

Rgb viridis(double t) {
  t = std::clamp(std::isnan(t) ? 0.0 : t, 0.0, 1.0);
  const double scaled = t * (kViridis.size() - 1);
  const auto low = std::min(static_cast<std::size_t>(scaled), kViridis.size() - 2);
  const double f = scaled - static_cast<double>(low);
  const Rgb& a = kViridis[low];
  const Rgb& b = kViridis[low + 1];
  return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f};
}

std::string hex(const Rgb& colour) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out = "#";
  for (const double channel : {colour.r, colour.g, colour.b}) {
    const int value = static_cast<int>(std::lround(std::clamp(channel, 0.0, 255.0)));
    out += kDigits[value / 16];
    out += kDigits[value % 16];
  }
  return out;
}

// Black or white, whichever has the higher WCAG 2 contrast ratio against
// the fill (relative luminance from the sRGB transfer function).
const char* textColourOn(const Rgb& fill) {
  auto linear = [](double channel) {
    const double c = channel / 255;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  const double luminance = 0.2126 * linear(fill.r) + 0.7152 * linear(fill.g) + 0.0722 * linear(fill.b);
  return (luminance + 0.05) / 0.05 >= 1.05 / (luminance + 0.05) ? "#000000" : "#ffffff";
}

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
    // Steps 1, 2, 5, 10, 20, ...: the smallest giving at most six intervals.
    for (int decade = 1;; decade *= 10) {
      for (const int m : {1, 2, 5}) {
        step = m * decade;
        if (largest / step <= 6) {
          top = std::ceil(largest / step - 1e-9) * step;
          return;
        }
      }
    }
  }

  // Position on the scale, 0 (P = 1) to 1 (P at or past the top).
  double position(double p) const {
    if (std::isnan(p) || p >= 1) return 0;
    if (p <= 0) return 1;
    return std::min(-std::log10(p) / top, 1.0);
  }
};

// ---------------------------------------------------------------- layout

constexpr double kMargin = 16;
constexpr double kTitleFont = 16;
constexpr double kLegendFont = 12;
constexpr double kTickFont = 11;
constexpr double kBarWidth = 16;
constexpr double kBarGap = 28;       // grid to colour bar
constexpr double kLegendDrop = 30;   // grid top to bar top, room for the legend's heading
constexpr double kLabelGap = 5;      // axis labels to grid
constexpr double kMinCellFont = 9;   // smallest P written in a cell
constexpr double kMaxCellFont = 12;
constexpr const char* kTitle = "Pairwise tests: combined P over loci (Fisher's method)";
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
              const ColourScale& scale, bool anyUntested) {
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
  l.gridTop = kMargin + kTitleFont + 18;
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

  l.width = std::max(l.barLeft + barArea + kMargin, 2 * kMargin + textWidth(kTitle, kTitleFont));
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

std::string documentStart(double width, double height) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width) + "\" height=\"" + num(height) +
         "\" viewBox=\"0 0 " + num(width) + " " + num(height) +
         "\" font-family=\"DejaVu Sans, Verdana, Arial, Helvetica, sans-serif\">\n"
         "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n"
         "<text x=\"" + num(kMargin) + "\" y=\"" + num(kMargin + kTitleFont) + "\" font-size=\"" + num(kTitleFont) +
         "\" font-weight=\"bold\" fill=\"#222222\">" + kTitle + "</text>\n";
}

}  // namespace

std::string pairsPlotSvg(const std::vector<std::string>& labels, const std::vector<PairPlotCell>& cells) {
  const std::size_t n = labels.size();
  const std::size_t pairs = n < 2 ? 0 : n * (n - 1) / 2;
  if (cells.size() != pairs) {
    throw std::invalid_argument("pairsPlotSvg: " + std::to_string(n) + " populations need " + std::to_string(pairs) +
                                " pairs, got " + std::to_string(cells.size()));
  }
  if (n < 2) {
    std::string svg = documentStart(2 * kMargin + textWidth(kTitle, kTitleFont), 80);
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
  const Layout layout = layOut(shown, cellTexts, scale, anyUntested);
  std::string svg = documentStart(layout.width, layout.height);
  svg.reserve(pairs * 200 + 4096);
  drawAxisLabels(svg, layout, shown);
  drawCells(svg, layout, shown, cells, cellTexts, scale);
  drawColourBar(svg, layout, scale, anyUntested);
  svg += "</svg>\n";
  return svg;
}

}  // namespace ortelan
