#include "fstat/do_fstat.h"

#include <algorithm>
#include <numeric>

#include "fstat/locus_sample.h"
#include "fstat/variance_components.h"
#include "run/parallel_for.h"
#include "run/seed_source.h"

namespace ortelan {
namespace {

// Loci whose samples are read at once, then computed on the workers.
constexpr std::size_t kBatchLoci = 2048;
// Bootstrap replicates that one piece of work makes.
constexpr long kReplicatesPerPiece = 50;

long pairCount(int populations) { return static_cast<long>(populations) * (populations - 1) / 2; }

// Each locus's sample, read from its tables in locus order.
class SampleReader {
 public:
  SampleReader(const DataTables& tables, const DataSummary& data)
      : data_(data), alleles_(*tables.alleles) {
    if (tables.genotypes) genotypes_.emplace(*tables.genotypes);
  }

  // False where the data hold no genotypes of a diploid locus.
  bool read(int locus, LocusSample& sample) {
    if (data_.ploidy[static_cast<std::size_t>(locus)] == 1) {
      alleles_.read(locus, table_);
      sample.fromAlleles(table_);
      return true;
    }
    if (!genotypes_) return false;
    genotypes_->read(locus, table_, &keys_);
    sample.fromGenotypes(table_, keys_);
    return true;
  }

