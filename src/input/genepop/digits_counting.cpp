// The counting reader of ortelan_c: one individual per line, its genotypes
// runs of digits between separators (anything below the digit 0, and bytes
// of 128 or more), each cut by its number of digits: four or six are two
// alleles of two or three digits, two or three one allele of a haploid locus,
// and zeros alone, however many, a missing genotype.
#include <string>

#include "input/genepop/counting_reader.h"
#include "input/genepop/individual_store.h"
#include "input/genepop/locus_passes_reader.h"

namespace ortelan {
namespace {

constexpr std::size_t kMaxTitle = 254;

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool isSeparator(unsigned char c) { return c < '0' || c >= 128; }

bool isBlankLine(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// The line without its trailing control characters and blanks (codes 32 and
// below); a line with nothing else keeps its first character.
std::string_view trimmedName(std::string_view line) {
  std::size_t end = line.size();
  while (end > 1 && static_cast<unsigned char>(line[end - 1]) <= 32) --end;
  return line.substr(0, end);
}

int digitsValue(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

class DigitsReader {
 public:
  DigitsReader(RunContext& context, DataSummary& data, LineStream& lines)
      : context_(context), data_(data), lines_(lines) {}

  CountedData read() {
    readTitleAndNames();
    out_.counter = std::make_unique<GenotypeCounter>(data_.NUMBOFLOCI);
    out_.labels.assign(2, std::string());
    int population = 1;
    while (const auto line = nextLine(context_, lines_)) {
      if (isBlankLine(*line)) continue;  // blank lines between or after individuals
      if (startsWithPop(*line)) {
        ++population;
        continue;
      }
      out_.counter->beginPopulation(population);
      out_.populations = population;
      individual(*line);
    }
    out_.labels.resize(static_cast<std::size_t>(out_.populations) + 1);
    return std::move(out_);
  }

 private:
  void readTitleAndNames() {
    const auto title = nextLine(context_, lines_);
    data_.TITLE_LINE = std::string(title.value_or(std::string_view()).substr(0, kMaxTitle));
    for (;;) {
      const auto line = nextLine(context_, lines_);
      const std::string_view name = trimmedName(line.value_or(std::string_view()));
      const bool population = startsWithPop(name);
      if (!population) {
        forEachLocusName(name, std::string::npos, [&](std::string_view piece) { data_.addLocus(std::string(piece)); });
      }
      // The file ends with this line, or ended before it.
      if (!line || lines_.lastLineUnended()) {
        context_.dataFault(0, "", "", population ? "no individual after the first population line"
                                                 : "no population line (Pop) after the locus names");
      }
      if (population) return;
    }
  }

  void individual(std::string_view line) {
    const long number = lines_.lineNumber();
    const std::size_t comma = line.find(',');
    if (out_.labels.size() <= static_cast<std::size_t>(out_.populations)) {
      out_.labels.resize(static_cast<std::size_t>(out_.populations) + 1);
    }
    out_.labels[static_cast<std::size_t>(out_.populations)] = std::string(trimBlanks(line.substr(0, comma)));
    ++out_.individuals;
    std::uint16_t* kept = nullptr;  // the individual's codes, where the run keeps them
    if (context_.keepGenotypes) {
      if (!out_.kept) {
        out_.kept = std::make_unique<IndividualStore>();
        out_.kept->reset(data_.NUMBOFLOCI);
      }
      kept = out_.kept->addIndividual(out_.populations);
    }
    GenotypeCounter& counter = *out_.counter;
    std::size_t pos = comma == std::string_view::npos ? line.size() : comma + 1;
    for (int locus = 1; locus <= data_.NUMBOFLOCI; ++locus) {
      while (pos < line.size() && isSeparator(static_cast<unsigned char>(line[pos]))) ++pos;
      if (pos == line.size()) {
        fault(number, "fewer genotypes than loci (" + std::to_string(locus - 1) + " of " +
                          std::to_string(data_.NUMBOFLOCI) + ")");
      }
      const std::size_t start = pos;
      while (pos < line.size() && isDigit(static_cast<unsigned char>(line[pos]))) ++pos;
      const std::string_view token = line.substr(start, pos - start);
      if (token.empty()) fault(number, "the genotype at " + data_.locusLabel(locus) + " is not a number");
      GenotypeCounter::Outcome outcome = GenotypeCounter::Outcome::Counted;
      if (token.size() == 4 || token.size() == 6) {
        const std::size_t half = token.size() / 2;
        const int first = digitsValue(token.substr(0, half)), second = digitsValue(token.substr(half));
        if (kept != nullptr) {
          kept[2 * (locus - 1)] = static_cast<std::uint16_t>(first);
          kept[2 * (locus - 1) + 1] = static_cast<std::uint16_t>(second);
        }
        outcome = counter.diploid(locus, first, second);
      } else if (token.size() == 2 || token.size() == 3) {
        if (kept != nullptr) {
          kept[2 * (locus - 1)] = static_cast<std::uint16_t>(digitsValue(token));
          kept[2 * (locus - 1) + 1] = kNoSecondCode;
        }
        outcome = counter.haploid(locus, digitsValue(token));
      } else if (token.find_first_not_of('0') != std::string_view::npos) {
        // Zeros alone are a missing genotype, a habit for missing data.
        fault(number, "the genotype '" + std::string(token) + "' at " + data_.locusLabel(locus) +
                          " has neither four nor six digits (nor two or three, for one allele)");
      }
      if (outcome == GenotypeCounter::Outcome::MixedPloidy) mixedPloidy(context_, data_, number, locus);
      if (outcome == GenotypeCounter::Outcome::TooManyAlleles) tooManyAlleles(context_, data_, locus);
    }
    while (pos < line.size() && isSeparator(static_cast<unsigned char>(line[pos]))) ++pos;
    if (pos < line.size()) {
      fault(number, "more genotypes than loci (" + std::to_string(data_.NUMBOFLOCI) + " in the name list)");
    }
  }

  [[noreturn]] void fault(long number, const std::string& what) {
    context_.dataFault(0, "", "", lineLabel(number) + what);
  }

  RunContext& context_;
  DataSummary& data_;
  LineStream& lines_;
  CountedData out_;
};

}  // namespace

CountedData countByDigits(RunContext& context, DataSummary& data, LineStream& lines) {
  return DigitsReader(context, data, lines).read();
}

}  // namespace ortelan
