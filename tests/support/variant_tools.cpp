#include "support/variant_tools.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "support/process.h"

namespace ortelan::testing {
namespace {

std::string onPath(const std::string& tool) {
  std::istringstream directories(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "/usr/bin");
  for (std::string directory; std::getline(directories, directory, ':');) {
    const std::filesystem::path candidate = std::filesystem::path(directory) / tool;
    if (std::filesystem::exists(candidate)) return candidate.string();
  }
  throw std::runtime_error(tool + " is not installed (scripts/install-deps.sh installs it)");
}

}  // namespace

ProcessResult runToolWithErrors(const std::string& tool, const std::vector<std::string>& arguments) {
  ProcessResult result = runProcess(onPath(tool), "", std::filesystem::current_path().string(), 60, arguments);
  if (result.status != 0) throw std::runtime_error(tool + " failed: " + result.err);
  return result;
}

std::string runTool(const std::string& tool, const std::vector<std::string>& arguments) {
  return runToolWithErrors(tool, arguments).out;
}

std::string bgzipped(const std::string& name) {
  runTool("bgzip", {"-f", "-k", name});
  return name + ".gz";
}

std::string asBcf(const std::string& name, bool compressed) {
  runTool("bcftools", {"view", compressed ? "-Ob" : "-Ou", "-o", name + ".bcf", name});
  return name + ".bcf";
}

}  // namespace ortelan::testing
