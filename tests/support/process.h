// Runs a program with the given standard input in a working directory and
// collects its standard output, standard error and exit status.
#pragma once

#include <string>
#include <vector>

namespace ortelan::testing {

struct ProcessResult {
  std::string out;
  std::string err;
  int status = -1;  // exit status 0..255; -1 when killed by a signal
  int signal = 0;
  long peakMemoryKb = 0;  // the largest resident set the process had
};

// Runs `program` with `arguments`, `input` on its standard input, and
// `environment` ("NAME=value") added to this process's environment; with
// `interruptAfterMs`, sends it SIGINT after that long, once it catches SIGINT.
ProcessResult runProcess(const std::string& program, const std::string& input, const std::string& workingDir,
                         int timeoutSeconds = 120, const std::vector<std::string>& arguments = {},
                         const std::vector<std::string>& environment = {}, int interruptAfterMs = 0);

}  // namespace ortelan::testing
