#include "report/results_table.h"

#include <charconv>

#include "report/real_text.h"
#include "run/names.h"

namespace ortelan {
namespace {

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

// A tab and the name as tableName makes it, in place.
void appendNameField(std::string& text, std::string_view name) {
  text += '\t';
  const std::size_t start = text.size();
  text += trimBlanks(name);
  for (std::size_t k = start; k < text.size(); ++k) {
    if (static_cast<unsigned char>(text[k]) < 32 || text[k] == 127) text[k] = ' ';
  }
}

}  // namespace

std::string tableCommentLine(const TableHeading& h) {
  std::string line = "# " + std::string(h.program) + " " + std::string(h.version) + " input=" + h.input +
                     " seed=" + std::to_string(h.seed) + " dememorization=" + std::to_string(h.chain.dememorizations) +
                     " batches=" + std::to_string(h.chain.batches) +
                     " iterations=" + std::to_string(h.chain.iterationsPerBatch);
  if (h.test != ExactTest::Genic) line.append(" test=").append(testName(h.test));
  line.append(" exact=").append(exactModeName(h.exact));
  if (h.bootstrap > 0) line.append(" bootstrap=").append(std::to_string(h.bootstrap));
  if (!h.popmap.empty()) line.append(" popmap=").append(h.popmap);
  if (!h.region.empty()) line.append(" region=").append(h.region);
  if (h.merged > 0) line.append(" merged=").append(std::to_string(h.merged));
  return line;
}

std::vector<std::string> resultColumnNames(ExactTest test) {
  if (besideChiSquare(test)) return {"alleles", "p_fisher", "se_fisher", "method", "chi2", "df", "p_chi2"};
  return {test == ExactTest::Genotypic ? "genotypes" : "alleles", "p_exact", "se_exact", "method", "g", "df", "p_g"};
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
  appendField(text, v.pFisher != v.pFisher ? "NA" : v.exact ? "exact" : "chain");
  for (Real value : {v.chi2, v.df, v.pChi2}) appendRealField(text, value);
}

template <class Real>
void appendTotalFields(std::string& text, const TotalValues<Real>& v) {
  appendRealField(text, v.pFisher);
  appendField(text, "NA\tNA");
  for (Real value : {v.chi2, v.df, v.pChi2}) appendRealField(text, value);
}

template <class Real>
void appendFstFields(std::string& text, const FValues<Real>& v, const std::optional<BootstrapLimits<Real>>& limits) {
  for (Real value : {v.fis, v.fst, v.fit, v.num, v.den}) appendRealField(text, value);
  appendField(text, limits ? tableNumber(limits->low) : "NA");
  appendField(text, limits ? tableNumber(limits->high) : "NA");
}

std::string tableName(std::string_view name) {
  std::string field(trimBlanks(name));
  for (char& c : field) {
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = ' ';
  }
  return field;
}

template <class Real>
std::string formatResultsTable(const TableHeading& heading, const RunState<Real>& s, const FStatistics<Real>& f) {
  std::string text = tableCommentLine(heading) + "\r\n";
  text += locusColumnsHeader(heading.test, s.hasSites()) + "\r\n";
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
      text += "\tNA\tNA\tNA\tNA\tNA\tNA";
    }
    appendFstFields(text, f.loci[static_cast<std::size_t>(I)]);
    text += "\r\n";
  }
  // Over no tested locus there is nothing to combine.
  appendTotalName(text, s);
  if (anyTested) {
    text += "\tNA";
    appendTotalFields(text, totalValues(s, heading.test));
  } else {
    text += "\tNA\tNA\tNA\tNA\tNA\tNA\tNA";
  }
  appendFstFields(text, f.total, f.limits);
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
                                                const FStatistics<double>&);
template std::string formatResultsTable<long double>(const TableHeading&, const RunState<long double>&,
                                                     const FStatistics<long double>&);

}  // namespace ortelan
