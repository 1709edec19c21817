// The Manhattan plot's layers: the loci that stand out in the outlier test
// in a colour of their own, and the windows' F_ST on a second panel.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cmath>
#include <string>
#include <vector>

#include "report/manhattan_plot.h"
#include "support/strict_xml.h"

namespace ortelan {
namespace {

const char* orEmpty(const char* text) { return text ? text : ""; }

// The elements of a group (by class) of the document.
std::vector<const tinyxml2::XMLElement*> inGroup(const tinyxml2::XMLDocument& doc, const std::string& cls,
                                                 const char* element) {
  std::vector<const tinyxml2::XMLElement*> found;
  for (const auto* g = doc.RootElement()->FirstChildElement("g"); g; g = g->NextSiblingElement("g")) {
    if (orEmpty(g->Attribute("class")) != cls) continue;
    for (const auto* e = g->FirstChildElement(element); e; e = e->NextSiblingElement(element)) found.push_back(e);
  }
  return found;
}

std::string allText(const tinyxml2::XMLDocument& doc) {
  tinyxml2::XMLPrinter printer;
  doc.Print(&printer);
  return printer.CStr();
}

std::vector<ManhattanPoint> scan() {
  std::vector<ManhattanPoint> points;
  for (int i = 0; i < 300; ++i) {
    ManhattanPoint point;
    point.chromosome = i < 200 ? "chr1" : "chr2";
    point.position = 1000 + (i % 200) * 5000;
    point.name = "snp" + std::to_string(i);
    point.p = std::pow(0.9, i % 37);
    point.exact = true;
    point.outlierQ = i % 60 == 7 ? 0.001 : 0.6;  // five loci stand out
    points.push_back(point);
  }
  return points;
}

TEST(ManhattanLayers, OutliersInTheirColourAndWindowsOnASecondPanel) {
  const std::vector<ManhattanPoint> points = scan();
  ManhattanLayers layers;
  layers.outliers = true;
  layers.windowSize = 100000;
  layers.windowStep = 50000;
  layers.overallFst = 0.04;
  // chr1: two stretches of windows with a gap between, chr2 one window, and
  // a window of a contig the plot does not have.
  for (std::int64_t start : {1, 50001, 100001, 400001, 450001}) layers.windows.push_back({"chr1", start, start + 99999, 0.03});
  layers.windows.push_back({"chr2", 1, 100000, -0.01});
  layers.windows.push_back({"chrUn", 1, 100000, 0.9});
  const std::string svg = manhattanPlotSvg(points, 100, 5000, kManhattanPlotTitle, layers);
  ASSERT_TRUE(testing::strictXml(svg));
  tinyxml2::XMLDocument doc;
  ASSERT_EQ(doc.Parse(svg.c_str()), tinyxml2::XML_SUCCESS);

  const auto outliers = inGroup(doc, "outliers", "circle");
  ASSERT_EQ(outliers.size(), 5u);
  for (const auto* circle : outliers) {
    EXPECT_STREQ(circle->Attribute("fill"), "#e8710a");
    EXPECT_NE(std::string(orEmpty(circle->FirstChildElement("title")->GetText())).find("stands out from the background, q = 0.00100"),
              std::string::npos);
  }
  // Each outlier is drawn once: not among the marked loci too.
  for (const auto* circle : inGroup(doc, "marked", "circle")) EXPECT_STRNE(circle->Attribute("fill"), "#e8710a");
  const std::string text = allText(doc);
  EXPECT_NE(text.find("5 loci stand out from the background at q &lt; 0.05"), std::string::npos);

  const auto paths = inGroup(doc, "windows", "path");
  ASSERT_EQ(paths.size(), 2u);  // chr1 and chr2; chrUn left out
  const std::string chr1 = orEmpty(paths[0]->Attribute("d")), chr2 = orEmpty(paths[1]->Attribute("d"));
  EXPECT_EQ(std::count(chr1.begin(), chr1.end(), 'M'), 2) << chr1;  // the gap starts a new stretch
  EXPECT_EQ(std::count(chr1.begin(), chr1.end(), 'L'), 3) << chr1;
  EXPECT_NE(chr2.find("h0"), std::string::npos) << chr2;  // one window: a dot
  EXPECT_NE(text.find("in windows of 100 kb every 50 kb; dotted: F_ST over all loci, 0.0400"), std::string::npos);
  // The panel lies under the P-values, above the chromosomes' names.
  const double panelTop = inGroup(doc, "windows-axis", "line").back()->DoubleAttribute("y1");
  const double pBottom = inGroup(doc, "y-axis", "line").front()->DoubleAttribute("y1");
  EXPECT_GT(panelTop, pBottom);
  EXPECT_GT(doc.RootElement()->DoubleAttribute("height"), 540 + 150);

  // No layers: the plot as it was, whatever the points' q.
  ManhattanLayers none;
  std::vector<ManhattanPoint> plain = points;
  for (ManhattanPoint& point : plain) point.outlierQ = NAN;
  EXPECT_EQ(manhattanPlotSvg(plain, 100, 5000), manhattanPlotSvg(plain, 100, 5000, kManhattanPlotTitle, none));
  EXPECT_EQ(manhattanPlotSvg(plain, 100, 5000).find("outlier"), std::string::npos);
}

}  // namespace
}  // namespace ortelan
