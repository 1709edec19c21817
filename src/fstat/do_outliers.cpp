#include "fstat/do_outliers.h"

#include <algorithm>

#include "fstat/outlier_fit.h"
#include "fstat/uncorrected_f.h"
#include "run/parallel_for.h"

namespace ortelan {
namespace {

// Loci whose tables are read at once, then computed on the workers.
constexpr std::size_t kBatchLoci = 16384;

}  // namespace

template <class Real>
std::size_t OutlierResults<Real>::standingOut() const {
  std::size_t count = 0;
  for (std::size_t I = 1; I < q.size(); ++I) count += q[I] < Real(kOutlierLevel) ? 1 : 0;
  return count;
}

template <class Real>
OutlierResults<Real> DO_OUTLIERS(Run<Real>& run, const DataTables& tables, double minHe) {
  const DataSummary& data = run.state;
  OutlierResults<Real> out;
  const auto places = static_cast<std::size_t>(data.NUMBOFLOCI) + 1;
  out.he.assign(places, OutlierResults<Real>::kNA);
  out.f.assign(places, OutlierResults<Real>::kNA);
  std::vector<int> loci;
  for (int I = 1; I <= data.NUMBOFLOCI; ++I) {
    if (data.isInRun(I)) loci.push_back(I);
  }
  const int workers = run.chainWorkers();
  const auto whileWaiting = [&run] { run.tick(); };
  // Batch k is computed on the workers while batch k + 1 is read, into
  // the other of two buffers.
  CountedTables::Reader reader(*tables.alleles);
  const std::size_t batchSize = std::min(kBatchLoci, loci.size());
  std::vector<CountTable> buffers[2] = {std::vector<CountTable>(batchSize), std::vector<CountTable>(batchSize)};
  const auto readBatch = [&](std::size_t first, std::vector<CountTable>& into) {
    for (std::size_t j = 0; j < std::min(kBatchLoci, loci.size() - first); ++j) reader.read(loci[first + j], into[j]);
  };
  if (!loci.empty()) readBatch(0, buffers[0]);
  for (std::size_t first = 0, k = 0; first < loci.size(); first += kBatchLoci, ++k) {
    const std::size_t size = std::min(kBatchLoci, loci.size() - first);
    const std::vector<CountTable>& batch = buffers[k % 2];
    const bool more = first + kBatchLoci < loci.size();
    const auto pieces = std::min<std::size_t>(size, static_cast<std::size_t>(std::max(workers, 1)));
    parallelFor(workers, pieces + (more ? 1 : 0), [&](std::size_t piece) {
      if (piece == pieces) {
        readBatch(first + kBatchLoci, buffers[(k + 1) % 2]);
        return;
      }
      for (std::size_t j = piece * size / pieces; j < (piece + 1) * size / pieces; ++j) {
        const UncorrectedF<Real> u = uncorrectedF<Real>(batch[j]);
        if (u.populationsTyped < 2 || !(u.he > 0) || u.he < Real(minHe)) continue;
        const auto I = static_cast<std::size_t>(loci[first + j]);
        out.he[I] = u.he;
        out.f[I] = u.numerator / u.he;
      }
    }, whileWaiting);
  }
  testOutliers(out, workers, whileWaiting);
  return out;
}

template <class Real>
void testOutliers(OutlierResults<Real>& out, int workers, const std::function<void()>& whileWaiting) {
  std::vector<OutlierCandidate<Real>> candidates;
  std::vector<std::size_t> at;  // each candidate's locus
  for (std::size_t I = 1; I < out.he.size(); ++I) {
    if (out.he[I] != out.he[I]) continue;
    candidates.push_back({out.he[I], out.f[I]});
    at.push_back(I);
  }
  const OutlierFit<Real> fit = fitOutliers<Real>(candidates, workers, whileWaiting);
  out.candidates = candidates.size();
  out.trimmed = fit.trimmed;
  out.fitted = fit.fitted;
  out.df = fit.df;
  out.fbar = fit.fbar;
  out.p.assign(out.he.size(), OutlierResults<Real>::kNA);
  out.q.assign(out.he.size(), OutlierResults<Real>::kNA);
  for (std::size_t k = 0; k < at.size(); ++k) {
    out.p[at[k]] = fit.p[k];
    out.q[at[k]] = fit.q[k];
  }
}

template struct OutlierResults<double>;
template struct OutlierResults<long double>;
template OutlierResults<double> DO_OUTLIERS<double>(Run<double>&, const DataTables&, double);
template OutlierResults<long double> DO_OUTLIERS<long double>(Run<long double>&, const DataTables&, double);
template void testOutliers<double>(OutlierResults<double>&, int, const std::function<void()>&);
template void testOutliers<long double>(OutlierResults<long double>&, int, const std::function<void()>&);

}  // namespace ortelan
