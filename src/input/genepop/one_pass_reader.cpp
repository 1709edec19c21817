#include "input/genepop/one_pass_reader.h"

#include "input/genepop/allele_text.h"
#include "input/genepop/locus_passes_reader.h"
#include "input/genepop/text_source.h"

namespace ortelan {
namespace {

constexpr const char* kWhere = "READ_INFILE_I";

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string lineOf(std::string_view text, std::size_t pos) { return "line " + std::to_string(lineNumberAt(text, pos)); }

}  // namespace

bool readIndividualsOnce(std::string_view text, int loci, int alleleDigits, IndividualsOnce& out) {
  out = IndividualsOnce{};
  out.labels.resize(2);
  const std::size_t size = text.size();
  std::size_t pos = dataStart(text);
  const auto digits = static_cast<std::size_t>(alleleDigits);
  int pop = 1;
  while (pos < size) {
    // The name up to its first comma, or a population line.
    std::size_t nameStart = pos;
    char prefix[3];
    std::size_t prefixLength = 0;
    bool comma = false, population = false;
    while (pos < size) {
      const char c = text[pos++];
      if (prefixLength < 3) {
        prefix[prefixLength++] = c;
        population = c != ',' && prefixLength == 3 &&
                     startsPopulation(std::string_view(prefix, 3), pos < size ? text[pos] : '\0', pos >= size);
      }
      if (c == ',') {
        comma = true;
        break;
      }
      if (population) break;
    }
    if (!comma) {
      if (!population) break;
      std::size_t end = text.find('\n', pos);
      nameStart = pos = end == std::string_view::npos ? size : end + 1;
      end = text.find(',', pos);
      if (end == std::string_view::npos) break;
      pos = end + 1;
      ++pop;
      if (static_cast<std::size_t>(pop) >= out.labels.size()) out.labels.resize(static_cast<std::size_t>(pop) + 1);
    }
    out.labels[static_cast<std::size_t>(pop)] = std::string(trimBlanks(text.substr(nameStart, pos - 1 - nameStart)));
    std::size_t lineEnd = text.find('\n', pos);
    if (lineEnd == std::string_view::npos) lineEnd = size;
    if (pop > kMaxPopulations && out.overLimitAt == IndividualsOnce::kNowhere) out.overLimitAt = nameStart;
    out.population.push_back(static_cast<std::uint8_t>(std::min(pop, 255)));
    for (int locus = 1; locus <= loci; ++locus) {
      while (pos < lineEnd && isBlank(text[pos])) ++pos;
      if (lineEnd - pos < 2 * digits) {
        out.shortLineAt = pos;
        out.genotypesOnShortLine = locus - 1;
        return false;
      }
      const std::string_view firstText = text.substr(pos, digits), secondText = text.substr(pos + digits, digits);
      const int first = alleleTextValue(firstText);
      const int second = alleleTextValue(secondText);
      if (out.notANumberAt == IndividualsOnce::kNowhere && (!isAlleleNumber(firstText) || !isAlleleNumber(secondText))) {
        out.notANumberAt = pos;
        out.notANumberLocus = locus;
      }
      const bool bad = first < 0 || first > kMaxCodeValue || second < 0 || second > kMaxCodeValue;
      if (bad && (out.firstBadLocus == 0 || locus < out.firstBadLocus)) {
        out.firstBadLocus = locus;
        out.badCodeAt = pos;
      }
      pos += 2 * digits;
      out.alleles.push_back(static_cast<std::uint16_t>(bad ? 0 : first));
      out.alleles.push_back(static_cast<std::uint16_t>(bad ? 0 : second));
    }
    while (pos < lineEnd && isBlank(text[pos])) ++pos;
    if (pos < lineEnd && out.extraTextAt == IndividualsOnce::kNowhere) out.extraTextAt = pos;
    pos = lineEnd < size ? lineEnd + 1 : size;
  }
  out.populations = pop;
  out.labels.resize(static_cast<std::size_t>(pop) + 1);
  return true;
}

void readGenepopOnce(RunContext& context, DataSummary& data, std::string_view text, LocusTableSink& writer) {
  readTitleAndLocusNames(context, data, text);
  IndividualsOnce individuals;
  if (!readIndividualsOnce(text, data.NUMBOFLOCI, context.edition.alleleDigits, individuals)) {
    if (context.edition.failure == FailureStyle::OneLine) {
      context.dataFault(0, kWhere, "",
                        lineOf(text, individuals.shortLineAt) + ": fewer genotypes than loci (" +
                            std::to_string(individuals.genotypesOnShortLine) + " of " +
                            std::to_string(data.NUMBOFLOCI) + ")");
    }
    // Some line is short of genotypes: let the passes show what they make of it.
    std::string name = std::move(data.INFILENAME);
    data = DataSummary{};
    data.INFILENAME = std::move(name);
    READ_INFILE_I(context, data, text, writer);
    return;
  }
  // Every pass meets the first individual beyond population 100 at once.
  if (individuals.overLimitAt != IndividualsOnce::kNowhere && data.NUMBOFLOCI > 0) {
    context.dataFault(201, kWhere, "", lineOf(text, individuals.overLimitAt) + ": a 101st population; the limit is 100");
  }
  // The dialogue's runs pass over more genotypes than loci, as ever; a
  // scripted run takes them for a missing locus name.
  if (individuals.extraTextAt != IndividualsOnce::kNowhere && context.edition.failure == FailureStyle::OneLine) {
    context.dataFault(0, kWhere, "",
                      lineOf(text, individuals.extraTextAt) + ": more genotypes than loci (" +
                          std::to_string(data.NUMBOFLOCI) + " in the name list)");
  }
  // The dialogue's runs read such a text as a missing allele, as ever.
  if (individuals.notANumberAt != IndividualsOnce::kNowhere && context.edition.failure == FailureStyle::OneLine) {
    const std::size_t at = individuals.notANumberAt;
    context.dataFault(0, kWhere, "",
                      lineOf(text, at) + ": the genotype '" +
                          std::string(text.substr(at, 2 * static_cast<std::size_t>(context.edition.alleleDigits))) +
                          "' at " + data.locusLabel(individuals.notANumberLocus) + " is not two " +
                          std::to_string(context.edition.alleleDigits) + "-digit allele codes");
  }
  const std::size_t count = individuals.population.size();
  const auto stride = 2 * static_cast<std::size_t>(data.NUMBOFLOCI);
  LocusCounts counts;
  AlleleColumns columnOf;
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    if (locus == individuals.firstBadLocus) {
      context.dataFault(201, kWhere, "",
                        lineOf(text, individuals.badCodeAt) + ": an allele code at " + data.locusLabel(locus) +
                            " is not a number from 0 to 999");
    }
    // By index: with no individual the vector holds no array to point into.
    const auto& all = individuals.alleles;
    const std::size_t first = 2 * static_cast<std::size_t>(locus - 1);
    columnOf.clear();
    for (std::size_t i = 0, at = first; i < count; ++i, at += stride) {
      columnOf.see(all[at]);
      columnOf.see(all[at + 1]);
    }
    if (!columnOf.number()) tooManyAlleles(context, data, locus);
    counts.clear();
    for (std::size_t i = 0, at = first; i < count; ++i, at += stride) {
      auto& row = counts.TABLE[individuals.population[i]];
      ++row[static_cast<std::size_t>(columnOf[all[at]])];
      ++row[static_cast<std::size_t>(columnOf[all[at + 1]])];
    }
    if (locus == 1) data.NUMBPOPS = individuals.populations;
    const ColumnSummary columns = summarizeColumns(counts, data.NUMBPOPS);
    data.ALLELES_PER_LOCUS[locus] = columns.alleles;
    if (locus == 1) data.TOTNUMBGENES = columns.TEMPTNG;
    data.TOTNUMBINDIVIDUALS = (data.TOTNUMBGENES + 1) / 2;
    writer.writeLocus(locus, data.LOCUSNAME[locus], counts, columns, data.NUMBPOPS);
  }
  data.populationLabels = std::move(individuals.labels);
  data.populationLabels.resize(static_cast<std::size_t>(data.NUMBPOPS) + 1);
}

}  // namespace ortelan
