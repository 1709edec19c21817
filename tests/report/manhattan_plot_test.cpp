#include "report/manhattan_plot.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "report/manhattan_points.h"
#include "support/strict_xml.h"
#include "support/synthetic_scan.h"

namespace ortelan {
namespace {

struct Dot {
  long x = 0, y = 0;
};
struct Circle {
  double x = 0, y = 0;
  std::string fill, tooltip;
};

// What a reader of the document sees: dots by chromosome, marked loci with
// their tooltips, the axes and the line.
struct Plot {
  std::vector<std::string> dotColours;     // one per <path> of dots, in order
  std::vector<std::vector<Dot>> dots;      // its dots, absolute
  std::vector<Circle> circles;
  std::map<double, double> yTicks;         // value -> y
  std::vector<std::pair<std::string, double>> xLabels;  // text, x
  double lineY = NAN;
  double lineEnd = NAN;                    // the line's right end
  std::string label;                       // the line's label, its lines joined by a blank
  double labelLeft = INFINITY;
  double rightmostMark = -INFINITY;        // the right edge of the rightmost dot or circle
  std::vector<std::string> texts;          // every <text>, in order
  bool says(std::string_view part) const {
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.find(part) != t.npos; });
  }
  std::size_t dotCount() const {
    std::size_t n = 0;
    for (const auto& path : dots) n += path.size();
    return n;
  }
  // The y of -log10 P = value, from the axis ticks.
  double y(double value) const {
    if (yTicks.size() < 2 || !yTicks.contains(0)) return NAN;
    const auto top = std::prev(yTicks.end());
    return yTicks.at(0) + (top->second - yTicks.at(0)) * value / top->first;
  }
};

const char* orEmpty(const char* text) { return text ? text : ""; }

// "m dx dy h0" moves, the first from 0 0.
std::vector<Dot> dotsOf(const char* d) {
  std::vector<Dot> dots;
  Dot at;
  while (*d == 'm') {
    char* end = nullptr;
    at.x += std::strtol(d + 1, &end, 10);
    at.y += std::strtol(end, &end, 10);
    EXPECT_EQ(std::string_view(end, 2), "h0");
    dots.push_back(at);
    d = end + 2;
  }
  EXPECT_EQ(*d, '\0');
  return dots;
}

void walk(const tinyxml2::XMLElement* e, const std::string& group, Plot& plot) {
  const std::string_view name = e->Name();
  const std::string cls = orEmpty(e->Attribute("class"));
  const std::string in = name == "g" && !cls.empty() ? cls : group;
  if (name == "text" && cls == "bonferroni") {
    for (auto* line = e->FirstChildElement("tspan"); line; line = line->NextSiblingElement("tspan")) {
      plot.label += (plot.label.empty() ? "" : " ") + std::string(orEmpty(line->GetText()));
      plot.labelLeft = std::min(plot.labelLeft, line->DoubleAttribute("x"));
    }
  }
  if (name == "circle" && in != "legend") {
    plot.rightmostMark = std::max(plot.rightmostMark, e->DoubleAttribute("cx") + e->DoubleAttribute("r"));
  }
  if (name == "text") {
    plot.texts.emplace_back(orEmpty(e->GetText()));
    if (in == "x-axis" && e->Attribute("font-size") == nullptr) plot.xLabels.emplace_back(plot.texts.back(), e->DoubleAttribute("x"));
  }
  if (name == "path" && in == "loci") {
    plot.dotColours.emplace_back(orEmpty(e->Attribute("stroke")));
    plot.dots.push_back(dotsOf(orEmpty(e->Attribute("d"))));
    const double halfDot = e->DoubleAttribute("stroke-width", 5) / 2;
    for (const Dot& dot : plot.dots.back()) {
      plot.rightmostMark = std::max(plot.rightmostMark, static_cast<double>(dot.x) + halfDot);
    }
  }
  if (name == "circle" && in == "marked") {
    const auto* title = e->FirstChildElement("title");
    plot.circles.push_back({e->DoubleAttribute("cx"), e->DoubleAttribute("cy"), orEmpty(e->Attribute("fill")),
                            title ? orEmpty(title->GetText()) : ""});
  }
  if (name == "line" && in == "y-axis") {
    const auto* label = e->NextSiblingElement("text");
    plot.yTicks[label ? std::stod(orEmpty(label->GetText())) : NAN] = e->DoubleAttribute("y1");
  }
  if (name == "line" && cls == "bonferroni") {
    plot.lineY = e->DoubleAttribute("y1");
    plot.lineEnd = e->DoubleAttribute("x2");
  }
  for (auto* child = e->FirstChildElement(); child; child = child->NextSiblingElement()) walk(child, in, plot);
}

