// What the input tests share: a run with its seed source, the console text
// that the data warnings and the fatal stop leave, and views of the results.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "input/tables/counted_tables.h"
#include "run/run.h"
#include "support/scripted_console.h"

namespace ortelan {

inline constexpr std::uint64_t kTestClock = 777;

struct InputRun {
  explicit InputRun(const Edition& edition) : context(edition, console) {
    context.seeds.emplace(edition.seeds, kTestClock);
  }
  testing::ScriptedConsole console;
  RunContext context;
  DataSummary data;
};

// The screen after one of the 80-bit data warnings.
inline std::string warningScreen(std::initializer_list<std::string_view> lines) {
  std::string screen = "<BEEP 800,500><CLS>" + std::string(16, '\n');
  for (std::string_view line : lines) (screen += line) += '\n';
  return screen;
}

// Standard error and standard output after ortelan_c's fatal stop.
inline std::string fatalErr(std::string_view message) { return "\n=========Error: " + std::string(message) + "\n"; }
inline const std::string kPauseOut = "Press any key to continue . . . \n";

// The four seeds the writer gives the `locus`-th table written in a run
// (four draws per locus, in locus order), as header text.
inline std::string seedsOf(const Edition& edition, int locus) {
  SeedSource source(edition.seeds, kTestClock);
  for (int i = 0; i < 4 * (locus - 1); ++i) source.next();
  std::string text;
  for (int i = 0; i < 4; ++i) text += (i ? " " : "") + std::to_string(source.next());
  return text;
}

// A table's text without its header line.
inline std::string rowsOf(const std::string& table) { return table.substr(table.find("\r\n") + 2); }

// The counted tables as rows of counts, locus by locus.
inline std::vector<std::vector<std::vector<int>>> tableRows(const CountedTables& tables) {
  std::vector<std::vector<std::vector<int>>> out;
  CountedTables::Reader reader(tables);
  CountTable table;
  for (int locus = 1; locus <= tables.loci(); ++locus) {
    reader.read(locus, table);
    std::vector<std::vector<int>> rows(static_cast<std::size_t>(table.rows));
    for (int pop = 1; pop <= table.rows; ++pop) {
      for (int column = 1; column <= table.columns; ++column) rows[pop - 1].push_back(table.at(pop, column));
    }
    out.push_back(rows);
  }
  return out;
}

// Counts and names as one text, so two readings compare in one line.
inline std::string describeData(const DataSummary& data) {
  std::ostringstream out;
  out << "title=[" << data.TITLE_LINE << "] loci=" << data.NUMBOFLOCI << " pops=" << data.NUMBPOPS
      << " genes=" << data.TOTNUMBGENES << " individuals=" << data.TOTNUMBINDIVIDUALS;
  for (int l = 1; l <= data.NUMBOFLOCI; ++l) out << " [" << data.LOCUSNAME[l] << "]:" << data.ALLELES_PER_LOCUS[l];
  return out.str();
}

}  // namespace ortelan
