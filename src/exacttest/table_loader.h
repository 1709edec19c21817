// READINFILE: one locus table read back for the exact test, with its seeds
// and the chain settings, its margins, and the checks that make it testable.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "chisquare/g_statistic.h"
#include "exacttest/chain.h"
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
};

// Makes `table` walk as `test` has it: ordered by probability or by G; for
// the genotypic test, a genotype table whose columns are `genotypeKeys`.
void walkFor(ExactTest test, LoadedTable& table, const std::vector<std::uint32_t>* genotypeKeys);

// Reads the header and the rows, prints the warnings and check messages on
// the diagnostic stream and returns only when every check passed; else the
// run ends once the whole table is read (status 0 for the 80-bit programs,
// the fatal stop "halt" for ortelan_c). A locus file is read row line by
// row line; the shared file's counts are read as one stream of numbers.
// A scripted run leaves out the notes on empty rows and columns and tells a
// failed check in one line that begins with `locusLabel`.
void READINFILE(RunContext& context, TableNumbers& scanner, LoadedTable& table, std::string_view locusLabel = {});

}  // namespace ortelan
