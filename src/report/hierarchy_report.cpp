#include "report/hierarchy_report.h"

#include <cstdio>

#include "report/real_text.h"

namespace ortelan {
namespace {

template <class Real>
std::string fixedOrBlank(Real value, int width, int decimals) {
  return value == value ? fixedText(value, width, decimals) : std::string(static_cast<std::size_t>(width), ' ');
}

std::string padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string count(long n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

// "P = 0.00100 (95 % limits 0.00003 to 0.00556)".
template <class Real>
std::string pText(const PermutationOutcome<Real>& o) {
  return "P = " + fixedText(o.p.p, 0, 5) + " (95 % limits " + fixedText(o.p.low, 0, 5) + " to " +
         fixedText(o.p.high, 0, 5) + ")";
}

}  // namespace

template <class Real>
std::string permutationReportLines(const PermutationResults<Real>& r) {
  if (!r.amongPopulations) return {};
  const PermutationOutcome<Real>& o = *r.amongPopulations;
  std::string text = " Permutation test over the " + count(o.loci, "locus", "loci") +
                     ", whole individuals permuted among populations (valid when loci are linked):\r\n";
  text += "   G summed over loci " + fixedText(gOfUnits<Real>(o.observed), 0, 3) + ", " + pText(o) + ", " +
          count(o.count.drawn, "permutation", "permutations") + (o.count.stopped ? " (stopped at the hits)" : "") +
          ".\r\n";
  return text;
}

template <class Real>
std::string hierarchyReportSection(const DataSummary& data, const std::vector<HierarchyRow<Real>>& rows,
                                   const PopulationGroups* groups, const PermutationResults<Real>* permutations) {
  HierarchySum<Real> sum;
  long loci = 0;
  for (int I = 1; I <= data.NUMBOFLOCI; ++I) {
    if (!data.isInRun(I)) continue;
    ++loci;
    sum.add(rows[static_cast<std::size_t>(I)]);
  }
  std::string text = "\r\nAnalysis of molecular variance";
  if (groups != nullptr) {
    text += ", " + count(data.NUMBPOPS, "population", "populations") + " in " +
            count(groups->groups(), "group", "groups");
  }
  text += ": sums of squares and components over the " + count(sum.rows(), "locus", "loci") + " with components";
  if (sum.rows() < loci) text += " (of " + std::to_string(loci) + ")";
  text += "\r\n\r\n";
  if (!sum.any()) return text + " No locus has variance components.\r\n";

  HierarchyRow<Real> total = sum.total();
  const HierarchyF<Real> f = sum.f();
  const bool diploid = total.sigma[kAmongIndividuals] == total.sigma[kAmongIndividuals];
  // The degrees of freedom of the design, as papers give them; the sums of
  // squares and components are the loci's summed (the table gives each
  // locus's own degrees of freedom, which missing genotypes lower).
  const Real N = static_cast<Real>(data.TOTNUMBINDIVIDUALS), P = static_cast<Real>(data.NUMBPOPS);
  const Real G = groups != nullptr ? static_cast<Real>(groups->groups()) : Real(1);
  if (groups != nullptr) total.df[kAmongGroups] = G - 1;
  total.df[kAmongPopulations] = P - G;
  if (diploid) total.df[kAmongIndividuals] = N - P;
  total.df[kWithinIndividuals] = diploid ? N : N - P;
  Real totalSigma = 0, totalSs = 0, totalDf = 0;
  for (int level = 0; level < kHierarchyLevels; ++level) {
    if (total.sigma[level] != total.sigma[level]) continue;
    totalSigma += total.sigma[level];
    totalSs += total.ss[level];
    totalDf += total.df[level];
  }
  const auto p = [&](const std::optional<PermutationOutcome<Real>>& test) {
    return test ? fixedText(test->p.p, 10, 5) : std::string(9, ' ') + "-";
  };
  const std::optional<PermutationOutcome<Real>> none;
  const auto& among = permutations != nullptr ? permutations->amongPopulations : none;
  const auto& within = permutations != nullptr ? permutations->withinGroups : none;
  const auto& ofGroups = permutations != nullptr ? permutations->amongGroups : none;

  constexpr std::size_t kLabel = 38;
  // Appended piece by piece: g++ 12 at -O3 misreads a literal + string.
  const std::string rule = " " + std::string(110, '-') + "\r\n";
  text += ' ';
  text += padded("Source of variation", kLabel);
  text += "      df  Sum of squares    Variance  % of total  F-statistic           P\r\n";
  text += rule;
  const auto line = [&](const char* label, int level, const char* fName, Real fValue, const std::string& pValue) {
    // Appended piece by piece: g++ 12 at -O3 misreads a literal + string.
    std::string row = " ";
    row += padded(label, kLabel);
    row += fixedOrBlank(total.df[level], 8, 0);
    row += fixedOrBlank(total.ss[level], 16, 5);
    row += fixedOrBlank(total.sigma[level], 12, 5);
    row += fixedOrBlank(100 * total.sigma[level] / totalSigma, 12, 2);
    row += "  ";
    row += fName;
    row += fixedOrBlank(fValue, 9, 5);
    row += pValue;
    row += "\r\n";
    return row;
  };
  if (groups != nullptr) {
    text += line("Among groups", kAmongGroups, "F_CT", f.ct, p(ofGroups));
    text += line("Among populations within groups", kAmongPopulations, "F_SC", f.sc, p(within));
  } else {
    text += line("Among populations", kAmongPopulations, "F_ST", f.st, p(among));
  }
  const std::string noTest = std::string(9, ' ') + "-";
  if (diploid) {
    text += line("Among individuals within populations", kAmongIndividuals, "F_IS", f.is, noTest);
    text += line("Within individuals", kWithinIndividuals, "F_IT", f.it, noTest);
  } else {
    text += line("Within populations", kWithinIndividuals, "    ", std::numeric_limits<Real>::quiet_NaN(),
                 std::string(10, ' '));
  }
  text += rule;
  text += ' ';
  text += padded("Total", kLabel);
  text += fixedText(totalDf, 8, 0);
  text += fixedText(totalSs, 16, 5);
  text += fixedText(totalSigma, 12, 5);
  text += fixedText(Real(100), 12, 2);
  if (groups != nullptr) {
    text += "  F_ST";
    text += fixedOrBlank(f.st, 9, 5);
    text += p(among);
  }
  text += "\r\n";
  if (permutations == nullptr) return text;
  text += " P: the share of permutations of whole individuals (among populations within groups for F_SC, and\r\n"
          " among all populations for F_ST) or of whole populations (among groups, for F_CT) whose G summed over\r\n"
          " the loci is at least the observed one; none is made for the levels within populations.\r\n";
  return text;
}

template std::string permutationReportLines<double>(const PermutationResults<double>&);
template std::string permutationReportLines<long double>(const PermutationResults<long double>&);
template std::string hierarchyReportSection<double>(const DataSummary&, const std::vector<HierarchyRow<double>>&,
                                                    const PopulationGroups*, const PermutationResults<double>*);
template std::string hierarchyReportSection<long double>(const DataSummary&,
                                                         const std::vector<HierarchyRow<long double>>&,
                                                         const PopulationGroups*,
                                                         const PermutationResults<long double>*);

}  // namespace ortelan
