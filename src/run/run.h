// One run: the program's edition, its console and the run state that the
// steps share. Each step is a function of the run.
#pragma once

#include <optional>
#include <string_view>

#include "run/console.h"
#include "run/edition.h"
#include "run/failure.h"
#include "run/run_state.h"
#include "run/seed_source.h"

namespace ortelan {

// What every step may use besides the run state.
struct RunContext {
  RunContext(const Edition& e, Console& c) : edition(e), console(c) {}

  const Edition& edition;
  Console& console;
  ChainSettings settings;           // as given in the dialogue
  std::optional<SeedSource> seeds;  // seeded from the clock at the start

  // A diagnostic line on the program's diagnostic stream.
  void diagnostic(std::string_view line) { writeLine(console, edition.diagnostics, line); }

  [[noreturn]] void fault(int number, std::string_view where, std::string_view message) {
    inputFault(edition, console, number, where, message);
  }
};

template <class Real>
struct Run : RunContext {
  using RunContext::RunContext;
  RunState<Real> state;
};

}  // namespace ortelan
