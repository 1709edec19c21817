// The tables counted into memory read back as a plain count gives them, and
// the data file's lines come out of the stream whatever their length.
#include "input/tables/counted_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "input/line_stream.h"
#include "support/scratch_dir.h"

namespace ortelan {
namespace {

// Counts of (population, key) per locus, the plain way.
using Plain = std::vector<std::map<std::pair<int, std::uint32_t>, std::uint32_t>>;

// A reader of two populations (a pair's) gives their rows of the whole
// table, with the same columns and keys, at every locus it reads.
void expectPairRows(const CountedTables& tables, int populations, int step) {
  for (int a = 1; a < populations; a += 2) {
    for (int b = a + 1; b <= populations; b += 3) {
      CountedTables::Reader whole(tables), pair(tables, {a, b});
      CountTable all, rows;
      std::vector<std::uint32_t> allKeys, rowKeys;
      for (int locus = 1; locus <= tables.loci(); locus += step) {
        whole.read(locus, all, &allKeys);
        pair.read(locus, rows, &rowKeys);
        ASSERT_EQ(rows.rows, 2);
        ASSERT_EQ(rows.columns, all.columns);
        EXPECT_EQ(rowKeys, allKeys);
        for (int column = 1; column <= all.columns; ++column) {
          EXPECT_EQ(rows.at(1, column), all.at(a, column)) << "locus " << locus << " pair " << a << "," << b;
          EXPECT_EQ(rows.at(2, column), all.at(b, column)) << "locus " << locus << " pair " << a << "," << b;
        }
      }
    }
  }
}

void expectSameTables(const CountedTables& tables, const Plain& plain, int populations, int step) {
  expectPairRows(tables, populations, step);
  CountedTables::Reader reader(tables);
  CountTable table;
  std::vector<std::uint32_t> keys;
  for (int locus = 1; locus < static_cast<int>(plain.size()); locus += step) {
    SCOPED_TRACE("locus " + std::to_string(locus));
    std::map<std::uint32_t, int> columnOf;
    for (const auto& [where, count] : plain[static_cast<std::size_t>(locus)]) columnOf[where.second] = 0;
    reader.read(locus, table, &keys);
    ASSERT_EQ(table.rows, populations);
    ASSERT_EQ(table.columns, static_cast<int>(columnOf.size()));
    ASSERT_EQ(tables.columns(locus), table.columns);
    int column = 0;
    for (auto& [key, at] : columnOf) {
      at = ++column;
      EXPECT_EQ(keys[static_cast<std::size_t>(at - 1)], key);
    }
    for (int pop = 1; pop <= populations; ++pop) {
      for (const auto& [key, at] : columnOf) {
        const auto found = plain[static_cast<std::size_t>(locus)].find({pop, key});
        const std::uint32_t expected = found == plain[static_cast<std::size_t>(locus)].end() ? 0 : found->second;
        EXPECT_EQ(static_cast<std::uint32_t>(table.at(pop, at)), expected) << "pop " << pop << " key " << key;
      }
    }
  }
}

TEST(CountedTables, ReadBackAsAPlainCountWhateverTheOrderKeysAreMet) {
  // Keys met late and out of order, loci that grow beyond their first
  // places, populations with no count, and counts that need one, two and
  // four bytes; read back whole and with loci passed over.
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    const int loci = 1 + static_cast<int>(random() % 30);
    const int populations = 1 + static_cast<int>(random() % 12);
    const int maxKeys = 1 + static_cast<int>(random() % 40);
    CountedTables tables(loci, 99, 1 + static_cast<int>(random() % 3));
    Plain plain(static_cast<std::size_t>(loci) + 1);
    for (int pop = 1; pop <= populations; ++pop) {
      tables.beginPopulation(pop);
      if (random() % 5 == 0) continue;  // an empty population
      const int adds = static_cast<int>(random() % 200);
      for (int i = 0; i < adds; ++i) {
        const int locus = 1 + static_cast<int>(random() % static_cast<unsigned>(loci));
        const std::uint32_t key = 1 + random() % static_cast<unsigned>(maxKeys) * 7;
        const std::uint32_t count = random() % 10 == 0 ? 1 + random() % 70000 : 1;
        ASSERT_TRUE(tables.add(locus, key, count));
        plain[static_cast<std::size_t>(locus)][{pop, key}] += count;
      }
    }
    tables.finish(populations);
    EXPECT_EQ(tables.populations(), populations);
    expectSameTables(tables, plain, populations, 1);
    expectSameTables(tables, plain, populations, 3);
  }
}

TEST(CountedTables, WholeLociReadBackAsGiven) {
  // Loci given whole (a VCF record each), their keys in any order; a count
  // beyond its population's bound, or too many keys, is refused.
  std::mt19937 random(3);
  const std::vector<std::uint32_t> largest{0, 40, 300, 70000};
  CountedTables tables = CountedTables::wholeLoci(largest, 6);
  Plain plain(1);
  for (int locus = 1; locus <= 50; ++locus) {
    std::vector<std::uint32_t> keys;
    for (std::uint32_t key = 1; key <= 1 + random() % 6; ++key) keys.push_back(key * 3);
    std::shuffle(keys.begin(), keys.end(), random);
    CountTable counts;
    counts.resize(4, static_cast<int>(keys.size()));
    plain.emplace_back();
    for (int pop = 2; pop <= 4; ++pop) {
      for (std::size_t slot = 0; slot < keys.size(); ++slot) {
        const auto count = static_cast<std::uint32_t>(random() % (largest[static_cast<std::size_t>(pop - 1)] + 1));
        counts.at(pop, static_cast<int>(slot) + 1) = static_cast<std::int32_t>(count);
        plain.back()[{pop, keys[slot]}] = count;
      }
    }
    ASSERT_TRUE(tables.appendLocus(keys, counts));
  }
  EXPECT_EQ(tables.loci(), 50);
  expectSameTables(tables, plain, 4, 1);
  expectSameTables(tables, plain, 4, 7);

  CountTable counts;
  counts.resize(4, 1);
  counts.at(2, 1) = 41;
  EXPECT_FALSE(tables.appendLocus({1}, counts));
  counts.at(2, 1) = 0;
  counts.at(1, 1) = 1;  // a population with no sample
  EXPECT_FALSE(tables.appendLocus({1}, counts));
  counts.resize(4, 7);
  EXPECT_FALSE(tables.appendLocus({1, 2, 3, 4, 5, 6, 7}, counts));
  EXPECT_EQ(tables.loci(), 50);
}

TEST(CountedTables, ALocusHoldsAtMostItsColumnsAndTrailingPopulationsCount) {
  CountedTables tables(2, 3);
  tables.beginPopulation(2);
  for (std::uint32_t key : {5u, 9u, 1u}) EXPECT_TRUE(tables.add(1, key));
  EXPECT_TRUE(tables.add(1, 9));
  EXPECT_FALSE(tables.add(1, 4));  // a fourth key: no room
  EXPECT_EQ(tables.columns(1), 3);
  tables.finish(4);  // two more populations, empty
  EXPECT_EQ(tables.populations(), 4);
  CountedTables::Reader reader(tables);
  CountTable table;
  reader.read(2, table);
  EXPECT_EQ(table.rows, 4);
  EXPECT_EQ(table.columns, 0);

  CountedTables none(3, 99);
  none.finish(0);
  EXPECT_EQ(none.populations(), 0);
}

// Lines of any length, with LF or CR LF, through blocks of four megabytes.
TEST(LineStream, LinesOfAnyLengthAcrossBlocks) {
  testing::ScratchDir dir;
  std::vector<std::string> lines{"title", "", "a, 0101", std::string(3'000'000, 'x'), "short",
                                 std::string(9'000'000, 'y') + "z", "tail"};
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) text += lines[i] + (i % 2 == 0 ? "\r\n" : "\n");
  for (const std::string& ending : {std::string(), std::string("last"), std::string("last\r")}) {
    SCOPED_TRACE(ending.substr(0, 5));
    dir.write("data.gen", text + ending);
    LineStream stream;
    std::uint64_t told = 0;
    ASSERT_TRUE(stream.open((dir.path() / "data.gen").string(), [&](std::uint64_t bytes) { told = bytes; }));
    EXPECT_EQ(stream.size(), text.size() + ending.size());
    for (const std::string& line : lines) {
      const auto got = stream.next();
      ASSERT_TRUE(got);
      EXPECT_EQ(got->size(), line.size());
      EXPECT_TRUE(*got == line);
      EXPECT_FALSE(stream.lastLineUnended());
    }
    if (!ending.empty()) {
      EXPECT_FALSE(stream.atEnd());
      EXPECT_EQ(stream.next(), std::optional<std::string_view>("last"));
      EXPECT_TRUE(stream.lastLineUnended());
    }
    EXPECT_TRUE(stream.atEnd());
    EXPECT_FALSE(stream.next());
    EXPECT_EQ(stream.lineNumber(), static_cast<long>(lines.size() + (ending.empty() ? 0 : 1)));
    EXPECT_EQ(told, text.size() + ending.size());
  }
  LineStream missing;
  EXPECT_FALSE(missing.open((dir.path() / "none.gen").string()));
  EXPECT_FALSE(missing.open(dir.path().string()));
}

}  // namespace
}  // namespace ortelan
