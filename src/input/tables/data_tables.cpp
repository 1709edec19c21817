#include "input/tables/data_tables.h"

namespace ortelan {

void countGenotypeColumns(DataSummary& data, const CountedTables& genotypes) {
  data.populationsTyped.assign(static_cast<std::size_t>(data.NUMBOFLOCI) + 1, 0);
  CountedTables::Reader reader(genotypes);
  CountTable table;
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    reader.read(locus, table);
    data.ALLELES_PER_LOCUS[locus] = table.columns;
    int typed = 0;
    for (int pop = 1; pop <= table.rows; ++pop) {
      bool any = false;
      for (int column = 1; column <= table.columns && !any; ++column) any = table.at(pop, column) > 0;
      typed += any ? 1 : 0;
    }
    data.populationsTyped[static_cast<std::size_t>(locus)] = typed;
  }
}

}  // namespace ortelan
