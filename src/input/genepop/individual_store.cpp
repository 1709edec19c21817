#include "input/genepop/individual_store.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "input/genepop/locus_passes_reader.h"
#include "input/genepop/text_source.h"

namespace ortelan {
namespace {

constexpr std::size_t kMaxTitle = 254;

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// What stands between genotypes: anything below the digit 0 (blanks, tabs,
// commas, slashes, hyphens, points) and every byte of 128 or more.
bool isSeparator(unsigned char c) { return c < '0' || c >= 128; }

// The line without its trailing control characters and blanks (codes 32 and
// below); a line with nothing else keeps its first character.
std::string trimmedName(std::string_view line) {
  std::size_t end = line.size();
  while (end > 1 && static_cast<unsigned char>(line[end - 1]) <= 32) --end;
  return std::string(line.substr(0, end));
}

bool isBlankLine(std::string_view line) {
  for (char c : line) {
    if (c != ' ' && c != '\t') return false;
  }
  return true;
}

// Lines of the file; "at end" is true once a read has met the end of the
// file, as a stream's end-of-file state.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  // False when nothing is left to read.
  bool next(std::string_view& line) {
    if (pos_ >= text_.size()) {
      atEnd_ = true;
      line = {};
      return false;
    }
    ++lines_;
    std::size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) {
      line = text_.substr(pos_);
      pos_ = text_.size();
      atEnd_ = true;
    } else {
      line = text_.substr(pos_, end - pos_);
      pos_ = end + 1;
    }
    return true;
  }
  bool atEnd() const { return atEnd_; }
  // The number of the line read last, from 1.
  int lineNumber() const { return lines_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  bool atEnd_ = false;
  int lines_ = 0;
};

std::string lineNo(int line) { return "line " + std::to_string(line) + ": "; }

void readIndividual(RunContext& context, const DataSummary& data, IndividualStore& store, std::string_view line,
                    int lineNumber, int individual, int population) {
  if (population > kMaxPopulations) {
    context.dataFault(0, "", "More than 100 populations in the data file; the limit is 100.",
                      lineNo(lineNumber) + "a 101st population; the limit is 100");
  }
  std::uint16_t* codes = store.addIndividual(population);
  const std::size_t comma = line.find(',');
  std::size_t pos = comma == std::string_view::npos ? line.size() : comma + 1;
  if (store.labels.size() <= static_cast<std::size_t>(population)) store.labels.resize(static_cast<std::size_t>(population) + 1);
  store.labels[static_cast<std::size_t>(population)] = std::string(trimBlanks(line.substr(0, std::min(comma, line.size()))));
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    while (pos < line.size() && isSeparator(static_cast<unsigned char>(line[pos]))) ++pos;
    if (pos == line.size()) {
      const std::string what =
          lineNo(lineNumber) + "fewer genotypes than loci (" + std::to_string(locus - 1) + " of " +
          std::to_string(data.NUMBOFLOCI) + ")";
      if (context.edition.failure == FailureStyle::FatalStop) {
        context.console.write(Stream::Err, "\nData row (" + std::to_string(individual) + ")\n");
      }
      context.dataFault(0, "", "Error - data row.", what);
    }
    const std::size_t start = pos;
    while (pos < line.size() && isDigit(static_cast<unsigned char>(line[pos]))) ++pos;
    const std::string_view token = line.substr(start, pos - start);
    if (token.empty()) {
      context.dataFault(0, "", "Err - data line",
                        lineNo(lineNumber) + "the genotype at " + data.locusLabel(locus) + " is not a number");
    }
    int first = 0;
    int second = 0;
    // A scripted run takes a genotype of another length for a fault, but for
    // zeros alone, a habit for missing data.
    if (token.size() != 4 && token.size() != 6 && token.find_first_not_of('0') != std::string_view::npos &&
        context.edition.failure == FailureStyle::OneLine) {
      context.dataFault(0, "", "", lineNo(lineNumber) + "the genotype '" + std::string(token) + "' at " +
                                       data.locusLabel(locus) + " has neither four nor six digits");
    }
    if (token.size() == 4 || token.size() == 6) {
      const std::size_t half = token.size() / 2;
      for (std::size_t i = 0; i < half; ++i) {
        first = first * 10 + (token[i] - '0');
        second = second * 10 + (token[half + i] - '0');
      }
    }
    codes[2 * (locus - 1)] = static_cast<std::uint16_t>(first);
    codes[2 * (locus - 1) + 1] = static_cast<std::uint16_t>(second);
  }
  // Genotypes after the last locus are passed over, as ever; a scripted run
  // takes them for a missing locus name.
  if (context.edition.failure == FailureStyle::OneLine) {
    while (pos < line.size() && isSeparator(static_cast<unsigned char>(line[pos]))) ++pos;
    if (pos < line.size()) {
      context.dataFault(0, "", "", lineNo(lineNumber) + "more genotypes than loci (" + std::to_string(data.NUMBOFLOCI) +
                                       " in the name list)");
    }
  }
}

}  // namespace

