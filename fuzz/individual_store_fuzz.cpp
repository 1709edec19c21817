// ortelan_c's reader and table writer on arbitrary bytes: every run ends in
// a table for each locus or in the fatal stop, never outside its tables.
// Where a scripted run's reading of them reads the file through, the
// streaming reader of scripted runs counts the same tables.
#include <cstdint>
#include <string>

#include "apps/editions.h"
#include "fuzz/fuzz_support.h"
#include "input/genepop/individual_store.h"
#include "input/genepop/text_source.h"
#include "support/scripted_console.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace ortelan;
  const std::string file(reinterpret_cast<const char*>(bytes), size);
  const std::string text = withUnixLineEnds(file);
  testing::ScriptedConsole console;
  RunContext context(editionC(), console);
  DataSummary data;
  IndividualStore store;
  fuzzing::RecordingSink sink;
  fuzzing::outcomeOf([&] {
    readDataText(context, data, store, text);
    writeTablesFromStore(context, data, store, sink);
  });
  Edition scripted = editionC();
  scripted.failure = FailureStyle::OneLine;
  fuzzing::expectSameCounts(scripted, file, [](RunContext& c, DataSummary& d, std::string_view t, LocusTableSink& s) {
    IndividualStore scriptedStore;
    readDataText(c, d, scriptedStore, t);
    writeTablesFromStore(c, d, scriptedStore, s);
  });
  return 0;
}
