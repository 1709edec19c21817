#include "report/pairs_plot.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <locale>
#include <string>
#include <vector>

#include "support/strict_xml.h"

namespace ortelan {
namespace {

struct DrawnCell {
  std::string tooltip, fill, textFill;
  double x = 0, y = 0;
};

struct Picture {
  std::vector<DrawnCell> cells;    // in document order, one per <title>
  std::vector<std::string> texts;  // every <text>'s own text
  std::string attributes;          // every attribute value, space separated
  bool draws(const std::string& text) const { return std::find(texts.begin(), texts.end(), text) != texts.end(); }
};

const char* orEmpty(const char* text) { return text ? text : ""; }

// A <title> belongs to the shape beside it: its parent's <rect> and <text>.
void walk(const tinyxml2::XMLElement* element, Picture& picture) {
  for (auto* a = element->FirstAttribute(); a; a = a->Next()) picture.attributes += std::string(a->Value()) + " ";
  if (std::string_view(element->Name()) == "text") picture.texts.emplace_back(orEmpty(element->GetText()));
  for (auto* child = element->FirstChildElement(); child; child = child->NextSiblingElement()) {
    if (std::string_view(child->Name()) != "title") {
      walk(child, picture);
      continue;
    }
    const auto* rect = element->FirstChildElement("rect");
    const auto* text = element->FirstChildElement("text");
    ASSERT_NE(rect, nullptr) << child->GetText();
    picture.cells.push_back({orEmpty(child->GetText()), orEmpty(rect->Attribute("fill")),
                             text ? orEmpty(text->Attribute("fill")) : "", rect->DoubleAttribute("x"), rect->DoubleAttribute("y")});
  }
}

Picture parse(const std::string& svg) {
  tinyxml2::XMLDocument document;
  EXPECT_EQ(document.Parse(svg.c_str(), svg.size()), tinyxml2::XML_SUCCESS) << document.ErrorStr();
  EXPECT_TRUE(testing::strictXml(svg));
  Picture picture;
  if (document.RootElement()) walk(document.RootElement(), picture);
  return picture;
}

std::string tooltip(const std::string& a, const std::string& b, const std::string& rest) {
  return a + " \u00D7 " + b + ": " + rest;
}

TEST(PairsPlot, AwkwardLabelsGiveValidXmlWithWholeLabelsInTooltips) {
  const struct {
    std::string raw, inTooltip, drawn;
  } cases[] = {
      {"A&B", "A&B", "A&B"},
      {"<pop> \"q\" 'r'", "<pop> \"q\" 'r'", "<pop> \"q\" 'r'"},
      {"Z\xfcrich", "Z\u00FCrich", "Z\u00FCrich"},         // Latin-1
      {"Z\xc3\xbcrich", "Z\u00FCrich", "Z\u00FCrich"},     // UTF-8
      {"a\xc3(b", "a\u00C3(b", "a\u00C3(b"},               // broken sequence
      {"\xc0\xaf\xe0\x80\xaf\xe2\x82", "\u00C0\u00AF\u00E0\u00AF\u00E2", "\u00C0\u00AF\u00E0\u00AF\u00E2"},  // overlong, truncated
      {"\xed\xa0\x80x", "\u00ED\u00A0x", "\u00ED\u00A0x"},  // surrogate
      {"tab\there\x01\x1b\x7f", "tabhere", "tabhere"},
      {"", "#1", "#1"},
      {"  x ", "  x ", "x"},
      {"Ostfriesland-Nord-Kuestenpopulation", "Ostfriesland-Nord-Kuestenpopulation", "Ostfriesland-Nord-K\u2026"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.raw);
    PairPlotCell cell{true, 0.0123, 8.8, 2};
    cell.theta = 0.0625;
    const Picture picture = parse(pairsPlotSvg({c.raw, "B"}, {cell}));
    ASSERT_EQ(picture.cells.size(), 2u);
    EXPECT_EQ(picture.cells[0].tooltip, tooltip(c.inTooltip, "B", "P = 0.0123 (Fisher's chi2 = 8.80, df = 2)"));
    EXPECT_EQ(picture.cells[1].tooltip, tooltip(c.inTooltip, "B", "\u03B8 = 0.062"));
    EXPECT_TRUE(picture.draws(c.drawn));
  }
}

// A pair (a, b) has its P in row a, column b, and its theta in row b,
// column a, of a grid with a row and a column for each population.
TEST(PairsPlot, EveryPairHasItsPAboveAndItsThetaBelowTheDiagonal) {
  const struct {
    double p, chi2;
    const char* text;
  } values[] = {{0.5, 1.386, "P = 0.500 (Fisher's chi2 = 1.39, df = 2)"},
                {0.0123, 30.123, "P = 0.0123 (Fisher's chi2 = 30.12, df = 2)"},
                {0.000999, 13.8, "P = 9.99e-4 (Fisher's chi2 = 13.80, df = 2)"},
                {0.0009996, 13.8, "P = 0.00100 (Fisher's chi2 = 13.80, df = 2)"},
                {1.234e-17, 77.777, "P = 1.23e-17 (Fisher's chi2 = 77.78, df = 2)"},
                {1, 0, "P = 1.00 (Fisher's chi2 = 0.00, df = 2)"}};
  const struct {
    double theta, low, high;
    const char* text;
  } thetas[] = {{0.0123, NAN, NAN, "\u03B8 = 0.012"},
                {-0.05, NAN, NAN, "\u03B8 = \u22120.050"},
                {0.25, 0.2, 0.3, "\u03B8 = 0.250 (95 % limits 0.200 to 0.300)"},
                {NAN, NAN, NAN, "no estimate of \u03B8"},
                {-0.0004, -0.01, 0.01, "\u03B8 = 0.000 (95 % limits \u22120.010 to 0.010)"}};
  for (const std::size_t n : {0, 1, 2, 3, 10, 100}) {
    SCOPED_TRACE(n);
    std::vector<std::string> labels;
    for (std::size_t i = 1; i <= n; ++i) labels.push_back("P" + std::to_string(i));
    std::vector<PairPlotCell> cells;
    for (std::size_t k = 0; k < (n < 2 ? 0 : n * (n - 1) / 2); ++k) {
      PairPlotCell cell{true, values[k % 6].p, values[k % 6].chi2, 2};
      cell.theta = thetas[k % 5].theta;
      cell.thetaLow = thetas[k % 5].low;
      cell.thetaHigh = thetas[k % 5].high;
      cells.push_back(cell);
    }
    const std::string svg = pairsPlotSvg(labels, cells);
    const Picture picture = parse(svg);
    const double width = std::stod(svg.substr(svg.find(" width=\"") + 8));
    EXPECT_GE(width, 400);
    EXPECT_LE(width, 1400);
    ASSERT_EQ(picture.cells.size(), 2 * cells.size());
    if (cells.empty()) continue;
    const DrawnCell& p12 = picture.cells[0];
    const DrawnCell& theta12 = picture.cells[cells.size()];
    const double size = p12.x - theta12.x;
    EXPECT_GT(size, 0);
    EXPECT_DOUBLE_EQ(theta12.y - p12.y, size);
    std::size_t k = 0;
    for (std::size_t a = 1; a < n; ++a) {
      for (std::size_t b = a + 1; b <= n; ++b, ++k) {
        const DrawnCell& p = picture.cells[k];
        const DrawnCell& theta = picture.cells[cells.size() + k];
        EXPECT_EQ(p.tooltip, tooltip(labels[a - 1], labels[b - 1], values[k % 6].text));
        EXPECT_EQ(theta.tooltip, tooltip(labels[a - 1], labels[b - 1], thetas[k % 5].text));
        EXPECT_DOUBLE_EQ(p.x, theta12.x + static_cast<double>(b - 1) * size);  // column b
        EXPECT_DOUBLE_EQ(p.y, p12.y + static_cast<double>(a - 1) * size);      // row a
        EXPECT_DOUBLE_EQ(theta.x, theta12.x + static_cast<double>(a - 1) * size);  // column a
        EXPECT_DOUBLE_EQ(theta.y, p12.y + static_cast<double>(b - 1) * size);      // row b
      }
    }
  }
}

bool isGrey(const std::string& fill) { return fill.substr(1, 2) == fill.substr(3, 2) && fill.substr(3, 2) == fill.substr(5, 2); }

TEST(PairsPlot, UntestedPairsAndPairsWithoutThetaAreGreyAndSaySo) {
  PairPlotCell estimated{true, 0.2, 3.2, 2};
  estimated.theta = 0.1;
  PairPlotCell untestedWithTheta{};
  untestedWithTheta.theta = -0.02;
  const struct {
    std::vector<std::string> labels;
    std::vector<PairPlotCell> cells;
  } cases[] = {{{"a", "b"}, {{}}},
               {{"a", "b", "c"}, {estimated, {}, {true, 0.01, 9.2, 2}}},
               {{"a", "b", "c"}, {untestedWithTheta, {}, {true, 0, INFINITY, 4}}}};
  for (const auto& c : cases) {
    const Picture picture = parse(pairsPlotSvg(c.labels, c.cells));
    ASSERT_EQ(picture.cells.size(), 2 * c.cells.size());
    for (std::size_t k = 0; k < c.cells.size(); ++k) {
      const DrawnCell& p = picture.cells[k];
      const DrawnCell& theta = picture.cells[c.cells.size() + k];
      EXPECT_EQ(isGrey(p.fill), !c.cells[k].tested) << p.fill;
      EXPECT_EQ(p.tooltip.ends_with(": not tested"), !c.cells[k].tested);
      EXPECT_EQ(isGrey(theta.fill), std::isnan(c.cells[k].theta)) << theta.fill;
      EXPECT_EQ(theta.tooltip.ends_with(": no estimate of \u03B8"), std::isnan(c.cells[k].theta));
    }
    EXPECT_TRUE(picture.draws("not tested"));
    EXPECT_TRUE(picture.draws("no estimate"));
  }
}

double luminance(const std::string& fill) {
  const long rgb = std::stol(fill.substr(1), nullptr, 16);
  return 0.2126 * (rgb >> 16) + 0.7152 * ((rgb >> 8) & 0xFF) + 0.0722 * (rgb & 0xFF);
}

TEST(PairsPlot, SmallerPIsFurtherAlongTheScaleAndZeroIsCapped) {
  const std::vector<std::vector<double>> cases = {
      {1, 0.5, 0.05, 1e-3, 1e-6, 0}, {0.9, 0.6, 0.3}, {0.01, 1e-300, 4.9e-324, 0}, {0, 0}};
  for (const auto& ps : cases) {
    std::vector<std::string> labels{"x"};
    std::vector<PairPlotCell> cells;
    for (const double p : ps) {
      labels.push_back("y" + std::to_string(labels.size()));
      cells.push_back({true, p, p > 0 ? -2 * std::log(p) : INFINITY, 2});
    }
    cells.resize(labels.size() * (labels.size() - 1) / 2, {});  // pairs among the y's: untested
    const Picture picture = parse(pairsPlotSvg(labels, cells));
    EXPECT_EQ(picture.attributes.find("nan"), std::string::npos);
    EXPECT_EQ(picture.attributes.find("inf"), std::string::npos);
    double previous = -1;
    for (std::size_t i = 0; i < ps.size(); ++i) {  // pair (x, y_i) is cell i
      const DrawnCell& cell = picture.cells[i];
      const double l = luminance(cell.fill);
      EXPECT_TRUE(ps[i] == 0 || (i > 0 && ps[i] == ps[i - 1]) ? l >= previous : l > previous) << ps[i];
      // Light text on the dark end of the scale, dark text on the light end.
      if (ps[i] == 1 || ps[i] == 0) {
        EXPECT_EQ(cell.textFill, ps[i] == 1 ? "#ffffff" : "#000000");
      }
      previous = l;
    }
    const bool anyZero = std::find(ps.begin(), ps.end(), 0.0) != ps.end();
    EXPECT_EQ(std::any_of(picture.texts.begin(), picture.texts.end(), [](auto& t) { return t.starts_with("\u2265"); }),
              anyZero);
  }
}

// Theta from 0 up runs from light to dark; below 0 it turns blue; the
// scale's ticks take in every estimate.
TEST(PairsPlot, LargerThetaIsDarkerAndNegativeThetaIsBlue) {
  const std::vector<std::vector<double>> cases = {
      {0, 0.01, 0.05, 0.1, 0.3}, {-0.02, 0, 0.004, 0.008}, {-0.3, -0.1, 0, 0.9}, {0.0001, 0.0002}};
  for (const auto& thetas : cases) {
    std::vector<std::string> labels{"x"};
    std::vector<PairPlotCell> cells;
    for (const double theta : thetas) {
      labels.push_back("y" + std::to_string(labels.size()));
      PairPlotCell cell;
      cell.theta = theta;
      cells.push_back(cell);
    }
    cells.resize(labels.size() * (labels.size() - 1) / 2, {});
    const Picture picture = parse(pairsPlotSvg(labels, cells));
    double previous = 1e9, bottom = 0, top = 0;
    for (std::size_t i = 0; i < thetas.size(); ++i) {
      const std::string& fill = picture.cells[cells.size() + i].fill;
      const long rgb = std::stol(fill.substr(1), nullptr, 16);
      if (thetas[i] < 0) {
        EXPECT_GT((rgb & 0xFF) - (rgb >> 16), 0xcc - 0xff) << fill;  // bluer than the light yellow of 0
        continue;
      }
      EXPECT_LT(luminance(fill), thetas[i] > 0 ? previous : previous + 1) << thetas[i];
      previous = luminance(fill);
    }
    for (const std::string& text : picture.texts) {
      std::string number = text;
      if (number.starts_with("\u2212")) number = "-" + number.substr(3);
      char* end = nullptr;
      const double value = std::strtod(number.c_str(), &end);
      if (end == number.c_str() || *end != '\0') continue;
      bottom = std::min(bottom, value);
      top = std::max(top, value);
    }
    EXPECT_LE(bottom, *std::min_element(thetas.begin(), thetas.end()));
    EXPECT_GE(top, *std::max_element(thetas.begin(), thetas.end()));
  }
}

// A run with no exact test: theta alone, and no P scale.
TEST(PairsPlot, WithoutPTheUpperTriangleAndItsScaleAreLeftOut) {
  PairPlotCell cell;
  cell.theta = 0.2;
  const Picture picture = parse(pairsPlotSvg({"a", "b", "c"}, {cell, cell, cell}, "Theta alone", false));
  ASSERT_EQ(picture.cells.size(), 3u);
  EXPECT_EQ(picture.cells[0].tooltip, tooltip("a", "b", "\u03B8 = 0.200"));
  EXPECT_FALSE(picture.draws("\u2212log\u2081\u2080 P"));
  EXPECT_TRUE(picture.draws("F_ST (\u03B8)"));
}

struct CommaDecimals : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};

TEST(PairsPlot, OutputIsTheSameBytesWhateverTheLocale) {
  const std::vector<std::string> labels{"a", "b", "c", "d"};
  const std::vector<PairPlotCell> cells{{true, 0.5, 1.39, 2}, {true, 1e-9, 41.4, 6}, {}, {true, 0.031, 6.9, 2},
                                        {true, 0, INFINITY, 2}, {true, 0.77, 0.52, 2}};
  const std::string plain = pairsPlotSvg(labels, cells);
  const std::locale before = std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));
  const std::string underCommas = pairsPlotSvg(labels, cells);
  std::locale::global(before);
  EXPECT_EQ(plain, underCommas);
  EXPECT_EQ(plain, pairsPlotSvg(labels, cells));
}

