// The entry of each program: with no arguments the dialogue, exactly as the
// program has always run; with arguments a scripted run.
#pragma once

#include "run/edition.h"

namespace ortelan {

template <class Real>
int programMain(const Edition& edition, int argc, char** argv);

}  // namespace ortelan
