// The three real programs, and a run of one of them in a scratch directory.
#pragma once

#include <gtest/gtest.h>

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

// A scripted run that ends with a status other than 0 has said why: its
// standard error ends in a whole line with something on it.
inline void expectLastWord(const ProcessResult& r) {
  if (r.status == 0) return;
  EXPECT_EQ(r.signal, 0) << "ended by signal " << r.signal;
  ASSERT_TRUE(!r.err.empty() && r.err.back() == '\n') << "status " << r.status << ", standard error: " << r.err;
  const std::size_t start = r.err.find_last_of('\n', r.err.size() - 2);
  const std::string last = r.err.substr(start == std::string::npos ? 0 : start + 1);
  EXPECT_NE(last.find_first_not_of(" \t\r\n"), std::string::npos) << "status " << r.status << ", empty last line";
}

}  // namespace ortelan::testing
