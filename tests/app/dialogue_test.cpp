#include "app/dialogue.h"

#include <gtest/gtest.h>

#include "apps/editions.h"
#include "run/failure.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"

namespace ortelan {
namespace {

using testing::ScratchDir;
using testing::ScriptedConsole;

const std::string kOpening3d =
    "<CLS>"
    " -----------------------------------------------------------------------\n"
    " ORTELAN_3D.EXE  ver. 5.0\n"
    " Testing the hypothesis of identical allele frequency distributions\n"
    " in two or more populations by means of Pearson's chi-square and\n"
    " Fisher's exact test (unbiased estimate of P-value).\n"
    " - by the Ortelan developers  (December 2026)\n"
    " -----------------------------------------------------------------------\n"
    "   Data must be in the GENEPOP format with locus names on separate\n"
    "   lines and THREE-digit allelic designation. Put ORTELAN_3D.EXE and the\n"
    "   data input file in the same directory.\n"
    "\n"
    "   Max. 100 populations, 10,000 loci, and 99 alleles per locus.\n"
    "\n\n\n"
    "   Give name of input file: ";

const std::string kSettings =
    "\n"
    "The default Markov chain settings are:\n"
    " 10,000 dememorization steps\n"
    "    100 batches\n"
    "  5,000 iterations/batch\n"
    "\n"
    "Do you want other settings than the above defaults? (Y/Return): ";

const std::string kWaiting3d =
    "<CLS>\n\n\n\n\n\n\n\n\n\n"
    "                 PLEASE WAIT!! PROGRAM IS RUNNING!!\n"
    "\n\n"
    "                 Output will be stored in ORTELAN.OUT\n"
    "\n"
    "             Execution is not finished until this screen disappears\n"
    "\n\n"
    "             Now reading infile and constructing contingency tables ...\n";

template <class F>
int endStatus(F&& f) {
  try {
    f();
  } catch (const RunEnded& ended) {
    return ended.status;
  } catch (const RunTimeError& error) {
    return 1000 + error.number;
  }
  return -1;
}

TEST(Dialogue, ThreeDigitProgramWholeScreenWithDefaults) {
  ScratchDir dir;
  dir.write("data.gen", "title\n");
  ScriptedConsole console("data.gen\n\n");
  const DialogueAnswers answers = OPEN_INFILE_FIRST_SCREEN(edition3d(), console);
  EXPECT_EQ(answers.fileName, "data.gen");
  EXPECT_EQ(answers.settings.dememorizations, 10000);
  EXPECT_EQ(answers.settings.batches, 100);
  EXPECT_EQ(answers.settings.iterationsPerBatch, 5000);
  // The key takes effect at once and is not echoed; a line end follows it.
  EXPECT_EQ(console.screen(), kOpening3d + kSettings + "\n" + kWaiting3d);
  EXPECT_EQ(console.err(), "");
}

TEST(Dialogue, EditionTexts) {
  ScriptedConsole two, c;
  writeOpeningScreen(edition2d(), two);
  writeOpeningScreen(editionC(), c);
  EXPECT_NE(two.out().find("\n ORTELAN_2D.EXE  ver. 5.0\n"), std::string::npos);
  EXPECT_NE(two.out().find("\n   lines and TWO-digit allelic designation. Put ORTELAN_2D.EXE and the\n"
                           "   data input file in the same directory.\n"),
            std::string::npos);
  // ortelan_c does not clear the screen and names its own format and contact.
  EXPECT_EQ(c.screen().rfind("<CLS>", 0), std::string::npos);
  EXPECT_NE(c.out().find("\n ORTELAN_C.EXE  ver. 0.8\n"), std::string::npos);
  EXPECT_NE(c.out().find("\n   lines (two- or three-digit allelic designation). Put ORTELAN_C.EXE\n"
                         "   and the data input file in the same directory.\n"),
            std::string::npos);

  ScriptedConsole waiting;
  writeWaitingScreen(editionC(), waiting);
  EXPECT_EQ(waiting.screen(),
            "<CLS>\n\n\n\n\n\n\n\n\n\n"
            "                 PLEASE WAIT!! PROGRAM IS RUNNING!!\n\n\n"
            "                 cout will be stored in ORTELAN.OUT\n\n"
            "             Execution is not finished until this screen disappears\n");
}

struct SettingsCase {
  const char* typed;
  int dememorizations, batches, iterations;
};

TEST(Dialogue, AnswersToTheSettingsQuestion) {
  const SettingsCase cases[] = {
      {"\n", 10000, 100, 5000},
      {"n", 10000, 100, 5000},
      {"q", 10000, 100, 5000},
      {"Y500\n20\n300\n", 500, 20, 300},
      {"y 0 \n2\n1\n", 0, 2, 1},
  };
  for (const auto& c : cases) {
    ScriptedConsole console(c.typed);
    const ChainSettings s = askChainSettings(edition3d(), console);
    EXPECT_EQ(s.dememorizations, c.dememorizations) << c.typed;
    EXPECT_EQ(s.batches, c.batches) << c.typed;
    EXPECT_EQ(s.iterationsPerBatch, c.iterations) << c.typed;
  }
  ScriptedConsole prompts("Y1\n2\n3\n");
  askChainSettings(edition2d(), prompts);
  EXPECT_EQ(prompts.out(), kSettings + "\nGive number of dememorizations: Give number of batches: "
                                       "Give number of iterations per batch: ");
}

TEST(Dialogue, DoubleProgramReadsOneCharacterAndTheNumbersAsTheyCome) {
  ScriptedConsole console("y\n700 30\n40\n");
  const ChainSettings s = askChainSettings(editionC(), console);
  EXPECT_EQ(s.dememorizations, 700);
  EXPECT_EQ(s.batches, 30);
  EXPECT_EQ(s.iterationsPerBatch, 40);
  // No line end after the answer.
  EXPECT_EQ(console.out(), kSettings + "Give number of dememorizations: Give number of batches: "
                                       "Give number of iterations per batch: ");
}

TEST(Dialogue, SettingsTheChainCannotUseAreAskedAgain) {
  ScriptedConsole console("Y-1\n10\n1\n0\n3\n0\n-5\n8\n");
  const ChainSettings s = askChainSettings(edition3d(), console);
  EXPECT_EQ(s.dememorizations, 10);
  EXPECT_EQ(s.batches, 3);
  EXPECT_EQ(s.iterationsPerBatch, 8);
  EXPECT_EQ(console.out(), kSettings + "\n"
                           "Give number of dememorizations: The number of dememorization steps cannot be negative.\n"
                           "Give number of dememorizations: "
                           "Give number of batches: The number of batches must be at least 2.\n"
                           "Give number of batches: The number of batches must be at least 2.\n"
                           "Give number of batches: "
                           "Give number of iterations per batch: The number of iterations per batch must be at least 1.\n"
                           "Give number of iterations per batch: The number of iterations per batch must be at least 1.\n"
                           "Give number of iterations per batch: ");

  ScriptedConsole c("y\nmany\n5 x\n2 1\n");
  const ChainSettings sc = askChainSettings(editionC(), c);
  EXPECT_EQ(sc.dememorizations, 5);
  EXPECT_EQ(sc.batches, 2);
  EXPECT_EQ(sc.iterationsPerBatch, 1);
  EXPECT_EQ(c.err(), "Please give a whole number.\nPlease give a whole number.\n");
}

TEST(Dialogue, AnswersThatAreNotNumbersOrNoAnswerAtAll) {
  // The 80-bit programs: run-time error 106, also when input ends.
  for (const char* typed : {"Yabc\n", "Y12abc\n", "Y99999999999\n", "Y", "Y5\n"}) {
    ScriptedConsole console(typed);
    EXPECT_EQ(endStatus([&] { askChainSettings(edition3d(), console); }), 1106) << typed;
  }
  // ortelan_c cannot ask again once input has ended: a fatal stop, no hang.
  ScriptedConsole c("y\n5\n");
  EXPECT_EQ(endStatus([&] { askChainSettings(editionC(), c); }), kFatalStopStatus);
  EXPECT_NE(c.err().find("=========Error: "), std::string::npos);
}

TEST(Dialogue, DataFileThatDoesNotOpen) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.path() / "folder");
  for (const char* name : {"missing.gen", "folder", ""}) {
    ScriptedConsole three(std::string(name) + "\n\n");
    EXPECT_EQ(endStatus([&] { OPEN_INFILE_FIRST_SCREEN(edition3d(), three); }), 1002) << name;
    EXPECT_EQ(three.screen(), kOpening3d) << "nothing else is shown";

    ScriptedConsole c(std::string(name) + "\n\n");
    EXPECT_EQ(endStatus([&] { OPEN_INFILE_FIRST_SCREEN(editionC(), c); }), kFatalStopStatus);
    EXPECT_EQ(c.err(), "No file (" + std::string(name) + ") found!\n\n=========Error: " + name + "\n");
    EXPECT_TRUE(c.out().ends_with("   Give name of input file: Press any key to continue . . . \n"));
  }
}

