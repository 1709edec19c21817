#include "input/genepop/counting_reader.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

namespace ortelan {
namespace {

// The kept codes as the permutation tests take them: each locus's codes
// numbered in increasing order from 1.
std::shared_ptr<const IndividualGenotypes> packed(const IndividualStore& store, const GenotypeCounter& counter,
                                                  int loci) {
  std::vector<int> populationOf;
  for (int i = 0; i < store.size(); ++i) populationOf.push_back(store.population(i));
  auto out = std::make_shared<IndividualGenotypes>(std::move(populationOf));
  std::vector<std::uint8_t> genes(2 * static_cast<std::size_t>(store.size()));
  std::vector<std::uint8_t> column(kMaxCodeValue + 1);
  for (int locus = 1; locus <= loci; ++locus) {
    std::fill(column.begin(), column.end(), 0);
    for (int i = 0; i < store.size(); ++i) {
      for (int k = 0; k < 2; ++k) {
        const std::uint16_t code = store.alleles(i, locus)[k];
        if (code != 0 && code != kNoSecondCode) column[code] = 1;
      }
    }
    std::uint8_t next = 0;
    for (std::uint8_t& place : column) place = place != 0 ? ++next : 0;
    for (int i = 0; i < store.size(); ++i) {
      for (int k = 0; k < 2; ++k) {
        const std::uint16_t code = store.alleles(i, locus)[k];
        genes[2 * static_cast<std::size_t>(i) + static_cast<std::size_t>(k)] =
            code == kNoSecondCode ? IndividualGenotypes::kNoGene : column[code];
      }
    }
    out->appendLocus(counter.ploidy(locus), genes);
  }
  return out;
}

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
  DataTables out = tables;
  if (counted.kept) out.individuals = packed(*counted.kept, *counted.counter, data.NUMBOFLOCI);
  return out;
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
