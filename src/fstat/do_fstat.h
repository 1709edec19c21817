// DO_FSTAT: Weir and Cockerham's F-statistics of every locus of the run and
// over them, and of every pair of populations at each locus and over its
// loci, from the tables the reading counted (a diploid locus's genotype
// table, a haploid locus's allele table); with a bootstrap over loci, 95 %
// limits of each multilocus theta. Every row's values are independent of
// the others' and of the thread that computes them; the totals are sums in
// row order.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "fstat/bootstrap.h"
#include "fstat/f_values.h"
#include "fstat/hierarchy.h"
#include "input/tables/data_tables.h"
#include "run/run.h"

namespace ortelan {

template <class Real>
struct FStatistics {
  std::vector<FValues<Real>> loci;  // per locus from 1 (entry 0 unused); NA for loci not in the run
  FValues<Real> total;              // over the loci of the run
  std::optional<BootstrapLimits<Real>> limits;

  // With pairs held whole (R, a merge): pair k (pairIndex) at the i-th locus
  // of the run is pairRows[k * lociInRun + i], as in PairResults; each
  // pair's TOTAL and limits.
  std::size_t lociInRun = 0;
  std::vector<FValues<Real>> pairRows;
  std::vector<FValues<Real>> pairTotals;
  std::vector<std::optional<BootstrapLimits<Real>>> pairLimits;

  const FValues<Real>& pairAt(long pair, std::size_t i) const {
    return pairRows[static_cast<std::size_t>(pair) * lociInRun + i];
  }
};

// The key that names the bootstrap of the run's TOTAL, and of pair a < b's.
std::uint64_t bootstrapKey(std::uint64_t runSeed);
std::uint64_t pairBootstrapKey(std::uint64_t runSeed, int a, int b);

// The TOTAL rows of the run and of each pair of `populations` (0: no
// pairs), with their bootstrap limits, from the rows of `out` (the loci of
// the run in order, and the pairs' rows as the loci's): what DO_FSTAT
// finishes with, and what a merge of tables computes again from their rows.
template <class Real>
void sumFTotals(FStatistics<Real>& out, const std::vector<int>& loci, int populations, long replicates,
                std::uint64_t runSeed, int workers, const std::function<void()>& whileWaiting);

// The bootstrap limits of one multilocus theta: `replicates` replicates of
// `loci` under `key`, in pieces on `workers` threads; none without loci or
// replicates. While it waits, `whileWaiting` is called now and then.
template <class Real>
std::optional<BootstrapLimits<Real>> bootstrapOnWorkers(const LocusComponents<Real>& loci, std::uint64_t key,
                                                        long replicates, int workers,
                                                        const std::function<void()>& whileWaiting);

// The hierarchical analysis of every locus of the run, made from the same
// counts as the F-statistics: `groupOf` per population from 0 its group
// from 0, empty without groups; `rows` per locus from 1, filled (loci not
// in the run, and loci of tables without genotypes, keep no components).
template <class Real>
struct HierarchyRows {
  std::vector<int> groupOf;
  std::vector<HierarchyRow<Real>> rows;
};

// The loci of the run and their TOTAL; the pairs' rows come from the pass
// over the pairs (pairs/pair_rows.h). `replicates` 0: no bootstrap. Needs
// the run seed (scripted runs). With `hierarchy`, its rows too.
template <class Real>
FStatistics<Real> DO_FSTAT(Run<Real>& run, const DataTables& tables, long replicates,
                           HierarchyRows<Real>* hierarchy = nullptr);

}  // namespace ortelan
