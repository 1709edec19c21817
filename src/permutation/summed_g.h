// The statistic of the permutation tests: the log-likelihood ratio G of
// each locus's rows x alleles table of genes (the populations', or the
// groups'), summed over loci, for each arrangement of the units into rows
// that a test draws (permutation_design.h).
//
// Each locus's G is 2 (S_cells - S_rows - S_alleles + T ln T), the sums of
// k ln k held as whole multiples of 2^-26 (chisquare/x_ln_x.h), the G of
// chisquare/g_statistic.h to within a unit a cell; so G summed over loci is
// a whole number of units, the same whatever the order in which loci,
// threads or shards add it. Genes count as the allele tables count them:
// every allele of an individual, a half-missing genotype's one allele
// included; empty rows and alleles add nothing.
//
// The genes of a row are counted afresh for every arrangement from the
// individuals' genotypes: on a packed locus (individual_genotypes.h) with a
// mask of the row's individuals, a word of 64 individuals at a time; on any
// other locus individual by individual. Loci are shared among the workers;
// memory does not grow with the loci.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "input/tables/individual_genotypes.h"

namespace ortelan {

class SummedG {
 public:
  // Sums over `loci` (numbers in `genotypes`, from 1); those with fewer
  // than two alleles add nothing and are passed over.
  SummedG(const IndividualGenotypes& genotypes, const std::vector<int>& loci);

  // Loci with two alleles or more.
  long loci() const { return static_cast<long>(loci_.size()); }

  // Individuals in rows: arrangements[j] gives each individual's row, 0 to
  // rows - 1, or -1 for one left out; every arrangement leaves out the same
  // individuals and has as many in each row. out[j] = Σ G (units of 2^-26).
  void ofIndividuals(int rows, const std::vector<std::vector<int>>& arrangements, std::vector<std::int64_t>& out,
                     int workers, const std::function<void()>& whileWaiting) const;

  // Whole populations in rows (groups): arrangements[j] gives each
  // population's row (populations from 0, as the individuals' populations
  // from 1 number them), each row keeping its count of populations.
  void ofPopulations(int rows, const std::vector<std::vector<int>>& arrangements, std::vector<std::int64_t>& out,
                     int workers, const std::function<void()>& whileWaiting) const;

  // How far below the observed sum a permuted sum may lie and still be
  // taken as tied with it: the rounding of the terms of both, up to a unit
  // a term, over the loci's rows x alleles tables of `rows` rows.
  std::int64_t tieMargin(int rows) const;

 private:
  template <class Locus>
  void onWorkers(const Locus& locus, std::size_t arrangements, std::vector<std::int64_t>& out, int workers,
                 const std::function<void()>& whileWaiting) const;

  const IndividualGenotypes& genotypes_;
  std::vector<int> loci_;
  std::vector<std::int64_t> xLnX_;  // k ln k in units for k = 0 .. twice the individuals
};

}  // namespace ortelan
