#include "permutation/do_permutations.h"

#include <cmath>

#include "run/failure.h"
#include "run/seed_source.h"

namespace ortelan {
namespace {

constexpr const char* kKindNames[] = {"among_populations", "within_groups", "among_groups", "pair"};

// Whether G summed over the loci may leave 63 bits: each locus's G is at
// most 2 T ln(min(rows, alleles)) for T genes, so that the sum stays far
// below 2^62 units for any data that fit in memory; checked all the same.
void checkRange(const IndividualGenotypes& genotypes, const std::vector<int>& loci, int rows) {
  long double most = 0;
  for (int locus : loci) {
    const IndividualGenotypes::Locus l = genotypes.locus(locus);
    most += 2.0L * l.ploidy * genotypes.individuals() * std::log(static_cast<long double>(std::max(2, std::min(rows, l.alleles))));
  }
  if (most * 67108864.0L >= 4611686018427387904.0L) {
    throw OneLineFault{"too many loci and individuals for the permutation test's sums of G"};
  }
}

}  // namespace

const char* permutationKindName(PermutationKind kind) { return kKindNames[static_cast<int>(kind)]; }

std::optional<PermutationKind> permutationKindNamed(std::string_view name) {
  for (int k = 0; k < 4; ++k) {
    if (name == kKindNames[k]) return static_cast<PermutationKind>(k);
  }
  return std::nullopt;
}

std::uint64_t permutationKey(std::uint64_t runSeed, PermutationKind kind, int a, int b) {
  switch (kind) {
    case PermutationKind::AmongPopulations:
      return chainKey(runSeed, {std::uint64_t(ChainKind::PermutationAmongPopulations)});
    case PermutationKind::WithinGroups:
      return chainKey(runSeed, {std::uint64_t(ChainKind::PermutationWithinGroups)});
    case PermutationKind::AmongGroups:
      return chainKey(runSeed, {std::uint64_t(ChainKind::PermutationAmongGroups)});
    case PermutationKind::Pair:
      break;
  }
  return chainKey(runSeed, {std::uint64_t(ChainKind::PermutationOfPair), std::uint64_t(a), std::uint64_t(b)});
}

template <class Real>
PermutationResults<Real> DO_PERMUTATIONS(RunContext& run, const DataSummary& data, const IndividualGenotypes& genotypes,
                                         const PermutationRequest& request) {
  PermutationResults<Real> out;
  out.permutations = request.permutations;
  out.populations = data.NUMBPOPS;
  std::vector<int> loci;
  for (int I = 1; I <= data.NUMBOFLOCI && I <= genotypes.loci(); ++I) {
    if (data.isInRun(I)) loci.push_back(I);
  }
  checkRange(genotypes, loci, data.NUMBPOPS);
  const SummedG statistic(genotypes, loci);
  PermutationSettings settings{request.permutations, request.hits, request.keepAll, run.chainWorkers()};
  // The meter counts the permutations of every test.
  const long tests = 1 + (request.groups != nullptr ? 2 : 0) +
                     (request.pairs ? static_cast<long>(data.NUMBPOPS) * (data.NUMBPOPS - 1) / 2 : 0);
  if (run.meter != nullptr) {
    run.meter->start(tests * request.permutations, "permutations");
    settings.made = [&run](long permutations) { run.advance(permutations); };
  }
  const auto whileWaiting = [&run] { run.tick(); };
  const std::uint64_t seed = run.seeds->runSeed().value();
  const std::vector<int>& populationOf = genotypes.populationOf();

  out.amongPopulations = permutationTest<Real>(statistic, amongPopulations(populationOf, data.NUMBPOPS),
                                               PermutedUnits::Individuals,
                                               permutationKey(seed, PermutationKind::AmongPopulations), settings,
                                               whileWaiting);
  if (request.groups != nullptr) {
    out.withinGroups = permutationTest<Real>(statistic, withinGroups(populationOf, *request.groups),
                                             PermutedUnits::Individuals,
                                             permutationKey(seed, PermutationKind::WithinGroups), settings,
                                             whileWaiting);
    out.amongGroups = permutationTest<Real>(statistic, amongGroups(*request.groups), PermutedUnits::Populations,
                                            permutationKey(seed, PermutationKind::AmongGroups), settings,
                                            whileWaiting);
  }
  if (request.pairs) {
    for (int a = 1; a < data.NUMBPOPS; ++a) {
      for (int b = a + 1; b <= data.NUMBPOPS; ++b) {
        out.pairs.push_back(permutationTest<Real>(statistic, ofPair(populationOf, a, b), PermutedUnits::Individuals,
                                                  permutationKey(seed, PermutationKind::Pair, a, b), settings,
                                                  whileWaiting));
      }
    }
  }
  return out;
}

template PermutationResults<double> DO_PERMUTATIONS<double>(RunContext&, const DataSummary&, const IndividualGenotypes&,
                                                            const PermutationRequest&);
template PermutationResults<long double> DO_PERMUTATIONS<long double>(RunContext&, const DataSummary&,
                                                                      const IndividualGenotypes&,
                                                                      const PermutationRequest&);

}  // namespace ortelan
