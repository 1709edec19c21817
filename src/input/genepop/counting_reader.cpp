#include "input/genepop/counting_reader.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

namespace ortelan {
namespace {

DataTables countLines(RunContext& context, DataSummary& data, LineStream& lines) {
  CountedData counted = context.edition.reader == ReaderKind::LocusPasses ? countFixedWidth(context, data, lines)
                                                                          : countByDigits(context, data, lines);
  counted.counter->finish(counted.populations);
  // The dialogue's readers count the populations at the first locus.
  data.NUMBPOPS = data.NUMBOFLOCI > 0 ? counted.populations : 0;
  const DataTables tables{counted.counter->shareAlleles(), counted.counter->shareGenotypes()};
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    data.ALLELES_PER_LOCUS[locus] = tables.alleles->columns(locus);
    data.ploidy[static_cast<std::size_t>(locus)] = static_cast<std::uint8_t>(counted.counter->ploidy(locus));
  }
  // Counted at locus 1, as the tables of the dialogue's runs count them.
  if (data.NUMBOFLOCI > 0) {
    data.TOTNUMBINDIVIDUALS = static_cast<std::int32_t>(counted.individuals);
    data.TOTNUMBGENES = static_cast<std::int32_t>(counted.individuals * counted.counter->ploidy(1));
  }
  data.populationLabels = std::move(counted.labels);
  data.populationLabels.resize(static_cast<std::size_t>(data.NUMBPOPS) + 1);
  return tables;
}

}  // namespace

std::optional<std::string_view> nextLine(RunContext& context, LineStream& lines) {
  try {
    return lines.next();
  } catch (const std::bad_alloc&) {
    context.dataFault(0, "", "", lineLabel(lines.lineNumber()) + "longer than memory allows");
  } catch (const std::runtime_error& error) {
    context.fault(0, "", "", "cannot read " + context.dataFile + ": " + error.what());
  }
}

void mixedPloidy(RunContext& context, const DataSummary& data, long line, int locus) {
  context.dataFault(0, "", "", lineLabel(line) + data.locusLabel(locus) + " mixes genotypes of one allele and of two");
}

DataTables readAndCount(RunContext& context, DataSummary& data, const std::string& fileName) {
  LineStream lines;
  std::uint64_t told = 0;
  const bool opened = lines.open(fileName, [&](std::uint64_t bytes) {
    context.advance(static_cast<long>(bytes - told));
    told = bytes;
  });
  if (!opened) {
    const bool store = context.edition.reader == ReaderKind::IndividualStore;
    context.fault(0, "", "", std::string(store ? "cannot open " : "cannot read ") + fileName + ": " + std::strerror(errno));
  }
  if (context.meter != nullptr) context.meter->start(static_cast<long>(lines.size()), "read", WorkMeter::Unit::Bytes);
  return countLines(context, data, lines);
}

DataTables countText(RunContext& context, DataSummary& data, std::string_view text) {
  LineStream lines;
  lines.openText(text);
  return countLines(context, data, lines);
}

}  // namespace ortelan
