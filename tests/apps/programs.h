// The three real programs, and a run of one of them in a scratch directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/process.h"
#include "support/scratch_dir.h"

namespace ortelan::testing {

// The programs under test: this build's own, or, with ORTELAN_TEST_PROGRAMS
// set, those in that directory (ortelan_3d or ortelan_3d.exe ...), such as
// a Windows build's, started through the program ORTELAN_TEST_LAUNCHER
// names when it is set (the path of wine).
inline std::string programUnderTest(const std::string& name, const std::string& built) {
  const char* directory = std::getenv("ORTELAN_TEST_PROGRAMS");
  if (directory == nullptr || *directory == '\0') return built;
  const std::filesystem::path plain = std::filesystem::path(directory) / name;
  return std::filesystem::exists(plain) ? plain.string() : plain.string() + ".exe";
}

inline const std::string k3d = programUnderTest("ortelan_3d", ORTELAN_3D_PATH);
inline const std::string k2d = programUnderTest("ortelan_2d", ORTELAN_2D_PATH);
inline const std::string kC = programUnderTest("ortelan_c", ORTELAN_C_PATH);

inline std::string launcher() {
  const char* path = std::getenv("ORTELAN_TEST_LAUNCHER");
  return path == nullptr ? "" : path;
}

// runProcess for a program under test, through the launcher if there is one.
inline ProcessResult runProgram(const std::string& program, const std::string& input, const std::string& workingDir,
                                int timeoutSeconds = 120, const std::vector<std::string>& arguments = {},
                                const std::vector<std::string>& environment = {}) {
  if (launcher().empty()) return runProcess(program, input, workingDir, timeoutSeconds, arguments, environment);
  std::vector<std::string> launched{program};
  launched.insert(launched.end(), arguments.begin(), arguments.end());
  return runProcess(launcher(), input, workingDir, timeoutSeconds, launched, environment);
}

// What the command interpreter's PAUSE, which ortelan_c's fatal stop runs,
// writes when standard input has no key left: through a launcher, that
// system's own interpreter's words; else those of the console's stand-in.
inline const std::string& pauseOutput() {
  static const std::string words = launcher().empty()
                                       ? std::string("Press any key to continue . . . \n")
                                       : runProcess(launcher(), "", ".", 60, {"cmd", "/c", "pause"}).out;
  return words;
}

// Runs `program` in `dir` with `input` as its standard input.
inline ProcessResult run(const std::string& program, const std::string& input, const ScratchDir& dir) {
  return runProgram(program, input, dir.path().string());
}

// Runs `program` in `dir` with command-line arguments and no standard
// input; its temporary files go to `tempDir` when one is given.
inline ProcessResult runWith(const std::string& program, const std::vector<std::string>& arguments,
                             const ScratchDir& dir, const std::string& tempDir = {}) {
  std::vector<std::string> environment;
  if (!tempDir.empty()) environment.push_back("TMPDIR=" + tempDir);
  return runProgram(program, "", dir.path().string(), 120, arguments, environment);
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
