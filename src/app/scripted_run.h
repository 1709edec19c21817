// The driver of a scripted run: the same steps as the dialogue's, driven by
// settings from the command line, with no dialogue, no waiting screen and
// no pause; faults told in one line; the results written together at the
// end, or nothing at all.
#pragma once

#include "app/run_settings.h"
#include "run/console.h"
#include "run/edition.h"

namespace ortelan {

// A whole scripted run; returns the exit status: 0 done, 1 a data or file
// fault, 2 a usage fault found once the data are read.
template <class Real>
int runScripted(const Edition& program, const RunSettings& settings, Console& console);

}  // namespace ortelan
