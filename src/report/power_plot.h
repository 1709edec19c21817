// The power of the tests over loci against F_ST, as a standalone SVG
// document: one curve per test and level through the expected F_ST of each
// target, each point with its 95 % limits, and a dashed line at each level,
// which the curves start from where the tests hold their level.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ortelan {

struct PowerPoint {
  double target = 0, expected = 0;  // F_ST asked, and the expected F_ST of its generations
  std::int64_t generations = 0;
  double power = 0, low = 0, high = 1;
  std::int64_t replicates = 0;
};

struct PowerCurve {
  std::string test;  // fisher_method, summed_chi2
  double alpha = 0.05;
  std::vector<PowerPoint> points;  // by increasing F_ST
};

// `title` names the picture (the data file); label bytes, escaped here.
std::string powerPlot(std::string_view title, const std::vector<PowerCurve>& curves);

}  // namespace ortelan
