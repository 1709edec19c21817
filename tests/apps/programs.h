// The three real programs, and a run of one of them in a scratch directory.
#pragma once

#include <string>

#include "support/process.h"
#include "support/scratch_dir.h"

namespace ortelan::testing {

inline const std::string k3d = ORTELAN_3D_PATH;
inline const std::string k2d = ORTELAN_2D_PATH;
inline const std::string kC = ORTELAN_C_PATH;

// Runs `program` in `dir` with `input` as its standard input.
inline ProcessResult run(const std::string& program, const std::string& input, const ScratchDir& dir) {
  return runProcess(program, input, dir.path().string());
}

// Runs `program` in `dir` with command-line arguments and no standard
// input; its temporary files go to `tempDir` when one is given.
inline ProcessResult runWith(const std::string& program, const std::vector<std::string>& arguments,
                             const ScratchDir& dir, const std::string& tempDir = {}) {
  std::vector<std::string> environment;
  if (!tempDir.empty()) environment.push_back("TMPDIR=" + tempDir);
  return runProcess(program, "", dir.path().string(), 120, arguments, environment);
}

}  // namespace ortelan::testing
