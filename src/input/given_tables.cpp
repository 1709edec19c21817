#include "input/given_tables.h"

#include "input/locus_passes_reader.h"
#include "input/table_data_writer.h"

namespace ortelan {
namespace {

[[noreturn]] void refuse(RunContext& context, const std::string& what) { context.fault(0, "", what, what); }

}  // namespace

void writeGivenTables(RunContext& context, DataSummary& data, const GivenData& given) {
  const auto populations = static_cast<int>(given.populationLabels.size());
  if (populations > kMaxPopulations) refuse(context, "more than 100 populations; the limit is 100");
  if (given.locusNames.size() > static_cast<std::size_t>(kMaxLoci)) refuse(context, "more than 10,000 loci; the limit is 10,000");
  if (given.counts.size() != given.locusNames.size()) refuse(context, "the counts do not match the loci");
  data.TITLE_LINE = given.title;
  for (const std::string& name : given.locusNames) data.addLocus(name);
  data.NUMBPOPS = populations;
  data.populationLabels.assign(1, std::string());
  data.populationLabels.insert(data.populationLabels.end(), given.populationLabels.begin(),
                               given.populationLabels.end());
  TableDataWriter writer(context);
  LocusCounts counts;
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    const auto& rows = given.counts[static_cast<std::size_t>(locus - 1)];
    if (rows.size() != given.populationLabels.size()) refuse(context, "the counts of " + data.locusLabel(locus) + " do not match the populations");
    counts.clear();
    for (int pop = 1; pop <= populations; ++pop) {
      const auto& row = rows[static_cast<std::size_t>(pop - 1)];
      if (row.size() > static_cast<std::size_t>(kMaxAlleleCode) + 1) tooManyAlleles(context, data, locus);
      for (std::size_t column = 0; column < row.size(); ++column) {
        if (row[column] < 0) refuse(context, data.locusLabel(locus) + ": a count below 0");
        counts.TABLE[static_cast<std::size_t>(pop)][column] = row[column];
      }
    }
    const ColumnSummary columns = summarizeColumns(counts, populations);
    data.ALLELES_PER_LOCUS[locus] = columns.alleles;
    if (locus == 1) data.TOTNUMBGENES = columns.TEMPTNG;
    data.TOTNUMBINDIVIDUALS = (data.TOTNUMBGENES + 1) / 2;
    writer.writeLocus(locus, data.LOCUSNAME[locus], counts, columns, populations);
  }
  writer.finish();
}

}  // namespace ortelan
