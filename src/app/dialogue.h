// The opening screen, the data file name, the chain settings and the
// waiting screen: the only interaction of a run.
#pragma once

#include <string>

#include "run/console.h"
#include "run/edition.h"
#include "run/run_state.h"

namespace ortelan {

struct DialogueAnswers {
  std::string fileName;
  ChainSettings settings;
};

// OPEN_INFILE_FIRST_SCREEN: returns once the data file is known to open and
// the settings are fixed; ends the run through the program's failure path
// when the file does not open.
DialogueAnswers OPEN_INFILE_FIRST_SCREEN(const Edition& edition, Console& console);

// Pieces of the dialogue, for the tests.
void writeOpeningScreen(const Edition& edition, Console& console);
ChainSettings askChainSettings(const Edition& edition, Console& console);
void writeWaitingScreen(const Edition& edition, Console& console);

}  // namespace ortelan
