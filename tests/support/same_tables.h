// Two results or pairs tables compared field by field, to the precision the
// computation guarantees on any machine: to the last digit, but in the
// fields whose last digits come from the C library's logarithm and
// exponential, which differ between processors and between C libraries.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace ortelan::testing {

inline std::vector<std::string> split(const std::string& line, char at) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, at);) fields.push_back(field);
  return fields;
}

// The fields whose last digits come from a logarithm or an exponential: G
// and the chi-square tails (and Fisher's method on the TOTAL rows); an
// exact P (a sum of the tables' probabilities, each the exponential of a
// sum of ln k!) with its limits, which are itself; the limits of a sampled
// P (quantiles of a beta distribution). The 80-bit programs take them from
// the x87 instructions fyl2x, fyl2xp1 and f2xm1 (glibc's logl and expl,
// MinGW's own on Windows), whose last bit differs between processors, and
// Boost's gamma tail builds on them; a sum of a few terms and their
// cancellation keep the result within some 1e-17 relative, so 1e-15
// relative is what every machine guarantees (1e-12 for ortelan_c's
// doubles, whose log and exp glibc picks by the processor's features).
// Everything else -- the chain's P and SE, the counts, a sampled P and its
// SE, the chi-square of sums and quotients alone -- is the same to the last
// digit everywhere.
inline bool comesFromALogarithm(const std::string& column, bool totalRow, const std::string& method) {
  const bool limits = column == "p_low" || column == "p_high";
  const bool p = column == "p_fisher" || column == "p_exact";
  return column == "g" || column == "p_g" || column == "p_chi2" || (totalRow && p) ||
         (method == "exact" && (p || limits)) || (method == "sampled" && limits);
}

// `actual` and `expected` line by line and field by field: equal, but in
// the fields above, where their relative difference is within `tolerance`.
inline void expectSameTables(const std::string& actual, const std::string& expected, double tolerance) {
  const std::vector<std::string> got = split(actual, '\n'), want = split(expected, '\n');
  ASSERT_EQ(got.size(), want.size());
  const auto withoutCr = [](const std::string& field) {
    return field.ends_with("\r") ? field.substr(0, field.size() - 1) : field;
  };
  std::vector<std::string> heads;
  for (std::size_t i = 0; i < got.size(); ++i) {
    if (got[i] == want[i]) {
      if (got[i].starts_with("locus\t") || got[i].starts_with("pop_a\t")) heads = split(got[i], '\t');
      continue;
    }
    const std::vector<std::string> a = split(got[i], '\t'), b = split(want[i], '\t');
    ASSERT_EQ(a.size(), b.size()) << "line " << i + 1 << ": " << got[i];
    ASSERT_EQ(a.size(), heads.size()) << "line " << i + 1 << ": " << got[i];
    const bool totalRow = got[i].find("\tTOTAL\t") != std::string::npos;
    std::string method;
    for (std::size_t f = 0; f < heads.size(); ++f) {
      if (withoutCr(heads[f]) == "method") method = withoutCr(b[f]);
    }
    for (std::size_t f = 0; f < a.size(); ++f) {
      if (a[f] == b[f]) continue;
      const std::string column = withoutCr(heads[f]);
      EXPECT_TRUE(comesFromALogarithm(column, totalRow, method)) << "line " << i + 1 << ", " << column << ": " << a[f]
                                                                 << " for " << b[f];
      const long double x = std::strtold(a[f].c_str(), nullptr), y = std::strtold(b[f].c_str(), nullptr);
      EXPECT_LE(std::fabs(x - y), tolerance * std::max(std::fabs(x), std::fabs(y)))
          << "line " << i + 1 << ", " << column << ": " << a[f] << " for " << b[f];
    }
  }
}

}  // namespace ortelan::testing
