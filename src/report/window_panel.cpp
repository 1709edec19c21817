#include "report/window_panel.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "report/svg_writer.h"

namespace ortelan {
namespace {

using svg::num;

constexpr double kFont = 11;
constexpr double kLegendFont = 12;
constexpr const char* kInk = "#222222";

// A scale of F_ST: steps of 1, 2 or 5 x 10^k, at most five intervals, from
// 0 (or below, for negative estimates) to above the highest.
struct Scale {
  double low = 0, high = 0, step = 0;
  int decimals = 0;
};

Scale scaleFor(double lowest, double highest) {
  lowest = std::min(lowest, 0.0);
  highest = std::max(highest, lowest + 1e-6);
  Scale s;
  const double range = highest - lowest;
  for (double decade = std::pow(10.0, std::floor(std::log10(range / 5)));; decade *= 10) {
    for (const double m : {1.0, 2.0, 5.0}) {
      s.step = m * decade;
      if (range / s.step <= 5 + 1e-9) {
        s.low = std::floor(lowest / s.step + 1e-9) * s.step;
        s.high = std::ceil(highest / s.step - 1e-9) * s.step;
        s.decimals = std::max(0, -static_cast<int>(std::floor(std::log10(s.step) + 1e-9)));
        return s;
      }
    }
  }
}

std::string basePairs(std::int64_t bp) {
  if (bp % 1000000 == 0) return std::to_string(bp / 1000000) + " Mb";
  if (bp % 1000 == 0) return std::to_string(bp / 1000) + " kb";
  return std::to_string(bp) + " bp";
}

}  // namespace

void drawWindowPanel(std::string& svg, const WindowPanelBox& box, const std::vector<ChromosomeSpan>& chromosomes,
                     const ManhattanLayers& layers, const std::array<const char*, 2>& colours) {
  double lowest = 0, highest = 0;
  for (const ManhattanWindow& w : layers.windows) {
    lowest = std::min(lowest, w.fst);
    highest = std::max(highest, w.fst);
  }
  if (std::isfinite(layers.overallFst)) highest = std::max(highest, layers.overallFst);
  const Scale scale = scaleFor(lowest, highest);
  const auto y = [&](double fst) {
    return box.bottom - (box.bottom - box.top) * (std::clamp(fst, scale.low, scale.high) - scale.low) /
                            (scale.high - scale.low);
  };

  svg += "<g class=\"windows-axis\" font-size=\"" + num(kFont) + "\" fill=\"" + kInk + "\" text-anchor=\"end\">\n";
  const int ticks = static_cast<int>(std::lround((scale.high - scale.low) / scale.step));
  for (int k = 0; k <= ticks; ++k) {
    const double value = scale.low + k * scale.step;
    const double at = y(value);
    const bool zero = std::fabs(value) < scale.step / 2;
    svg += "<line x1=\"" + num(box.left - 4) + "\" y1=\"" + num(at) + "\" x2=\"" + num(box.right) + "\" y2=\"" +
           num(at) + "\" stroke=\"" + (zero ? "#555555" : "#e4e4e4") + "\" stroke-width=\"1\"/>";
    svg += "<text x=\"" + num(box.left - 6) + "\" y=\"" + num(at + 0.35 * kFont) + "\">" +
           svg::toChars(zero ? 0.0 : value, std::chars_format::fixed, scale.decimals) + "</text>\n";
  }
  svg += "<text transform=\"translate(" + num(box.titleX) + " " + num((box.top + box.bottom) / 2) +
         ") rotate(-90)\" text-anchor=\"middle\" font-size=\"" + num(kLegendFont) + "\">F_ST (windows)</text>\n";
  std::string note = "F_ST (\u03B8) in windows of " + basePairs(layers.windowSize);
  if (layers.windowStep != layers.windowSize) note += " every " + basePairs(layers.windowStep);
  if (std::isfinite(layers.overallFst)) {
    note += "; dotted: F_ST over all loci, " + svg::toChars(layers.overallFst, std::chars_format::fixed, 4);
  }
  svg += "<text x=\"" + num(box.left + 4) + "\" y=\"" + num(box.top - 4) + "\" text-anchor=\"start\" fill=\"#444444\">" +
         note + "</text>\n</g>\n";

  if (std::isfinite(layers.overallFst)) {
    svg += "<line class=\"overall-fst\" x1=\"" + num(box.left) + "\" y1=\"" + num(y(layers.overallFst)) + "\" x2=\"" +
           num(box.right) + "\" y2=\"" + num(y(layers.overallFst)) +
           "\" stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"2 3\"/>\n";
  }

  // Each chromosome's windows in their order, as one path of stretches.
  std::unordered_map<std::string_view, std::size_t> spanOf;
  for (std::size_t k = 0; k < chromosomes.size(); ++k) spanOf.emplace(chromosomes[k].name, k);
  std::vector<std::string> paths(chromosomes.size());
  std::vector<const ManhattanWindow*> previous(chromosomes.size(), nullptr);
  std::vector<std::string> lastPoint(chromosomes.size());
  for (const ManhattanWindow& w : layers.windows) {
    const auto found = spanOf.find(w.chromosome);
    if (found == spanOf.end()) continue;
    const std::size_t k = found->second;
    const ChromosomeSpan& c = chromosomes[k];
    const std::int64_t middle = std::clamp(w.start + (w.end - w.start) / 2, c.first, c.last);
    const std::string point = svg::toChars(c.x(middle), std::chars_format::fixed, 1) + " " +
                              svg::toChars(y(w.fst), std::chars_format::fixed, 1);
    const bool joined = previous[k] != nullptr && w.start <= previous[k]->end + 1;
    previous[k] = &w;
    if (joined && point == lastPoint[k]) continue;  // the same place on the screen
    paths[k] += (joined ? "L" : paths[k].empty() ? "M" : " M") + point;
    lastPoint[k] = point;
  }
  svg += "<g class=\"windows\" fill=\"none\" stroke-width=\"1.5\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n";
  for (std::size_t k = 0; k < paths.size(); ++k) {
    if (paths[k].empty()) continue;
    // A stretch of one window is a dot: a line of no length with round caps.
    std::string d;
    for (std::size_t at = 0; at < paths[k].size();) {
      const std::size_t next = std::min(paths[k].find(" M", at + 1), paths[k].size());
      std::string stretch = paths[k].substr(at, next - at);
      if (stretch.find('L') == std::string::npos) stretch += "h0";
      d += stretch;
      at = next;
    }
    svg += "<path stroke=\"" + std::string(colours[k % 2]) + "\" d=\"" + d + "\"/>\n";
  }
  svg += "</g>\n";
}

}  // namespace ortelan
