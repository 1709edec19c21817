// READ_INFILE_I: the GENEPOP reader of the 80-bit programs. One pass over
// the file for the title and the locus names, then one pass per locus that
// counts that locus's table and hands it to the table writer at once.
#pragma once

#include <string_view>

#include "input/table_data_writer.h"
#include "run/run.h"

namespace ortelan {

// A population line of the name list: exactly "POP", "Pop" or "pop".
bool isPopulationWord(std::string_view text);

// The three data warnings: a beep, a cleared screen, the lines, status 0.
[[noreturn]] void populationsWarning(RunContext& context);
[[noreturn]] void individualsWarning(RunContext& context);
[[noreturn]] void wrongInfileWarning(RunContext& context);

// Reads the title and the locus names; fails with the wrong-infile warning
// when the file ends within the name list or right after its population line.
void readTitleAndLocusNames(RunContext& context, DataSummary& data, std::string_view text);

// Counts locus `locus` in one pass over the file (the genotypes of the
// loci before it are read and dropped); returns the number of populations.
int countLocusPass(std::string_view text, int locus, int alleleDigits, LocusCounts& counts);

// The whole reader: `text` is the data file with Unix line ends.
void READ_INFILE_I(RunContext& context, DataSummary& data, std::string_view text, LocusTableSink& writer);

}  // namespace ortelan
