// The console of the core inside an R session: nothing is read, nothing is
// shown. What the core writes is kept for R to give to message() once the
// run is over, since R may be called from no thread but the main one and
// only between the core's steps.
#pragma once

#include "run/silent_console.h"

namespace ortelan {

using RConsole = SilentConsole;

}  // namespace ortelan
