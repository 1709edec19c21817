#include "input/one_pass_reader.h"

#include "input/allele_text.h"
#include "input/locus_passes_reader.h"

namespace ortelan {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool readIndividualsOnce(std::string_view text, int loci, int alleleDigits, IndividualsOnce& out) {
  out = IndividualsOnce{};
  const std::size_t size = text.size();
  std::size_t pos = 0;
  // Past the first line that is a population word.
  for (;;) {
    if (pos >= size) return true;
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = size;
    const bool population = isPopulationWord(text.substr(pos, std::min<std::size_t>(end - pos, 255)));
    pos = end < size ? end + 1 : end;
    if (population) break;
  }
  const auto digits = static_cast<std::size_t>(alleleDigits);
  int pop = 1;
  while (pos < size) {
    // The name up to its first comma, or a population line.
    char prefix[3];
    std::size_t prefixLength = 0;
    bool comma = false, population = false;
    while (pos < size) {
      const char c = text[pos++];
      if (prefixLength < 3) prefix[prefixLength++] = c;
      if (c == ',') {
        comma = true;
        break;
      }
      if (prefixLength == 3 && isPopulationWord(std::string_view(prefix, 3))) {
        population = true;
        break;
      }
    }
    if (!comma) {
      if (!population) break;
      std::size_t end = text.find('\n', pos);
      pos = end == std::string_view::npos ? size : end + 1;
      end = text.find(',', pos);
      if (end == std::string_view::npos) break;
      pos = end + 1;
      ++pop;
    }
    std::size_t lineEnd = text.find('\n', pos);
    if (lineEnd == std::string_view::npos) lineEnd = size;
    if (pop > kMaxPopulations) out.populationOverLimit = true;
    out.population.push_back(static_cast<std::uint8_t>(std::min(pop, 255)));
    for (int locus = 1; locus <= loci; ++locus) {
      while (pos < lineEnd && isBlank(text[pos])) ++pos;
      if (lineEnd - pos < 2 * digits) return false;
      const int first = alleleTextValue(text.substr(pos, digits));
      const int second = alleleTextValue(text.substr(pos + digits, digits));
      pos += 2 * digits;
      const bool bad = first < 0 || first > kMaxAlleleCode || second < 0 || second > kMaxAlleleCode;
      if (bad && (out.firstBadLocus == 0 || locus < out.firstBadLocus)) out.firstBadLocus = locus;
      out.alleles.push_back(static_cast<std::uint8_t>(bad ? 0 : first));
      out.alleles.push_back(static_cast<std::uint8_t>(bad ? 0 : second));
    }
    pos = lineEnd < size ? lineEnd + 1 : size;
  }
  out.populations = pop;
  return true;
}

void readGenepopOnce(RunContext& context, DataSummary& data, std::string_view text, LocusTableSink& writer) {
  readTitleAndLocusNames(context, data, text);
  IndividualsOnce individuals;
  if (!readIndividualsOnce(text, data.NUMBOFLOCI, context.edition.alleleDigits, individuals)) {
    // Some line is short of genotypes: let the passes show what they make of it.
    std::string name = std::move(data.INFILENAME);
    data = DataSummary{};
    data.INFILENAME = std::move(name);
    READ_INFILE_I(context, data, text, writer);
    return;
  }
  // Every pass meets the first individual beyond population 100 at once.
  if (individuals.populationOverLimit && data.NUMBOFLOCI > 0) runTimeError(201, "READ_INFILE_I");
  const std::size_t count = individuals.population.size();
  const auto stride = 2 * static_cast<std::size_t>(data.NUMBOFLOCI);
  LocusCounts counts;
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    if (locus == individuals.firstBadLocus) runTimeError(201, "READ_INFILE_I");
    counts.clear();
    for (std::size_t i = 0, at = 2 * static_cast<std::size_t>(locus - 1); i < count; ++i, at += stride) {
      auto& row = counts.TABLE[individuals.population[i]];
      ++row[individuals.alleles[at]];
      ++row[individuals.alleles[at + 1]];
    }
    if (locus == 1) data.NUMBPOPS = individuals.populations;
    const ColumnSummary columns = summarizeColumns(counts, data.NUMBPOPS);
    data.ALLELES_PER_LOCUS[locus] = columns.alleles;
    if (locus == 1) data.TOTNUMBGENES = columns.TEMPTNG;
    data.TOTNUMBINDIVIDUALS = (data.TOTNUMBGENES + 1) / 2;
    writer.writeLocus(locus, data.LOCUSNAME[locus], counts, columns, data.NUMBPOPS);
  }
}

}  // namespace ortelan
