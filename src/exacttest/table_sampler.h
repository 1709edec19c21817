// The exact test's P-value from tables drawn independently under the null
// hypothesis, for tables too many to list (enumeration.h) and instead of
// the Markov chain (chain.h) where a scripted run or R asks for it.
//
// The law. Under the null hypothesis, given its margins, a table has the
// multivariate hypergeometric probability the walk and the listing use:
// that of dealing the genes of each allele (the individuals of each
// genotype, for the genotypic test) at random to the populations, each
// population keeping its size. Patefield's algorithm (Patefield, W.M.
// 1981, "Algorithm AS 159: An efficient method of generating random R x C
// tables with given row and column totals", Applied Statistics 30: 91-97)
// draws such a table cell by cell: row after row, each row's genes are
// taken without replacement from those of each column still undealt, so
// the cell of row i and column j is hypergeometric given the cells before
// it (hypergeometric.h); the last column of a row, and the last row, take
// what is left. (r - 1)(c - 1) draws make a table, with no walk at all.
//
// Each drawn table is ordered as the walk and the listing order it, with
// their tie rules (EnumerationOrder): by probability (it counts when its
// ln P is less than 1e-8 above the observed table's), by G, or by the G of
// the allele table a genotype table implies. A drawn table counts with
// probability P, the exact P-value, independently of the others: the
// count of tables that count is binomial, which sampled_p.h turns into a
// P-value with limits that hold.
//
// Stopping (Besag, J. and Clifford, P. 1991, "Sequential Monte Carlo
// p-values", Biometrika 78: 301-304): tables are drawn until `hits` of them
// have counted, or `samples` have been drawn, whichever comes first; a
// locus far from significance is settled in a few hundred tables.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "exacttest/chain.h"
#include "exacttest/enumeration.h"
#include "exacttest/margin_tables.h"
#include "exacttest/ranmar.h"
#include "input/tables/count_table.h"

namespace ortelan {

// How long to draw: until `hits` tables have counted, or `samples` tables
// have been drawn.
struct SamplingLimits {
  std::int64_t hits = 100;
  std::int64_t samples = 0;
};

// What the drawing found: `drawn` tables, `counted` of them at least as far
// from the null as the observed one; `stopped` when the drawing ended at
// `hits` (at the latest with the last of `samples`).
struct SampledCount {
  std::int64_t drawn = 0;
  std::int64_t counted = 0;
  bool stopped = false;
};

// How each table is drawn, all from the same law (table_sampler.cpp):
// item by item where the table has two columns or two rows; cell by cell
// (Patefield's algorithm); or by dealing the genes shuffled. Cheapest
// takes the one of least work for the table; the others are for tests and
// benchmarks (TwoColumns needs two rows or two columns).
enum class DrawMethod { Cheapest, TwoColumns, CellByCell, Dealing };

// The cheapest way to draw tables with these margins, and what a table
// costs that way, in steps of the walk on the same table (a model of the
// costs measured by bench/sampler_bench.cpp; the same on every machine).
struct Drawing {
  DrawMethod method;
  double steps;
};
Drawing cheapestDrawing(const Margins& margins, bool genotypic);

// How many tables with the margins of `table` cost about what `steps`
// steps of its walk cost (at least one): what a locus draws at most when
// it is to cost no more than its walk.
std::int64_t tablesCostingSteps(const CountTable& table, bool genotypic, std::int64_t steps);

// Draws tables with the margins of `table` (cells [1..rows, 1..columns];
// empty rows and columns left out) from `generator`, two of its draws for
// each hypergeometric draw (a uniform of 48 bits). With fewer than two
// non-empty rows or columns the observed table is the only one: one table
// drawn, counted. `workspace` holds the thread's tables of ln k! and of k ln
// k. When `stop` is set the drawing ends early (the count is then
// meaningless).
SampledCount sampleTables(const CountTable& table, const EnumerationOrder& order, const SamplingLimits& limits,
                          Ranmar& generator, ChainWorkspace& workspace, const std::atomic<bool>* stop = nullptr,
                          DrawMethod method = DrawMethod::Cheapest);

// Tables drawn a lot at a time, for a caller that looks at the count
// between lots: a decision at a level may be settled long before a P-value
// would be. From the same generator it draws the tables sampleTables
// draws, in the same order. `workspace` must hold its tables for the
// table's genes before it is made (reserveTableDraws) and not grow while
// it draws: it keeps pointers into them. A table with fewer than two non-empty rows or columns is the only
// one with its margins: its count is one table drawn, counted, and stays so.
class TableDraws {
 public:
  TableDraws(const CountTable& table, const EnumerationOrder& order, ChainWorkspace& workspace);
  ~TableDraws();
  TableDraws(TableDraws&&) noexcept;
  TableDraws& operator=(TableDraws&&) noexcept;

  // Draws tables with the margins of `table` from now on, as a new
  // TableDraws would, keeping the room it has made (a replicate's loci
  // one after the other draw without making it again).
  void reset(const CountTable& table, const EnumerationOrder& order, ChainWorkspace& workspace);

  // Draws until `drawn` tables have been drawn in all, or until the
  // `hits`-th table counts, whichever comes first (`stopped` is then set;
  // to go on past it, give more hits).
  void drawUntil(std::int64_t drawn, std::int64_t hits, Ranmar& generator);
  const SampledCount& count() const { return count_; }
  // Keeps, from now on, the places (from 1) of the first `count` tables
  // that count since the last reset, for a caller that estimates from the
  // runs between them (power/fisher_runs.h).
  void keepHitPlaces(std::size_t count) { keptHits_ = count; }
  const std::vector<std::int64_t>& hitPlaces() const { return hitPlaces_; }
  // Whether the table is the only one with its margins.
  bool single() const { return single_; }

 private:
  struct State;
  std::unique_ptr<State> state_;
  SampledCount count_;
  bool single_ = false;
  std::size_t keptHits_ = 0;
  std::vector<std::int64_t> hitPlaces_;
};

// Grows `workspace` to what drawing tables of up to `genes` genes (or
// individuals) takes, so that TableDraws may keep pointers into it.
void reserveTableDraws(ChainWorkspace& workspace, std::int64_t genes);

}  // namespace ortelan