TEST(PairsPlot, TitleNamesTheTestAndTheDocumentIsWideEnoughForIt) {
  const struct {
    std::vector<std::string> titleArgument;  // none: the default
    std::string shown;
    double leastWidth = 0;
  } cases[] = {
      {{}, "Pairs of populations: F_ST (\u03B8) below the diagonal, combined P over loci (Fisher's method) above"},
      {{"Pairwise tests: combined chi-square P"}, "Pairwise tests: combined chi-square P"},
      {{"R&D <\"x\"> \xe9t\xe9\x07"}, "R&D <\"x\"> \u00E9t\u00E9"},
      {{std::string(120, 'W')}, std::string(120, 'W'), 120 * 0.58 * 16},  // wider than the grid
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    for (const std::size_t n : {1, 3}) {
      const std::vector<std::string> labels(n, "pop");
      const std::vector<PairPlotCell> cells(n * (n - 1) / 2, {true, 0.2, 3.2, 2});
      const std::string svg =
          c.titleArgument.empty() ? pairsPlotSvg(labels, cells) : pairsPlotSvg(labels, cells, c.titleArgument[0]);
      const Picture picture = parse(svg);
      ASSERT_FALSE(picture.texts.empty());
      EXPECT_EQ(picture.texts[0], c.shown);
      const double width = std::stod(svg.substr(svg.find(" width=\"") + 8));
      EXPECT_GE(width, c.leastWidth);
    }
  }
}