// ortelan_c clears its waiting screen and pauses at a fatal stop through
// the command interpreter (CLS, PAUSE); the 80-bit programs clear the
// screen through the console itself.
TEST(Dialogue, TheDoubleProgramClearsAndPausesThroughTheCommandInterpreter) {
  const std::vector<std::string> cls = {"CLS"}, none;
  for (const auto& [edition, commands] : {std::pair{&edition3d(), none}, {&edition2d(), none}, {&editionC(), cls}}) {
    ScriptedConsole console;
    writeWaitingScreen(*edition, console);
    EXPECT_EQ(console.commands, commands) << edition->programName;
    EXPECT_TRUE(console.screen().starts_with("<CLS>\n")) << edition->programName;
  }
  ScriptedConsole c("missing.gen\n\n");
  EXPECT_EQ(endStatus([&] { OPEN_INFILE_FIRST_SCREEN(editionC(), c); }), kFatalStopStatus);
  EXPECT_EQ(c.commands, std::vector<std::string>{"PAUSE"});
}

TEST(Dialogue, FileNameLineEndsAreNotPartOfTheName) {
  ScratchDir dir;
  dir.write("my data.gen", "title\n");
  ScriptedConsole console("my data.gen\r\n\r\n");
  EXPECT_EQ(OPEN_INFILE_FIRST_SCREEN(editionC(), console).fileName, "my data.gen");
}

}  // namespace
}  // namespace ortelan
