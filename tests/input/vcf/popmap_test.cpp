// The population map: its file read line by line, or given as pairs, with
// the same checks either way.
#include "input/vcf/popmap.h"

#include <gtest/gtest.h>

#include "run/failure.h"
#include "support/scratch_dir.h"

namespace ortelan {
namespace {

std::string describe(const Popmap& map) {
  std::string text;
  for (const auto& [sample, population] : map.entries()) {
    text += sample + "=" + std::to_string(map.populationOf(sample)) + ":" + population + " ";
  }
  for (int p = 1; p <= map.populations(); ++p) {
    text += "[" + map.labels()[static_cast<std::size_t>(p)];
    if (map.hasGroups()) text += " in " + map.groups()[static_cast<std::size_t>(p)];
    text += "]";
  }
  return text;
}

template <class Make>
std::string outcome(Make make) {
  try {
    return describe(make());
  } catch (const OneLineFault& fault) {
    return "fault " + std::to_string(fault.status) + " " + fault.message;
  }
}

TEST(Popmap, LinesOfSampleAndPopulation) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const std::vector<Case> cases{
      // Populations numbered as they first appear; blanks or tabs; comments,
      // empty lines and CR LF line ends skipped.
      {"# Stacks popmap\ns1\tnorth\ns2 south\n\n  s3 \t north  \r\ns4\twest",
       "s1=1:north s2=2:south s3=1:north s4=3:west [north][south][west]"},
      {"s1\tp\r\n#s2\tq\r\n", "s1=1:p [p]"},
      {"s1\tnorth\ns1\tnorth\n", "fault 2 pops.txt: sample s1 is listed twice"},
      {"s1\tnorth\ns2\tsouth\ns1\tsouth\n", "fault 2 pops.txt: sample s1 is listed twice (in north and in south)"},
      {"s1\tnorth\ns2\n", "fault 2 pops.txt: line 2: 1 field where a sample and its population (and its group) are expected"},
      {"s1\tnorth\tx\ty\n", "fault 2 pops.txt: line 1: 4 fields where a sample and its population (and its group) are expected"},
      // A third column: the group of the sample's population, on every line.
      {"s1 north coast\ns2 south inland\ns3 north coast\n", "s1=1:north s2=2:south s3=1:north [north in coast][south in inland]"},
      {"s1 north coast\ns2 south\n", "fault 2 pops.txt: line 2: 2 fields where the lines before give a sample, its population and its group"},
      {"s1 north\ns2 south inland\n", "fault 2 pops.txt: line 2: 3 fields where the lines before give a sample and its population"},
      {"s1 north coast\ns2 south inland\ns3 north inland\n",
       "fault 2 pops.txt: line 3: population north is in group inland here and in coast on line 1"},
      {"# nothing\n\n", "fault 2 pops.txt: no sample in the population map"},
      {"", "fault 2 pops.txt: no sample in the population map"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(outcome([&] { return Popmap::parse(c.text, "pops.txt"); }), c.expected) << c.text;
  }
}

TEST(Popmap, PairsAreCheckedAsLinesAre) {
  using Entries = std::vector<Popmap::Entry>;
  struct Case {
    Entries entries;
    std::string expected;
  };
  const std::vector<Case> cases{
      {{{"a", "x"}, {"b", "y"}, {"c", "x"}}, "a=1:x b=2:y c=1:x [x][y]"},
      {{{"a", "x"}, {"a", "y"}}, "fault 2 R: sample a is listed twice (in x and in y)"},
      {{{"a", ""}}, "fault 2 R: a sample or a population without a name"},
      {{}, "fault 2 R: no sample in the population map"},
  };
  for (const Case& c : cases) EXPECT_EQ(outcome([&] { return Popmap(c.entries, "R"); }), c.expected);
}

TEST(Popmap, ReadFromItsFile) {
  testing::ScratchDir dir;
  dir.write("pops.txt", "s1\tnorth\r\ns2\tsouth\r\n");
  EXPECT_EQ(outcome([] { return Popmap::read("pops.txt"); }), "s1=1:north s2=2:south [north][south]");
  EXPECT_EQ(outcome([] { return Popmap::read("missing.txt"); }),
            "fault 1 cannot read the population map missing.txt: No such file or directory");
}

}  // namespace
}  // namespace ortelan
