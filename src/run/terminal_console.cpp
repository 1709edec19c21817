#include "run/terminal_console.h"

#include "run/system_files.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <algorithm>
#include <thread>

namespace ortelan {
namespace {

volatile std::sig_atomic_t interruptSignal = 0;

extern "C" void noteInterrupt(int signal) { interruptSignal = signal; }

}  // namespace

TerminalConsole::TerminalConsole()
    : outIsTerminal_(isatty(STDOUT_FILENO) == 1),
      errIsTerminal_(isatty(STDERR_FILENO) == 1),
      inIsTerminal_(isatty(STDIN_FILENO) == 1) {}

TerminalConsole::~TerminalConsole() { flushOut(); }

void TerminalConsole::flushOut() { std::fflush(stdout); }

void TerminalConsole::write(Stream stream, std::string_view text) {
  if (stream == Stream::Out) {
    std::fwrite(text.data(), 1, text.size(), stdout);
  } else {
    flushOut();  // keep both streams in order on a shared terminal
    std::fwrite(text.data(), 1, text.size(), stderr);
  }
}

void TerminalConsole::clearScreen() {
  if (outIsTerminal_) std::fputs("\x1b[2J\x1b[H", stdout);
}

void TerminalConsole::gotoXY(int column, int line) {
  if (outIsTerminal_) std::fprintf(stdout, "\x1b[%d;%dH", line, column);
  flushOut();
}

// A terminal has no command interpreter of CLS and PAUSE: the console's own.
void TerminalConsole::clearScreenByCommand() { clearScreen(); }

void TerminalConsole::pauseByCommand() { Console::pauseByCommand(); }

bool TerminalConsole::fill() {
  if (inEnded_) return false;
  flushOut();  // whatever asked for this input must be on the screen first
  if (inPos_ == inBuffer_.size()) {
    inBuffer_.clear();
    inPos_ = 0;
  }
  char chunk[4096];
  ssize_t got;
  do {
    got = ::read(STDIN_FILENO, chunk, sizeof chunk);
  } while (got < 0 && errno == EINTR);
  if (got <= 0) {
    inEnded_ = true;
    return false;
  }
  inBuffer_.append(chunk, static_cast<std::size_t>(got));
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
  termios saved{};
  if (tcgetattr(STDIN_FILENO, &saved) != 0) return getChar();
  termios raw = saved;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  unsigned char key = 0;
  ssize_t got;
  do {
    got = ::read(STDIN_FILENO, &key, 1);
  } while (got < 0 && errno == EINTR);
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  if (got <= 0) {
    inEnded_ = true;
    return kEnd;
  }
  return key;
}

void TerminalConsole::beep(int /*hertz*/, int milliseconds) {
  // A terminal has no tone generator; its bell is the nearest thing.
  if (outIsTerminal_) std::fputc('\a', stdout);
  flushOut();
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::uint32_t TerminalConsole::tickCountMs() {
  auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

std::int64_t TerminalConsole::calendarSeconds() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::optional<CivilDate> TerminalConsole::today() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return std::nullopt;
  return CivilDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

bool TerminalConsole::isTerminal(Stream stream) { return stream == Stream::Out ? outIsTerminal_ : errIsTerminal_; }

bool TerminalConsole::removeFile(const std::string& name) { return std::remove(name.c_str()) == 0; }

std::string TerminalConsole::makePrivateDirectory() { return makePrivateDirectoryUnder({}); }

void TerminalConsole::removeDirectory(const std::string& path) { removeDirectoryTree(path); }

bool TerminalConsole::interrupted() { return interruptSignal != 0; }

void TerminalConsole::catchInterrupts() {
  struct sigaction action {};
  action.sa_handler = noteInterrupt;
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

int TerminalConsole::usableCores() { return coresOfThisProcess(); }

}  // namespace ortelan
