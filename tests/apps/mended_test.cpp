// Files as they come from editors, spreadsheets and other systems: each of
// these reads the way its user means it, in the real programs.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "apps/programs.h"
#include "support/process.h"
#include "support/scratch_dir.h"

namespace ortelan {
namespace {

using testing::crlf;
using testing::ProcessResult;
using testing::k3d;
using testing::kC;
using testing::run;
using testing::ScratchDir;

// Runs a program on `data` and returns its report without the date, or the
// exit status and output when it fails.
std::string reportOf(const std::string& program, const std::string& data) {
  ScratchDir dir;
  dir.write("data.gen", data);
  const ProcessResult r = run(program, "data.gen\n\n", dir);
  if (r.status != 0) return "status " + std::to_string(r.status) + "\n" + r.out + r.err;
  return std::regex_replace(dir.read("Ortelan.out"), std::regex("Date: [0-9-]+"), "Date:");
}

// All-ones tables: every result is exact.
const std::string kPlain =
    "Plain\n"
    "Pgm\n"
    "Gpi\n"
    "Pop\n"
    "a1, 001002 003004\n"
    "Pop\n"
    "b1, 002001 004003\n";

TEST(Mended, WindowsLineEndsReadLikeUnixOnes) {
  for (const std::string& program : {k3d, kC}) {
    const std::string plain = reportOf(program, kPlain);
    ASSERT_EQ(plain.find("status"), std::string::npos) << plain;
    EXPECT_EQ(reportOf(program, crlf(kPlain)), plain);
    // Pop with a blank after it is still a population line inside the data.
    EXPECT_NE(plain.find(" Pgm "), std::string::npos);
  }
}

TEST(Mended, TrailingBlankLinesAndATrailingPopulationLine) {
  for (const std::string& program : {k3d, kC}) {
    const std::string plain = reportOf(program, kPlain);
    EXPECT_EQ(reportOf(program, kPlain + "\n\n"), plain);
    EXPECT_EQ(reportOf(program, kPlain + "Pop\n"), plain);
    EXPECT_EQ(reportOf(program, kPlain + "Pop\n\n  \n"), plain);
    EXPECT_EQ(reportOf(program, kPlain + "Pop"), plain);
  }
}

TEST(Mended, TabsBetweenGenotypes) {
  const std::string tabbed =
      "Plain\nPgm\nGpi\nPop\na1,\t001002\t003004\nPop\nb1,\t002001 \t004003\n";
  EXPECT_EQ(reportOf(k3d, tabbed), reportOf(k3d, kPlain));
  EXPECT_EQ(reportOf(kC, tabbed), reportOf(kC, kPlain));
}

TEST(Mended, DoubleProgramEmptyLinesAndEmptyNames) {
  const std::string gaps =
      "Plain\nPgm\nGpi\nPop\n\n, 001002 003004\n\nPop\n\nb1, 002001 004003\n\n";
  EXPECT_EQ(reportOf(kC, gaps), reportOf(kC, kPlain));
  const std::string withName = "Plain\nPgm\nGpi\nPop\n, 001002 003004\nPop\n,002001 004003\n";
  EXPECT_EQ(reportOf(k3d, withName), reportOf(k3d, kPlain));
}

TEST(Mended, CountsOfTenThousandAndMore) {
  // 10,000 copies of allele 1 in population 1.
  std::string data = "Large\nLdh\nPop\n";
  for (int i = 0; i < 5000; ++i) data += "i, 001001\n";
  data += "j, 002002\nPop\nk, 001002\nl, 001002\nm, 001002\n";
  const double table[2][2] = {{10000, 2}, {3, 3}};
  const double total = 10008, rows[2] = {10002, 6}, columns[2] = {10003, 5};
  double chi = 0;
  for (int r = 0; r < 2; ++r) {
    for (int c = 0; c < 2; ++c) {
      const double expected = rows[r] * columns[c] / total;
      chi += (table[r][c] - expected) * (table[r][c] - expected) / expected;
    }
  }
  char wide[32], narrow[32];
  std::snprintf(wide, sizeof wide, "%17.3f       1", chi);
  std::snprintf(narrow, sizeof narrow, "%10.3f      1", chi);
  for (const auto& [program, field] : {std::pair{k3d, wide}, std::pair{kC, narrow}}) {
    const std::string report = reportOf(program, data);
    EXPECT_NE(report.find("Number of individuals =     5004\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find(field), std::string::npos) << report << field;
  }
}

}  // namespace
}  // namespace ortelan
