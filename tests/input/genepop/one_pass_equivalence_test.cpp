// The one-pass reader against the locus passes it replaces, on many
// generated files, well-formed and malformed: the same names, counts,
// table files, console output, and the same end of the run.
#include <gtest/gtest.h>

#include <random>

#include "apps/editions.h"
#include "input/genepop/locus_passes_reader.h"
#include "input/genepop/one_pass_reader.h"
#include "input/genepop/generated_genepop.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"

namespace ortelan {
namespace {

using testing::ScratchDir;
using testing::ScriptedConsole;

struct Outcome {
  std::string ending;  // "done", "status N" or "error N"
  std::string summary;
  std::string screen;
  std::string files;

  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << o.ending << "\n" << o.summary << "\n" << o.screen << "\n" << o.files;
}

template <class Reader>
Outcome readWith(const Edition& edition, const std::string& text, Reader reader) {
  ScratchDir dir;
  ScriptedConsole console;
  RunContext context(edition, console);
  context.seeds.emplace(edition.seeds, 4242);
  DataSummary data;
  Outcome outcome;
  try {
    TableDataWriter writer(context);
    reader(context, data, text, writer);
    outcome.ending = "done";
  } catch (const RunEnded& ended) {
    outcome.ending = "status " + std::to_string(ended.status);
  } catch (const RunTimeError& error) {
    outcome.ending = "error " + std::to_string(error.number);
  }
  outcome.summary = data.TITLE_LINE + "|" + std::to_string(data.NUMBOFLOCI) + "|" + std::to_string(data.NUMBPOPS) +
                    "|" + std::to_string(data.TOTNUMBGENES) + "|" + std::to_string(data.TOTNUMBINDIVIDUALS);
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    outcome.summary += "|" + data.LOCUSNAME[locus] + ":" + std::to_string(data.ALLELES_PER_LOCUS[locus]);
  }
  outcome.screen = console.screen();
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename();
    outcome.files += name + "\n" + dir.read(name);
  }
  return outcome;
}

TEST(OnePassReader, SameOutcomeAsTheLocusPasses) {
  std::mt19937 random(20261207);
  int fellBack = 0;
  for (int round = 0; round < 400; ++round) {
    const Edition& edition = round % 2 == 0 ? edition3d() : edition2d();
    const bool wellFormed = round % 3 != 0;
    int loci = 0;
    const std::string text = testing::generateGenepop(random, edition.alleleDigits, wellFormed, loci);
    const Outcome passes = readWith(edition, text, READ_INFILE_I);
    const Outcome once = readWith(edition, text, readGenepopOnce);
    ASSERT_EQ(once, passes) << "file:\n" << text;
    IndividualsOnce individuals;
    if (!readIndividualsOnce(text, loci, edition.alleleDigits, individuals)) ++fellBack;
  }
  // Both kinds of file were met: read once, and handed to the passes.
  EXPECT_GT(fellBack, 20);
  EXPECT_LT(fellBack, 200);
}

TEST(OnePassReader, LociWithoutIndividuals) {
  // Found by fuzzing: no individual after the population line.
  for (const char* text : {"t\nL1\nL2\nPop\n\n", "t\nL1\nPop\nno comma here\n", "t\nL\nPop\nPop\n\n"}) {
    EXPECT_EQ(readWith(edition3d(), text, readGenepopOnce), readWith(edition3d(), text, READ_INFILE_I)) << text;
  }
}

TEST(OnePassReader, ShortLinesFallBackToThePasses) {
  IndividualsOnce individuals;
  EXPECT_TRUE(readIndividualsOnce("t\nA\nB\nPop\na, 001001 002002\nb, 001002 002002 003003\n", 2, 3, individuals));
  EXPECT_EQ(individuals.population.size(), 2u);
  EXPECT_FALSE(readIndividualsOnce("t\nA\nB\nPop\na, 001001\nb, 001002 002002\n", 2, 3, individuals));
  EXPECT_FALSE(readIndividualsOnce("t\nA\nB\nPop\na, 001001 0020", 2, 3, individuals));
}

}  // namespace
}  // namespace ortelan
