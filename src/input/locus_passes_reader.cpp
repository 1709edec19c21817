#include "input/locus_passes_reader.h"

#include <initializer_list>
#include <string>

#include "input/allele_text.h"
#include "input/text_source.h"

namespace ortelan {
namespace {

constexpr std::size_t kMaxTitle = 80;
constexpr std::size_t kMaxName = 255;
constexpr const char* kWhere = "READ_INFILE_I";

[[noreturn]] void dataWarning(RunContext& context, std::initializer_list<std::string_view> lines) {
  context.console.beep(800, 500);
  context.console.clearScreen();
  for (int i = 0; i < 16; ++i) writeLine(context.console, Stream::Out);
  for (std::string_view line : lines) writeLine(context.console, Stream::Out, line);
  throw RunEnded{0};
}

// Reads up to and including the next comma. False when the file ends first:
// what stands after the last individual then ends the data.
bool skipPastComma(TextSource& source) {
  while (!source.eof()) {
    if (source.readChar() == ',') return true;
  }
  return false;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool isPopulationWord(std::string_view text) { return text == "POP" || text == "Pop" || text == "pop"; }

void populationsWarning(RunContext& context) {
  dataWarning(context, {"Check the data file! There seems to different numbers of", "populations at different loci."});
}

void individualsWarning(RunContext& context) {
  dataWarning(context,
              {"Check the data file! There seems to be different numbers of", "individuals at different loci."});
}

void wrongInfileWarning(RunContext& context) {
  dataWarning(context, {"There is something wrong with the infile. Check it!!!"});
}

void readTitleAndLocusNames(RunContext& context, DataSummary& data, std::string_view text) {
  TextSource source(text);
  data.TITLE_LINE = source.readLine(kMaxTitle);
  for (;;) {
    std::string line = source.readLine(kMaxName);
    const bool population = isPopulationWord(line);
    if (!population) {
      if (data.NUMBOFLOCI == kMaxLoci) runTimeError(201, kWhere);
      data.addLocus(std::move(line));
    }
    if (source.eof()) wrongInfileWarning(context);
    if (population) return;
  }
}

int countLocusPass(std::string_view text, int locus, int alleleDigits, LocusCounts& counts) {
  TextSource source(text);
  counts.clear();
  while (!source.eof() && !isPopulationWord(source.readLine(kMaxName))) {
  }
  int pop = 1;
  std::string first(static_cast<std::size_t>(alleleDigits), ' ');
  std::string second(static_cast<std::size_t>(alleleDigits), ' ');
  while (!source.eof()) {
    // The individual's name runs up to its first comma; a line whose first
    // three characters are a population word starts a new population.
    std::string prefix;
    bool comma = false;
    while (!source.eof()) {
      const char c = source.readChar();
      if (prefix.size() < 3) prefix.push_back(c);
      if (c == ',') {
        comma = true;
        break;
      }
      if (isPopulationWord(prefix)) break;
    }
    if (!comma) {
      if (!isPopulationWord(prefix)) break;  // trailing text without a comma
      source.skipLine();
      if (!skipPastComma(source)) break;  // a population line with no individual
      ++pop;
    }
    for (int u = 1; u <= locus; ++u) {
      while (isBlank(source.peekChar())) source.readChar();
      for (char& c : first) c = source.readChar();
      for (char& c : second) c = source.readChar();
    }
    source.skipLine();
    const int code1 = alleleTextValue(first);
    const int code2 = alleleTextValue(second);
    if (pop > kMaxPopulations || code1 < 0 || code1 > kMaxAlleleCode || code2 < 0 || code2 > kMaxAlleleCode) {
      runTimeError(201, kWhere);
    }
    ++counts.TABLE[pop][code1];
    ++counts.TABLE[pop][code2];
  }
  return pop;
}

void READ_INFILE_I(RunContext& context, DataSummary& data, std::string_view text, LocusTableSink& writer) {
  readTitleAndLocusNames(context, data, text);
  LocusCounts counts;
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    const int pops = countLocusPass(text, locus, context.edition.alleleDigits, counts);
    if (locus == 1) data.NUMBPOPS = pops;
    if (pops != data.NUMBPOPS) populationsWarning(context);
    const ColumnSummary columns = summarizeColumns(counts, data.NUMBPOPS);
    data.ALLELES_PER_LOCUS[locus] = columns.alleles;
    if (locus == 1) data.TOTNUMBGENES = columns.TEMPTNG;
    data.TOTNUMBINDIVIDUALS = (data.TOTNUMBGENES + 1) / 2;
    if (columns.TEMPTNG != data.TOTNUMBGENES) individualsWarning(context);
    writer.writeLocus(locus, data.LOCUSNAME[locus], counts, columns, data.NUMBPOPS);
  }
}

}  // namespace ortelan
