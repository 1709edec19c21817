// The three programs run for real: standard input piped in, in a scratch
// working directory; output, files and exit status compared.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "apps/programs.h"
#include "support/process.h"
#include "support/scratch_dir.h"

namespace ortelan {
namespace {

using testing::crlf;
using testing::ProcessResult;
using testing::k2d;
using testing::k3d;
using testing::kC;
using testing::run;
using testing::runWith;
using testing::ScratchDir;

// Line 1 of a report without its date.
std::string withoutDate(std::string report) {
  return std::regex_replace(report, std::regex("Date: [0-9]{4}-[0-9]{2}-[0-9]{2}"), "Date: YYYY-MM-DD");
}

std::string opening(const std::string& name, const std::string& format2, const std::string& format3,
                    const std::string& author) {
  return " -----------------------------------------------------------------------\n"
         " " + name + "\n"
         " Testing the hypothesis of identical allele frequency distributions\n"
         " in two or more populations by means of Pearson's chi-square and\n"
         " Fisher's exact test (unbiased estimate of P-value).\n" +
         author + "\n"
         " -----------------------------------------------------------------------\n"
         "   Data must be in the GENEPOP format with locus names on separate\n" +
         format2 + "\n" + format3 + "\n"
         "\n"
         "   Max. 100 populations, 10,000 loci, and 99 alleles per locus.\n"
         "\n\n\n"
         "   Give name of input file: "
         "\n"
         "The default Markov chain settings are:\n"
         " 10,000 dememorization steps\n"
         "    100 batches\n"
         "  5,000 iterations/batch\n"
         "\n"
         "Do you want other settings than the above defaults? (Y/Return): ";
}

const std::string kWaiting =
    "\n\n\n\n\n\n\n\n\n\n"
    "                 PLEASE WAIT!! PROGRAM IS RUNNING!!\n"
    "\n\n";

// Every result of this data set is exact: an all-ones table (P 1, SE 0),
// a locus with one allele and a locus with every gene missing.
const std::string kExact3d =
    "Three loci with exact results\n"
    "Pgm\n"
    "Mono\n"
    "Gone\n"
    "Pop\n"
    "a1, 001002 007007 000000\n"
    "a2, 000000 007007 000000\n"
    "Pop\n"
    "b1, 002001 007007 000000\n";

const std::string kExactReportBody =
    "Three loci with exact results\n"
    "Number of loci =               3\n"
    "Number of individuals =        3\n"
    "Number of populations =        2\n"
    "\n"
    "The P-values from Fisher's exact test were obtained using:\n"
    "10000 dememorization steps and a total of 500000 iterations\n"
    "(100 batches with 5000 iterations/batch).\n"
    "\n";

TEST(Programs, ThreeDigitProgramWholeRun) {
  ScratchDir dir;
  dir.write("exact.gen", kExact3d);
  const ProcessResult r = run(k3d, "exact.gen\n\n", dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, opening("ORTELAN_3D.EXE  ver. 5.0",
                           "   lines and THREE-digit allelic designation. Put ORTELAN_3D.EXE and the",
                           "   data input file in the same directory.", " - by the Ortelan developers  (December 2026)") +
                       "\n" + kWaiting +
                       "                 Output will be stored in ORTELAN.OUT\n"
                       "\n"
                       "             Execution is not finished until this screen disappears\n"
                       "\n\n"
                       "             Now reading infile and constructing contingency tables ...\n"
                       "... and now processing locus no.       1"
                       "... and now processing locus no.       2"
                       "... and now processing locus no.       3");
  EXPECT_EQ(withoutDate(dir.read("Ortelan.out")),
            crlf("Output from Ortelan_3d (5.0)  Input file: exact.gen    Date: YYYY-MM-DD \n\n" + kExactReportBody +
                 " Locus                            P(Fisher)       SE(P)             Chi2      df      P(chi2)\n"
                 "-----------------------------------------------------------------------------------------------\n"
                 " Pgm                                1.00000     0.00000            0.000       1      1.00000\n"
                 " Mono                          \n"
                 " Gone                          \n"
                 "-----------------------------------------------------------------------------------------------\n"
                 " TOTAL                              1.00000                        0.000       1      1.00000\n"));
  EXPECT_EQ(dir.listing(), "Ortelan.out\nexact.gen\n");
}

TEST(Programs, DoubleProgramWholeRun) {
  ScratchDir dir;
  dir.write("exact.gen", kExact3d);
  const ProcessResult r = run(kC, "exact.gen\n\n", dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, opening("ORTELAN_C.EXE  ver. 0.8",
                           "   lines (two- or three-digit allelic designation). Put ORTELAN_C.EXE",
                           "   and the data input file in the same directory.",
                           " - by the Ortelan developers  (December 2026)  (ortelan@example.org)") +
                       kWaiting +
                       "                 cout will be stored in ORTELAN.OUT\n"
                       "\n"
                       "             Execution is not finished until this screen disappears\n"
                       "\n"
                       "  Now processing locus no. 1\r"
                       "\n do_chisquare\n"
                       "1\r");
  EXPECT_EQ(withoutDate(dir.read("Ortelan.out")),
            crlf("Output from Ortelan_c (0.8)  Input file: exact.gen  Date: YYYY-MM-DD\n\n" + kExactReportBody +
                 " Locus                         P(Fisher)        SE(P)      Chi2     df      P(chi2)\n"
                 "-----------------------------------------------------------------------------------\n"
                 " Pgm                             1.00000      0.00000     0.000      1      1.00000\n"
                 " Mono                     \n"
                 " Gone                     \n"
                 "-----------------------------------------------------------------------------------\n"
                 " TOTAL                           1.00000                  0.000      1      1.00000\n"));
  EXPECT_EQ(dir.listing(), "Ortelan.out\nexact.gen\n");
}

// A run replaces the report and the tables an earlier run left, which a
// plain rename does not do on Windows.
TEST(Programs, ARunReplacesTheFilesOfAnEarlierOne) {
  for (const std::string& program : {k3d, kC}) {
    SCOPED_TRACE(program);
    ScratchDir dir;
    dir.write("exact.gen", kExact3d);
    dir.write("Ortelan.out", "an earlier report\n");
    EXPECT_EQ(run(program, "exact.gen\n\n", dir).status, 0);
    EXPECT_TRUE(dir.read("Ortelan.out").starts_with("Output from Ortelan_"));
    dir.write("t.tsv", "an earlier table\n");
    const ProcessResult r = runWith(program, {"-q", "-s", "1", "-o", "Ortelan.out", "-t", "t.tsv", "exact.gen"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(dir.read("t.tsv").starts_with("# ortelan_")) << dir.read("t.tsv");
    EXPECT_EQ(dir.listing(), "Ortelan.out\nexact.gen\nt.tsv\n");
  }
}

TEST(Programs, TwoDigitProgramReadsFourDigitGenotypes) {
  ScratchDir dir;
  dir.write("two.gen", "Two digits\nPgm\nPop\na1, 0102\nPop\nb1, 0201\n");
  const ProcessResult r = run(k2d, "two.gen\nn", dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find(" ORTELAN_2D.EXE  ver. 5.0\n"), std::string::npos);
  const std::string report = dir.read("Ortelan.out");
  EXPECT_EQ(report.substr(0, 42), "Output from Ortelan_2d (5.0)  Input file: ");
  EXPECT_NE(report.find(" Pgm                                1.00000     0.00000"), std::string::npos);
}

// A single population stops the run at its first tested locus, after the
// tables are written: the table data stays for inspection.
TEST(Programs, TableDataOfASmallDataSet) {
  const std::string data =
      "One population\n"
      "Adh\n"
      "Mono\n"
      "Est\n"
      "Pop\n"
      "i1, 012014 003003 001002\n"
      "i2, 014014 003003 000000\n"
      "i3, 012099 003003 002002\n";
  {
    ScratchDir dir;
    dir.write("one.gen", data);
    const ProcessResult r = run(k3d, "one.gen\n\n", dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.ends_with("... and now processing locus no.       1Table only contains one row!!\n")) << r.out;
    EXPECT_EQ(dir.listing(), "one.gen\n~locus1.tmp\n~locus2.tmp\n~locus3.tmp\n");
    const std::string expected[] = {"  3  3  S\r\n    2    3    1\r\n", "  1  1  S\r\n    6\r\n",
                                    "  1  2  S\r\n    1    3\r\n"};
    for (int locus = 1; locus <= 3; ++locus) {
      std::string table = dir.read("~locus" + std::to_string(locus) + ".tmp");
      std::smatch seeds;
      const std::string firstLine = table.substr(0, table.find('\n') + 1);
      std::string columns = expected[locus - 1].substr(5, 1);
      ASSERT_TRUE(std::regex_match(firstLine, seeds, std::regex("  1  " + columns + "  ([0-9]+) ([0-9]+) ([0-9]+) ([0-9]+) 10000 100 5000\r\n")))
          << table;
      for (int s = 1; s <= 4; ++s) {
        const int seed = std::stoi(seeds[s]);
        EXPECT_TRUE(seed >= 1 && seed <= 166) << seed;
      }
      EXPECT_EQ(table.substr(firstLine.size()), expected[locus - 1].substr(expected[locus - 1].find('\n') + 1));
    }
  }
  {
    ScratchDir dir;
    dir.write("one.gen", data);
    const ProcessResult r = run(kC, "one.gen\n\n", dir);
    EXPECT_EQ(r.status, 246);
    EXPECT_EQ(r.err, "Table only contains one row!!\n\n=========Error: halt\n");
    EXPECT_EQ(dir.listing(), "one.gen\n~TMPlocus.tmp\n");
    const std::string table = std::regex_replace(dir.read("~TMPlocus.tmp"), std::regex("  ([0-9]+) ([0-9]+) ([0-9]+) ([0-9]+) 10000"),
                                                 "  S S S S 10000");
    EXPECT_EQ(table, crlf("###  1         Adh\n"
                          "  1  3  S S S S 10000 100 5000\n"
                          "    2    3    1\n"
                          "###  2         Mono\n"
                          "  1  1  S S S S 10000 100 5000\n"
                          "    6\n"
                          "###  3         Est\n"
                          "  1  2  S S S S 10000 100 5000\n"
                          "    1    3\n"));
  }
}

}  // namespace
}  // namespace ortelan
