#include "report/writefinal.h"

#include <cerrno>
#include <cstdio>
#include <type_traits>

#include "report/real_text.h"
#include "report/sampled_floors.h"
#include "run/system_files.h"

namespace ortelan {
namespace {

constexpr const char* kWhere = "WRITEFINAL";

// printf into a string: once into a buffer as a rule (a report has a row
// of five numbers a locus), twice for a longer text.
template <class... Args>
std::string format(const char* pattern, Args... args) {
  char buffer[128];
  const int written = std::snprintf(buffer, sizeof buffer, pattern, args...);
  if (written >= 0 && static_cast<std::size_t>(written) < sizeof buffer) {
    return std::string(buffer, static_cast<std::size_t>(written));
  }
  const int length = std::snprintf(nullptr, 0, pattern, args...);
  std::string text(static_cast<std::size_t>(length), '\0');
  std::snprintf(text.data(), text.size() + 1, pattern, args...);
  return text;
}

// A real in fixed-point notation, right-aligned in `width`: printf's text,
// made without it (a report has five of them a locus).
template <class Real>
std::string fixed(Real value, int width, int decimals) {
  return fixedText(value, width, decimals);
}

// The name field of the wide layout: a blank, then characters 1..30 of the
// name, filled with blanks.
std::string wideName(const std::string& name) {
  std::string field(31, ' ');
  name.copy(field.data() + 1, 30);
  return field;
}

// The column heads of the exact test's P, its SE, the statistic beside it,
// its df and its P.
struct Heads {
  const char *p, *se, *statistic, *df, *pStatistic;
};

Heads headsFor(ExactTest test) {
  if (besideChiSquare(test)) return {"P(Fisher)", "SE(P)", "Chi2", "df", "P(chi2)"};
  return {"P(exact)", "SE(P)", "G", "df", "P(G)"};
}

// Fixed-point, or blanks of the same width where there is no exact test.
template <class Real>
std::string exactFixed(bool exact, Real value, int width, int decimals) {
  return exact ? fixed(value, width, decimals) : std::string(static_cast<std::size_t>(width), ' ');
}

template <class Real>
std::string wideBody(const RunState<Real>& s, const Heads& h, bool exact) {
  std::string text;
  text += " Locus" + std::string(25, ' ') + format("%12s%12s%17s%8s%13s", h.p, h.se, h.statistic, h.df, h.pStatistic);
  text += "\r\n" + std::string(95, '-') + "\r\n";
  for (int I = 1; I <= s.NUMBOFLOCI; ++I) {
    if (!s.isInRun(I)) continue;
    text += wideName(s.LOCUSNAME[I]);
    if (s.isTested(I)) {
      text += exactFixed(exact, s.FISHERPPERLOCUS[I], 12, 5) + exactFixed(exact, s.FISHERSEPERLOCUS[I], 12, 5) +
              fixed(s.CHI2PERLOCUS[I], 17, 3) + fixed(s.DFPERLOCUS[I], 8, 0) + fixed(s.CHI2PPERLOCUS[I], 13, 5);
    }
    text += "\r\n";
  }
  text += std::string(95, '-') + "\r\n";
  text += " TOTAL" + std::string(25, ' ') + exactFixed(exact, s.TOTFISHERP, 12, 5) + std::string(12, ' ') +
          fixed(s.SUMCHI2, 17, 3) + fixed(s.SUMDFCHI2, 8, 0) + fixed(s.TOTCHI2P, 13, 5) + "\r\n";
  return text;
}

template <class Real>
std::string narrowBody(const RunState<Real>& s, const Heads& h, bool exact) {
  std::string text;
  text += format(" %-25s     ", "Locus") +
          format("%9s %12s %9s %6s %12s", h.p, h.se, h.statistic, " df", h.pStatistic);
  text += "\r\n" + std::string(83, '-') + "\r\n";
  for (int I = 1; I <= s.NUMBOFLOCI; ++I) {
    if (!s.isInRun(I)) continue;
    text += format(" %-25s", s.LOCUSNAME[I].substr(0, 25).c_str());
    if (s.isTested(I)) {
      text += exactFixed(exact, s.FISHERPPERLOCUS[I], 14, 5) + " " + exactFixed(exact, s.FISHERSEPERLOCUS[I], 12, 5) +
              fixed(s.CHI2PERLOCUS[I], 10, 3) + " " + fixed(s.DFPERLOCUS[I], 6, 0) +
              fixed(s.CHI2PPERLOCUS[I], 13, 5);
    }
    text += "\r\n";
  }
  text += std::string(83, '-') + "\r\n";
  text += format(" %-19s   ", "TOTAL") + exactFixed(exact, s.TOTFISHERP, 17, 5) + format(" %5c", ' ') +
          fixed(s.SUMCHI2, 17, 3) + "  " + fixed(s.SUMDFCHI2, 5, 0) + "   " + fixed(s.TOTCHI2P, 10, 5) + "\r\n";
  return text;
}

// The floors of the sampled P-values that reached no hit: "0.00194 (B =
// 514)", or from the lowest to the highest.
std::string floorsText(const SampledFloors& floors) {
  const auto one = [](long long tables) {
    return format("%.3g (B = %lld)", SampledFloors::floorOf(tables), tables);
  };
  return floors.oneFloor() ? one(floors.mostTables)
                           : "from " + one(floors.mostTables) + " to " + one(floors.fewestTables);
}

// Under the table of a scripted run whose P-values are exact in places.
// And lines on those drawn from independent tables, on those of them that
// sit at their floor, and on those far in the tail.
template <class Real>
std::string exactNote(const RunState<Real>& s) {
  int tested = 0, exact = 0, sampled = 0, tail = 0;
  SampledFloors floors;
  for (int I = 1; I <= s.NUMBOFLOCI; ++I) {
    if (!s.isTested(I)) continue;
    const auto locus = static_cast<std::size_t>(I);
    ++tested;
    exact += s.methodPerLocus[locus] == PMethod::Exact ? 1 : 0;
    sampled += s.methodPerLocus[locus] == PMethod::Sampled ? 1 : 0;
    if (atSampledFloor(s.methodPerLocus[locus] == PMethod::Sampled, static_cast<double>(s.pLowPerLocus[locus]))) {
      floors.add(static_cast<double>(s.FISHERPPERLOCUS[locus]));
    }
    tail += s.methodPerLocus[locus] == PMethod::Tail ? 1 : 0;
  }
  std::string note;
  if (exact > 0) {
    note += format(" %d of the %d P-values are exact, from every table with the locus's margins: their SE(P) of 0 "
                   "means exact.\r\n",
                   exact, tested);
  }
  if (sampled > 0) {
    note += format(" %d of the %d P-values were sampled from independent tables under the null hypothesis: never 0, "
                   "with a binomial SE(P); the results table gives their 95 %% limits.\r\n",
                   sampled, tested);
  }
  if (floors.loci > 0) {
    const bool one = floors.loci == 1;
    note += " Of those, " + std::to_string(floors.loci) +
            " reached no hit (no table drawn was as extreme as the observed one): " + (one ? "it is" : "each is") +
            " at its floor 1/(B + 1) for its B tables, here " + floorsText(floors) + "; a larger --samples resolves " +
            (one ? "it" : "them") + ".\r\n";
  }
  if (tail > 0) {
    note += format(" %d of the %d P-values lie far in the tail, from tables drawn from a law tilted towards it and "
                   "weighted back: never 0; the results table gives their 95 %% limits.\r\n",
                   tail, tested);
  }
  return note;
}

}  // namespace

// The settings paragraph's first line.
const char* exactTestLine(ExactTest test) {
  switch (test) {
    case ExactTest::GenicG:
      return "The P-values from the exact G test of genic differentiation were obtained using:";
    case ExactTest::Genotypic:
      return "The P-values from the exact G test of genotypic differentiation were obtained using:";
    case ExactTest::None:
      return "No exact test was made (test none): the P-values are those of the chi-square.";
    default:
      return "The P-values from Fisher's exact test were obtained using:";
  }
}

template <class Real>
std::string formatReport(const Edition& edition, const RunState<Real>& s, const CivilDate& date, ExactTest test) {
  const bool wide = edition.layout == ReportLayout::Wide;
  std::string text(edition.reportHeading);
  text += s.INFILENAME;
  text += wide ? format("    Date: %d-%.2d-%.2d ", date.year, date.month, date.day)
               : format("  Date: %04d-%02d-%02d", date.year, date.month, date.day);
  text += "\r\n\r\n";
  text += s.TITLE_LINE + "\r\n";
  text += format("Number of loci = %15d\r\n", s.NUMBOFLOCI);
  text += format("Number of individuals = %8d\r\n", static_cast<int>(s.TOTNUMBINDIVIDUALS));
  text += format("Number of populations = %8d\r\n", s.NUMBPOPS);
  text += "\r\n";
  const bool exact = test != ExactTest::None;
  text += exactTestLine(test);
  text += "\r\n";
  if (exact) {
    // The total is formed in 64 bits: any two settings the dialogue accepts.
    const long long total = static_cast<long long>(s.B) * static_cast<long long>(s.C);
    text += format("%d dememorization steps and a total of %lld iterations\r\n", static_cast<int>(s.MEM), total);
    text += format("(%d batches with %d iterations/batch).\r\n", static_cast<int>(s.B), static_cast<int>(s.C));
  }
  text += "\r\n";
  text += wide ? wideBody(s, headsFor(test), exact) : narrowBody(s, headsFor(test), exact);
  text += exactNote(s);
  return text;
}

template <class Real>
void WRITEFINAL(Run<Real>& run) {
  const bool runTimeErrors = run.edition.failure == FailureStyle::RunTimeErrors;
  std::optional<CivilDate> date;
  if (!runTimeErrors) {
    date = run.console.today();
    if (!date) {
      writeLine(run.console, Stream::Out, " _localtime64_s failed due to invalid arguments.");
      throw RunEnded{1};
    }
  }
  auto fail = [&](int number) {
    std::remove(kReportPartFile);
    if (runTimeErrors) runTimeError(number, kWhere);
    fatalStop(run.console, " Error: File Ortelan.out");
  };
  std::FILE* file = std::fopen(kReportPartFile, "wb");
  if (file == nullptr) fail(errno == ENOENT ? 3 : 5);
  if (runTimeErrors) date = run.console.today().value_or(CivilDate{});
  const std::string text = formatReport(run.edition, run.state, *date);
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (std::fclose(file) != 0 || !written) fail(101);
  if (replaceFile(kReportPartFile, kReportFile) != 0) fail(5);
}

template std::string formatReport<double>(const Edition&, const RunState<double>&, const CivilDate&, ExactTest);
template std::string formatReport<long double>(const Edition&, const RunState<long double>&, const CivilDate&,
                                               ExactTest);
template void WRITEFINAL<double>(Run<double>&);
template void WRITEFINAL<long double>(Run<long double>&);

}  // namespace ortelan
