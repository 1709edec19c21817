// The data warnings that end a reading: those of the dialogue's GENEPOP
// readers (a beep, a cleared screen, the lines, status 0), told in one line
// by a scripted run, and the limit of 99 alleles per locus. The GENEPOP
// readers and the tables given from R both end on them.
#pragma once

#include <string_view>

#include "run/run.h"

namespace ortelan {

// The three data warnings: a beep, a cleared screen, the lines, status 0.
// A scripted run tells instead, in one line, `what` went wrong.
[[noreturn]] void populationsWarning(RunContext& context, int locus);
[[noreturn]] void individualsWarning(RunContext& context, int locus);
[[noreturn]] void wrongInfileWarning(RunContext& context, std::string_view what);

// A locus with a 100th allele: beyond the tables, so the run ends (range
// check error, fatal stop or one line, as the program does it).
[[noreturn]] void tooManyAlleles(RunContext& context, const DataSummary& data, int locus);

}  // namespace ortelan
