// What the fuzz targets share: a sink that records the locus tables the
// readers hand over, and a way to run a step that may end the run.
#pragma once

#include <string>
#include <string_view>

#include "input/tables/counted_tables.h"
#include "input/tables/table_data_writer.h"

namespace ortelan::fuzzing {

class RecordingSink final : public LocusTableSink {
 public:
  void writeLocus(int locus, std::string_view name, const LocusCounts& counts, const ColumnSummary& columns,
                  int populations) override;
  std::string record;
  std::string cells;  // the tables alone, as cellsOf gives them
};

// The cells of every locus table counted into memory: per locus, its
// populations, alleles and nonzero counts (pop * 1000 + column).
std::string cellsOf(const DataSummary& data, const CountedTables& tables);

// Where `reader` (one of the dialogue's, with the strictness of `scripted`)
// reads the file `bytes` through, as the dialogue reads files (CR LF made
// LF), the streaming reader of scripted runs must count the same names and
// tables from the bytes themselves; aborts when it does not.
void expectSameCounts(const Edition& scripted, std::string bytes,
                      void (*reader)(RunContext&, DataSummary&, std::string_view, LocusTableSink&));

// Runs `step`; an ending of the run (data warning, run-time error, fatal
// stop) is an expected outcome and is described in the returned text.
template <class Step>
std::string outcomeOf(Step&& step) {
  try {
    step();
    return "done";
  } catch (const RunEnded& ended) {
    return "status " + std::to_string(ended.status);
  } catch (const RunTimeError& error) {
    return "error " + std::to_string(error.number);
  } catch (const OneLineFault& fault) {
    return "fault " + fault.message;
  }
}

}  // namespace ortelan::fuzzing
