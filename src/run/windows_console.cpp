// The real console on Windows (terminal_console.h): the console's own calls
// for the screen, the cursor and a key without echo; the command
// interpreter for CLS and PAUSE; the system's tick count, calendar time and
// local date. Where a stream is redirected, plain bytes, as on Linux.
#include "run/terminal_console.h"

#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "run/system_files.h"

namespace ortelan {
namespace {

volatile LONG interruptEvents = 0;

// Ctrl-C, Ctrl-Break or the window closed: the first is noted, so that a
// scripted run can remove its table data first; a second ends the process.
BOOL WINAPI noteInterrupt(DWORD /*event*/) { return InterlockedIncrement(&interruptEvents) == 1 ? TRUE : FALSE; }

bool isConsole(DWORD stream) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(stream), &mode) != 0;
}

}  // namespace

TerminalConsole::TerminalConsole()
    : outIsTerminal_(isConsole(STD_OUTPUT_HANDLE)),
      errIsTerminal_(isConsole(STD_ERROR_HANDLE)),
      inIsTerminal_(isConsole(STD_INPUT_HANDLE)) {
  // The bytes as the program writes them: a console starts a new line at a
  // line feed, and a file or pipe gets no carriage return added, so the
  // screens are the same bytes as on Linux. Files are opened in binary.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

TerminalConsole::~TerminalConsole() { flushOut(); }

void TerminalConsole::flushOut() { std::fflush(stdout); }

void TerminalConsole::write(Stream stream, std::string_view text) {
  if (stream == Stream::Out) {
    std::fwrite(text.data(), 1, text.size(), stdout);
  } else {
    flushOut();  // keep both streams in order on a shared console
    std::fwrite(text.data(), 1, text.size(), stderr);
  }
}

void TerminalConsole::clearScreen() {
  if (!outIsTerminal_) return;
  flushOut();
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(out, &info)) return;
  const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
  DWORD done = 0;
  FillConsoleOutputCharacterA(out, ' ', cells, COORD{0, 0}, &done);
  FillConsoleOutputAttribute(out, info.wAttributes, cells, COORD{0, 0}, &done);
  SetConsoleCursorPosition(out, COORD{0, 0});
}

void TerminalConsole::gotoXY(int column, int line) {
  flushOut();
  if (!outIsTerminal_) return;
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(out, &info)) return;
  // Counted from the window's top left corner, kept within the buffer.
  const auto within = [](int value, int size) { return static_cast<SHORT>(value < 0 ? 0 : value < size ? value : size - 1); };
  SetConsoleCursorPosition(out, COORD{within(info.srWindow.Left + column - 1, info.dwSize.X),
                                      within(info.srWindow.Top + line - 1, info.dwSize.Y)});
}

void TerminalConsole::clearScreenByCommand() {
  flushOut();
  std::system("CLS");
}

void TerminalConsole::pauseByCommand() {
  flushOut();
  std::system("PAUSE");
}

bool TerminalConsole::fill() {
  if (inEnded_) return false;
  flushOut();  // whatever asked for this input must be on the screen first
  if (inPos_ == inBuffer_.size()) {
    inBuffer_.clear();
    inPos_ = 0;
  }
  char chunk[4096];
  DWORD got = 0;
  if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), chunk, sizeof chunk, &got, nullptr) || got == 0 ||
      (inIsTerminal_ && chunk[0] == '\x1a')) {  // Ctrl-Z at the start of a console line ends the input
    inEnded_ = true;
    return false;
  }
  inBuffer_.append(chunk, got);
  return true;
}

int TerminalConsole::peekChar() {
  if (inPos_ == inBuffer_.size() && !fill()) return kEnd;
  return static_cast<unsigned char>(inBuffer_[inPos_]);
}

int TerminalConsole::getChar() {
  int c = peekChar();
  if (c != kEnd) ++inPos_;
  return c;
}

int TerminalConsole::readKeyWithoutEcho() {
  if (inPos_ < inBuffer_.size() || !inIsTerminal_) return getChar();
  flushOut();
  return _getch();
}

void TerminalConsole::beep(int /*hertz*/, int milliseconds) {
  // The tone asked for is played as the system's default message beep.
  flushOut();
  MessageBeep(MB_OK);
  Sleep(static_cast<DWORD>(milliseconds));
}

std::uint32_t TerminalConsole::tickCountMs() { return GetTickCount(); }

std::int64_t TerminalConsole::calendarSeconds() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::optional<CivilDate> TerminalConsole::today() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  return CivilDate{local.wYear, local.wMonth, local.wDay};
}

bool TerminalConsole::isTerminal(Stream stream) { return stream == Stream::Out ? outIsTerminal_ : errIsTerminal_; }

bool TerminalConsole::removeFile(const std::string& name) { return std::remove(name.c_str()) == 0; }

std::string TerminalConsole::makePrivateDirectory() { return makePrivateDirectoryUnder({}); }

void TerminalConsole::removeDirectory(const std::string& path) { removeDirectoryTree(path); }

bool TerminalConsole::interrupted() { return interruptEvents != 0; }

void TerminalConsole::catchInterrupts() { SetConsoleCtrlHandler(noteInterrupt, TRUE); }

int TerminalConsole::usableCores() { return coresOfThisProcess(); }

}  // namespace ortelan
