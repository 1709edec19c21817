// One run: the program's edition, its console and the run state that the
// steps share. Each step is a function of the run.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "run/console.h"
#include "run/edition.h"
#include "run/failure.h"
#include "run/run_state.h"
#include "run/seed_source.h"
#include "run/work_meter.h"

namespace ortelan {

// What every step may use besides the run state.
struct RunContext {
  RunContext(const Edition& e, Console& c) : edition(e), console(c) {}
  // The run keeps a reference to its edition: never to a temporary one.
  RunContext(const Edition&& e, Console& c) = delete;

  const Edition& edition;
  Console& console;
  ChainSettings settings;           // as given in the dialogue or on the command line
  std::optional<SeedSource> seeds;  // seeded at the start of the run
  std::string dataFile;             // the data file's name as given
  std::string tableDir;             // where the table data lives; empty: the working directory
  int workers = 0;                  // threads for the chains; 0: every usable core
  ExactTest test = ExactTest::Genic;  // the dialogue's runs make the genic test
  ExactMode exact = ExactMode::Never;  // the dialogue's runs walk the chain
  SamplingSettings sampling;           // the dialogue's runs draw no independent tables
  WorkMeter* meter = nullptr;       // scripted runs: how far the run has come
  bool keepGenotypes = false;       // the readers keep every individual's genotypes (permutation tests)

  // A diagnostic line on the program's diagnostic stream.
  void diagnostic(std::string_view line) { writeLine(console, edition.diagnostics, line); }

  // The path of a table data file.
  std::string tablePath(std::string_view name) const {
    return tableDir.empty() ? std::string(name) : tableDir + "/" + std::string(name);
  }

  int chainWorkers() { return workers > 0 ? workers : console.usableCores(); }

  // `units` more units of work are done; a run the user interrupted ends
  // here, unwinding cleanly.
  void advance(long units) {
    stopIfInterrupted();
    if (meter != nullptr && units != 0) meter->advance(units);
  }
  // Time has passed while the run waits for its workers.
  void tick() {
    stopIfInterrupted();
    if (meter != nullptr) meter->tick();
  }
  void stopIfInterrupted() {
    if (console.interrupted()) throw OneLineFault{"interrupted", kInterruptedStatus};
  }

  [[noreturn]] void fault(int number, std::string_view where, std::string_view message,
                          std::string_view what = {}) {
    inputFault(edition, console, number, where, message, what);
  }

  // A fault in the data file; a scripted run tells `what` after the file's name.
  [[noreturn]] void dataFault(int number, std::string_view where, std::string_view message, std::string_view what) {
    inputFault(edition, console, number, where, message, dataFile + ": " + std::string(what));
  }
};

template <class Real>
struct Run : RunContext {
  using RunContext::RunContext;
  RunState<Real> state;
};

}  // namespace ortelan