Plot parse(const std::string& svg, bool strict = true) {
  tinyxml2::XMLDocument document;
  EXPECT_EQ(document.Parse(svg.c_str(), svg.size()), tinyxml2::XML_SUCCESS) << document.ErrorStr();
  if (strict) {
    EXPECT_TRUE(testing::strictXml(svg));
  }
  Plot plot;
  if (document.RootElement()) walk(document.RootElement(), "", plot);
  return plot;
}

ManhattanPoint locus(std::string chromosome, std::int64_t position, double p, std::string name = "") {
  if (name.empty()) name = "L" + std::to_string(position);
  return {std::move(chromosome), position, std::move(name), p, p / 10};
}

TEST(ManhattanPlot, EveryLocusAtOrAboveTheLineHasItsTooltipAtItsHeight) {
  const struct {
    const char* what;
    std::vector<ManhattanPoint> points;
    std::vector<std::string> tooltips;  // per point: "" for a point under the line
    std::string line;
  } cases[] = {
      {"one locus", {locus("chr1", 500, 0.04)}, {"L500, chr1:500: P = 0.0400, SE = 0.00400"}, "0.0500"},
      {"one locus under the line", {locus("chr1", 500, 0.5)}, {""}, "0.0500"},
      {"GENEPOP: no chromosome; a locus right at the line",
       {locus("", 1, 0.3), locus("", 2, 1e-4), locus("", 3, 0.0125), locus("", 4, 0.9)},
       {"", "L2, locus 2: P = 1.00e-4, SE = 1.00e-5", "L3, locus 3: P = 0.0125, SE = 0.00125", ""}, "0.0125"},
      {"P = 0 is marked at the chain's bound",
       {locus("2", 10, 0), locus("2", 20, 0.7), locus("3", 5, 3e-9), locus("3", 9, 0.02)},
       {"L10, 2:10: P = 0 (< about 1.00e-4), SE = 0", "", "L5, 3:5: P = 3.00e-9, SE = 3.00e-10", ""}, "0.0125"},
      {"awkward bytes",
       {locus("c&<>\"'\xff", 7, 1e-6, "a&b<c>\"d\"'e'\xc3\x28\x01"), locus("c2", 8, 0.5, "\xe6\x9d\xb1")},
       {"a&b<c>\"d\"'e'\u00C3(, c&<>\"'\u00FF:7: P = 1.00e-6, SE = 1.00e-7", ""}, "0.0250"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Plot plot = parse(manhattanPlotSvg(c.points, 100, 100));
    const std::size_t marked = c.tooltips.size() - std::count(c.tooltips.begin(), c.tooltips.end(), "");
    EXPECT_EQ(plot.circles.size(), marked);
    const double line = -std::log10(0.05 / static_cast<double>(c.points.size()));
    EXPECT_NEAR(plot.lineY, plot.y(line), 0.01);
    // The label beside the line's end, right of every mark.
    EXPECT_EQ(plot.label, "Bonferroni P = " + c.line);
    EXPECT_GT(plot.labelLeft, plot.lineEnd);
    EXPECT_GT(plot.labelLeft, plot.rightmostMark);
    for (std::size_t i = 0; i < c.points.size(); ++i) {
      if (c.tooltips[i].empty()) continue;
      const auto circle = std::find_if(plot.circles.begin(), plot.circles.end(),
                                       [&](const Circle& k) { return k.tooltip == c.tooltips[i]; });
      ASSERT_NE(circle, plot.circles.end()) << c.tooltips[i];
      // P = 0 sits open at 1 / (100 x 100), the others filled at their P.
      const double p = c.points[i].p;
      EXPECT_NEAR(circle->y, plot.y(p == 0 ? 4 : -std::log10(p)), 0.01);
      EXPECT_EQ(circle->fill == "#ffffff", p == 0);
    }
    const bool anyZero = std::any_of(c.points.begin(), c.points.end(), [](auto& point) { return point.p == 0; });
    EXPECT_EQ(plot.says("drawn at that bound"), anyZero);
  }
}

// A P from independent tables whose lower limit is 0 reached no hit: the
// legend counts such loci with their floors, and the tooltip says so.
TEST(ManhattanPlot, LociAtTheirSampledFloorAreNamed) {
  const auto sampled = [](std::int64_t position, long long tables, double low) {
    ManhattanPoint point = locus("chr1", position, low > 0 ? 0.3 : 1 / (static_cast<double>(tables) + 1));
    point.sampled = true;
    point.low = low;
    point.high = 0.5;
    return point;
  };
  const struct {
    std::vector<ManhattanPoint> points;
    std::string legend;  // empty: no line of floors
  } cases[] = {
      {{sampled(1, 0, 0.2), locus("chr1", 2, 0.4)}, ""},
      {{sampled(1, 514, 0), sampled(2, 0, 0.2)},
       "1 locus reached no hit among its independent tables: its P at its floor 1/(B + 1) for B tables, 0.00194 (B = "
       "514); a larger --samples resolves it."},
      {{sampled(1, 50, 0), sampled(2, 514, 0), locus("chr1", 3, 0.4), sampled(4, 50, 0)},
       "3 loci reached no hit among their independent tables: each P at its floor 1/(B + 1) for B tables, from "
       "0.00194 (B = 514) to 0.0196 (B = 50); a larger --samples resolves them."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    const Plot plot = parse(manhattanPlotSvg(c.points, 100, 5000));
    EXPECT_EQ(plot.says("reached no hit"), !c.legend.empty());
    if (!c.legend.empty()) {
      EXPECT_TRUE(plot.says(c.legend));
    }
  }
  // Above the line, its tooltip.
  const Plot plot = parse(manhattanPlotSvg({sampled(1, 99999, 0), locus("chr1", 2, 0.5)}, 100, 5000));
  ASSERT_EQ(plot.circles.size(), 1u);
  EXPECT_EQ(plot.circles[0].tooltip, "L1, chr1:1: P = 1.00e-5, SE = 1.00e-6, 95 % limits 0 to 0.500 (from independent "
                                     "tables, none as extreme: its floor)");
}

TEST(ManhattanPlot, ChromosomesTakeAlternateColoursInOrderOfFirstAppearance) {
  // chr2 comes back after chr1: its later loci join its first span.
  const std::vector<ManhattanPoint> points{
      locus("chr2", 1000, 0.5),   locus("chr2", 90000, 0.6), locus("chrX", 50, 0.4),   locus("chrX", 70000, 1e-9),
      locus("chr1", 300, 0.3),    locus("chr1", 40000, 0.2), locus("chr2", 45000, 0.55), locus("chrM", 16000, 0.8),
      locus("chr1", 1000, 1e-12)};
  const Plot plot = parse(manhattanPlotSvg(points, 100, 5000));
  ASSERT_EQ(plot.dotColours.size(), 4u);
  const std::vector<std::string> names{"chr2", "chrX", "chr1", "chrM"};
  std::vector<std::string> labels;
  for (const auto& [text, x] : plot.xLabels) labels.push_back(text);
  EXPECT_EQ(labels, names);
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(plot.dotColours[k], plot.dotColours[k % 2]);
    EXPECT_NE(plot.dotColours[k], plot.dotColours[1 - k % 2]);
    for (const Dot& dot : plot.dots[k]) {
      // Left of the next chromosome's name, right of the previous one's.
      if (k + 1 < 4) {
        EXPECT_LT(dot.x, plot.xLabels[k + 1].second);
      }
      if (k > 0) {
        EXPECT_GT(dot.x, plot.xLabels[k - 1].second);
      }
    }
  }
  EXPECT_EQ(plot.dots[0].size(), 3u);  // chr2's three loci
  ASSERT_EQ(plot.circles.size(), 2u);   // chrX's and chr1's, in their colours
  for (const Circle& circle : plot.circles) {
    EXPECT_EQ(circle.fill, plot.dotColours[circle.tooltip.starts_with("L70000") ? 1 : 0]) << circle.tooltip;
  }
}

TEST(ManhattanPlot, OnlyLociOfPAboveOneHundredthBelowTheLineShareDots) {
  const struct {
    double p;
    std::size_t loci;  // all at one position
    std::size_t dots, circles;
  } cases[] = {{0.5, 50, 1, 0}, {0.011, 50, 1, 0}, {0.01, 50, 50, 0}, {0.009, 50, 50, 0},
               {0.02, 2, 0, 2},  // above the line of two loci
               {0, 30, 0, 30}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.p);
    std::vector<ManhattanPoint> points(c.loci, locus("chr1", 777, c.p));
    const Plot plot = parse(manhattanPlotSvg(points, 100, 5000));
    EXPECT_EQ(plot.dotCount(), c.dots);
    EXPECT_EQ(plot.circles.size(), c.circles);
    EXPECT_EQ(plot.says("one dot per pixel"), c.dots < c.loci && c.circles == 0);
  }
}

