#include "app/analysis.h"

#include "chisquare/do_chisquare.h"
#include "chisquare/totals.h"
#include "exacttest/do_fisher.h"
#include "input/genepop/counting_reader.h"
#include "input/genepop/locus_passes_reader.h"
#include "input/tables/data_tables.h"
#include "input/tables/memory_tables.h"
#include "input/vcf/vcf_reader.h"
#include "report/outlier_note.h"
#include "run/failure.h"

#include <filesystem>

namespace ortelan {
namespace {

// A run seed from the clock, when none is given: the calendar second and
// the millisecond tick, mixed.
std::uint64_t seedFromClock(Console& console) {
  const auto seconds = static_cast<std::uint64_t>(console.calendarSeconds());
  return mix64((seconds << 20) ^ console.tickCountMs());
}

// Marks the loci of the list; a locus beyond the data's last is a usage fault.
void selectLoci(DataSummary& data, const RunSettings& settings) {
  if (!settings.loci) return;
  if (settings.loci->highest() > data.NUMBOFLOCI) {
    throw OneLineFault{"--loci: locus " + std::to_string(settings.loci->highest()) + " is beyond the last locus of " +
                           (settings.dataFile.empty() ? std::string("the data") : settings.dataFile) + " (" +
                           std::to_string(data.NUMBOFLOCI) + ")",
                       kUsageStatus};
  }
  data.lociInRun = settings.loci->marks(data.NUMBOFLOCI);
}

// The regions of a --region list, split at its commas.
std::vector<std::string> regionsOf(const std::string& list) {
  std::vector<std::string> regions;
  for (std::size_t start = 0; start <= list.size();) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    if (comma > start) regions.push_back(list.substr(start, comma - start));
    start = comma + 1;
  }
  return regions;
}

[[noreturn]] void usageFault(const std::string& what) { throw OneLineFault{what, kUsageStatus}; }

// The groups of the populations a groups file or R and Python give, or
// those of a population map's third column.
std::optional<PopulationGroups> groupsOf(const RunSettings& settings, const DataSummary& data, const Popmap* map) {
  const bool given = settings.groupsPath || settings.groupEntries;
  if (map != nullptr && map->hasGroups()) {
    if (given) usageFault("the population map " + map->source() + " gives the groups: give them once, not with --groups too");
    return groupsOfPopulations(map->groups(), map->labels(), map->source());
  }
  if (!given) return std::nullopt;
  std::vector<std::string> labels = data.populationLabels;
  labels.resize(static_cast<std::size_t>(data.NUMBPOPS) + 1);
  if (settings.groupsPath) return resolveGroups(readGroupEntries(*settings.groupsPath), labels, *settings.groupsPath);
  std::vector<GroupEntry> entries;
  for (const auto& [population, group] : *settings.groupEntries) entries.push_back({population, group, 0});
  return resolveGroups(entries, labels, "the groups");
}

// Reads the data: tables given whole, a GENEPOP file, or a VCF or BCF file
// with its population map. VCF data name each locus's seeds by its site.
// The populations' groups, where given, go to `groups`.
DataTables readData(RunContext& run, DataSummary& data, const RunSettings& settings, const GivenData* given,
                    std::uint64_t seed, std::optional<PopulationGroups>& groups) {
  if (given != nullptr) {
    DataTables tables = countGivenTables(run, data, *given);
    groups = groupsOf(settings, data, nullptr);
    return tables;
  }
  const std::string& file = settings.dataFile;
  const bool mapped = settings.popmapPath || settings.popmapEntries;
  if (!mapped) {
    if (isVariantFile(file)) usageFault(file + " is a VCF or BCF file: give its population map with --popmap");
    if (!settings.region.empty()) usageFault("--region goes with a VCF or BCF file, and " + file + " is not one");
    if (settings.windows) usageFault("--windows goes with a VCF or BCF file, and " + file + " is not one");
    DataTables tables = readAndCount(run, data, file);
    // The dialogue goes on with no locus or no individual (lines without a
    // comma are a name running on); a run of a script has nothing to test.
    if (data.NUMBOFLOCI == 0) wrongInfileWarning(run, "no locus name before the first population line");
    if (data.TOTNUMBINDIVIDUALS == 0) wrongInfileWarning(run, "no individual after the first population line");
    groups = groupsOf(settings, data, nullptr);
    return tables;
  }
  std::error_code error;
  if (std::filesystem::is_regular_file(file, error) && !isVariantFile(file)) {
    usageFault("--popmap goes with a VCF or BCF file, and " + file + " is not one");
  }
  const Popmap map = settings.popmapEntries ? Popmap(*settings.popmapEntries, "the population map")
                                            : Popmap::read(*settings.popmapPath);
  VcfData vcf = readVcf(run, data, file, map, regionsOf(settings.region));
  run.seeds = SeedSource::keyed(run.edition.seeds, seed, vcf.sites);
  groups = groupsOf(settings, data, &map);
  return {vcf.tables, vcf.genotypes, vcf.individuals};
}

}  // namespace

