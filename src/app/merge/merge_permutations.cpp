#include "app/merge/merge_permutations.h"

#include <algorithm>
#include <limits>
#include <tuple>

#include "run/failure.h"
#include "run/whole_number.h"

namespace ortelan {
namespace {

[[noreturn]] void misfit(const std::string& what) { throw OneLineFault{what, kUsageStatus}; }

// One test of one table: its name and pair, and its sums.
struct TestSums {
  PermutationKind kind = PermutationKind::AmongPopulations;
  int a = 0, b = 0;
  long loci = 0;
  std::int64_t tie = 0;
  std::vector<std::int64_t> g;  // permutation 0 (observed) to B
};

std::string testLabel(const TestSums& t) {
  std::string label = permutationKindName(t.kind);
  if (t.kind == PermutationKind::Pair) {
    // Appended piece by piece: g++ 12 at -O3 misreads a literal + string.
    label += ' ';
    label += std::to_string(t.a);
    label += ',';
    label += std::to_string(t.b);
  }
  return label;
}

// No run's sums come near this; the merge's sums of shards stay below 2^62.
constexpr std::int64_t kMost = std::int64_t{1} << 61;

template <class Whole>
Whole whole(const ShardTable& table, const ShardRow& row, const char* column, Whole lowest = 0) {
  const std::string& field = row.fields[table.column(column)];
  const std::optional<Whole> value = wholeNumber<Whole>(field);
  if (!value || *value < lowest || *value > kMost) {
    misfit(table.path + ": line " + std::to_string(row.line) + ": " + column + " is not a whole number of a run: " + field);
  }
  return *value;
}

// The tests of a table in their order, each with permutations 0 to B.
std::vector<TestSums> testsOf(const ShardTable& table, long permutations) {
  std::vector<TestSums> tests;
  for (const ShardRow& row : table.rows) {
    const std::string at = table.path + ": line " + std::to_string(row.line) + ": ";
    const std::string& name = row.fields[table.column("test")];
    const std::optional<PermutationKind> kind = permutationKindNamed(name);
    if (!kind) misfit(at + "an unknown test " + name);
    TestSums test;
    test.kind = *kind;
    if (*kind == PermutationKind::Pair) {
      test.a = whole<int>(table, row, "pop_a");
      test.b = whole<int>(table, row, "pop_b");
      if (test.a < 1 || test.b <= test.a) misfit(at + "not a pair of populations a < b");
    } else if (row.fields[table.column("pop_a")] != "NA" || row.fields[table.column("pop_b")] != "NA") {
      misfit(at + "a test of " + name + " names a pair of populations");
    }
    test.loci = whole<long>(table, row, "loci");
    test.tie = whole<std::int64_t>(table, row, "tie_units");
    const long k = whole<long>(table, row, "permutation");
    const bool next = !tests.empty() && tests.back().kind == test.kind && tests.back().a == test.a &&
                      tests.back().b == test.b && static_cast<long>(tests.back().g.size()) <= permutations;
    if (!next) {
      if (!tests.empty() && static_cast<long>(tests.back().g.size()) != permutations + 1) {
        misfit(at + "test " + testLabel(tests.back()) + " ends at permutation " +
               std::to_string(tests.back().g.size() - 1) + " of " + std::to_string(permutations));
      }
      tests.push_back(test);
    } else if (tests.back().loci != test.loci || tests.back().tie != test.tie) {
      misfit(at + "loci or tie_units differ within test " + testLabel(test));
    }
    if (k != static_cast<long>(tests.back().g.size())) {
      misfit(at + "permutation " + std::to_string(k) + " where permutation " +
             std::to_string(tests.back().g.size()) + " of test " + testLabel(test) + " is due");
    }
    tests.back().g.push_back(whole<std::int64_t>(table, row, "g_units", -kMost));
  }
  if (tests.empty()) misfit(table.path + ": no permutations: the table is cut short");
  if (static_cast<long>(tests.back().g.size()) != permutations + 1) {
    misfit(table.path + ": test " + testLabel(tests.back()) + " ends at permutation " +
           std::to_string(tests.back().g.size() - 1) + " of " + std::to_string(permutations));
  }
  return tests;
}

// a + b, refused where it would leave 61 bits (no run's sums come near).
std::int64_t added(std::int64_t a, std::int64_t b, const std::string& path) {
  if ((b > 0 && a > kMost - b) || (b < 0 && a < -kMost - b)) misfit(path + ": sums of G beyond what a run makes");
  return a + b;
}

}  // namespace

template <class Real>
PermutationResults<Real> mergePermutationTables(const std::vector<ShardTable>& shards,
                                                const std::vector<std::size_t>& which, long permutations,
                                                std::int64_t hits) {
  if (permutations < 1 || permutations > std::numeric_limits<std::int32_t>::max()) {
    misfit(shards[which.front()].path + ": permutations=" + std::to_string(permutations) + " is not a run's count");
  }
  std::vector<TestSums> sums;
  for (std::size_t n = 0; n < which.size(); ++n) {
    const ShardTable& table = shards[which[n]];
    std::vector<TestSums> tests = testsOf(table, permutations);
    if (n == 0) {
      sums = std::move(tests);
      continue;
    }
    const std::string& first = shards[which.front()].path;
    if (tests.size() != sums.size()) misfit(table.path + " holds other tests than " + first);
    for (std::size_t t = 0; t < tests.size(); ++t) {
      if (std::tie(tests[t].kind, tests[t].a, tests[t].b) != std::tie(sums[t].kind, sums[t].a, sums[t].b)) {
        misfit(table.path + " holds test " + testLabel(tests[t]) + " where " + first + " holds " + testLabel(sums[t]));
      }
      sums[t].loci = static_cast<long>(added(sums[t].loci, tests[t].loci, table.path));
      sums[t].tie = added(sums[t].tie, tests[t].tie, table.path);
      for (std::size_t k = 0; k < tests[t].g.size(); ++k) sums[t].g[k] = added(sums[t].g[k], tests[t].g[k], table.path);
    }
  }
  PermutationResults<Real> out;
  out.permutations = permutations;
  for (const TestSums& test : sums) {
    PermutationOutcome<Real> o;
    o.loci = test.loci;
    o.observed = test.g.front();
    o.tie = test.tie;
    o.permuted.assign(test.g.begin() + 1, test.g.end());
    o.count = countHits(o.observed, o.tie, o.permuted, hits);
    o.p = permutationP<Real>(o.count);
    switch (test.kind) {
      case PermutationKind::AmongPopulations:
        out.amongPopulations = std::move(o);
        break;
      case PermutationKind::WithinGroups:
        out.withinGroups = std::move(o);
        break;
      case PermutationKind::AmongGroups:
        out.amongGroups = std::move(o);
        break;
      case PermutationKind::Pair:
        out.populations = std::max(out.populations, test.b);
        out.pairs.push_back(std::move(o));
        break;
    }
  }
  // The pairs must be every pair of their populations, in order.
  if (!out.pairs.empty()) {
    std::vector<const TestSums*> pairs;
    for (const TestSums& test : sums) {
      if (test.kind == PermutationKind::Pair) pairs.push_back(&test);
    }
    std::size_t k = 0;
    const int populations = out.populations;
    for (int a = 1; a < populations; ++a) {
      for (int b = a + 1; b <= populations; ++b, ++k) {
        if (k >= pairs.size() || pairs[k]->a != a || pairs[k]->b != b) {
          misfit(shards[which.front()].path + ": the pairs' tests are not those of pairs (1,2) ... of " +
                 std::to_string(populations) + " populations in order");
        }
      }
    }
    if (k != out.pairs.size()) misfit(shards[which.front()].path + ": more pairs' tests than its populations make");
  }
  return out;
}

template PermutationResults<double> mergePermutationTables<double>(const std::vector<ShardTable>&,
                                                                   const std::vector<std::size_t>&, long, std::int64_t);
template PermutationResults<long double> mergePermutationTables<long double>(const std::vector<ShardTable>&,
                                                                             const std::vector<std::size_t>&, long,
                                                                             std::int64_t);

}  // namespace ortelan
