#include "apps/editions.h"

namespace ortelan {
namespace {

Edition eightyBit() {
  Edition e;
  e.authorLine = " - by the Ortelan developers  (December 2026)";
  e.formatLine3 = "   data input file in the same directory.";
  e.outputLine = "                 Output will be stored in ORTELAN.OUT";
  e.lastWaitingLine = "             Now reading infile and constructing contingency tables ...";
  e.clearsOpeningScreen = true;
  e.clearsScreenAtEnd = true;
  e.answerKeyWithoutEcho = true;
  e.layout = ReportLayout::Wide;
  e.reader = ReaderKind::LocusPasses;
  e.tableForm = TableForm::FilePerLocus;
  e.failure = FailureStyle::RunTimeErrors;
  e.seeds = SeedDraw::TickClock1To166;
  e.diagnostics = Stream::Out;
  e.progress = ProgressStyle::CursorLine;
  e.pauseWait = PauseWait::ForLine;
  e.announcesChisquare = false;
  return e;
}

}  // namespace

const Edition& edition3d() {
  static const Edition edition = [] {
    Edition e = eightyBit();
    e.programName = "ortelan_3d";
    e.version = "5.0";
    e.nameLine = " ORTELAN_3D.EXE  ver. 5.0";
    e.formatLine2 = "   lines and THREE-digit allelic designation. Put ORTELAN_3D.EXE and the";
    e.reportHeading = "Output from Ortelan_3d (5.0)  Input file: ";
    e.alleleDigits = 3;
    return e;
  }();
  return edition;
}

const Edition& edition2d() {
  static const Edition edition = [] {
    Edition e = eightyBit();
    e.programName = "ortelan_2d";
    e.version = "5.0";
    e.nameLine = " ORTELAN_2D.EXE  ver. 5.0";
    e.formatLine2 = "   lines and TWO-digit allelic designation. Put ORTELAN_2D.EXE and the";
    e.reportHeading = "Output from Ortelan_2d (5.0)  Input file: ";
    e.alleleDigits = 2;
    return e;
  }();
  return edition;
}

const Edition& editionC() {
  static const Edition edition = [] {
    Edition e;
    e.programName = "ortelan_c";
    e.version = "0.8";
    e.nameLine = " ORTELAN_C.EXE  ver. 0.8";
    e.authorLine = " - by the Ortelan developers  (December 2026)  (ortelan@example.org)";
    e.formatLine2 = "   lines (two- or three-digit allelic designation). Put ORTELAN_C.EXE";
    e.formatLine3 = "   and the data input file in the same directory.";
    e.outputLine = "                 cout will be stored in ORTELAN.OUT";
    e.lastWaitingLine = "";
    e.clearsOpeningScreen = false;
    e.clearsScreenAtEnd = false;
    e.clearsByCommand = true;
    e.answerKeyWithoutEcho = false;
    e.reportHeading = "Output from Ortelan_c (0.8)  Input file: ";
    e.layout = ReportLayout::Narrow;
    e.alleleDigits = 0;
    e.reader = ReaderKind::IndividualStore;
    e.tableForm = TableForm::SharedFile;
    e.failure = FailureStyle::FatalStop;
    e.seeds = SeedDraw::CalendarClock2To167;
    e.diagnostics = Stream::Err;
    e.progress = ProgressStyle::CarriageReturn;
    e.pauseWait = PauseWait::ForNumber;
    e.announcesChisquare = true;
    return e;
  }();
  return edition;
}

}  // namespace ortelan