bool startsWithPop(std::string_view line) {
  if (line.size() < 3) return false;
  auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); };
  return lower(line[0]) == 'p' && lower(line[1]) == 'o' && lower(line[2]) == 'p';
}

void ReadInDataFile(RunContext& context, DataSummary& data, IndividualStore& store, const std::string& fileName) {
  // Opened for reading and writing, as the program always has; a scripted
  // run only needs to read it.
  const bool oneLine = context.edition.failure == FailureStyle::OneLine;
  std::FILE* check = std::fopen(fileName.c_str(), oneLine ? "r" : "r+");
  if (check == nullptr) {
    context.fault(0, "", "ReadInDataFile(string filename) 1 **", "cannot open " + fileName + ": " + std::strerror(errno));
  }
  std::fclose(check);
  std::optional<std::string> raw = readWholeFile(fileName);
  if (!raw) context.fault(0, "", "ReadInDataFile(string filename) 1 **", "cannot read " + fileName);
  readDataText(context, data, store, withUnixLineEnds(std::move(*raw)));
}

void readDataText(RunContext& context, DataSummary& data, IndividualStore& store, std::string_view text) {
  LineReader lines(text);
  std::string_view line;
  lines.next(line);
  data.TITLE_LINE = std::string(line.substr(0, kMaxTitle));

  for (;;) {
    lines.next(line);
    const std::string name = trimmedName(line);
    const bool population = startsWithPop(name);
    if (!population) {
      forEachLocusName(name, std::string::npos, [&](std::string_view piece) {
        if (data.NUMBOFLOCI == kMaxLoci) {
          context.dataFault(0, "", "More than 10,000 loci in the data file; the limit is 10,000.",
                            "more than 10,000 loci; the limit is 10,000");
        }
        data.addLocus(std::string(piece));
      });
    }
    if (lines.atEnd()) {
      if (context.edition.failure == FailureStyle::FatalStop) {
        for (int i = 0; i < 16; ++i) writeLine(context.console, Stream::Out);
        writeLine(context.console, Stream::Out, "There is something wrong with the infile. Check it!!!");
      }
      context.dataFault(0, "", "Error",
                        population ? "no individual after the first population line"
                                   : "no population line (Pop) after the locus names");
    }
    if (population) break;
  }

  store.reset(data.NUMBOFLOCI);
  store.labels.assign(2, std::string());
  int individual = 0;
  int population = 1;
  while (lines.next(line)) {
    if (isBlankLine(line)) continue;  // blank lines between or after individuals
    if (startsWithPop(line)) {
      ++population;
      continue;
    }
    readIndividual(context, data, store, line, lines.lineNumber(), ++individual, population);
  }
}

void writeTablesFromStore(RunContext& context, DataSummary& data, const IndividualStore& store,
                          LocusTableSink& writer) {
  LocusCounts counts;
  AlleleColumns columnOf;
  const int populations = store.populations();
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    columnOf.clear();
    for (int i = 0; i < store.size(); ++i) {
      const std::uint16_t* codes = store.alleles(i, locus);
      columnOf.see(codes[0]);
      columnOf.see(codes[1]);
    }
    if (!columnOf.number()) tooManyAlleles(context, data, locus);
    counts.clear();
    for (int i = 0; i < store.size(); ++i) {
      const std::uint16_t* codes = store.alleles(i, locus);
      ++counts.TABLE[store.population(i)][columnOf[codes[0]]];
      ++counts.TABLE[store.population(i)][columnOf[codes[1]]];
    }
    if (locus == 1) data.NUMBPOPS = populations;
    if (populations != data.NUMBPOPS) context.fault(0, "", "Err - warn1 = 1");
    const ColumnSummary columns = summarizeColumns(counts, data.NUMBPOPS);
    data.ALLELES_PER_LOCUS[locus] = columns.alleles;
    if (locus == 1) {
      data.TOTNUMBGENES = columns.TEMPTNG;
      data.TOTNUMBINDIVIDUALS = (data.TOTNUMBGENES + 1) / 2;
    }
    if (columns.TEMPTNG != data.TOTNUMBGENES) context.fault(0, "", "Err - warn2 = 1");
    writer.writeLocus(locus, data.LOCUSNAME[locus], counts, columns, data.NUMBPOPS);
  }
  writer.finish();
  data.populationLabels = store.labels;
  data.populationLabels.resize(static_cast<std::size_t>(data.NUMBPOPS) + 1);
}

}  // namespace ortelan
