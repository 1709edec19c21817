// The merge of shards' tables on arbitrary tables: the input is one or more
// results, pairs, hierarchy or permutation tables, separated by a NUL byte,
// read as shard1.tsv, shard2.tsv ... by the program the first one names
// (ortelan_3d where it names none). Each table is read, then all are
// merged, as `merge` does. What may come of it:
// - a refusal in one line (a OneLineFault of status 1, naming a shard where
//   it is about one table's line, or of status 2 for permutation tables that
//   do not fit together); anything else thrown is a finding;
// - merged tables, whose P-values are P-values (NA, or 0 to 1), whose plots
//   draw, and which merge again, alone, to themselves byte for byte.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/merge/merge_tables.h"
#include "app/merge/shard_table.h"
#include "apps/editions.h"
#include "report/manhattan_plot.h"
#include "report/hierarchy_table.h"
#include "report/manhattan_points.h"
#include "report/permutation_table.h"
#include "report/pairs_plot.h"
#include "report/pairs_table.h"
#include "report/results_table.h"
#include "run/failure.h"
#include "run/whole_number.h"
#include "support/scripted_console.h"

namespace ortelan {
namespace {

constexpr std::size_t kMaxShards = 8;
// What costs the merge as much as the run that wrote the tables, and is
// not what is fuzzed: a long bootstrap of the merged loci, and the loci of
// a GENEPOP file of many (the merge holds as many as the highest number).
constexpr long kMaxBootstrap = 64;
constexpr long kMaxLocusNumber = 100000;

bool costly(const ShardTable& table) {
  const std::optional<long> bootstrap = wholeNumber<long>(table.settings.valueOf("bootstrap"));
  if (bootstrap && *bootstrap > kMaxBootstrap) return true;
  if (table.sites || table.kind == TableKind::Permutations) return false;
  const std::size_t locus = table.column("locus");
  for (const ShardRow& row : table.rows) {
    const std::optional<long> number = wholeNumber<long>(row.fields[locus]);
    if (number && *number > kMaxLocusNumber) return true;
  }
  return false;
}

// A finding: told, then the run aborted, so that libFuzzer keeps the input.
[[noreturn]] void finding(const std::string& what) {
  std::fprintf(stderr, "merge_fuzz: %s\n", what.c_str());
  std::abort();
}

struct MergedText {
  std::string results, pairs, hierarchy, permutations;  // empty where the shards had no table of the kind
};

// The texts of the merged tables, and their plots drawn.
template <class Real>
MergedText textsOf(const MergedTables<Real>& merged) {
  MergedText text;
  const Analysis<Real>& a = merged.analysis;
  const PermutationResults<Real>* permutations = a.permutations ? &*a.permutations : nullptr;
  if (a.hierarchy) text.hierarchy = formatHierarchyTable(merged.heading, merged.hierarchyData, a.hierarchy->rows, permutations);
  if (permutations != nullptr) text.permutations = formatPermutationTable(merged.heading, *permutations);
  if (merged.hasResults) {
    text.results = formatResultsTable(merged.heading, a.state, a.fstat, static_cast<const OutlierResults<Real>*>(nullptr),
                                      permutations);
    manhattanPlotSvg(manhattanPoints(a.state, merged.heading.test), merged.heading.chain.batches,
                     merged.heading.chain.iterationsPerBatch, manhattanPlotTitle(merged.heading.test));
  }
  if (a.pairs) {
    text.pairs = formatPairsTable(merged.heading, merged.pairsData, *a.pairs, a.fstat, permutations);
    std::vector<std::string> labels;
    for (int pop = 1; pop <= a.pairs->populations; ++pop) labels.push_back(populationLabel(merged.pairsData, pop));
    pairsPlotSvg(labels, pairPlotCells(*a.pairs, a.fstat), pairsPlotTitle(merged.heading.test),
                 merged.heading.test != ExactTest::None);
  }
  return text;
}

void expectOneLine(const OneLineFault& fault) {
  if ((fault.status != kFaultStatus && fault.status != kUsageStatus) || fault.message.empty() || fault.message.find('\n') != std::string::npos) {
    finding("not a fault in one line: " + fault.message);
  }
}

// The merge of `texts`; nothing where it was refused (in one line).
template <class Real>
std::optional<MergedText> merged(const Edition& edition, const std::vector<std::string>& texts, bool again) {
  std::vector<ShardTable> shards;
  for (std::size_t k = 0; k < texts.size(); ++k) {
    const std::string path = "shard" + std::to_string(k + 1) + ".tsv";
    try {
      shards.push_back(parseShardTable(path, texts[k], edition.programName));
    } catch (const OneLineFault& fault) {
      if (again) finding("a merged table does not read back: " + fault.message);
      expectOneLine(fault);
      // About the table's own lines: it names the table and the line.
      if (!fault.message.starts_with(path + ": line ")) finding("a fault that names no line: " + fault.message);
      return std::nullopt;
    }
    if (!again && costly(shards.back())) return std::nullopt;
  }
  testing::ScriptedConsole console;
  try {
    return textsOf(mergeShardTables<Real>(edition, shards, console));
  } catch (const OneLineFault& fault) {
    if (again) finding("merged tables do not merge again: " + fault.message);
    expectOneLine(fault);
    return std::nullopt;
  }
}

// Every P-value of a merged table is NA or a probability.
void expectPValues(const std::string& table) {
  if (table.empty()) return;
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < table.size();) {
    std::size_t end = table.find('\n', start);
    if (end == std::string::npos) end = table.size();
    std::string_view line(table.data() + start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  if (lines.size() < 2) finding("a merged table without its header");
  std::vector<bool> isP;
  for (std::size_t start = 0;;) {
    const std::size_t tab = lines[1].find('\t', start);
    const std::string_view name = lines[1].substr(start, tab == std::string_view::npos ? tab : tab - start);
    isP.push_back(name.starts_with("p_"));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  for (std::size_t k = 2; k < lines.size(); ++k) {
    std::size_t column = 0;
    for (std::size_t start = 0; column < isP.size(); ++column) {
      const std::size_t tab = lines[k].find('\t', start);
      const std::string field(lines[k].substr(start, tab == std::string_view::npos ? tab : tab - start));
      if (isP[column] && field != "NA") {
        char* end = nullptr;
        const long double p = std::strtold(field.c_str(), &end);
        if (end != field.c_str() + field.size() || !(p >= 0 && p <= 1)) finding("a P-value not from 0 to 1: " + field);
      }
      if (tab == std::string_view::npos) break;
      start = tab + 1;
    }
  }
}

template <class Real>
void fuzzMerge(const Edition& edition, const std::vector<std::string>& texts) {
  const std::optional<MergedText> once = merged<Real>(edition, texts, /*again=*/false);
  if (!once) return;
  expectPValues(once->results);
  expectPValues(once->pairs);
  expectPValues(once->hierarchy);
  // The merged tables merge again, alone, to themselves.
  std::vector<std::string> again;
  for (const std::string* text : {&once->results, &once->pairs, &once->hierarchy, &once->permutations}) {
    if (!text->empty()) again.push_back(*text);
  }
  if (again.empty()) finding("a merge without tables");
  const std::optional<MergedText> twice = merged<Real>(edition, again, /*again=*/true);
  if (twice->results != once->results) finding("the merged results table merges to another:\n" + twice->results);
  if (twice->pairs != once->pairs) finding("the merged pairs table merges to another:\n" + twice->pairs);
  if (twice->hierarchy != once->hierarchy) finding("the merged hierarchy table merges to another:\n" + twice->hierarchy);
  if (twice->permutations != once->permutations) {
    finding("the merged permutation table merges to another:\n" + twice->permutations);
  }
}

}  // namespace
}  // namespace ortelan

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace ortelan;
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);
  std::vector<std::string> texts;
  for (std::size_t start = 0; start <= input.size();) {
    const std::size_t end = std::min(input.find('\0', start), input.size());
    texts.emplace_back(input.substr(start, end - start));
    if (texts.size() > kMaxShards) return 0;
    start = end + 1;
  }
  if (input.starts_with("# ortelan_c ")) {
    fuzzMerge<double>(editionC(), texts);
  } else {
    fuzzMerge<long double>(input.starts_with("# ortelan_2d ") ? edition2d() : edition3d(), texts);
  }
  return 0;
}
