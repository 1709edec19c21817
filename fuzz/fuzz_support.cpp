#include "fuzz/fuzz_support.h"

#include <cstdlib>

#include "input/counting_reader.h"
#include "input/text_source.h"
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
  // Codes with a blank between them ("03 1") are one genotype to the
  // dialogue's reading; to the stream they are a genotype of one allele
  // and one more, or one that does not fit its locus.
  const bool haploidReading = outcome.find("more genotypes than loci") != std::string::npos ||
                              outcome.find("mixes genotypes of one allele and of two") != std::string::npos;
  if (haploidReading) return;
  if (outcome != "done") std::abort();
  if (summaryOf(counted) != summaryOf(dialogue) || cellsOf(counted, *tables) != sink.cells) std::abort();
}

}  // namespace ortelan::fuzzing
