#include "report/results_table.h"

#include <charconv>

#include "report/real_text.h"
#include "run/names.h"

namespace ortelan {
// A tab and the real as tableField writes it, with no string of its own:
// the pairs table writes millions.
template <class Real>
void appendRealField(std::string& text, Real value) {
  if (value != value) {
    text += "\tNA";
    return;
  }
  // Written in place, past the end of the text, then cut to its length.
  const std::size_t at = text.size();
  text.resize(at + 1 + kRealTextSize);
  text[at] = '\t';
  text.resize(static_cast<std::size_t>(writeRealText(text.data() + at + 1, value) - text.data()));
}

template void appendRealField<double>(std::string&, double);
template void appendRealField<long double>(std::string&, long double);

namespace {

// A tab and the name as tableName makes it, in place.
void appendNameField(std::string& text, std::string_view name) {
  text += '\t';
  const std::size_t start = text.size();
  text += name;
  for (std::size_t k = start; k < text.size(); ++k) {
    if (static_cast<unsigned char>(text[k]) < 32 || text[k] == 127) text[k] = ' ';
  }
  // Trimmed after: a control character at an end is a blank there too.
  while (text.size() > start && text.back() == ' ') text.pop_back();
  std::size_t first = start;
  while (first < text.size() && text[first] == ' ') ++first;
  text.erase(start, first - start);
}

}  // namespace

std::string tableCommentLine(const TableHeading& h) {
  std::string line = "# " + std::string(h.program) + " " + std::string(h.version) + " input=" + h.input +
                     " seed=" + std::to_string(h.seed) + " dememorization=" + std::to_string(h.chain.dememorizations) +
                     " batches=" + std::to_string(h.chain.batches) +
                     " iterations=" + std::to_string(h.chain.iterationsPerBatch);
  if (h.test != ExactTest::Genic) line.append(" test=").append(testName(h.test));
  line.append(" exact=").append(exactModeName(h.exact));
  line.append(" sampler=").append(samplerName(h.sampling.sampler));
  if (h.sampling.sampler == SamplerKind::Independent) {
    line.append(" hits=").append(std::to_string(h.sampling.hits));
    line.append(" samples=").append(h.sampling.samples ? std::to_string(*h.sampling.samples) : "auto");
  }
  if (h.bootstrap > 0) line.append(" bootstrap=").append(std::to_string(h.bootstrap));
  if (h.permutations > 0) line.append(" permutations=").append(std::to_string(h.permutations));
  if (!h.popmap.empty()) line.append(" popmap=").append(h.popmap);
  if (!h.groups.empty()) line.append(" groups=").append(h.groups);
  if (!h.region.empty()) line.append(" region=").append(h.region);
  if (!h.windows.empty()) line.append(" windows=").append(h.windows);
  if (!h.outlierMinHe.empty()) {
    line.append(" outlier_min_he=").append(h.outlierMinHe).append(" outlier_df=").append(h.outlierDf);
    line.append(" outlier_f=").append(h.outlierF);
  }
  if (h.merged > 0) line.append(" merged=").append(std::to_string(h.merged));
  return line;
}

template <class Real>
void setOutlierHeading(TableHeading& heading, double minHe, const OutlierResults<Real>& outliers) {
  // The floor as its shortest text that reads back to it: 0.1, not 0.1000000000000000055.
  char text[32];
  heading.outlierMinHe.assign(text, std::to_chars(text, text + sizeof text, minHe).ptr);
  heading.outlierDf = tableField(outliers.df);
  heading.outlierF = tableField(outliers.fbar);
}

std::vector<std::string> resultColumnNames(ExactTest test) {
  if (besideChiSquare(test)) {
    return {"alleles", "p_fisher", "se_fisher", "p_low", "p_high", "method", "chi2", "df", "p_chi2"};
  }
  return {test == ExactTest::Genotypic ? "genotypes" : "alleles", "p_exact", "se_exact", "p_low", "p_high", "method",
          "g", "df", "p_g"};
}

std::string locusColumnsHeader(ExactTest test, bool sites) {
  std::string header = "locus\tname";
  if (sites) header += "\tchrom\tpos";
  for (const std::string& name : resultColumnNames(test)) appendField(header, name);
  for (const char* name : kFstColumnNames) appendField(header, name);
  return header;
}

void appendLocusName(std::string& text, const DataSummary& data, int locus) {
  appendNameField(text, data.LOCUSNAME[static_cast<std::size_t>(locus)]);
  if (data.hasSites()) {
    const DataSummary::Site& site = data.sites[static_cast<std::size_t>(locus)];
    appendNameField(text, site.chrom);
    char digits[24];
    text += '\t';
    text.append(digits, std::to_chars(digits, digits + sizeof digits, site.pos).ptr);
  }
}

void appendTotalName(std::string& text, const DataSummary& data) {
  text += "TOTAL\tTOTAL";
  if (data.hasSites()) text += "\tNA\tNA";
}

template <class Real>
std::string tableNumber(Real value) {
  char text[kRealTextSize];
  return std::string(text, writeRealText(text, value));
}

template <class Real>
std::string tableField(Real value) {
  return value != value ? std::string("NA") : tableNumber(value);
}

template <class Real>
void appendLocusFields(std::string& text, const LocusValues<Real>& v) {
  appendRealField(text, v.pFisher);
  appendRealField(text, v.seFisher);
  appendRealField(text, v.pLow);
  appendRealField(text, v.pHigh);
  appendField(text, v.pFisher != v.pFisher ? "NA" : methodName(v.method));
  for (Real value : {v.chi2, v.df, v.pChi2}) appendRealField(text, value);
}

template <class Real>
void appendTotalFields(std::string& text, const TotalValues<Real>& v) {
  appendRealField(text, v.pFisher);
  appendField(text, "NA\tNA\tNA\tNA");
  for (Real value : {v.chi2, v.df, v.pChi2}) appendRealField(text, value);
}

template <class Real>
void appendFstFields(std::string& text, const FValues<Real>& v, const std::optional<BootstrapLimits<Real>>& limits) {
  for (Real value : {v.fis, v.fst, v.fit, v.num, v.den}) appendRealField(text, value);
  appendField(text, limits ? tableNumber(limits->low) : "NA");
  appendField(text, limits ? tableNumber(limits->high) : "NA");
}

std::string tableName(std::string_view name) {
  std::string field(name);
  for (char& c : field) {
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = ' ';
  }
  // Trimmed after: a control character at an end is a blank there too.
  return std::string(trimBlanks(field));
}

std::string permutationColumnsHeader() {
  std::string text;
  for (const char* name : kPermutationColumnNames) appendField(text, name);
  return text;
}

template <class Real>
void appendPermutationFields(std::string& text, const PermutationOutcome<Real>* o) {
  if (o == nullptr) {
    text += kNoPermutationFields;
    return;
  }
  appendRealField(text, gOfUnits<Real>(o->observed));
  for (Real value : {o->p.p, o->p.low, o->p.high}) appendRealField(text, value);
  appendField(text, std::to_string(o->count.drawn));
}

template <class Real>
std::string formatResultsTable(const TableHeading& heading, const RunState<Real>& s, const FStatistics<Real>& f,
                               const OutlierResults<Real>* outliers, const PermutationResults<Real>* permutations) {
  const bool permuted = heading.permutations > 0;
  std::string text = tableCommentLine(heading) + "\r\n";
  text += locusColumnsHeader(heading.test, s.hasSites());
  if (outliers != nullptr) {
    for (const char* name : kOutlierColumnNames) appendField(text, name);
  }
  if (permuted) text += permutationColumnsHeader();
  text += "\r\n";
  // Some 20 characters a field: the table grows without being copied again and again.
  const std::size_t fields = 20 + (s.hasSites() ? 2 : 0) + (outliers != nullptr ? 4 : 0);
  text.reserve(text.size() + (static_cast<std::size_t>(s.NUMBOFLOCI) + 1) * fields * 20);
  bool anyTested = false;
  for (int I = 1; I <= s.NUMBOFLOCI; ++I) {
    if (!s.isInRun(I)) continue;
    text += std::to_string(I);
    appendLocusName(text, s, I);
    appendField(text, std::to_string(s.ALLELES_PER_LOCUS[I]));
    if (s.isTested(I)) {
      anyTested = true;
      appendLocusFields(text, locusValues(s, I, heading.test));
    } else {
      text += kUntestedFields;
    }
    appendFstFields(text, f.loci[static_cast<std::size_t>(I)]);
    if (outliers != nullptr) {
      const auto at = static_cast<std::size_t>(I);
      for (Real value : {outliers->he[at], outliers->f[at], outliers->p[at], outliers->q[at]}) {
        appendRealField(text, value);
      }
    }
    if (permuted) text += kNoPermutationFields;
    text += "\r\n";
  }
  // Over no tested locus there is nothing to combine.
  appendTotalName(text, s);
  if (anyTested) {
    text += "\tNA";
    appendTotalFields(text, totalValues(s, heading.test));
  } else {
    text += "\tNA" + std::string(kUntestedFields);
  }
  appendFstFields(text, f.total, f.limits);
  if (outliers != nullptr) text += "\tNA\tNA\tNA\tNA";
  if (permuted) {
    const bool made = permutations != nullptr && permutations->amongPopulations && anyTested;
    appendPermutationFields(text, made ? &*permutations->amongPopulations : nullptr);
  }
  text += "\r\n";
  return text;
}

template std::string tableNumber<double>(double);
template std::string tableNumber<long double>(long double);
template std::string tableField<double>(double);
template std::string tableField<long double>(long double);
template void appendLocusFields<double>(std::string&, const LocusValues<double>&);
template void appendLocusFields<long double>(std::string&, const LocusValues<long double>&);
template void appendTotalFields<double>(std::string&, const TotalValues<double>&);
template void appendTotalFields<long double>(std::string&, const TotalValues<long double>&);
template void appendFstFields<double>(std::string&, const FValues<double>&, const std::optional<BootstrapLimits<double>>&);
template void appendFstFields<long double>(std::string&, const FValues<long double>&,
                                           const std::optional<BootstrapLimits<long double>>&);
template std::string formatResultsTable<double>(const TableHeading&, const RunState<double>&,
                                                const FStatistics<double>&, const OutlierResults<double>*,
                                                const PermutationResults<double>*);
template std::string formatResultsTable<long double>(const TableHeading&, const RunState<long double>&,
                                                     const FStatistics<long double>&,
                                                     const OutlierResults<long double>*,
                                                     const PermutationResults<long double>*);
template void appendPermutationFields<double>(std::string&, const PermutationOutcome<double>*);
template void appendPermutationFields<long double>(std::string&, const PermutationOutcome<long double>*);
template void setOutlierHeading<double>(TableHeading&, double, const OutlierResults<double>&);
template void setOutlierHeading<long double>(TableHeading&, double, const OutlierResults<long double>&);

}  // namespace ortelan
