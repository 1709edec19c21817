#include "exacttest/genotypic_chain.h"

#include <limits>
#include <stdexcept>
#include <vector>

#include "chisquare/x_ln_x.h"
#include "exacttest/walk_batches.h"
#include "exacttest/walk_order.h"
#include "exacttest/walk_step.h"

namespace ortelan {
namespace {

// The allele columns of a genotype column, from 0.
struct AlleleColumns {
  std::uint32_t a, b;
};

// The ordering of the genotypic walk: by the G of the implied allele
// table, kept beside the walk. A switch moves an individual of genotype
// a1/b1 from row OP1 to OP2 and one of a2/b2 back: row OP1 loses a1 and
// b1 and gains a2 and b2, row OP2 the reverse. The changes are netted per
// allele first (a homozygote moves two of one allele; alleles the two
// genotypes share cancel), each allele's net change held at its first
// place among a1, b1, a2, b2 and 0 at any later one. What S would gain
// from those cells is worked out before the move is known, then kept or
// not with it (0 or 1), since whether the switch is made is a coin flip;
// so a change may be looked up that would take a count below 0, and is
// then not kept. The score is S less the observed S plus the tie margin,
// as in ByG. `InChangeTable`: the genes number below
// ChainWorkspace::kMaxChangeCounts and every change is one look-up;
// otherwise two terms, those beyond the table taken anew.
template <bool InChangeTable>
struct ByImpliedG {
  using Score = std::int64_t;
  std::int32_t* const* alleleRows;   // each row's cell [I, 1] of the allele table
  const AlleleColumns* alleles;      // of each genotype column from 0
  const std::int64_t* table;  // ChainWorkspace::xLnXChanges, or else ChainWorkspace::xLnX
  std::int64_t margin;

  Score start() const { return margin; }

  // What S gains when `count` changes by `by` (-2..2).
  [[gnu::always_inline]] std::int64_t change(std::int32_t count, std::int32_t by) const {
    if constexpr (InChangeTable) {
      return table[5 * static_cast<std::uint32_t>(count) + static_cast<std::uint32_t>(by + 2)];
    } else {
      const auto term = [this](std::int32_t k) {
        return k < ChainWorkspace::kMaxCounts ? table[k] : xLnXFixed(k);
      };
      return term(count + by) - term(count);
    }
  }

  // One row's four cells: what S gains from the changes `by`, kept when
  // `moved` is all ones; a later place of an allele holds 0 and writes
  // back its old count, so the first place is written last.
  [[gnu::always_inline]] std::int64_t moveRow(std::int32_t* row, const AlleleColumns& first,
                                              const AlleleColumns& second, const std::int32_t (&by)[4],
                                              std::int32_t moved) const {
    const std::int32_t c1 = row[first.a], c2 = row[first.b], c3 = row[second.a], c4 = row[second.b];
    const std::int64_t ifMoved = (change(c1, by[0]) + change(c2, by[1])) + (change(c3, by[2]) + change(c4, by[3]));
    row[second.b] = c4 + (by[3] & moved);
    row[second.a] = c3 + (by[2] & moved);
    row[first.b] = c2 + (by[1] & moved);
    row[first.a] = c1 + (by[0] & moved);
    return ifMoved & static_cast<std::int64_t>(moved);
  }

  [[gnu::always_inline]] void follow(Score& score, const walk_order::Switch& at, std::int32_t move) const {
    const AlleleColumns g1 = alleles[at.ALL1], g2 = alleles[at.ALL2];
    const auto same = [](std::uint32_t x, std::uint32_t y) -> std::int32_t { return x == y ? 1 : 0; };
    // Row OP1's net change of each allele, at its first place; row OP2's
    // is the opposite.
    const std::int32_t n1 = same(g2.a, g1.a) + same(g2.b, g1.a) - 1 - same(g1.b, g1.a);
    const std::int32_t n2 = (1 - same(g1.b, g1.a)) * (same(g2.a, g1.b) + same(g2.b, g1.b) - 1);
    const std::int32_t n3 = (1 - same(g2.a, g1.a)) * (1 - same(g2.a, g1.b)) * (1 + same(g2.b, g2.a));
    const std::int32_t n4 = (1 - same(g2.b, g1.a)) * (1 - same(g2.b, g1.b)) * (1 - same(g2.b, g2.a));
    const auto moved = walk_step::maskOf<std::int32_t>(static_cast<std::uint64_t>(move));
    const std::int32_t gains[4] = {n1, n2, n3, n4}, losses[4] = {-n1, -n2, -n3, -n4};
    score += moveRow(alleleRows[at.OP1], g1, g2, gains, moved);
    score += moveRow(alleleRows[at.OP2], g1, g2, losses, moved);
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
  std::vector<AlleleColumns> alleleColumnsOf;
  alleleColumnsOf.reserve(columns.size());
  for (const GenotypeAlleles& genotype : columns) {
    alleleColumnsOf.push_back({static_cast<std::uint32_t>(genotype.a - 1), static_cast<std::uint32_t>(genotype.b - 1)});
  }
  std::vector<std::int32_t*> alleleRows;
  for (int I = 1; I <= alleles.rows; ++I) alleleRows.push_back(&alleles.at(I, 1));
  ChainWorkspace own;
  if (workspace == nullptr) workspace = &own;
  // No allele count ever exceeds the genes of the table.
  const std::int64_t margin = xLnXTieMargin(std::int64_t{alleles.rows} * alleles.columns);
  if (genes < ChainWorkspace::kMaxChangeCounts) {
    const ByImpliedG<true> order{alleleRows.data(), alleleColumnsOf.data(), workspace->xLnXChanges(genes), margin};
    return walkTable<Real>(genotypes, generator, order, MEM, B, C, stop);
  }
  const ByImpliedG<false> order{alleleRows.data(), alleleColumnsOf.data(), workspace->xLnX(genes), margin};
  return walkTable<Real>(genotypes, generator, order, MEM, B, C, stop);
}

template ChainEstimate<double> genotypicCHAINE<double>(CountTable&, std::span<const GenotypeAlleles>, int,
                                                       std::int32_t, std::int32_t, std::int32_t, Ranmar&,
                                                       ChainWorkspace*, const std::atomic<bool>*);
template ChainEstimate<long double> genotypicCHAINE<long double>(CountTable&, std::span<const GenotypeAlleles>, int,
                                                                 std::int32_t, std::int32_t, std::int32_t, Ranmar&,
                                                                 ChainWorkspace*, const std::atomic<bool>*);

}  // namespace ortelan
