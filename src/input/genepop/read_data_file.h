// The reading step: the data file read by the program's own reader, and the
// table data of every locus written.
#pragma once

#include <string>

#include "run/run.h"

namespace ortelan {

// Fills `data` from the data file `fileName` and writes the table data of
// every locus; ends the run on a fault in the file.
void readDataFileWriteTables(RunContext& context, DataSummary& data, const std::string& fileName);

// ERASE_FILES: removes the table data of the run's loci; a file that cannot
// be removed ends the run.
void ERASE_FILES(RunContext& context, const DataSummary& data);

}  // namespace ortelan
