#include "run/failure.h"

#include <cstdint>
#include <cstdio>

namespace ortelan {
namespace {

struct ErrorText {
  int number;
  const char* className;
  const char* message;
};

constexpr ErrorText kErrorTexts[] = {
    {2, "EInOutError", "File not found"},
    {5, "EInOutError", "Access denied"},
    {101, "EInOutError", "Disk write error"},
    {106, "EInOutError", "Invalid input"},
    {200, "EDivByZero", "Division by zero"},
    {201, "ERangeError", "Range check error"},
    {205, "EOverflow", "Floating point overflow"},
    {207, "EInvalidOp", "Invalid floating point operation"},
    {215, "EIntOverflow", "Arithmetic overflow"},
};

// A stable made-up code position per procedure, so reports are repeatable.
std::uint32_t codePosition(std::string_view where) {
  std::uint32_t hash = 2166136261u;
  for (unsigned char c : where) hash = (hash ^ c) * 16777619u;
  return 0x00401000u + (hash & 0xFFF0u);
}

std::string hex8(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "$%08X", value);
  return buffer;
}

}  // namespace

void runTimeError(int number, std::string_view where) { throw RunTimeError{number, std::string(where)}; }

void writeUnhandledErrorReport(Console& console, const RunTimeError& error) {
  const char* className = "EInOutError";
  std::string message = "Unknown run-time error " + std::to_string(error.number);
  for (const ErrorText& text : kErrorTexts) {
    if (text.number == error.number) {
      className = text.className;
      message = text.message;
    }
  }
  const std::uint32_t at = codePosition(error.where);
  writeLine(console, Stream::Out, "An unhandled exception occurred at " + hex8(at) + " :");
  writeLine(console, Stream::Out, std::string(className) + " : " + message);
  writeLine(console, Stream::Out, "  " + hex8(at) + "  " + error.where);
  writeLine(console, Stream::Out, "  " + hex8(codePosition("main program")) + "  main program");
  writeLine(console, Stream::Out);
}

void fatalStop(Console& console, std::string_view message) {
  console.write(Stream::Err, "\n=========Error: ");
  console.write(Stream::Err, message);
  console.write(Stream::Err, "\n");
  pauseCommand(console);
  throw RunEnded{kFatalStopStatus};
}

void inputFault(const Edition& edition, Console& console, int number, std::string_view where,
                std::string_view message, std::string_view what) {
  if (edition.failure == FailureStyle::RunTimeErrors) runTimeError(number, where);
  if (edition.failure == FailureStyle::OneLine) throw OneLineFault{std::string(what.empty() ? message : what)};
  fatalStop(console, message);
}

}  // namespace ortelan
