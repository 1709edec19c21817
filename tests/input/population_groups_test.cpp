// The groups of the populations: a groups file's lines resolved against
// the populations' numbers and labels, with a one-line usage fault for
// every way in which they do not give each population one group.
#include "input/population_groups.h"

#include <gtest/gtest.h>

#include "run/failure.h"
#include "support/scratch_dir.h"

namespace ortelan {
namespace {

std::string outcome(const std::string& text, const std::vector<std::string>& labels) {
  try {
    const PopulationGroups groups = resolveGroups(parseGroupEntries(text, "groups.txt"), labels, "groups.txt");
    std::string described;
    for (int pop = 1; pop <= groups.populations(); ++pop) {
      described += std::to_string(pop) + ":" + groups.names[static_cast<std::size_t>(groups.groupOf[static_cast<std::size_t>(pop)])] + " ";
    }
    return described + "(" + std::to_string(groups.groups()) + " groups)";
  } catch (const OneLineFault& fault) {
    return "fault " + std::to_string(fault.status) + " " + fault.message;
  }
}

TEST(PopulationGroups, EveryPopulationInExactlyOneOfTwoGroupsOrMore) {
  // Labels as GENEPOP data give them: the last individual's name, so that
  // two populations may share one.
  const std::vector<std::string> labels = {"", "ari07", "bel06", "cor05", "bel06", "12"};
  struct Case {
    std::string text, expected;
  };
  const std::vector<Case> cases{
      // By number or by label; groups numbered as the populations name them.
      {"# river groups\r\n1 north\n3\tsouth\n2 north\n4 south\n5 south\n", "1:north 2:north 3:south 4:south 5:south (2 groups)"},
      {"cor05 south\nari07 north\n2 west\n4 west\n5 north\n", "1:north 2:west 3:south 4:west 5:north (3 groups)"},
      // A number beyond the populations is a label.
      {"12 a\n1 a\n2 b\n3 b\n4 b\n", "1:a 2:b 3:b 4:b 5:a (2 groups)"},
      {"bel06 a\n", "fault 2 groups.txt: line 1: populations 2 and 4 are both labelled bel06: give its number"},
      {"7 a\n", "fault 2 groups.txt: line 1: no population 7 in the data (5 populations)"},
      {"1 a\n1 b\n", "fault 2 groups.txt: line 2: population 1 is in group b here and in a on line 1"},
      {"1 a\n2 a\n3 a\n4 a\n5 a\n", "fault 2 groups.txt: every population is in group a: at least two groups are needed"},
      {"1 a\n2 b\n3 a\n4 b\n", "fault 2 groups.txt: population 12 (number 5) has no group"},
      {"1 a b\n", "fault 2 groups.txt: line 1: 3 fields where a population and its group are expected"},
      {"", "fault 2 groups.txt: population ari07 (number 1) has no group"},
  };
  for (const Case& c : cases) EXPECT_EQ(outcome(c.text, labels), c.expected) << c.text;
}

TEST(PopulationGroups, PairsFromRAndPythonAndAMapsThirdColumn) {
  const std::vector<std::string> labels = {"", "p1", "p2", "p3"};
  try {
    resolveGroups({{"p1", "", 0}}, labels, "the groups");
    ADD_FAILURE();
  } catch (const OneLineFault& fault) {
    EXPECT_EQ(fault.message, "the groups: population p1 has an empty group name");
    EXPECT_EQ(fault.status, kUsageStatus);
  }
  const PopulationGroups groups = groupsOfPopulations({"", "x", "y", "x"}, labels, "pops.txt");
  EXPECT_EQ(groups.groupOf, (std::vector<int>{-1, 0, 1, 0}));
  testing::ScratchDir dir;
  dir.write("g.txt", "p1 x\np2 y\np3 y\n");
  EXPECT_EQ(resolveGroups(readGroupEntries("g.txt"), labels, "g.txt").groupOf, (std::vector<int>{-1, 0, 1, 1}));
  try {
    readGroupEntries("missing.txt");
    ADD_FAILURE();
  } catch (const OneLineFault& fault) {
    EXPECT_EQ(fault.message, "cannot read the groups missing.txt: No such file or directory");
  }
}

}  // namespace
}  // namespace ortelan
