#include "permutation/summed_g.h"

#include <algorithm>
#include <utility>

#include "chisquare/x_ln_x.h"
#include "permutation/popcount_words.h"
#include "run/parallel_for.h"

namespace ortelan {
namespace {

using Locus = IndividualGenotypes::Locus;
constexpr std::uint8_t kNoGene = IndividualGenotypes::kNoGene;

// Masks of individuals, `words` words each: mask m at m * words.
std::vector<std::uint64_t> masksOf(const std::vector<int>& rowOf, int rows, std::size_t words) {
  std::vector<std::uint64_t> masks(static_cast<std::size_t>(rows) * words, 0);
  for (std::size_t i = 0; i < rowOf.size(); ++i) {
    if (rowOf[i] >= 0) masks[static_cast<std::size_t>(rowOf[i]) * words + i / 64] |= std::uint64_t{1} << (i % 64);
  }
  return masks;
}

// The genes of the second allele, and the individuals with no genotype, of
// a packed locus within a mask whose words outside [first, end) are 0 (the
// individuals of a pair of populations often lie in a few words).
struct PackedCounts {
  const Locus& locus;
  std::size_t first, end;

  std::int64_t second(const std::uint64_t* mask) const {
    const std::uint64_t *low = locus.low + first, *high = locus.high + first;
    mask += first;
    return countBitsOfTwo(
        end - first, [&](std::size_t w) { return low[w] & mask[w]; },
        [&](std::size_t w) { return low[w] & high[w] & mask[w]; });
  }
  std::int64_t missing(const std::uint64_t* mask) const {
    if (!locus.missing) return 0;
    const std::uint64_t *low = locus.low + first, *high = locus.high + first;
    mask += first;
    return countBits(end - first, [&](std::size_t w) { return high[w] & ~low[w] & mask[w]; });
  }
};

// The words where `mask` has a bit: [first, end).
std::pair<std::size_t, std::size_t> wordsUsed(const std::vector<std::uint64_t>& mask) {
  std::size_t first = 0, end = mask.size();
  while (first < end && mask[first] == 0) ++first;
  while (end > first && mask[end - 1] == 0) --end;
  return {first, end};
}

// Genes per row and allele of a locus kept gene by gene, for one
// arrangement: cells[row * (columns + 1) + column], and each row's genes.
void countGenes(const Locus& locus, const std::vector<int>& rowOf, std::vector<std::int64_t>& cells,
                std::vector<std::int64_t>& rowGenes) {
  const auto stride = static_cast<std::size_t>(locus.columns) + 1;
  std::fill(cells.begin(), cells.end(), 0);
  std::fill(rowGenes.begin(), rowGenes.end(), 0);
  for (std::size_t i = 0; i < rowOf.size(); ++i) {
    const int row = rowOf[i];
    if (row < 0) continue;
    for (const std::uint8_t gene : {locus.genes[2 * i], locus.genes[2 * i + 1]}) {
      if (gene == 0 || gene == kNoGene) continue;
      ++cells[static_cast<std::size_t>(row) * stride + gene];
      ++rowGenes[static_cast<std::size_t>(row)];
    }
  }
}

// T ln T - Σ C ln C over the alleles' totals C of `cells` (R rows of
// `stride` places, place 0 unused), T their sum.
std::int64_t allelesTerm(const std::vector<std::int64_t>& cells, std::size_t R, std::size_t stride,
                         const std::int64_t* X) {
  std::int64_t term = 0, T = 0;
  for (std::size_t column = 1; column < stride; ++column) {
    std::int64_t total = 0;
    for (std::size_t r = 0; r < R; ++r) total += cells[r * stride + column];
    term -= X[total];
    T += total;
  }
  return term + X[T];
}

}  // namespace

SummedG::SummedG(const IndividualGenotypes& genotypes, const std::vector<int>& loci) : genotypes_(genotypes) {
  for (int locus : loci) {
    if (genotypes.locus(locus).alleles >= 2) loci_.push_back(locus);
  }
  const std::int64_t most = 2 * static_cast<std::int64_t>(genotypes.individuals()) + 1;
  xLnX_.resize(static_cast<std::size_t>(most) + 1);
  for (std::int64_t k = 0; k <= most; ++k) xLnX_[static_cast<std::size_t>(k)] = xLnXFixed(k);
}

std::int64_t SummedG::tieMargin(int rows) const {
  std::int64_t cells = 0;
  for (int locus : loci_) cells += static_cast<std::int64_t>(rows) * (genotypes_.locus(locus).alleles + 1);
  return xLnXTieMargin(cells);
}

template <class LocusSum>
void SummedG::onWorkers(const LocusSum& locusSum, std::size_t arrangements, std::vector<std::int64_t>& out,
                        int workers, const std::function<void()>& whileWaiting) const {
  // Pieces of loci, a few per worker; each piece sums into its own row.
  const std::size_t pieces =
      std::clamp<std::size_t>(loci_.size() / 64, 1, static_cast<std::size_t>(std::max(workers, 1)) * 8);
  std::vector<std::int64_t> sums(pieces * arrangements, 0);
  parallelFor(workers, pieces, [&](std::size_t piece) {
    std::int64_t* into = sums.data() + piece * arrangements;
    for (std::size_t k = piece * loci_.size() / pieces; k < (piece + 1) * loci_.size() / pieces; ++k) {
      locusSum(genotypes_.locus(loci_[k]), into);
    }
  }, whileWaiting);
  out.assign(arrangements, 0);
  for (std::size_t piece = 0; piece < pieces; ++piece) {
    for (std::size_t j = 0; j < arrangements; ++j) out[j] += sums[piece * arrangements + j];
  }
}

void SummedG::ofIndividuals(int rows, const std::vector<std::vector<int>>& arrangements, std::vector<std::int64_t>& out,
                            int workers, const std::function<void()>& whileWaiting) const {
  const std::size_t words = genotypes_.words();
  const std::size_t J = arrangements.size();
  if (J == 0) {
    out.clear();
    return;
  }
  const auto R = static_cast<std::size_t>(rows);
  // Each arrangement's masks, and the rows' sizes and the individuals in
  // any row, which all arrangements share.
  std::vector<std::uint64_t> masks;
  masks.reserve(J * R * words);
  for (const std::vector<int>& rowOf : arrangements) {
    const std::vector<std::uint64_t> its = masksOf(rowOf, rows, words);
    masks.insert(masks.end(), its.begin(), its.end());
  }
  std::vector<int> included(arrangements.front().size());
  std::vector<std::int64_t> rowSize(R, 0);
  for (std::size_t i = 0; i < included.size(); ++i) {
    const int row = arrangements.front()[i];
    included[i] = row >= 0 ? 0 : -1;
    if (row >= 0) ++rowSize[static_cast<std::size_t>(row)];
  }
  std::int64_t individuals = 0;
  for (std::int64_t size : rowSize) individuals += size;
  const std::vector<std::uint64_t> anyRow = masksOf(included, 1, words);
  // Named apart, not bound: clang 14 takes no structured binding into a lambda.
  const std::pair<std::size_t, std::size_t> used = wordsUsed(anyRow);
  const std::size_t firstWord = used.first, endWord = used.second;
  const std::int64_t* X = xLnX_.data();

  const auto locusSum = [&](const Locus& locus, std::int64_t* into) {
    const std::int64_t k = locus.ploidy;
    if (locus.packed) {
      const PackedCounts count{locus, firstWord, endWord};
      const std::int64_t A = count.second(anyRow.data());
      const std::int64_t T = k * (individuals - count.missing(anyRow.data()));
      const std::int64_t constant = X[T] - X[A] - X[T - A];
      for (std::size_t j = 0; j < J; ++j) {
        const std::uint64_t* mask = masks.data() + j * R * words;
        std::int64_t S = 0, a = 0, t = 0;
        for (std::size_t r = 0; r + 1 < R; ++r, mask += words) {
          const std::int64_t second = count.second(mask);
          const std::int64_t genes = k * (rowSize[r] - count.missing(mask));
          S += X[second] + X[genes - second] - X[genes];
          a += second;
          t += genes;
        }
        S += X[A - a] + X[(T - t) - (A - a)] - X[T - t];
        into[j] += 2 * (S + constant);
      }
      return;
    }
    const auto stride = static_cast<std::size_t>(locus.columns) + 1;
    std::vector<std::int64_t> cells(R * stride), rowGenes(R);
    std::int64_t constant = 0;
    for (std::size_t j = 0; j < J; ++j) {
      countGenes(locus, arrangements[j], cells, rowGenes);
      std::int64_t S = 0;
      for (std::int64_t cell : cells) S += X[cell];
      for (std::int64_t genes : rowGenes) S -= X[genes];
      // The alleles' totals, which every arrangement shares.
      if (j == 0) constant = allelesTerm(cells, R, stride, X);
      into[j] += 2 * (S + constant);
    }
  };
  onWorkers(locusSum, J, out, workers, whileWaiting);
}

void SummedG::ofPopulations(int rows, const std::vector<std::vector<int>>& arrangements, std::vector<std::int64_t>& out,
                            int workers, const std::function<void()>& whileWaiting) const {
  const std::size_t words = genotypes_.words();
  const std::size_t J = arrangements.size();
  if (J == 0) {
    out.clear();
    return;
  }
  const auto R = static_cast<std::size_t>(rows);
  const std::size_t P = arrangements.front().size();
  // The populations' masks and sizes, as observed.
  std::vector<int> populationRow;
  for (int pop : genotypes_.populationOf()) populationRow.push_back(pop - 1);
  const std::vector<std::uint64_t> masks = masksOf(populationRow, static_cast<int>(P), words);
  std::vector<std::int64_t> size(P, 0);
  for (int row : populationRow) ++size[static_cast<std::size_t>(row)];
  const std::int64_t* X = xLnX_.data();

  const auto locusSum = [&](const Locus& locus, std::int64_t* into) {
    // Each population's genes of each allele, then each arrangement's rows
    // as sums of them.
    const std::size_t stride = locus.packed ? 3 : static_cast<std::size_t>(locus.columns) + 1;
    std::vector<std::int64_t> cells(P * stride, 0), populationGenes(P, 0);
    if (locus.packed) {
      const PackedCounts count{locus, 0, words};
      for (std::size_t p = 0; p < P; ++p) {
        const std::uint64_t* mask = masks.data() + p * words;
        const std::int64_t second = count.second(mask);
        populationGenes[p] = locus.ploidy * (size[p] - count.missing(mask));
        cells[p * stride + 1] = populationGenes[p] - second;
        cells[p * stride + 2] = second;
      }
    } else {
      countGenes(locus, populationRow, cells, populationGenes);
    }
    const std::int64_t constant = allelesTerm(cells, P, stride, X);
    std::vector<std::int64_t> rowCells(R * stride), rowGenes(R);
    for (std::size_t j = 0; j < J; ++j) {
      std::fill(rowCells.begin(), rowCells.end(), 0);
      std::fill(rowGenes.begin(), rowGenes.end(), 0);
      for (std::size_t p = 0; p < P; ++p) {
        const auto row = static_cast<std::size_t>(arrangements[j][p]);
        for (std::size_t column = 1; column < stride; ++column) rowCells[row * stride + column] += cells[p * stride + column];
        rowGenes[row] += populationGenes[p];
      }
      std::int64_t S = 0;
      for (std::int64_t cell : rowCells) S += X[cell];
      for (std::int64_t genes : rowGenes) S -= X[genes];
      into[j] += 2 * (S + constant);
    }
  };
  onWorkers(locusSum, J, out, workers, whileWaiting);
}

}  // namespace ortelan
