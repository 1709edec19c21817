// Waiting for the user in the middle of a run.
#pragma once

#include <string_view>

#include "run/console.h"
#include "run/edition.h"

namespace ortelan {

// The operating system's pause: a prompt, then one key.
void pauseCommand(Console& console);

// A numeric routine's pause: its message, then a wait for the user (a line,
// or a number, as the program does it). It never ends the run; with
// standard input exhausted it goes on at once.
void numericPause(const Edition& edition, Console& console, std::string_view message);

}  // namespace ortelan
