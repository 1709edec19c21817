// The counting reader of ortelan_3d and ortelan_2d: allele codes of a fixed
// number of digits, a genotype two of them written together, or one alone
// for a haploid locus. Entries are read as the dialogue's readers read them:
// an individual's name runs up to its first comma, across line ends if need
// be, and a line whose first three characters start a population begins a
// new one, whose first individual's name runs from the next line on.
#include <string>

#include "input/genepop/allele_text.h"
#include "input/genepop/counting_reader.h"
#include "input/genepop/locus_passes_reader.h"

namespace ortelan {
namespace {

constexpr std::size_t kMaxTitle = 80;
constexpr std::size_t kMaxName = 255;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The value of `text` when it is all decimal digits; -1 otherwise.
int digitsValue(std::string_view text) {
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

class FixedWidthReader {
 public:
  FixedWidthReader(RunContext& context, DataSummary& data, LineStream& lines)
      : context_(context), data_(data), lines_(lines), digits_(static_cast<std::size_t>(context.edition.alleleDigits)) {}

  CountedData read() {
    const std::vector<std::pair<std::string, long>> replay = readTitleAndNames();
    out_.counter = std::make_unique<GenotypeCounter>(data_.NUMBOFLOCI);
    out_.labels.assign(2, std::string());
    for (const auto& [line, number] : replay) dataLine(line, number);
    while (const auto line = nextLine(context_, lines_)) dataLine(*line, lines_.lineNumber());
    // Text after the last individual without a comma ends the data.
    out_.populations = pop_;
    out_.labels.resize(static_cast<std::size_t>(pop_) + 1);
    return std::move(out_);
  }

 private:
  enum class Entry { Start, Name, FirstAfterPopulation };

  // The title and the locus names, up to the first population line. The
  // data begin after that line; after the title itself when the title is a
  // population word, and then the lines read for names are data too.
  std::vector<std::pair<std::string, long>> readTitleAndNames() {
    const auto title = nextLine(context_, lines_);
    data_.TITLE_LINE = std::string(title.value_or(std::string_view()).substr(0, kMaxTitle));
    const bool dataAfterTitle = title && isPopulationWord(*title);
    std::vector<std::pair<std::string, long>> replay;
    for (;;) {
      const std::string line(nextLine(context_, lines_).value_or(std::string_view()));
      const bool population = isPopulationLine(line);
      if (!population) forEachLocusName(line, kMaxName, [&](std::string_view name) { data_.addLocus(std::string(name)); });
      if (dataAfterTitle) replay.emplace_back(line, lines_.lineNumber());
      if (lines_.atEnd()) {
        wrongInfileWarning(context_, population ? "no individual after the first population line"
                                                : "no population line (Pop) after the locus names");
      }
      if (population) return replay;
    }
  }

  // One line of the data; `number` is its line number.
  void dataLine(std::string_view line, long number) {
    if (entry_ == Entry::Start) {
      const std::size_t comma = line.find(',');
      if (comma >= 3 && line.size() >= 3 &&
          startsPopulation(line.substr(0, 3), line.size() > 3 ? line[3] : '\n', false)) {
        entry_ = Entry::FirstAfterPopulation;
        name_.clear();
        return;
      }
      if (comma == std::string_view::npos) {
        entry_ = Entry::Name;
        name_.assign(line);
        name_ += '\n';
        return;
      }
      name_.assign(line.substr(0, comma));
      individual(line.substr(comma + 1), number);
      return;
    }
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) {
      name_.append(line);
      name_ += '\n';
      return;
    }
    name_.append(line.substr(0, comma));
    if (entry_ == Entry::FirstAfterPopulation) {
      ++pop_;
      out_.counter->beginPopulation(pop_);
      if (out_.labels.size() <= static_cast<std::size_t>(pop_)) out_.labels.resize(static_cast<std::size_t>(pop_) + 1);
    }
    entry_ = Entry::Start;
    individual(line.substr(comma + 1), number);
  }

  void individual(std::string_view genotypes, long number) {
    out_.labels[static_cast<std::size_t>(pop_)] = std::string(trimBlanks(name_));
    ++out_.individuals;
    if (context_.keepGenotypes) {
      if (!out_.kept) {
        out_.kept = std::make_unique<IndividualStore>();
        out_.kept->reset(data_.NUMBOFLOCI);
      }
      kept_ = out_.kept->addIndividual(pop_);
    }
    countGenotypes(genotypes, number);
  }

  void countGenotypes(std::string_view line, long number) {
    const std::size_t d = digits_;
    GenotypeCounter& counter = *out_.counter;
    std::size_t pos = 0;
    for (int locus = 1; locus <= data_.NUMBOFLOCI; ++locus) {
      while (pos < line.size() && isBlank(line[pos])) ++pos;
      const std::size_t left = line.size() - pos;
      // Most genotypes are two codes of digits alone, then a blank.
      if (left >= 2 * d && (left == 2 * d || isBlank(line[pos + 2 * d]))) {
        const int first = digitsValue(line.substr(pos, d)), second = digitsValue(line.substr(pos + d, d));
        if (first >= 0 && second >= 0) {
          keep(locus, first, second);
          check(counter.diploid(locus, first, second), number, locus);
          pos += 2 * d;
          continue;
        }
      }
      std::size_t end = pos;
      while (end < line.size() && !isBlank(line[end])) ++end;
      // A code alone is a word of its own; the rest of a longer word cut
      // into genotypes ("045045" read as "0450", then "45") is read on as
      // the dialogue reads it.
      const bool wordStart = pos == 0 || isBlank(line[pos - 1]);
      if (end - pos == d && wordStart) {
        const std::string_view allele = line.substr(pos, d);
        const int haploid = code(allele, allele, number, locus);
        keep(locus, haploid, kNoSecondCode);
        check(counter.haploid(locus, haploid), number, locus);
        pos = end;
        continue;
      }
      if (left < 2 * d) {
        fault(number, "fewer genotypes than loci (" + std::to_string(locus - 1) + " of " +
                          std::to_string(data_.NUMBOFLOCI) + ")");
      }
      const std::string_view genotype = line.substr(pos, 2 * d);
      const int first = code(genotype.substr(0, d), genotype, number, locus);
      const int second = code(genotype.substr(d), genotype, number, locus);
      keep(locus, first, second);
      check(counter.diploid(locus, first, second), number, locus);
      pos += 2 * d;
    }
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    if (pos < line.size()) {
      fault(number, "more genotypes than loci (" + std::to_string(data_.NUMBOFLOCI) + " in the name list)");
    }
  }

  // The genotype kept for the permutation tests, where the run keeps them.
  void keep(int locus, int first, int second) {
    if (kept_ == nullptr) return;
    kept_[2 * (locus - 1)] = static_cast<std::uint16_t>(first);
    kept_[2 * (locus - 1) + 1] = static_cast<std::uint16_t>(second);
  }

  void check(GenotypeCounter::Outcome outcome, long number, int locus) {
    if (outcome == GenotypeCounter::Outcome::MixedPloidy) mixedPloidy(context_, data_, number, locus);
    if (outcome == GenotypeCounter::Outcome::TooManyAlleles) tooManyAlleles(context_, data_, locus);
  }

  // One allele's code: its digits, or a number as the dialogue reads one
  // (blanks and a sign before the digits); anything else, or a code beyond
  // 999, ends the run.
  int code(std::string_view text, std::string_view genotype, long number, int locus) {
    int value = digitsValue(text);
    if (value >= 0) return value;
    if (!isAlleleNumber(text)) {
      const bool haploid = genotype.size() == digits_;
      fault(number, "the genotype '" + std::string(genotype) + "' at " + data_.locusLabel(locus) +
                        (haploid ? " is not a " : " is not two ") + std::to_string(digits_) + "-digit allele code" +
                        (haploid ? "" : "s"));
    }
    value = alleleTextValue(text);
    if (value < 0 || value > kMaxCodeValue) {
      fault(number, "an allele code at " + data_.locusLabel(locus) + " is not a number from 0 to 999");
    }
    return value;
  }

  [[noreturn]] void fault(long number, const std::string& what) {
    context_.dataFault(0, "", "", lineLabel(number) + what);
  }

  RunContext& context_;
  DataSummary& data_;
  LineStream& lines_;
  std::size_t digits_;
  CountedData out_;
  Entry entry_ = Entry::Start;
  std::string name_;
  int pop_ = 1;
  std::uint16_t* kept_ = nullptr;  // the individual's codes, where kept
};

}  // namespace

CountedData countFixedWidth(RunContext& context, DataSummary& data, LineStream& lines) {
  return FixedWidthReader(context, data, lines).read();
}

}  // namespace ortelan
