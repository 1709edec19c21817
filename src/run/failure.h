// How a run ends early. Steps throw; the driver catches at the top and
// turns what it caught into the program's exit status. Nothing is rolled
// back: table data written before the stop stays on disk.
#pragma once

#include <string>
#include <string_view>

#include "run/console.h"
#include "run/pause.h"
#include "run/edition.h"

namespace ortelan {

// A failed run-time check of the 80-bit programs, by its number
// (2 file not found, 106 invalid input, 201 range, 215 overflow, ...).
struct RunTimeError {
  int number;
  std::string where;  // the procedure in which the check failed
};

// The run ends now with this exit status (data warnings, fatal stop).
struct RunEnded {
  int status;
};

// A fault of a scripted run, told in one line: the driver writes
// "<program>: error: " and the message on standard error and ends with
// status 1 (data and file faults) or 2 (usage).
struct OneLineFault {
  std::string message;
  int status = 1;
};

inline constexpr int kRunTimeErrorStatus = 217;
inline constexpr int kFatalStopStatus = -10;
inline constexpr int kFaultStatus = 1;
inline constexpr int kUsageStatus = 2;
inline constexpr int kInterruptedStatus = 130;  // as a shell reports Ctrl-C

[[noreturn]] void runTimeError(int number, std::string_view where);

// The unhandled-error report on standard output.
void writeUnhandledErrorReport(Console& console, const RunTimeError& error);

// The fatal stop: the message behind "=========" and "Error: " on standard
// error, a pause, then the end of the run with status -10.
[[noreturn]] void fatalStop(Console& console, std::string_view message);

// A fault in input that each program reports in its own way: a numbered
// run-time error, the fatal stop with `message`, or in a scripted run one
// line, `what` (the message when empty).
[[noreturn]] void inputFault(const Edition& edition, Console& console, int number, std::string_view where,
                             std::string_view message, std::string_view what = {});

}  // namespace ortelan