DataTables readRunData(RunContext& run, DataSummary& data, const RunSettings& settings, std::uint64_t seed,
                       const GivenData* given) {
  std::optional<PopulationGroups> groups;  // a power analysis has no use for them
  DataTables tables = readData(run, data, settings, given, seed, groups);
  selectLoci(data, settings);
  return tables;
}

std::uint64_t runSeedFrom(const std::optional<std::uint64_t>& seed, Console& console) {
  return seed ? *seed : seedFromClock(console);
}

Edition scriptedEdition(const Edition& program) {
  Edition e = program;
  e.clearsOpeningScreen = false;
  e.clearsScreenAtEnd = false;
  e.failure = FailureStyle::OneLine;
  e.diagnostics = Stream::Err;
  e.progress = ProgressStyle::Silent;
  e.pauseWait = PauseWait::None;
  e.announcesChisquare = false;
  return e;
}

template <class Real>
Analysis<Real> analyse(const Edition& edition, const RunSettings& settings, Console& console, WorkMeter* meter,
                       const GivenData* given) {
  Run<Real> run(edition, console);
  Analysis<Real> out;
  out.seed = settings.seed ? *settings.seed : seedFromClock(console);
  run.settings = settings.chain;
  run.seeds = SeedSource::keyed(edition.seeds, out.seed);
  run.dataFile = settings.dataFile;
  run.state.INFILENAME = settings.dataFile;
  run.workers = settings.threads;
  run.test = settings.test;
  run.exact = settings.exact;
  run.sampling = settings.sampling;
  run.meter = meter;
  run.keepGenotypes = settings.permutations > 0;

  // The tables are counted as the file is read and stay in memory: nothing
  // is written anywhere before the results.
  const DataTables counted = readData(run, run.state, settings, given, out.seed, out.groups);
  // The genotypic test walks the genotype tables, whose columns then count
  // as its alleles; the others the allele tables.
  if (run.test == ExactTest::Genotypic) countGenotypeColumns(run.state, *counted.genotypes);
  const MemoryTables tables(run.test == ExactTest::Genotypic ? counted.genotypes : counted.alleles, *run.seeds,
                            run.settings);
  run.state.sizeResultArrays();
  selectLoci(run.state, settings);

  const bool chains = run.test != ExactTest::None;
  if (meter != nullptr && (chains || settings.pairs)) {
    long units = chains ? run.state.testedLoci() : 0;
    if (settings.pairs) units += pairLoci(run.state);
    meter->start(units, settings.pairs ? "loci and pair-loci" : "loci");
  }
  if (chains) {
    DO_FISHER(run, tables);
  } else {
    // No exact test: its P counts as 1 in the totals, which the results
    // leave out with it.
    for (int I = 1; I <= run.state.NUMBOFLOCI; ++I) run.state.FISHERPPERLOCUS[I] = run.state.isTested(I) ? 1 : -1;
  }
  DO_CHISQUARE(run, tables);
  SUM_FOR_TOTAL_P(run, /*quietWhenNoneTested=*/true);
  if (settings.hierarchy || out.groups) {
    out.hierarchy.emplace();
    if (out.groups) out.hierarchy->groupOf.assign(out.groups->groupOf.begin() + 1, out.groups->groupOf.end());
  }
  out.fstat = DO_FSTAT(run, counted, settings.bootstrap, out.hierarchy ? &*out.hierarchy : nullptr);
  if (settings.permutations > 0) {
    if (!counted.individuals) {
      usageFault("the permutation tests need each individual's genotypes, which tables of counts do not give");
    }
    PermutationRequest request;
    request.permutations = settings.permutations;
    request.hits = settings.sampling.hits;
    request.keepAll = settings.permutationsTablePath.has_value();
    request.pairs = settings.pairs;
    request.groups = out.groups ? &*out.groups : nullptr;
    out.permutations = DO_PERMUTATIONS<Real>(run, run.state, *counted.individuals, request);
  }
  if (settings.windows) {
    if (!run.state.hasSites()) usageFault("--windows goes with data whose loci have sites on the genome");
    out.windows = windowFst(run.state, out.fstat.loci, *settings.windows);
  }
  if (settings.outliers) {
    out.outliers = DO_OUTLIERS(run, counted, settings.outliersMinHe);
    if (!out.outliers->fitted) run.diagnostic(outlierLine(*out.outliers));
  }
  if (settings.pairs) {
    out.pendingPairs = PendingPairs{&edition,     &console, meter,     counted,       run.seeds,
                                    run.settings, run.test, run.exact, run.sampling, run.workers,
                                    settings.bootstrap};
  }
  out.state = std::move(run.state);
  return out;
}

template <class Real>
void holdPairs(Analysis<Real>& analysis) {
  if (!analysis.pendingPairs) return;
  analysis.pairs = DO_PAIRS<Real>(*analysis.pendingPairs, analysis.state, analysis.fstat);
  analysis.pendingPairs.reset();
}

template void holdPairs<double>(Analysis<double>&);
template void holdPairs<long double>(Analysis<long double>&);
template Analysis<double> analyse<double>(const Edition&, const RunSettings&, Console&, WorkMeter*, const GivenData*);
template Analysis<long double> analyse<long double>(const Edition&, const RunSettings&, Console&, WorkMeter*,
                                                    const GivenData*);

}  // namespace ortelan
