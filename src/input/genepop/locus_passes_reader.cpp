#include "input/genepop/locus_passes_reader.h"

#include <memory>
#include <string>

#include "input/genepop/allele_text.h"
#include "input/genepop/text_source.h"
#include "input/data_warnings.h"

namespace ortelan {
namespace {

constexpr std::size_t kMaxTitle = 80;
constexpr std::size_t kMaxName = 255;
constexpr const char* kWhere = "READ_INFILE_I";

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

namespace {

bool isPop(std::string_view three) {
  auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); };
  return three.size() == 3 && lower(three[0]) == 'p' && lower(three[1]) == 'o' && lower(three[2]) == 'p';
}

bool endsPopulationWord(char c) { return c == ' ' || c == '\t' || c == ','; }

}  // namespace

bool isPopulationLine(std::string_view line) {
  return isPop(line.substr(0, 3)) && (line.size() == 3 || endsPopulationWord(line[3]));
}

bool startsPopulation(std::string_view prefix, char next, bool atEnd) {
  return isPopulationWord(prefix) || (isPop(prefix) && (atEnd || next == '\n' || endsPopulationWord(next)));
}

std::size_t dataStart(std::string_view text) {
  bool title = true;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end < text.size() ? end + 1 : end;
    if (title ? isPopulationWord(line) : isPopulationLine(line)) return pos;
    title = false;
  }
  return text.size();
}

void readTitleAndLocusNames(RunContext& context, DataSummary& data, std::string_view text) {
  TextSource source(text);
  data.TITLE_LINE = source.readLine(kMaxTitle);
  for (;;) {
    const std::string line = source.readLine(std::string::npos);
    const bool population = isPopulationLine(line);
    if (!population) {
      forEachLocusName(line, kMaxName, [&](std::string_view name) {
        if (data.NUMBOFLOCI == kMaxLoci) context.dataFault(201, kWhere, "", "more than 10,000 loci; the limit is 10,000");
        data.addLocus(std::string(name));
      });
    }
    if (source.eof()) {
      wrongInfileWarning(context, population ? "no individual after the first population line"
                                             : "no population line (Pop) after the locus names");
    }
    if (population) return;
  }
}

int countLocusPass(std::string_view text, int locus, int alleleDigits, CodeCounts& counts) {
  TextSource source(text.substr(dataStart(text)));
  for (auto& row : counts) row.fill(0);
  int pop = 1;
  std::string first(static_cast<std::size_t>(alleleDigits), ' ');
  std::string second(static_cast<std::size_t>(alleleDigits), ' ');
  while (!source.eof()) {
    // The individual's name runs up to its first comma; a line whose first
    // three characters are a population word starts a new population.
    std::string prefix;
    bool comma = false, population = false;
    while (!source.eof()) {
      const char c = source.readChar();
      if (prefix.size() < 3) {
        prefix.push_back(c);
        // Looked at once, as the third character is read.
        population = c != ',' && prefix.size() == 3 && startsPopulation(prefix, source.peekChar(), source.eof());
      }
      if (c == ',') {
        comma = true;
        break;
      }
      if (population) break;
    }
    if (!comma) {
      if (!population) break;  // trailing text without a comma
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
    if (pop > kMaxPopulations || code1 < 0 || code1 > kMaxCodeValue || code2 < 0 || code2 > kMaxCodeValue) {
      runTimeError(201, kWhere);
    }
    ++counts[static_cast<std::size_t>(pop)][static_cast<std::size_t>(code1)];
    ++counts[static_cast<std::size_t>(pop)][static_cast<std::size_t>(code2)];
  }
  return pop;
}

bool toColumns(const CodeCounts& byCode, int populations, LocusCounts& counts) {
  AlleleColumns columns;
  for (int pop = 1; pop <= populations; ++pop) {
    for (int code = 1; code <= kMaxCodeValue; ++code) {
      if (byCode[static_cast<std::size_t>(pop)][static_cast<std::size_t>(code)] > 0) columns.see(code);
    }
  }
  if (!columns.number()) return false;
  counts.clear();
  for (int pop = 1; pop <= populations; ++pop) {
    for (int code = 0; code <= kMaxCodeValue; ++code) {
      counts.TABLE[pop][columns[code]] += byCode[static_cast<std::size_t>(pop)][static_cast<std::size_t>(code)];
    }
  }
  return true;
}

void READ_INFILE_I(RunContext& context, DataSummary& data, std::string_view text, LocusTableSink& writer) {
  readTitleAndLocusNames(context, data, text);
  auto byCode = std::make_unique<CodeCounts>();
  LocusCounts counts;
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    const int pops = countLocusPass(text, locus, context.edition.alleleDigits, *byCode);
    if (locus == 1) data.NUMBPOPS = pops;
    if (pops != data.NUMBPOPS) populationsWarning(context, locus);
    if (!toColumns(*byCode, data.NUMBPOPS, counts)) tooManyAlleles(context, data, locus);
    const ColumnSummary columns = summarizeColumns(counts, data.NUMBPOPS);
    data.ALLELES_PER_LOCUS[locus] = columns.alleles;
    if (locus == 1) data.TOTNUMBGENES = columns.TEMPTNG;
    data.TOTNUMBINDIVIDUALS = (data.TOTNUMBGENES + 1) / 2;
    if (columns.TEMPTNG != data.TOTNUMBGENES) individualsWarning(context, locus);
    writer.writeLocus(locus, data.LOCUSNAME[locus], counts, columns, data.NUMBPOPS);
  }
}

}  // namespace ortelan
