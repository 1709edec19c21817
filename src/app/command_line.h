// The command line of the three programs: a data file and options, for
// scripted, repeatable runs.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/run_settings.h"
#include "run/edition.h"

namespace CLI {
class App;
}

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

// The options of the tests and their data that every run from the command
// line takes, a scripted run and a power analysis alike: the chain
// settings, the seed, threads, loci, test, listing and sampler, the
// population map and regions of VCF data, and quiet. Those given as text
// wait in RunOptionTexts until takeRunOptions, after the parse, puts them
// into the settings.
struct RunOptionTexts {
  std::string seed, loci, test, exact, sampler, samples;
};
void addRunOptions(CLI::App& app, RunSettings& settings, RunOptionTexts& texts);
void takeRunOptions(const RunOptionTexts& texts, RunSettings& settings);

// An output option and the place it names, if given.
using NamedOutput = std::pair<const char*, std::optional<std::string>>;

// What `outputs` name that cannot be: two outputs to one file, or two to
// standard output (a device such as /dev/null may take any number). Empty:
// none.
std::string clashingOutputs(const std::vector<NamedOutput>& outputs);

// "<program>: error: <what>" and the hint to --help, with a line end.
std::string usageError(const Edition& edition, const std::string& what);

}  // namespace ortelan