TEST(ManhattanPlot, XAxisShowsLocusNumbersOrPositionsWhereTheLociAre) {
  const struct {
    std::vector<ManhattanPoint> points;
    std::string tick, axisTitle;  // the tick at the marked locus
  } cases[] = {
      {{locus("", 1, 0.5), locus("", 10, 1e-9), locus("", 37, 0.5)}, "10", "Locus (number in the file)"},
      {{locus("Z<1>", 20'000, 0.5), locus("Z<1>", 2'000'000, 1e-9), locus("Z<1>", 4'900'000, 0.5)},
       "2 Mb", "Position on Z<1>"},
      {{locus("scaffold_9", 120, 0.5), locus("scaffold_9", 600, 1e-9), locus("scaffold_9", 1130, 0.5)}, "600 bp",
       "Position on scaffold_9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tick);
    const Plot plot = parse(manhattanPlotSvg(c.points, 10, 10));
    ASSERT_EQ(plot.circles.size(), 1u);
    const auto tick = std::find_if(plot.xLabels.begin(), plot.xLabels.end(), [&](auto& l) { return l.first == c.tick; });
    ASSERT_NE(tick, plot.xLabels.end());
    EXPECT_NEAR(tick->second, plot.circles[0].x, 0.01);
    EXPECT_TRUE(plot.says(c.axisTitle));
  }
}

TEST(ManhattanPlot, NothingToDrawGivesANoteAndBadChainSettingsAreRefused) {
  for (const auto& points : {std::vector<ManhattanPoint>{}, std::vector<ManhattanPoint>{locus("1", 5, NAN)}}) {
    const Plot plot = parse(manhattanPlotSvg(points, 100, 5000, "Chi & square"));
    EXPECT_TRUE(plot.says("No tested locus"));
    EXPECT_TRUE(plot.says("Chi & square"));
    EXPECT_TRUE(plot.circles.empty() && plot.dots.empty());
  }
  EXPECT_THROW(manhattanPlotSvg({locus("1", 5, 0)}, 0, 5000), std::invalid_argument);
  EXPECT_THROW(manhattanPlotSvg({locus("1", 5, 0)}, 100, -1), std::invalid_argument);
}

// A run's exact P is at least the least positive real; a 0 (an edited
// table's) is drawn as that, never as an infinite height.
TEST(ManhattanPlot, AnExactPOfZeroIsDrawnAtTheLeastPositiveReal) {
  RunState<long double> s;
  s.addLocus("L1");
  s.ALLELES_PER_LOCUS[1] = 2;
  s.sizeResultArrays();
  s.methodPerLocus[1] = PMethod::Exact;
  s.FISHERPPERLOCUS[1] = 0;
  const std::vector<ManhattanPoint> points = manhattanPoints(s, ExactTest::Genic);
  ASSERT_EQ(points.size(), 1u);
  EXPECT_DOUBLE_EQ(points[0].minusLog10P, -static_cast<double>(std::log10(std::numeric_limits<long double>::min())));
  const Plot plot = parse(manhattanPlotSvg(points, 100, 5000));
  ASSERT_EQ(plot.circles.size(), 1u);
  EXPECT_NE(plot.circles[0].tooltip.find("P = 3.36e-4932 (exact)"), std::string::npos) << plot.circles[0].tooltip;
}

TEST(ManhattanPlot, ALongTitleWidensTheDocumentUpToTwiceItsWidth) {
  const struct {
    std::size_t length;
    double least, most;
  } cases[] = {{10, 1200, 1200}, {150, 1300, 2399}, {1'000'000, 2400, 2400}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    const std::string svg = manhattanPlotSvg({locus("1", 5, 0.5), locus("1", 9, 1e-5)}, 100, 5000, std::string(c.length, 'W'));
    parse(svg);
    const double width = std::stod(svg.substr(svg.find(" width=\"") + 8));
    EXPECT_GE(width, c.least);
    EXPECT_LE(width, c.most);
  }
}

TEST(ManhattanPlot, GenomeScanStaysSmallAndKeepsEveryLocusThatMatters) {
  const std::vector<ManhattanPoint> points = testing::syntheticScan(200'000);
  const std::string svg = manhattanPlotSvg(points, 100, 5000);
  EXPECT_LT(svg.size(), 10'000'000u);
  const Plot plot = parse(svg, false);
  const double line = 0.05 / static_cast<double>(points.size());
  std::size_t marked = 0, kept = 0;
  for (const ManhattanPoint& point : points) {
    marked += point.p <= line;
    kept += point.p > line && point.p <= 0.01;
  }
  EXPECT_GT(marked, 100u);
  EXPECT_EQ(plot.circles.size(), marked);
  // A dot for every locus of P <= 0.01 under the line, and fewer dots than loci.
  EXPECT_GE(plot.dotCount(), kept);
  EXPECT_LT(plot.dotCount(), points.size() - marked);
}

}  // namespace
}  // namespace ortelan
