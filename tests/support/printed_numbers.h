// Tables of numbers printed by other programs (vcftools, plink2, R),
// compared as numbers. Such a program prints a real to a few significant
// digits, from sums whose last bits depend on the processor and its C
// library: two machines may print one unit apart in the last digit, or two
// tiny values of opposite sign where the estimate is 0 up to rounding
// (plink2's -1.38778e-17 on one machine is -1.80317e-17 on another).
#pragma once

#include <string>

#include <gtest/gtest.h>

namespace ortelan::testing {

// One unit in the last digit a number is printed with: 1e-6 for
// "0.021315", 1e-22 for "-1.38778e-17", 1e-5 for "0.12605".
double lastDigitUnit(const std::string& printed);

// `actual` and `expected`, line by line and field by field (fields
// separated by blanks or tabs): where either of two numbers is printed as a
// real (with a point or an exponent, or nan), they are equal within one
// unit in the last digit of either, or within `absolute` (for values that
// are 0 up to rounding), NaN only NaN; any other field (a name, a
// position, a count) equals the other's text.
::testing::AssertionResult samePrintedTable(const std::string& actual, const std::string& expected,
                                            double absolute);

}  // namespace ortelan::testing
