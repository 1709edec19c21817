#include "exacttest/genotypic_chain.h"

#include <limits>
#include <stdexcept>
#include <vector>

#include "chisquare/x_ln_x.h"
#include "exacttest/walk_batches.h"
#include "exacttest/walk_order.h"

namespace ortelan {
namespace {

// The ordering of the genotypic walk: by the G of the implied allele
// table, kept beside the walk. A switch moves an individual of genotype
// a1/b1 from row OP1 to OP2 and one of a2/b2 back: row OP1 loses a1 and
// b1 and gains a2 and b2, row OP2 the reverse. The changes are netted per
// allele first (a homozygote moves two of one allele; alleles the two
// genotypes share cancel), each allele's net change held at its first
// place among a1, b1, a2, b2 and 0 at any later one. S then changes by
// the new terms less the old of those cells, all worked out without
// branches and scaled by the move (0 or 1), since whether the switch is
// made is a coin flip. The score is S less the observed S plus the tie
// margin, as in ByG.
template <bool AllInTable>
struct ByImpliedG {
  using Score = std::int64_t;
  std::int32_t* alleleTop;  // the allele table's cell [1, 1]
  std::ptrdiff_t alleleStride;
  const std::uint32_t* firstAllele;   // a - 1 of each genotype column from 0
  const std::uint32_t* secondAllele;  // b - 1
  const std::int64_t* xLnX;           // ChainWorkspace::xLnX
  std::int64_t margin;

  Score start() const { return margin; }

  [[gnu::always_inline]] std::int64_t term(std::int32_t count) const {
    const auto k = static_cast<std::uint32_t>(count);
    if constexpr (AllInTable) {
      return xLnX[k];
    } else {
      return k < ChainWorkspace::kMaxCounts ? xLnX[k] : xLnXFixed(k);
    }
  }

  [[gnu::always_inline]] void follow(Score& score, const walk_order::Switch& at, std::int32_t move) const {
    const std::uint32_t a1 = firstAllele[at.ALL1], b1 = secondAllele[at.ALL1];
    const std::uint32_t a2 = firstAllele[at.ALL2], b2 = secondAllele[at.ALL2];
    const auto same = [](std::uint32_t x, std::uint32_t y) -> std::int32_t { return x == y ? 1 : 0; };
    // Row OP1's net change of each allele, at its first place, times the move.
    const std::int32_t k1 = (same(a2, a1) + same(b2, a1) - 1 - same(b1, a1)) * move;
    const std::int32_t k2 = (1 - same(b1, a1)) * (same(a2, b1) + same(b2, b1) - 1) * move;
    const std::int32_t k3 = (1 - same(a2, a1)) * (1 - same(a2, b1)) * (1 + same(b2, a2)) * move;
    const std::int32_t k4 = (1 - same(b2, a1)) * (1 - same(b2, b1)) * (1 - same(b2, a2)) * move;
    std::int32_t* const row1 = alleleTop + static_cast<std::ptrdiff_t>(at.OP1) * alleleStride;
    std::int32_t* const row2 = alleleTop + static_cast<std::ptrdiff_t>(at.OP2) * alleleStride;
    const std::int32_t u1 = row1[a1], u2 = row1[b1], u3 = row1[a2], u4 = row1[b2];
    const std::int32_t v1 = row2[a1], v2 = row2[b1], v3 = row2[a2], v4 = row2[b2];
    const std::int64_t gained = (term(u1 + k1) + term(u2 + k2)) + (term(u3 + k3) + term(u4 + k4)) +
                                (term(v1 - k1) + term(v2 - k2)) + (term(v3 - k3) + term(v4 - k4));
    const std::int64_t lost = (term(u1) + term(u2)) + (term(u3) + term(u4)) + (term(v1) + term(v2)) +
                              (term(v3) + term(v4));
    score += gained - lost;
    // A later place of an allele holds 0 and writes back its old count, so
    // the first place is written last.
    row1[b2] = u4 + k4;
    row2[b2] = v4 - k4;
    row1[a2] = u3 + k3;
    row2[a2] = v3 - k3;
    row1[b1] = u2 + k2;
    row2[b1] = v2 - k2;
    row1[a1] = u1 + k1;
    row2[a1] = v1 - k1;
  }

  template <bool Counting>
  [[gnu::always_inline]] static void endStep(Score score, bool, std::int32_t& CNMOY) {
    if constexpr (Counting) CNMOY += score >= 0 ? 1 : 0;
  }
};

}  // namespace

template <class Real>
ChainEstimate<Real> genotypicCHAINE(CountTable& genotypes, std::span<const GenotypeAlleles> columns,
                                    int alleleColumns, std::int32_t MEM, std::int32_t B, std::int32_t C,
                                    Ranmar& generator, ChainWorkspace* workspace, const std::atomic<bool>* stop) {
  if (genotypes.rows < 2 || genotypes.columns < 2) {
    throw std::invalid_argument("a genotype table needs two rows and two columns");
  }
  if (!genotypeColumnsFit(columns, genotypes.columns, alleleColumns)) {
    throw std::invalid_argument("genotype columns do not fit the allele columns");
  }
  std::int64_t individuals = 0;
  for (int I = 1; I <= genotypes.rows; ++I) {
    for (int J = 1; J <= genotypes.columns; ++J) individuals += genotypes.at(I, J);
  }
  const std::int64_t genes = 2 * individuals;
  if (genes > std::numeric_limits<std::int32_t>::max()) {
    throw std::invalid_argument("a genotype table of 2^30 individuals or more");
  }
  CountTable alleles = impliedAlleleTable(genotypes, columns, alleleColumns);
  std::vector<std::uint32_t> firstAllele, secondAllele;
  firstAllele.reserve(columns.size());
  secondAllele.reserve(columns.size());
  for (const GenotypeAlleles& genotype : columns) {
    firstAllele.push_back(static_cast<std::uint32_t>(genotype.a - 1));
    secondAllele.push_back(static_cast<std::uint32_t>(genotype.b - 1));
  }
  ChainWorkspace own;
  if (workspace == nullptr) workspace = &own;
  // No allele count ever exceeds the genes of the table.
  const std::int64_t* xLnX = workspace->xLnX(genes);
  const std::int64_t margin = xLnXTieMargin(std::int64_t{alleles.rows} * alleles.columns);
  std::int32_t* const alleleTop = &alleles.at(1, 1);
  const std::ptrdiff_t stride = alleles.stride();
  if (genes + 2 <= ChainWorkspace::kMaxCounts) {
    const ByImpliedG<true> order{alleleTop, stride, firstAllele.data(), secondAllele.data(), xLnX, margin};
    return walkTable<Real>(genotypes, generator, order, MEM, B, C, stop);
  }
  const ByImpliedG<false> order{alleleTop, stride, firstAllele.data(), secondAllele.data(), xLnX, margin};
  return walkTable<Real>(genotypes, generator, order, MEM, B, C, stop);
}

template ChainEstimate<double> genotypicCHAINE<double>(CountTable&, std::span<const GenotypeAlleles>, int,
                                                       std::int32_t, std::int32_t, std::int32_t, Ranmar&,
                                                       ChainWorkspace*, const std::atomic<bool>*);
template ChainEstimate<long double> genotypicCHAINE<long double>(CountTable&, std::span<const GenotypeAlleles>, int,
                                                                 std::int32_t, std::int32_t, std::int32_t, Ranmar&,
                                                                 ChainWorkspace*, const std::atomic<bool>*);

}  // namespace ortelan
