// The one door to the outside world: screen, keyboard, standard input,
// sound, clock, date and file removal. The run logic never touches a
// terminal or the operating system directly, so tests can replace this
// with a scripted console that types the dialogue and reads the screen.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ortelan {

enum class Stream { Out, Err };

struct CivilDate {
  int year = 0;
  int month = 0;
  int day = 0;
};

class Console {
 public:
  static constexpr int kEnd = -1;  // getChar/peekChar/readKey at the end of input

  virtual ~Console() = default;

  // Screen.
  virtual void write(Stream stream, std::string_view text) = 0;
  virtual void clearScreen() = 0;
  virtual void gotoXY(int column, int line) = 0;  // both counted from 1
  // The command interpreter's CLS and PAUSE, run through it where the
  // system has one (Windows). Elsewhere the console stands in for them:
  // the screen cleared; "Press any key to continue . . . " and one key.
  virtual void clearScreenByCommand() { clearScreen(); }
  virtual void pauseByCommand();

  // Standard input, byte by byte (carriage returns are passed through).
  virtual int getChar() = 0;
  virtual int peekChar() = 0;
  // One key without echo and without waiting for Return.
  virtual int readKeyWithoutEcho() = 0;

  // Sound, time.
  virtual void beep(int hertz, int milliseconds) = 0;  // plays and waits
  virtual std::uint32_t tickCountMs() = 0;             // since system start
  virtual std::int64_t calendarSeconds() = 0;
  virtual std::optional<CivilDate> today() = 0;  // local date

  // Whether a stream goes to a terminal (a meter is drawn only there).
  virtual bool isTerminal(Stream stream) = 0;

  // Files in the working directory.
  virtual bool removeFile(const std::string& name) = 0;
  // A new directory that only this process uses, in the system's place for
  // temporary files; empty when none can be made.
  virtual std::string makePrivateDirectory() = 0;
  // Removes a directory and everything in it.
  virtual void removeDirectory(const std::string& path) = 0;

  // The processor cores this process may run on (at least 1).
  virtual int usableCores() = 0;

  // Whether the user asked the run to stop (Ctrl-C, a termination signal),
  // where the console catches that; the run then ends cleanly.
  virtual bool interrupted() { return false; }
};

// Convenience on top of the primitives.
void writeLine(Console& console, Stream stream, std::string_view text = {});
// Reads the rest of the current input line, without its line end (a
// carriage return before the line feed belongs to the line end). Empty
// optional when input is exhausted before anything is read.
std::optional<std::string> readLine(Console& console);
// Discards input up to and including the next line feed.
void skipLine(Console& console);

}  // namespace ortelan
