#include "support/printed_numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace ortelan::testing {
namespace {

std::vector<std::string> fieldsOf(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; in >> field;) fields.push_back(field);
  return fields;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool isNumber(const std::string& field) {
  char* end = nullptr;
  std::strtod(field.c_str(), &end);
  return !field.empty() && end == field.c_str() + field.size();
}

// A real rather than a count: with a point, an exponent, or nan.
bool printedAsReal(const std::string& field) {
  return isNumber(field) && field.find_first_of(".eEnN") != std::string::npos;
}

// A little over the unit, which the decimal numbers hold only to the
// nearest double.
double unitIfReal(const std::string& field) { return printedAsReal(field) ? 1.000001 * lastDigitUnit(field) : 0; }

}  // namespace

double lastDigitUnit(const std::string& printed) {
  const std::size_t exponentAt = printed.find_first_of("eE");
  const std::string mantissa = printed.substr(0, exponentAt);
  const int exponent = exponentAt == std::string::npos ? 0 : std::atoi(printed.c_str() + exponentAt + 1);
  const std::size_t point = mantissa.find('.');
  const int decimals = point == std::string::npos ? 0 : static_cast<int>(mantissa.size() - point - 1);
  return std::pow(10.0, exponent - decimals);
}

::testing::AssertionResult samePrintedTable(const std::string& actual, const std::string& expected,
                                            double absolute) {
  const std::vector<std::string> got = linesOf(actual), want = linesOf(expected);
  if (got.size() != want.size()) {
    return ::testing::AssertionFailure() << got.size() << " lines where " << want.size() << " are expected";
  }
  ::testing::AssertionResult result = ::testing::AssertionSuccess();
  int differences = 0;
  for (std::size_t line = 0; line < got.size() && differences < 10; ++line) {
    const std::vector<std::string> a = fieldsOf(got[line]), b = fieldsOf(want[line]);
    bool same = a.size() == b.size();
    for (std::size_t k = 0; same && k < a.size(); ++k) {
      if (a[k] == b[k]) continue;
      // A count, or a name, is text; a real may be printed 0 on one machine.
      if (!isNumber(a[k]) || !isNumber(b[k]) || !(printedAsReal(a[k]) || printedAsReal(b[k]))) {
        same = false;
        continue;
      }
      const double x = std::strtod(a[k].c_str(), nullptr), y = std::strtod(b[k].c_str(), nullptr);
      if (std::isnan(x) || std::isnan(y)) {
        same = std::isnan(x) && std::isnan(y);
        continue;
      }
      same = std::fabs(x - y) <= std::max({absolute, unitIfReal(a[k]), unitIfReal(b[k])});
    }
    if (!same) {
      if (differences++ == 0) result = ::testing::AssertionFailure();
      result << "\nline " << line + 1 << ": " << got[line] << "\n  expected: " << want[line];
    }
  }
  return result;
}

}  // namespace ortelan::testing
