// The locus tables of a scripted run, counted into memory as the data file
// was read, given to the steps as the table data would give them: each
// locus's header carries its four seeds, from the run seed and the locus,
// and the chain settings.
#pragma once

#include <memory>
#include <utility>

#include "input/tables/counted_tables.h"
#include "input/tables/table_source.h"
#include "run/run_state.h"
#include "run/seed_source.h"

namespace ortelan {

class MemoryTables final : public LocusTableStore {
 public:
  MemoryTables(std::shared_ptr<const CountedTables> tables, SeedSource seeds, ChainSettings settings)
      : tables_(std::move(tables)), seeds_(std::move(seeds)), settings_(settings) {}

  std::unique_ptr<LocusTableSource> source() const override;
  const CountedTables& tables() const { return *tables_; }

 private:
  std::shared_ptr<const CountedTables> tables_;
  SeedSource seeds_;
  ChainSettings settings_;
};

}  // namespace ortelan
