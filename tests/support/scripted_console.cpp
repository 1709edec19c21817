#include "support/scripted_console.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace ortelan::testing {

void ScriptedConsole::write(Stream stream, std::string_view text) {
  if (stream == Stream::Out) {
    out_ += text;
    screen_ += text;
  } else {
    err_ += text;
  }
}

void ScriptedConsole::gotoXY(int column, int line) {
  screen_ += "<GOTO " + std::to_string(column) + "," + std::to_string(line) + ">";
}

void ScriptedConsole::beep(int hertz, int milliseconds) {
  screen_ += "<BEEP " + std::to_string(hertz) + "," + std::to_string(milliseconds) + ">";
}

bool ScriptedConsole::removeFile(const std::string& name) {
  if (undeletable.count(name) != 0) return false;
  return std::remove(name.c_str()) == 0;
}

}  // namespace ortelan::testing

namespace ortelan::testing {

std::string ScriptedConsole::makePrivateDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ortelan-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return {};
  privateDirectory = pattern;
  return pattern;
}

void ScriptedConsole::removeDirectory(const std::string& path) {
  std::error_code error;
  std::filesystem::remove_all(path, error);
}

}  // namespace ortelan::testing
