#include <gtest/gtest.h>

#include <string>

#include "apps/editions.h"
#include "chisquare/chi2prob.h"
#include "run/pause.h"
#include "support/scripted_console.h"

namespace ortelan {
namespace {

using testing::ScriptedConsole;

// The 80-bit programs show the message on standard output and wait for a
// line (Return); ortelan_c shows it on standard error and waits for a
// number. Nothing else is taken from standard input, and with standard
// input exhausted the routine goes on at once.
TEST(NumericPause, ShowsTheMessageAndWaitsForTheUser) {
  // A run of a script shows the message on standard error and goes on.
  Edition scripted = edition3d();
  scripted.diagnostics = Stream::Err;
  scripted.pauseWait = PauseWait::None;
  struct Case {
    const char* name;
    const Edition& edition;
    std::string input;
    std::size_t unread;  // what the wait must leave of the input
  };
  const Case cases[] = {
      {"line", edition3d(), "\n12\n", 3},
      {"line with text", edition2d(), "go on\r\nnext\n", 5},
      {"line, input exhausted", edition3d(), "", 0},
      {"line, last line without end", edition3d(), "ok", 0},
      {"number", editionC(), "42\n7\n", 3},
      {"number after blanks and empty lines", editionC(), "  \r\n\n\t 42  \n7\n", 5},
      {"number, input exhausted", editionC(), "", 0},
      {"number, only blank lines left", editionC(), "\n \n", 0},
      {"no wait", scripted, "1\n", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedConsole console(c.input);
    numericPause(c.edition, console, "pause in GSER - x less than 0");
    const std::string shown = "pause in GSER - x less than 0\n";
    if (c.edition.diagnostics == Stream::Err) {
      EXPECT_EQ(console.err(), shown);
      EXPECT_EQ(console.out(), "");
    } else {
      EXPECT_EQ(console.out(), shown);
      EXPECT_EQ(console.err(), "");
    }
    EXPECT_EQ(console.unreadInput(), c.unread);
  }
}

// Through GAMMQ, as the chi-square step and the totals call it: each pause
// waits for its own answer, and the result is the same as without a user.
TEST(NumericPause, EachPauseOfGammqWaitsOnce) {
  {
    ScriptedConsole console("\n\nrest\n");
    const PauseFn pause = [&console](std::string_view m) { numericPause(edition3d(), console, m); };
    EXPECT_EQ(GAMMQ<long double>(2, -1, pause), 1);
    EXPECT_EQ(console.out(), "pause in GAMMQ - invalid arguments\npause in GSER - x less than 0\n");
    EXPECT_EQ(console.unreadInput(), 5u);
  }
  {
    ScriptedConsole console("1 2 3");
    const PauseFn pause = [&console](std::string_view m) { numericPause(editionC(), console, m); };
    EXPECT_EQ(GAMMQ<double>(0, 0, pause), 1);
    EXPECT_EQ(console.err(), "pause in GAMMQ - invalid arguments\n");
    EXPECT_EQ(console.unreadInput(), 4u);
  }
}

}  // namespace
}  // namespace ortelan
