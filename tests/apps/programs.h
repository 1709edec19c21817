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

}  // namespace ortelan::testing
