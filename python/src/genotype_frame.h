// A data frame of genotypes (one row per individual, one column per locus,
// as adegenet's genind2df gives them) as the tables the core takes in place
// of a data file: per locus, each population's genes of each allele, the
// missing genes first, the alleles in increasing order of their codes, and
// the complete genotypes, as a GENEPOP reader counts them.
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "input/tables/given_tables.h"

namespace ortelan {

// A genotype: two allele codes, 0 for a missing gene.
struct GenotypeCodes {
  int first = 0;
  int second = 0;
};

// One cell of a locus column: "41/43" or "41|43" (blanks, "." or "0" for a
// missing gene), "041043" cut in two as the program reads a GENEPOP
// genotype (`digits` per allele, or 0: 4 or 6 digits in all), a pair of
// whole numbers, or a missing value (None, NaN, `missing`, "", "NA").
// False when it is none of them.
bool genotypeOfCell(pybind11::handle cell, int digits, pybind11::handle missing, GenotypeCodes& codes);

// One genotype text as genotypeOfCell reads it.
bool genotypeOfText(std::string_view text, int digits, GenotypeCodes& codes);

struct GenotypeFrame {
  std::string title;
  std::string name;                        // the data's name in messages
  std::vector<std::string> individuals;    // row labels, for messages
  std::vector<int> population;             // per individual: its population from 0
  std::vector<std::string> populations;    // labels
  std::vector<std::string> loci;
  std::vector<std::vector<GenotypeCodes>> genotypes;  // per locus, per individual
};

// Reads the cells of `columns`, a NumPy array of objects, loci x
// individuals. Throws OneLineFault
// (status 1) naming the individual and the locus of a cell that is not a
// genotype; what a signal handler raises meanwhile (Ctrl-C) goes on up.
// Needs the GIL.
void readGenotypeColumns(GenotypeFrame& frame, pybind11::handle columns, int digits, pybind11::handle missing);

// The tables of the frame's loci.
GivenData givenDataOf(const GenotypeFrame& frame);

}  // namespace ortelan
