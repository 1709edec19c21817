// The command line of `<program> power`: a data file, the model and the
// tests' settings, for how likely each test is to detect populations that
// differ.
//
//   ortelan_2d power [--fst LIST] [--ne N] [--sizes N[,N...]] [--alpha LIST] [--replicates R]
//                    [--replicates-range A-B] [-t TABLE] [-o REPORT] [--plot FILE.svg] [OPTIONS] DATAFILE
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/power_settings.h"
#include "run/edition.h"

namespace ortelan {

// The settings, or an end without them, as CommandLine has it.
struct PowerCommandLine {
  std::optional<PowerSettings> settings;
  int status = 0;
  std::string out;
  std::string err;
};

// `arguments` after "power".
PowerCommandLine parsePowerCommandLine(const Edition& edition, const std::vector<std::string>& arguments);

}  // namespace ortelan
