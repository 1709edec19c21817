#include "power/power_run.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

#include "exacttest/margin_tables.h"
#include "exacttest/table_sampler.h"
#include "run/parallel_for.h"

namespace ortelan {
namespace {

// Tables a locus may draw at most: by default as many as cost what its walk
// would, most for the table of least cost a locus's samples can make (two
// columns, its populations with individuals, its genes).
std::int64_t mostTables(const PowerTests& tests, const PowerDesign& design) {
  if (tests.sampling.samples) return *tests.sampling.samples;
  const std::int64_t steps =
      tests.chain.dememorizations + std::int64_t{tests.chain.batches} * tests.chain.iterationsPerBatch;
  std::int64_t most = 1;
  for (const PowerLocus& locus : design.loci) {
    Margins least;
    for (std::int64_t n : locus.sizes) {
      if (n > 0) least.rows.push_back(n);
    }
    // Two columns, or three and the table dealt gene by gene: more
    // columns only cost more.
    const bool genotypic = tests.test == ExactTest::Genotypic;
    least.columns = {1, 1};
    double cost = cheapestDrawing(least, genotypic).steps;
    least.columns = {1, 1, 1};
    least.total = genotypic ? locus.genes() / 2 : locus.genes();
    cost = std::min(cost, cheapestDrawing(least, genotypic).steps);
    most = std::max(most, static_cast<std::int64_t>(std::min(static_cast<double>(steps) / cost, 1e15)) + 1);
  }
  return most;
}

}  // namespace

std::vector<DecisionBounds> decisionBounds(const PowerTests& tests, const PowerDesign& design) {
  std::vector<DecisionBounds> bounds;
  const bool drawn = tests.test != ExactTest::None && tests.sampling.sampler == SamplerKind::Independent;
  const std::int64_t most = drawn ? mostTables(tests, design) : 0;
  for (double alpha : tests.alphas) bounds.emplace_back(alpha, tests.decisionError, most);
  return bounds;
}

template <class Real>
std::vector<TargetTally> runPower(RunContext& run, const PowerDesign& design, const PowerTests& tests,
                                  std::uint64_t runSeed, std::int64_t first, std::int64_t last) {
  const std::size_t loci = design.loci.size(), levels = tests.alphas.size();
  std::vector<TargetTally> tallies(design.targets.size(), TargetTally(loci, levels));
  const std::vector<DecisionBounds> bounds = decisionBounds(tests, design);
  const auto replicates = static_cast<std::size_t>(last - first + 1);
  const std::size_t pieces = replicates * design.targets.size();
  if (run.meter != nullptr) run.meter->start(static_cast<long>(pieces), "replicates");

  // A tester for each worker, taken for a replicate and put back.
  std::mutex mutex;
  std::vector<std::unique_ptr<ReplicateTester<Real>>> testers;
  std::atomic<bool> stop{false};
  std::atomic<long> done{0};
  long told = 0;
  const auto body = [&](std::size_t piece) {
    std::unique_ptr<ReplicateTester<Real>> tester;
    {
      std::lock_guard lock(mutex);
      if (!testers.empty()) {
        tester = std::move(testers.back());
        testers.pop_back();
      }
    }
    if (!tester) tester = std::make_unique<ReplicateTester<Real>>(design, tests, bounds, run.edition.seeds);
    const std::size_t target = piece / replicates;
    const std::int64_t replicate = first + static_cast<std::int64_t>(piece % replicates);
    ReplicateOutcome outcome;
    tester->run(target, replicate, runSeed, outcome, &stop);
    std::lock_guard lock(mutex);
    if (!stop.load()) tallies[target].add(outcome);
    testers.push_back(std::move(tester));
    done.fetch_add(1, std::memory_order_relaxed);
  };
  const auto whileWaiting = [&] {
    try {
      const long now = done.load(std::memory_order_relaxed);
      run.advance(now - told);
      told = now;
      run.tick();
    } catch (...) {
      stop = true;
      throw;
    }
  };
  parallelFor(std::max(run.chainWorkers(), 1), pieces, body, whileWaiting);
  run.advance(done.load() - told);
  return tallies;
}

template std::vector<TargetTally> runPower<double>(RunContext&, const PowerDesign&, const PowerTests&, std::uint64_t,
                                                   std::int64_t, std::int64_t);
template std::vector<TargetTally> runPower<long double>(RunContext&, const PowerDesign&, const PowerTests&,
                                                        std::uint64_t, std::int64_t, std::int64_t);

}  // namespace ortelan
