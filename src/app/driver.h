// The dialogue's driver: the steps of a run in their fixed order, each over
// all loci before the next begins, and how the run ends.
#pragma once

#include "run/console.h"
#include "run/edition.h"
#include "run/run.h"

namespace ortelan {

// The first step: clock seed, dialogue, reading, table data.
template <class Real>
void READ_GENEPOP_INFILE_WRITE_CONTINGENCY_OUTFILES(Run<Real>& run);

// A whole run driven by the dialogue; returns the exit status (0, 217,
// -10, or 1).
template <class Real>
int runProgram(const Edition& edition, Console& console);

}  // namespace ortelan
