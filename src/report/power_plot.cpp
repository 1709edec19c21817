#include "report/power_plot.h"

#include <algorithm>
#include <cmath>

#include "report/svg_writer.h"

namespace ortelan {
namespace {

using svg::escapedLabel;
using svg::kMargin;
using svg::kTitleBottom;
using svg::num;
using svg::toChars;

constexpr double kWidth = 760;
constexpr double kPlotHeight = 360;
constexpr double kLegendFont = 12;
constexpr double kLegendLine = 17;
constexpr double kTickFont = 11;
constexpr double kMarkRadius = 3.5;
constexpr double kCap = 4;  // half the width of a limit's bar end
constexpr const char* kInk = "#222222";
constexpr const char* kGrid = "#e4e4e4";
constexpr const char* kLevelColour = "#c0392b";

// Viridis at 3/16 and 9/16 for the two tests over loci, then other points
// of the map for any other curve.
const char* colourOf(std::string_view test) {
  if (test == "fisher_method") return "#424086";
  if (test == "summed_chi2") return "#1f9f88";
  return "#d5e21a";
}

// Solid for the first level, then dashes of other lengths.
const char* dashOf(std::size_t level) {
  static constexpr const char* kDashes[] = {"", "6 3", "2 3", "8 3 2 3"};
  return kDashes[level % std::size(kDashes)];
}

// A tick step of 1, 2 or 5 times a power of ten, for at most `intervals`
// intervals up to `largest` (> 0).
double tickStep(double largest, int intervals) {
  const double rough = largest / intervals;
  const double decade = std::pow(10.0, std::floor(std::log10(rough)));
  for (const double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * decade >= rough) return m * decade;
  }
  return 10 * decade;
}

// A tick label with as many decimals as the step needs.
std::string tickText(double value, double step) {
  const int decimals = std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
  return toChars(value, std::chars_format::fixed, decimals);
}

std::string three(double value) { return toChars(value, std::chars_format::fixed, 3); }

}  // namespace

