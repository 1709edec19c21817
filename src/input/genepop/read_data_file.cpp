#include "input/genepop/read_data_file.h"

#include <cerrno>
#include <cstring>

#include "input/genepop/individual_store.h"
#include "input/genepop/one_pass_reader.h"
#include "input/tables/table_data_writer.h"
#include "input/genepop/text_source.h"

namespace ortelan {

void readDataFileWriteTables(RunContext& context, DataSummary& data, const std::string& fileName) {
  if (context.edition.reader == ReaderKind::LocusPasses) {
    std::optional<std::string> text = readWholeFile(fileName);
    if (!text) context.fault(2, "READ_INFILE_I", "", "cannot read " + fileName + ": " + std::strerror(errno));
    const std::string lines = withUnixLineEnds(std::move(*text));
    TableDataWriter writer(context);
    readGenepopOnce(context, data, lines, writer);
    return;
  }
  IndividualStore store;
  ReadInDataFile(context, data, store, fileName);
  TableDataWriter writer(context);
  writeTablesFromStore(context, data, store, writer);
}

void ERASE_FILES(RunContext& context, const DataSummary& data) {
  if (context.edition.tableForm == TableForm::SharedFile) {
    if (!context.console.removeFile(context.tablePath(kSharedTableFile))) {
      context.fault(0, "ERASE_FILES", "Error deleting file - tmpfile",
                    "cannot remove the table data " + context.tablePath(kSharedTableFile));
    }
    return;
  }
  for (int I = 1; I <= data.NUMBOFLOCI; ++I) {
    const std::string path = context.tablePath(locusTableFileName(I));
    if (!context.console.removeFile(path)) context.fault(2, "ERASE_FILES", "", "cannot remove the table data " + path);
  }
}

}  // namespace ortelan
