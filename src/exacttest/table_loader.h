// READINFILE: one locus table read back for the exact test, with its seeds
// and the chain settings, its margins, and the checks that make it testable.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "chisquare/g_statistic.h"
#include "chisquare/x_ln_x.h"
#include "exacttest/chain.h"
#include "exacttest/enumeration.h"
#include "input/tables/count_table.h"
#include "input/tables/table_data_reader.h"
#include "run/run.h"

namespace ortelan {

// The exact-test working state of one locus as loaded.
struct LoadedTable {
  int N = 0;  // rows: populations
  int M = 0;  // columns: alleles present
  std::array<int, 4> UU{};
  std::int32_t MEM = 0, B = 0, C = 0;
  // Cells [1..N, 1..M]; row totals in column M + 1, column totals in row
  // N + 1, the grand total TOT in [N + 1, M + 1].
  CountTable MM;
  std::int32_t TOT = 0;

  // How the walk orders the tables it visits. A genotype table (the
  // genotypic test) names the two allele columns of each of its columns,
  // in an allele table of `alleleColumns` columns; an allele table none.
  Ordering ordering = Ordering::Probability;
  std::vector<GenotypeAlleles> genotypeColumns;
  int alleleColumns = 0;

  // Whether the P-value may come from listing the tables instead of the
  // walk, where that takes less work (scripted runs and R).
  bool mayEnumerate = false;
  // Where the P-value is not listed: drawn from independent tables, or
  // walked by the chain (sampling.sampler).
  SamplingSettings sampling;

  std::int64_t chainSteps() const { return MEM + std::int64_t{B} * C; }
  // The tables' order as the walk has it, with its tie margin.
  EnumerationOrder enumerationOrder() const {
    const int columns = genotypeColumns.empty() ? MM.columns : alleleColumns;
    return {ordering, genotypeColumns, alleleColumns, xLnXTieMargin(std::int64_t{MM.rows} * columns)};
  }
};

// Makes `table` walk as `test` has it: ordered by probability or by G; for
// the genotypic test, a genotype table whose columns are `genotypeKeys`.
// With `exact` Auto its P-value may be listed instead (mayEnumerate); where
// it is not, `sampling` says whether tables are drawn or the chain walks.
void walkFor(ExactTest test, LoadedTable& table, const std::vector<std::uint32_t>* genotypeKeys,
             ExactMode exact = ExactMode::Never, const SamplingSettings& sampling = {});

// Reads the header and the rows, prints the warnings and check messages on
// the diagnostic stream and returns only when every check passed; else the
// run ends once the whole table is read (status 0 for the 80-bit programs,
// the fatal stop "halt" for ortelan_c). A locus file is read row line by
// row line; the shared file's counts are read as one stream of numbers.
// A scripted run leaves out the notes on empty rows and columns and tells a
// failed check in one line that begins with `locusLabel`.
void READINFILE(RunContext& context, TableNumbers& scanner, LoadedTable& table, std::string_view locusLabel = {});

}  // namespace ortelan
