#include "report/writefinal.h"

#include <gtest/gtest.h>

#include "apps/editions.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"

namespace ortelan {
namespace {

using testing::crlf;
using testing::ScratchDir;
using testing::ScriptedConsole;

template <class Real>
RunState<Real> oneLocusState() {
  RunState<Real> s;
  s.INFILENAME = "est.gen";
  s.TITLE_LINE = "Esterase survey";
  s.addLocus("Est-1");
  s.sizeResultArrays();
  s.NUMBPOPS = 4;
  s.TOTNUMBINDIVIDUALS = 120;
  s.ALLELES_PER_LOCUS[1] = 4;
  s.MEM = 10000;
  s.B = 100;
  s.C = 5000;
  s.FISHERPPERLOCUS[1] = s.TOTFISHERP = Real(0.04321L);
  s.FISHERSEPERLOCUS[1] = Real(0.00102L);
  s.CHI2PERLOCUS[1] = s.SUMCHI2 = Real(9.876L);
  s.DFPERLOCUS[1] = s.SUMDFCHI2 = 3;
  s.CHI2PPERLOCUS[1] = s.TOTCHI2P = Real(0.01963L);
  return s;
}

std::string linesFrom(const std::string& text, int first) {
  std::size_t pos = 0;
  for (int line = 1; line < first; ++line) pos = text.find('\n', pos) + 1;
  return text.substr(pos);
}

TEST(WriteFinal, WideLayoutOfOneLocus) {
  const std::string report = formatReport(edition3d(), oneLocusState<long double>(), CivilDate{2026, 3, 5});
  EXPECT_EQ(report, crlf(
      "Output from Ortelan_3d (5.0)  Input file: est.gen    Date: 2026-03-05 \n"
      "\n"
      "Esterase survey\n"
      "Number of loci =               1\n"
      "Number of individuals =      120\n"
      "Number of populations =        4\n"
      "\n"
      "The P-values from Fisher's exact test were obtained using:\n"
      "10000 dememorization steps and a total of 500000 iterations\n"
      "(100 batches with 5000 iterations/batch).\n"
      "\n"
      " Locus                            P(Fisher)       SE(P)             Chi2      df      P(chi2)\n"
      "-----------------------------------------------------------------------------------------------\n"
      " Est-1                              0.04321     0.00102            9.876       3      0.01963\n"
      "-----------------------------------------------------------------------------------------------\n"
      " TOTAL                              0.04321                        9.876       3      0.01963\n"));
}

TEST(WriteFinal, NarrowLayoutOfOneLocus) {
  const std::string report = formatReport(editionC(), oneLocusState<double>(), CivilDate{2026, 3, 5});
  EXPECT_EQ(report.substr(0, report.find('\r')), "Output from Ortelan_c (0.8)  Input file: est.gen  Date: 2026-03-05");
  EXPECT_EQ(linesFrom(report, 12), crlf(
      " Locus                         P(Fisher)        SE(P)      Chi2     df      P(chi2)\n"
      "-----------------------------------------------------------------------------------\n"
      " Est-1                           0.04321      0.00102     9.876      3      0.01963\n"
      "-----------------------------------------------------------------------------------\n"
      " TOTAL                           0.04321                  9.876      3      0.01963\n"));
}

TEST(WriteFinal, TwoDigitEditionDiffersOnlyInItsName) {
  const auto state = oneLocusState<long double>();
  std::string wide3d = formatReport(edition3d(), state, CivilDate{2026, 12, 31});
  const std::string wide2d = formatReport(edition2d(), state, CivilDate{2026, 12, 31});
  wide3d.replace(wide3d.find("Ortelan_3d"), 10, "Ortelan_2d");
  EXPECT_EQ(wide3d, wide2d);
}

TEST(WriteFinal, NamesAreCutOrFilledSoColumnsAlign) {
  auto wide = oneLocusState<long double>();
  wide.addLocus("A-locus-name-of-more-than-thirty-characters");
  wide.addLocus("Mono");
  wide.sizeResultArrays();
  wide.ALLELES_PER_LOCUS[2] = 3;
  wide.ALLELES_PER_LOCUS[3] = 1;  // not tested: the row is the name alone
  wide.FISHERPPERLOCUS[2] = 1;
  wide.CHI2PPERLOCUS[2] = 1;
  const std::string w = linesFrom(formatReport(edition3d(), wide, CivilDate{2026, 1, 1}), 15);
  EXPECT_EQ(w.substr(0, w.find("\r\n------")),
            crlf(" A-locus-name-of-more-than-thir     1.00000     0.00000            0.000       0      1.00000\n"
                 " Mono                          "));

  auto narrow = oneLocusState<double>();
  narrow.addLocus("A-locus-name-of-more-than-thirty-characters");
  narrow.sizeResultArrays();
  narrow.ALLELES_PER_LOCUS[2] = 0;
  const std::string n = linesFrom(formatReport(editionC(), narrow, CivilDate{2026, 1, 1}), 15);
  EXPECT_EQ(n.substr(0, n.find('\r')), " A-locus-name-of-more-than");
}

TEST(WriteFinal, WideValuesPushTheRestOfTheirRowRight) {
  auto s = oneLocusState<double>();
  s.CHI2PERLOCUS[1] = 1000000;
  const std::string report = formatReport(editionC(), s, CivilDate{2026, 1, 1});
  EXPECT_NE(report.find(" Est-1                           0.04321      0.00102"
                        "1000000.000      3      0.01963\r\n"),
            std::string::npos);
}

// Genome-scale counts widen their fields in both layouts; none is cut.
TEST(WriteFinal, LargeCountsWidenTheirFields) {
  auto s = oneLocusState<double>();
  for (int locus = 2; locus <= 20000; ++locus) s.addLocus("L");
  s.sizeResultArrays();
  s.lociInRun.assign(20001, 0);
  s.lociInRun[1] = 1;
  s.NUMBPOPS = 1000;
  s.TOTNUMBINDIVIDUALS = 123456789;
  s.SUMDFCHI2 = 1234567;
  for (const Edition* edition : {&edition3d(), &editionC()}) {
    const std::string report = formatReport(*edition, s, CivilDate{2026, 1, 1});
    EXPECT_NE(report.find("Number of loci =           20000\r\nNumber of individuals = 123456789\r\n"
                          "Number of populations =     1000\r\n"),
              std::string::npos);
    EXPECT_NE(report.find(" 1234567 "), std::string::npos);
  }
}

TEST(WriteFinal, NoTestedLocusShowsZeroSettingsAndUnitTotals) {
  RunState<long double> s;
  s.INFILENAME = "mono.gen";
  s.addLocus("Mono-1");
  s.sizeResultArrays();
  s.ALLELES_PER_LOCUS[1] = 1;
  s.TOTFISHERP = s.TOTCHI2P = 1;
  const std::string report = formatReport(edition3d(), s, CivilDate{2026, 1, 1});
  EXPECT_NE(report.find("\r\n0 dememorization steps and a total of 0 iterations\r\n(0 batches with 0 iterations/batch).\r\n"),
            std::string::npos);
  EXPECT_NE(report.find(" TOTAL                              1.00000                        0.000       0      1.00000\r\n"),
            std::string::npos);
}

TEST(WriteFinal, TotalIterationsBeyondThirtyTwoBitsArePrintedWhole) {
  auto s = oneLocusState<long double>();
  s.B = 100000;
  s.C = 100000;
  const std::string report = formatReport(edition3d(), s, CivilDate{2026, 1, 1});
  EXPECT_NE(report.find("10000 dememorization steps and a total of 10000000000 iterations\r\n"), std::string::npos);
}

// A sampled P whose lower limit is 0 reached no hit and sits at its floor
// 1/(B + 1): the note under the table counts such loci and gives their
// floors, one B or the range of them.
TEST(WriteFinal, SampledPValuesAtTheirFloorAreNamed) {
  const struct {
    std::vector<long long> tables;  // per locus, B of a P at its floor; 0: a P with hits
    std::string note;               // the line after the sampled one; empty: none
  } cases[] = {
      {{0, 0}, ""},
      {{514}, " Of those, 1 reached no hit (no table drawn was as extreme as the observed one): it is at its floor "
              "1/(B + 1) for its B tables, here 0.00194 (B = 514); a larger --samples resolves it.\r\n"},
      {{514, 0, 49, 514}, " Of those, 3 reached no hit (no table drawn was as extreme as the observed one): each is at its "
                          "floor 1/(B + 1) for its B tables, here from 0.00194 (B = 514) to 0.02 (B = 49); a larger "
                          "--samples resolves them.\r\n"},
  };
  for (const auto& c : cases) {
    RunState<double> s;
    for (std::size_t i = 0; i < c.tables.size(); ++i) s.addLocus("L" + std::to_string(i + 1));
    s.sizeResultArrays();
    for (int I = 1; I <= s.NUMBOFLOCI; ++I) {
      const long long tables = c.tables[static_cast<std::size_t>(I - 1)];
      s.ALLELES_PER_LOCUS[I] = 3;
      s.methodPerLocus[static_cast<std::size_t>(I)] = PMethod::Sampled;
      s.FISHERPPERLOCUS[I] = tables > 0 ? 1 / (static_cast<double>(tables) + 1) : 0.3;
      s.pLowPerLocus[static_cast<std::size_t>(I)] = tables > 0 ? 0 : 0.2;
    }
    const std::string report = formatReport(editionC(), s, CivilDate{2026, 1, 1});
    const std::string sampled = "were sampled from independent tables";
    const std::size_t after = report.find('\n', report.find(sampled)) + 1;
    ASSERT_NE(report.find(sampled), std::string::npos);
    EXPECT_EQ(report.substr(after), c.note);
  }
}

TEST(WriteFinal, WritesTheFileAndReplacesAnEarlierReport) {
  ScratchDir dir;
  dir.write(kReportFile, "an earlier report");
  ScriptedConsole console;
  ortelan::Run<long double> run(edition3d(), console);
  static_cast<RunState<long double>&>(run.state) = oneLocusState<long double>();
  WRITEFINAL(run);
  EXPECT_EQ(dir.read(kReportFile), formatReport(edition3d(), run.state, *console.date));
  EXPECT_EQ(dir.listing(), "Ortelan.out\n");
}

TEST(WriteFinal, DoubleProgramStopsWhenTheDateIsUnavailable) {
  ScratchDir dir;
  ScriptedConsole console;
  console.date.reset();
  ortelan::Run<double> run(editionC(), console);
  try {
    WRITEFINAL(run);
    FAIL() << "the run should end";
  } catch (const RunEnded& ended) {
    EXPECT_EQ(ended.status, 1);
  }
  EXPECT_EQ(console.out(), " _localtime64_s failed due to invalid arguments.\n");
  EXPECT_EQ(dir.listing(), "");
}

}  // namespace
}  // namespace ortelan
