#include "app/power_analysis.h"

#include "app/analysis.h"
#include "run/run.h"

namespace ortelan {
namespace {

std::string listText(const std::vector<double>& values) {
  std::string text;
  for (double value : values) {
    if (!text.empty()) text += ',';
    text += shortestText(value);
  }
  return text;
}

}  // namespace

template <class Real>
PowerAnalysis analysePower(const Edition& edition, const PowerSettings& settings, Console& console, WorkMeter* meter,
                           const GivenData* given) {
  RunContext run(edition, console);
  PowerAnalysis out;
  out.seed = runSeedFrom(settings.run.seed, console);
  run.settings = settings.run.chain;
  run.seeds = SeedSource::keyed(edition.seeds, out.seed);
  run.dataFile = settings.run.dataFile;
  run.workers = settings.run.threads;
  run.test = settings.run.test;
  run.exact = settings.run.exact;
  run.sampling = settings.run.sampling;
  run.meter = meter;
  out.data.INFILENAME = settings.run.dataFile;
  const DataTables tables = readRunData(run, out.data, settings.run, out.seed, given);

  PowerResults& r = out.results;
  r.design = powerDesign(out.data, tables, settings.ne, settings.fst, settings.sizes);
  if (!r.design.leftOut.empty()) {
    const std::size_t n = r.design.leftOut.size();
    run.diagnostic("power: left out " + std::to_string(n) + (n == 1 ? " locus" : " loci") +
                   " with fewer than two alleles in the pooled populations: " +
                   leftOutLoci(out.data, r.design.leftOut));
  }
  r.tests.test = settings.run.test;
  r.tests.exact = settings.run.exact;
  r.tests.sampling = settings.run.sampling;
  r.tests.chain = settings.run.chain;
  r.tests.alphas = settings.alphas;
  r.tests.decisionError = settings.decisionError;
  r.replicates = settings.replicates;
  r.first = settings.range ? settings.range->first : 1;
  r.last = settings.range ? settings.range->second : settings.replicates;
  r.tallies = runPower<Real>(run, r.design, r.tests, out.seed, r.first, r.last);
  return out;
}

PowerHeading powerHeading(const Edition& edition, const PowerSettings& settings, const PowerAnalysis& analysis) {
  PowerHeading h;
  h.run = TableHeading{edition.programName, edition.version, settings.run.dataFile, analysis.seed,
                       settings.run.chain, settings.run.test, settings.run.exact, 0};
  if (settings.run.popmapPath) h.run.popmap = *settings.run.popmapPath;
  h.run.region = settings.run.region;
  h.run.sampling = settings.run.sampling;
  std::vector<double> targets;
  for (const PowerTarget& target : analysis.results.design.targets) targets.push_back(target.fst);
  h.fst = listText(targets);
  h.alpha = listText(settings.alphas);
  if (settings.sizes) {
    for (std::int64_t n : *settings.sizes) {
      if (!h.sizes.empty()) h.sizes += ',';
      h.sizes += std::to_string(n);
    }
  } else {
    h.sizes = "data";
  }
  h.ne = settings.ne;
  h.replicates = settings.replicates;
  h.decisionError = settings.decisionError;
  h.range = settings.range;
  return h;
}

template PowerAnalysis analysePower<double>(const Edition&, const PowerSettings&, Console&, WorkMeter*,
                                            const GivenData*);
template PowerAnalysis analysePower<long double>(const Edition&, const PowerSettings&, Console&, WorkMeter*,
                                                 const GivenData*);

}  // namespace ortelan
