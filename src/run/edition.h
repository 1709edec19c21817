// What distinguishes the three programs, as data. The logic is shared;
// each program hands its own description (and its real type) to the driver.
#pragma once

#include <string_view>

#include "run/console.h"

namespace ortelan {

// How the data file is read and the locus tables are kept between steps.
enum class ReaderKind {
  LocusPasses,      // one pass for the names, then one pass per locus
  IndividualStore,  // one read into a store of individuals
};
enum class TableForm {
  FilePerLocus,  // "~locus<n>.tmp"
  SharedFile,    // "~TMPlocus.tmp", one block per locus
};
// How a run ends on a fault.
enum class FailureStyle {
  RunTimeErrors,  // numbered run-time errors, unhandled-error report, status 217
  FatalStop,      // "=========Error: " on standard error, a pause, status -10
  OneLine,        // scripted runs: "<program>: error: <what>" on standard error, status 1
};
enum class ReportLayout { Wide, Narrow };
// The exact test's progress line.
enum class ProgressStyle {
  CursorLine,      // every locus, at a fixed place of the waiting screen
  CarriageReturn,  // tested loci, on a line that overwrites itself
  Silent,          // scripted runs: the driver shows its own meter, if any
};
// How the numeric pauses wait for the user (scripted runs do not wait).
enum class PauseWait { ForLine, ForNumber, None };
// Where the seeds of the locus generators come from.
enum class SeedDraw {
  TickClock1To166,      // clock in milliseconds; uniform draws from 1..166
  CalendarClock2To167,  // clock in seconds; next value modulo 166, plus 2
};

struct Edition {
  // The program as a command names it, and its version.
  std::string_view programName;
  std::string_view version;

  // Opening screen and waiting screen.
  std::string_view nameLine;
  std::string_view authorLine;
  std::string_view formatLine2;
  std::string_view formatLine3;
  std::string_view outputLine;
  std::string_view lastWaitingLine;  // empty: none
  bool clearsOpeningScreen = true;
  bool clearsScreenAtEnd = true;
  bool clearsByCommand = false;  // the command interpreter's CLS, not the console's
  bool answerKeyWithoutEcho = true;  // else one character of standard input

  // Results file: the words before the input file name on line 1.
  std::string_view reportHeading;
  ReportLayout layout = ReportLayout::Wide;

  // Data: digits per allele code; 0 decides per genotype (4 or 6 digits).
  int alleleDigits = 3;
  ReaderKind reader = ReaderKind::LocusPasses;
  TableForm tableForm = TableForm::FilePerLocus;
  FailureStyle failure = FailureStyle::RunTimeErrors;

  SeedDraw seeds = SeedDraw::TickClock1To166;

  // Console during the run.
  Stream diagnostics = Stream::Out;  // diagnostics, warnings, pause messages
  ProgressStyle progress = ProgressStyle::CursorLine;
  PauseWait pauseWait = PauseWait::ForLine;
  bool announcesChisquare = false;  // " do_chisquare" and a locus counter
};

}  // namespace ortelan