std::string powerPlot(std::string_view title, const std::vector<PowerCurve>& curves) {
  std::vector<double> alphas;
  double largest = 0;
  for (const PowerCurve& curve : curves) {
    if (std::find(alphas.begin(), alphas.end(), curve.alpha) == alphas.end()) alphas.push_back(curve.alpha);
    for (const PowerPoint& p : curve.points) largest = std::max(largest, p.expected);
  }
  std::sort(alphas.begin(), alphas.end());
  if (!(largest > 0)) largest = 0.01;
  const double xStep = tickStep(largest, 6);
  const double xTop = std::ceil(largest / xStep - 1e-9) * xStep;

  const std::string fullTitle = "Power against F_ST: " + std::string(title);
  const double width = std::max(kWidth, std::ceil(svg::titledWidth(fullTitle)));
  const double legendTop = kTitleBottom + 12;
  const double plotTop = legendTop + kLegendLine * static_cast<double>(curves.size() + 1) + 10;
  const double plotLeft = kMargin + kLegendFont + 8 + svg::textWidth(std::string_view("0.0"), kTickFont) + 10;
  const double plotRight = width - kMargin - 10;
  const double plotBottom = plotTop + kPlotHeight;
  const double height = plotBottom + kTickFont + 8 + kLegendFont + 10 + kMargin;
  auto x = [&](double f) { return plotLeft + (plotRight - plotLeft) * std::clamp(f / xTop, 0.0, 1.0); };
  auto y = [&](double power) { return plotBottom - (plotBottom - plotTop) * std::clamp(power, 0.0, 1.0); };

  std::string out = svg::documentStart(width, height, fullTitle);
  // Legend: each curve, then the levels' line.
  out += "<g class=\"legend\" font-size=\"" + num(kLegendFont) + "\" fill=\"#444444\">\n";
  double ly = legendTop + kLegendFont;
  for (const PowerCurve& curve : curves) {
    const std::size_t level = static_cast<std::size_t>(std::find(alphas.begin(), alphas.end(), curve.alpha) - alphas.begin());
    out += "<line x1=\"" + num(kMargin) + "\" y1=\"" + num(ly - 4) + "\" x2=\"" + num(kMargin + 28) + "\" y2=\"" +
           num(ly - 4) + "\" stroke=\"" + colourOf(curve.test) + "\" stroke-width=\"2\"" +
           (*dashOf(level) ? std::string(" stroke-dasharray=\"") + dashOf(level) + "\"" : std::string()) + "/>\n";
    out += "<text x=\"" + num(kMargin + 36) + "\" y=\"" + num(ly) + "\">" + escapedLabel(curve.test) +
           ", \u03b1 = " + toChars(curve.alpha, std::chars_format::general, 6) + "</text>\n";
    ly += kLegendLine;
  }
  out += "<line x1=\"" + num(kMargin) + "\" y1=\"" + num(ly - 4) + "\" x2=\"" + num(kMargin + 28) + "\" y2=\"" +
         num(ly - 4) + "\" stroke=\"" + kLevelColour + "\" stroke-width=\"1\" stroke-dasharray=\"4 3\"/>\n";
  out += "<text x=\"" + num(kMargin + 36) +
         "\" y=\"" + num(ly) + "\">the level \u03b1: where a test holds it, its curve starts there at F_ST = 0. "
         "Bars: 95 % limits.</text>\n</g>\n";

  // Axes and grid.
  out += "<g class=\"axes\" font-size=\"" + num(kTickFont) + "\" fill=\"#444444\">\n";
  for (int k = 0; k <= 5; ++k) {
    const double power = k / 5.0;
    out += "<line x1=\"" + num(plotLeft) + "\" y1=\"" + num(y(power)) + "\" x2=\"" + num(plotRight) + "\" y2=\"" +
           num(y(power)) + "\" stroke=\"" + kGrid + "\"/>\n";
    out += "<text x=\"" + num(plotLeft - 6) + "\" y=\"" + num(y(power) + 4) + "\" text-anchor=\"end\">" +
           toChars(power, std::chars_format::fixed, 1) + "</text>\n";
  }
  const int xTicks = static_cast<int>(std::lround(xTop / xStep));
  for (int k = 0; k <= xTicks; ++k) {
    const double f = k * xStep;
    out += "<line x1=\"" + num(x(f)) + "\" y1=\"" + num(plotBottom) + "\" x2=\"" + num(x(f)) + "\" y2=\"" +
           num(plotBottom + 4) + "\" stroke=\"" + kInk + "\"/>\n";
    out += "<text x=\"" + num(x(f)) + "\" y=\"" + num(plotBottom + 6 + kTickFont) + "\" text-anchor=\"middle\">" +
           tickText(f, xStep) + "</text>\n";
  }
  out += "<rect x=\"" + num(plotLeft) + "\" y=\"" + num(plotTop) + "\" width=\"" + num(plotRight - plotLeft) +
         "\" height=\"" + num(plotBottom - plotTop) + "\" fill=\"none\" stroke=\"" + kInk + "\"/>\n";
  out += "<text x=\"" + num((plotLeft + plotRight) / 2) + "\" y=\"" + num(height - kMargin) +
         "\" text-anchor=\"middle\" font-size=\"" + num(kLegendFont) + "\">expected F_ST</text>\n";
  out += "<text transform=\"translate(" + num(kMargin + kLegendFont) + " " + num((plotTop + plotBottom) / 2) +
         ") rotate(-90)\" text-anchor=\"middle\" font-size=\"" + num(kLegendFont) + "\">power</text>\n</g>\n";
  for (double alpha : alphas) {
    out += "<line class=\"level\" x1=\"" + num(plotLeft) + "\" y1=\"" + num(y(alpha)) + "\" x2=\"" + num(plotRight) +
           "\" y2=\"" + num(y(alpha)) + "\" stroke=\"" + kLevelColour + "\" stroke-dasharray=\"4 3\"/>\n";
  }

  // The curves, their limits and points.
  for (const PowerCurve& curve : curves) {
    const std::size_t level = static_cast<std::size_t>(std::find(alphas.begin(), alphas.end(), curve.alpha) - alphas.begin());
    const char* colour = colourOf(curve.test);
    out += "<g class=\"curve\" stroke=\"" + std::string(colour) + "\" fill=\"" + colour + "\">\n";
    std::string points;
    for (const PowerPoint& p : curve.points) {
      if (!points.empty()) points += ' ';
      points.append(num(x(p.expected))).append(1, ',').append(num(y(p.power)));
    }
    out += "<polyline points=\"" + points + "\" fill=\"none\" stroke-width=\"2\"" +
           (*dashOf(level) ? std::string(" stroke-dasharray=\"") + dashOf(level) + "\"" : std::string()) + "/>\n";
    for (const PowerPoint& p : curve.points) {
      const double px = x(p.expected);
      out += "<path d=\"M" + num(px) + " " + num(y(p.low)) + "V" + num(y(p.high)) + "M" + num(px - kCap) + " " +
             num(y(p.low)) + "H" + num(px + kCap) + "M" + num(px - kCap) + " " + num(y(p.high)) + "H" +
             num(px + kCap) + "\" fill=\"none\" stroke-width=\"1\"/>\n";
      out += "<circle cx=\"" + num(px) + "\" cy=\"" + num(y(p.power)) + "\" r=\"" + num(kMarkRadius) + "\"><title>" +
             escapedLabel(curve.test) + " at \u03b1 = " + toChars(curve.alpha, std::chars_format::general, 6) +
             ", F_ST target " + toChars(p.target, std::chars_format::general, 6) + " (" +
             std::to_string(p.generations) + " generations, expected " + toChars(p.expected, std::chars_format::general, 4) +
             "): power " + three(p.power) + " [" + three(p.low) + ", " + three(p.high) + "] of " +
             std::to_string(p.replicates) + " replicates</title></circle>\n";
    }
    out += "</g>\n";
  }
  out += "</svg>\n";
  return out;
}

}  // namespace ortelan
