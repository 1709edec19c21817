// The exact test's table loader on arbitrary table data, and a short walk
// on whatever it accepts.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "apps/editions.h"
#include "exacttest/chain.h"
#include "exacttest/table_loader.h"
#include "fuzz/fuzz_support.h"
#include "support/scripted_console.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace ortelan;
  if (size == 0) return 0;
  const Edition& edition = (bytes[0] & 1) != 0 ? edition3d() : editionC();
  std::stringbuf buffer(std::string(reinterpret_cast<const char*>(bytes) + 1, size - 1));
  TableScanner scanner(&buffer);
  testing::ScriptedConsole console;
  RunContext context(edition, console);
  LoadedTable table;
  if (fuzzing::outcomeOf([&] { READINFILE(context, scanner, table); }) != "done") return 0;

  // What a loaded table promises the walk.
  if (table.N < 2 || table.M < 2 || table.TOT <= 0 || table.B < 2 || table.C < 1) std::abort();
  for (int seed : table.UU) {
    if (seed < 1 || seed > 168) std::abort();
  }
  Ranmar generator;
  generator.MAKE_RANDOM(table.UU[0], table.UU[1], table.UU[2], table.UU[3]);
  CountTable before = table.MM;
  const auto estimate = CHAINE<double>(table.MM, std::min(table.MEM, 200), std::min(table.B, 4),
                                       std::min(table.C, 50), generator);
  if (!(estimate.HM >= 0 && estimate.HM <= 1) || !(estimate.HECA >= 0)) std::abort();
  // The walk keeps every margin.
  for (int i = 1; i <= table.N; ++i) {
    long long row = 0, rowBefore = 0;
    for (int j = 1; j <= table.M; ++j) {
      row += table.MM.at(i, j);
      rowBefore += before.at(i, j);
      if (table.MM.at(i, j) < 0) std::abort();
    }
    if (row != rowBefore) std::abort();
  }
  return 0;
}
