// The command line of the three programs: a data file and options, for
// scripted, repeatable runs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/run_settings.h"
#include "run/edition.h"

namespace ortelan {

// The settings of a run, or an end without one: help or version text for
// standard output (status 0), or a usage error for standard error (status 2).
struct CommandLine {
  std::optional<RunSettings> settings;
  int status = 0;
  std::string out;
  std::string err;
};

// `arguments` without the program's own name.
CommandLine parseCommandLine(const Edition& edition, const std::vector<std::string>& arguments);

// "<program>: error: <what>" and the hint to --help, with a line end.
std::string usageError(const Edition& edition, const std::string& what);

}  // namespace ortelan