 private:
  const DataSummary& data_;
  CountedTables::Reader alleles_;
  std::optional<CountedTables::Reader> genotypes_;
  CountTable table_;
  std::vector<std::uint32_t> keys_;
};

// What the bootstrap resamples: the rows with components, in order.
template <class Real>
LocusComponents<Real> componentsOf(std::span<const FValues<Real>> rows) {
  LocusComponents<Real> loci;
  for (const FValues<Real>& row : rows) {
    if (row.hasComponents()) loci.emplace_back(row.num, row.den);
  }
  return loci;
}

}  // namespace

std::uint64_t bootstrapKey(std::uint64_t runSeed) { return chainKey(runSeed, {std::uint64_t(ChainKind::Bootstrap)}); }

std::uint64_t pairBootstrapKey(std::uint64_t runSeed, int a, int b) {
  return chainKey(runSeed, {std::uint64_t(ChainKind::PairBootstrap), std::uint64_t(a), std::uint64_t(b)});
}

template <class Real>
FStatistics<Real> DO_FSTAT(Run<Real>& run, const DataTables& tables, long replicates,
                           HierarchyRows<Real>* hierarchy) {
  const DataSummary& data = run.state;
  const int workers = run.chainWorkers();
  const auto whileWaiting = [&run] { run.tick(); };

  std::vector<int> loci;  // of the run, in file order
  for (int I = 1; I <= data.NUMBOFLOCI; ++I) {
    if (data.isInRun(I)) loci.push_back(I);
  }
  FStatistics<Real> out;
  out.loci.resize(static_cast<std::size_t>(data.NUMBOFLOCI) + 1);
  out.lociInRun = loci.size();
  if (hierarchy != nullptr) hierarchy->rows.assign(static_cast<std::size_t>(data.NUMBOFLOCI) + 1, HierarchyRow<Real>{});

  std::vector<int> everyRow(static_cast<std::size_t>(data.NUMBPOPS));
  std::iota(everyRow.begin(), everyRow.end(), 0);
  SampleReader reader(tables, data);
  std::vector<LocusSample> samples(std::min(kBatchLoci, loci.size()));
  std::vector<char> read(samples.size());
  for (std::size_t first = 0; first < loci.size(); first += kBatchLoci) {
    const std::size_t size = std::min(kBatchLoci, loci.size() - first);
    for (std::size_t j = 0; j < size; ++j) read[j] = reader.read(loci[first + j], samples[j]);
    // The loci of the batch in a piece per worker.
    const auto pieces = std::min<std::size_t>(size, static_cast<std::size_t>(workers));
    parallelFor(workers, pieces, [&](std::size_t piece) {
      for (std::size_t j = piece * size / pieces; j < (piece + 1) * size / pieces; ++j) {
        if (!read[j]) continue;
        const auto locus = static_cast<std::size_t>(loci[first + j]);
        out.loci[locus] = sampleFValues<Real>(samples[j], everyRow);
        if (hierarchy != nullptr) hierarchy->rows[locus] = hierarchyRow<Real>(samples[j], everyRow, hierarchy->groupOf);
      }
    }, whileWaiting);
  }

  sumFTotals(out, loci, 0, replicates, run.seeds->runSeed().value(), workers, whileWaiting);
  return out;
}

template <class Real>
std::optional<BootstrapLimits<Real>> bootstrapOnWorkers(const LocusComponents<Real>& loci, std::uint64_t key,
                                                        long replicates, int workers,
                                                        const std::function<void()>& whileWaiting) {
  if (loci.empty() || replicates <= 0) return std::nullopt;
  std::vector<Real> estimates(static_cast<std::size_t>(replicates));
  const auto pieces = static_cast<std::size_t>((replicates + kReplicatesPerPiece - 1) / kReplicatesPerPiece);
  parallelFor(workers, pieces, [&](std::size_t piece) {
    const long first = static_cast<long>(piece) * kReplicatesPerPiece;
    for (long k = first; k < std::min(replicates, first + kReplicatesPerPiece); ++k) {
      estimates[static_cast<std::size_t>(k)] = bootstrapReplicate<Real>(loci, key, k);
    }
  }, whileWaiting);
  return percentileLimits(std::move(estimates));
}

template <class Real>
void sumFTotals(FStatistics<Real>& out, const std::vector<int>& loci, int populations, long replicates,
                std::uint64_t runSeed, int workers, const std::function<void()>& whileWaiting) {
  const bool pairs = populations > 0;
  const long pairsOf = pairs ? pairCount(populations) : 0;
  std::vector<FValues<Real>> rows;
  for (int locus : loci) rows.push_back(out.loci[static_cast<std::size_t>(locus)]);
  out.total = totalFValues<Real>(rows);
  const auto pairRowsOf = [&](long pair) {
    return std::span<const FValues<Real>>(out.pairRows).subspan(static_cast<std::size_t>(pair) * loci.size(),
                                                                loci.size());
  };
  out.pairTotals.clear();
  for (long pair = 0; pair < pairsOf; ++pair) out.pairTotals.push_back(totalFValues<Real>(pairRowsOf(pair)));
  out.pairLimits.assign(static_cast<std::size_t>(pairsOf), std::nullopt);
  out.limits = bootstrapOnWorkers(componentsOf<Real>(rows), bootstrapKey(runSeed), replicates, workers, whileWaiting);
  long pair = 0;
  for (int a = 1; a < populations && replicates > 0; ++a) {
    for (int b = a + 1; b <= populations; ++b, ++pair) {
      out.pairLimits[static_cast<std::size_t>(pair)] = bootstrapOnWorkers(
          componentsOf(pairRowsOf(pair)), pairBootstrapKey(runSeed, a, b), replicates, workers, whileWaiting);
    }
  }
}

template void sumFTotals<double>(FStatistics<double>&, const std::vector<int>&, int, long, std::uint64_t, int,
                                const std::function<void()>&);
template void sumFTotals<long double>(FStatistics<long double>&, const std::vector<int>&, int, long, std::uint64_t,
                                     int, const std::function<void()>&);
template std::optional<BootstrapLimits<double>> bootstrapOnWorkers<double>(const LocusComponents<double>&, std::uint64_t,
                                                                          long, int, const std::function<void()>&);
template std::optional<BootstrapLimits<long double>> bootstrapOnWorkers<long double>(
    const LocusComponents<long double>&, std::uint64_t, long, int, const std::function<void()>&);
template FStatistics<double> DO_FSTAT<double>(Run<double>&, const DataTables&, long, HierarchyRows<double>*);
template FStatistics<long double> DO_FSTAT<long double>(Run<long double>&, const DataTables&, long,
                                                        HierarchyRows<long double>*);

}  // namespace ortelan
