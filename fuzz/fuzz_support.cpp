#include "fuzz/fuzz_support.h"

#include <algorithm>
#include <cstdlib>

#include "input/genepop/counting_reader.h"
#include "input/genepop/text_source.h"
#include "support/scripted_console.h"

namespace ortelan::fuzzing {

void RecordingSink::writeLocus(int locus, std::string_view name, const LocusCounts& counts,
                               const ColumnSummary& columns, int populations) {
  // What a table may hold: counts within the data model, margins that add up.
  if (populations < 0 || populations > kMaxPopulations || columns.alleles < 0 || columns.alleles > kMaxAlleleCode) {
    std::abort();
  }
  record += std::to_string(locus) + " " + std::string(name) + " " + std::to_string(populations) + " " +
            std::to_string(columns.alleles) + " " + std::to_string(columns.TEMPTNG) + ":";
  cells += std::to_string(locus) + " " + std::to_string(populations) + " " + std::to_string(columns.alleles) + ":";
  for (int pop = 1; pop <= populations; ++pop) {
    for (int code = 0; code <= kMaxAlleleCode; ++code) {
      if (counts.TABLE[pop][code] < 0) std::abort();
      if (counts.TABLE[pop][code] > 0) record += " " + std::to_string(pop * 1000 + code) + "=" +
                                                 std::to_string(counts.TABLE[pop][code]);
      if (code > 0 && counts.TABLE[pop][code] > 0) {
        cells += " " + std::to_string(pop * 1000 + code) + "=" + std::to_string(counts.TABLE[pop][code]);
      }
    }
  }
  record += "\n";
  cells += "\n";
}

std::string cellsOf(const DataSummary& data, const CountedTables& tables) {
  std::string cells;
  CountedTables::Reader reader(tables);
  CountTable table;
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    reader.read(locus, table);
    // Every column is an allele met, so a positive total.
    if (table.columns != data.ALLELES_PER_LOCUS[static_cast<std::size_t>(locus)]) std::abort();
    cells += std::to_string(locus) + " " + std::to_string(table.rows) + " " + std::to_string(table.columns) + ":";
    for (int pop = 1; pop <= table.rows; ++pop) {
      for (int column = 1; column <= table.columns; ++column) {
        if (table.at(pop, column) < 0) std::abort();
        if (table.at(pop, column) > 0) {
          cells += " " + std::to_string(pop * 1000 + column) + "=" + std::to_string(table.at(pop, column));
        }
      }
    }
    cells += "\n";
  }
  return cells;
}

namespace {

std::string summaryOf(const DataSummary& data) {
  std::string text = data.TITLE_LINE + "|" + std::to_string(data.NUMBOFLOCI) + "|" + std::to_string(data.NUMBPOPS) +
                     "|" + std::to_string(data.TOTNUMBINDIVIDUALS);
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    text += "|" + data.LOCUSNAME[static_cast<std::size_t>(locus)] + ":" +
            std::to_string(data.ALLELES_PER_LOCUS[static_cast<std::size_t>(locus)]);
  }
  return text;
}

// Whether some word of `text` is digits alone, as many as one allele code
// has in `edition` (two or three in ortelan_c).
bool hasOneAlleleGenotype(std::string_view text, const Edition& edition) {
  auto separates = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == ','; };
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = start;
    while (end < text.size() && !separates(text[end])) ++end;
    const std::string_view word = text.substr(start, end - start);
    const bool digits = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
    const bool oneCode = edition.reader == ReaderKind::IndividualStore
                             ? word.size() == 2 || word.size() == 3
                             : word.size() == static_cast<std::size_t>(edition.alleleDigits);
    if (digits && oneCode) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

void expectSameCounts(const Edition& scripted, std::string bytes,
                      void (*reader)(RunContext&, DataSummary&, std::string_view, LocusTableSink&)) {
  // The stream takes a CR LF file cut before its last LF as ended by it,
  // where the dialogue keeps the CR in the last line: end such a file here.
  if (!bytes.empty() && bytes.back() == '\r') bytes += '\n';
  const std::string text = withUnixLineEnds(bytes);
  testing::ScriptedConsole console;
  RunContext context(scripted, console);
  context.seeds.emplace(scripted.seeds, 1);
  DataSummary dialogue, counted;
  RecordingSink sink;
  if (outcomeOf([&] { reader(context, dialogue, text, sink); }) != "done") return;
  std::shared_ptr<const CountedTables> tables;
  const std::string outcome = outcomeOf([&] { tables = countText(context, counted, bytes).alleles; });
  // A code standing alone is a genotype of one allele to the stream, where
  // the dialogue's reading takes it with what follows ("03 1" is 3 and 1):
  // there the dialogue is no measure of the stream.
  if (hasOneAlleleGenotype(text, scripted)) return;
  if (outcome != "done") std::abort();
  if (summaryOf(counted) != summaryOf(dialogue) || cellsOf(counted, *tables) != sink.cells) std::abort();
}

}  // namespace ortelan::fuzzing
