// Where the steps find each locus's table between reading and testing: the
// table data files of the dialogue's runs, or the tables a scripted run
// counted into memory. Either way a step reads the same numbers on the same
// lines: a header (rows, columns, the four seeds, the three chain settings),
// then one line of counts per row; the loader and the chi-square read them
// one number at a time, and so find the same faults in both.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace ortelan {

// The numbers of the table data, line by line.
class TableNumbers {
 public:
  virtual ~TableNumbers() = default;

  enum class Read { Ok, NotANumber, End };
  // Skips blanks and line ends, then takes the next word, which must be an
  // optional sign and decimal digits that fit 64 bits.
  virtual Read readInteger(std::int64_t& value) = 0;
  // Discards the rest of the current line and its line end.
  virtual void skipLine() = 0;
  virtual bool atEnd() = 0;
  // Whether the tables stay within the dialogue's data model (100
  // populations, 99 alleles), so that a larger one is damaged data; tables
  // counted in memory have no such bound.
  virtual bool boundedByDataModel() const { return true; }
};

// One pass over the loci's tables, in increasing locus order; the loci that
// a step does not test are passed over.
class LocusTableSource {
 public:
  virtual ~LocusTableSource() = default;
  // Makes the tables ready to read; false when they cannot be opened.
  virtual bool open() = 0;
  // Positions at the header of locus `locus`'s table. False when its table
  // is missing.
  virtual bool openLocus(int locus) = 0;
  // Reads past the table of a locus that is not asked for.
  virtual void passOver() = 0;
  virtual void closeLocus() = 0;
  virtual TableNumbers& numbers() = 0;
  // The keys of the open table's columns (allele codes, or genotype keys),
  // in the columns' order, where the tables know them (those in memory).
  virtual const std::vector<std::uint32_t>* columnKeys() const { return nullptr; }
};

// The tables of a run, which each step reads anew.
class LocusTableStore {
 public:
  virtual ~LocusTableStore() = default;
  virtual std::unique_ptr<LocusTableSource> source() const = 0;
};

}  // namespace ortelan
