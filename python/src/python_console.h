// The core's consoles in a Python process. The core runs with the GIL
// released; these take it only for the moments they need Python.
#pragma once

#include <pybind11/pybind11.h>

#include <chrono>
#include <optional>
#include <string>

#include "run/silent_console.h"

namespace ortelan {

// What the core writes is kept, for the package to pass on as warnings
// once the run is over. Between loci the core asks whether to stop: then
// Python's signal handlers run (Ctrl-C raises KeyboardInterrupt), at most
// every 50 ms, and what one of them raised is kept until the core has
// unwound and the exception can go to the caller.
class PythonConsole final : public SilentConsole {
 public:
  using SilentConsole::SilentConsole;

  bool interrupted() override;

  // Raises what a signal handler raised, if one did. Needs the GIL.
  void raiseIfInterrupted();
  // Keeps what a handler raised elsewhere (while the progress line was
  // written), to end the run with it.
  void keep(pybind11::error_already_set raised);

 private:
  std::chrono::steady_clock::time_point lastLook_{};
  std::optional<pybind11::error_already_set> raised_;
};

// The progress line's console: what is written goes to sys.stderr at once.
class PythonStderr final : public SilentConsole {
 public:
  explicit PythonStderr(PythonConsole& run) : SilentConsole(std::string()), run_(run) {}

  void write(Stream stream, std::string_view text) override;

 private:
  PythonConsole& run_;
};

}  // namespace ortelan