// The heatmap's exact bytes for two fixed inputs: awkward labels with P
// and theta written in the cells, and a large matrix with rotated labels
// and nothing written in the cells. Any change to the drawing shows here first; a change that is
// meant regenerates tests/report/pairs_plot_pinned.svg and the digest.
TEST(PairsPlot, BytesArePinned) {
  const std::vector<std::string> labels{"A&B <\"q\" 'r'>", "Z\xfcrich", "\xe6\x9d\xb1\xe4\xba\xac e\xcc\x81", "",
                                        "tab\there\x01\x7f Ostfriesland-Nord-Kuestenpopulation"};
  std::vector<PairPlotCell> cells{{true, 0.5, 1.386, 2},    {true, 1e-9, 41.4, 6},       {},
                                  {true, 0.031, 6.9, 2},    {true, 0, INFINITY, 2},      {true, 1, 0, 2},
                                  {true, 0.000999, 13.8, 2}, {true, 1.234e-17, 77.777, 4}, {},
                                  {true, 0.0123, 8.8, 2}};
  const double thetas[] = {-0.012, 0.31, NAN, 0.05, 0.42, 0, 0.18, 0.07, 0.0004, -0.0004};
  for (std::size_t k = 0; k < cells.size(); ++k) cells[k].theta = thetas[k];
  cells[1].thetaLow = 0.25;
  cells[1].thetaHigh = 0.36;
  std::ifstream file(std::string(ORTELAN_UNIT_TEST_DIR) + "/report/pairs_plot_pinned.svg", std::ios::binary);
  const std::string pinned{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  ASSERT_FALSE(pinned.empty());
  EXPECT_EQ(pairsPlotSvg(labels, cells), pinned);

  const double ps[] = {0.5, 0.0123, 0.000999, 1.234e-17, 1, 0.2, 0};
  std::vector<std::string> many;
  for (int i = 1; i <= 45; ++i) many.push_back("Population " + std::to_string(i));
  std::vector<PairPlotCell> manyCells;
  for (std::size_t k = 0; k < 45 * 44 / 2; ++k) {
    const double p = ps[k % 7];
    manyCells.push_back(k % 11 == 5 ? PairPlotCell{}
                                    : PairPlotCell{true, p, p > 0 ? -2 * std::log(p) : INFINITY, 2 * int(k % 5 + 1)});
    if (k % 13 != 7) manyCells.back().theta = static_cast<double>(k % 17) / 40 - 0.05;
  }
  const std::string large = pairsPlotSvg(many, manyCells);
  std::uint64_t fnv1a = 14695981039346656037u;
  for (const char c : large) fnv1a = (fnv1a ^ static_cast<unsigned char>(c)) * 1099511628211u;
  EXPECT_EQ(large.size(), 294088u);
  EXPECT_EQ(fnv1a, 0x28117c51bfc986ebu);
}

}  // namespace
}  // namespace ortelan
