// The populations x columns tables of every locus, counted while a data file
// is read, and kept in memory compactly.
//
// A file gives one individual after the other, population by population, and
// a locus meets its alleles (or genotypes) as they come. So the counts of the
// population being read are kept per locus, one place per column key met so
// far; when the population ends they are appended to that population's
// segment, in locus order, each at the narrowest width (1, 2 or 4 bytes) that
// holds the population's largest count. A locus's k-th key met is stored in
// the segments of the populations from the one that met it on, so the
// segments need no offsets of their own: read in locus order, each segment is
// read straight through. A SNP locus in 20 populations of up to 127
// individuals takes 40 bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "input/tables/count_table.h"

namespace ortelan {

class CountedTables {
 public:
  // `loci` loci (numbered from 1), each with room for `maxColumns` keys at
  // most; `columnsHint` places per locus are set aside at first.
  CountedTables(int loci, int maxColumns, int columnsHint = 2);

  // `count` more of column key `key` (> 0) at `locus` in the current
  // population. False, with nothing counted, when the key would be the
  // locus's (maxColumns + 1)-th.
  bool add(int locus, std::uint32_t key, std::uint32_t count = 1) {
    Places& places = places_[static_cast<std::size_t>(locus)];
    const std::uint32_t* keys = keys_.data() + places.first;
    // A locus has a few keys as a rule: all are looked at, without a branch
    // on which one matches, which no processor could foresee.
    std::uint32_t found = places.used;
    if (places.used <= 8) {
      for (std::uint32_t slot = 0; slot < places.used; ++slot) found = keys[slot] == key ? slot : found;
    } else {
      for (std::uint32_t slot = 0; slot < places.used && found == places.used; ++slot) found = keys[slot] == key ? slot : found;
    }
    if (found == places.used) return addKey(places, key, count);
    counts_[places.first + found] += count;
    return true;
  }

  // Tables given whole, locus after locus, for data whose records are loci:
  // no locus yet, and the populations' segments made at once, population p
  // (from 1) holding counts of at most largest[p - 1].
  static CountedTables wholeLoci(const std::vector<std::uint32_t>& largest, int maxColumns);
  // Appends the next locus: its column keys, in any order, and its counts,
  // a populations x keys table in the same order. False, with nothing kept,
  // when the keys are more than maxColumns or a count is beyond its
  // population's largest.
  bool appendLocus(const std::vector<std::uint32_t>& keys, const CountTable& counts);

  // The counts that follow belong to population `population` (from 1, at
  // least the current one); the populations before it are complete, those
  // that got no count included.
  void beginPopulation(int population);
  // Completes the populations up to `populations` (the last may be the
  // current one); the tables then have that many rows.
  void finish(int populations);

  int loci() const { return static_cast<int>(places_.size()) - 1; }
  int populations() const { return static_cast<int>(segments_.size()); }
  // The keys met at `locus`: the table's columns.
  int columns(int locus) const { return places_[static_cast<std::size_t>(locus)].used; }
  // The bytes the finished tables take.
  std::size_t bytes() const;

  // The tables read back, in increasing locus order: every population's
  // row, or only those of `populations` (from 1, increasing), such as the
  // two of a pair, whose segments alone are read.
  class Reader {
   public:
    explicit Reader(const CountedTables& tables, std::vector<int> populations = {});
    // The table of `locus` (not below any locus read before): a row per
    // population read, a column per key in increasing key order, into
    // `table`, and the keys into `keys` when given.
    void read(int locus, CountTable& table, std::vector<std::uint32_t>* keys = nullptr);

   private:
    void passTo(int locus);

    const CountedTables& tables_;
    std::vector<int> populations_;      // the rows read, from 0
    std::vector<std::size_t> offsets_;  // per row read: where the next locus's counts begin
    int next_ = 1;                      // the next locus in the segments
    std::vector<std::uint32_t> order_;
    std::vector<int> column_;           // per slot, its column
  };

 private:
  // Where a locus keeps its keys: places first .. first + capacity of the
  // key, population-met and count arrays.
  struct Places {
    std::uint32_t first = 0;
    std::uint16_t capacity = 0;
    std::uint16_t used = 0;
  };
  // One population's counts, locus after locus, `width` bytes each (0: all zero).
  struct Segment {
    int width = 0;
    std::uint32_t largest = 0;  // no count is larger
    std::vector<std::uint8_t> cells;
  };

  bool addKey(Places& places, std::uint32_t key, std::uint32_t count);
  static int widthFor(std::uint32_t largest) { return largest == 0 ? 0 : largest <= 0xFF ? 1 : largest <= 0xFFFF ? 2 : 4; }
  void endPopulation();

  int maxColumns_;
  int current_ = 1;  // the population being counted
  std::vector<Places> places_;
  std::vector<std::uint32_t> keys_;
  std::vector<std::uint32_t> metIn_;   // the population in which each key was met first
  std::vector<std::uint32_t> counts_;  // the current population's counts
  std::vector<Segment> segments_;
};

}  // namespace ortelan
