// The files of a run are whole or not there, streamed ones too: a stream
// that ends part-way leaves no file and an earlier file as it was; standard
// output and a device take the blocks where they go.
#include "app/outputs.h"

#include <gtest/gtest.h>

#include "run/failure.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"

namespace ortelan {
namespace {

TEST(Outputs, StreamedFilesAreWholeOrNotThere) {
  testing::ScratchDir dir;
  const std::string table = (dir.path() / "t.tsv").string(), held = (dir.path() / "a.txt").string();
  dir.write("t.tsv", "earlier");
  testing::ScriptedConsole console;
  {
    Outputs outputs;
    outputs.add(held, "held");
    outputs.addStreamed(table, [](const Outputs::Blocks& blocks) {
      blocks("one ");
      blocks("two");
    });
    EXPECT_EQ(outputs.commit(console), "");
  }
  EXPECT_EQ(dir.read("t.tsv"), "one two");
  EXPECT_EQ(dir.read("a.txt"), "held");
  EXPECT_EQ(dir.listing(), "a.txt\nt.tsv\n");

  // Interrupted part-way: nothing of the run is left.
  {
    Outputs outputs;
    outputs.add((dir.path() / "b.txt").string(), "held");
    outputs.addStreamed(table, [](const Outputs::Blocks& blocks) {
      blocks("part");
      throw OneLineFault{"interrupted", kInterruptedStatus};
    });
    EXPECT_THROW(outputs.commit(console), OneLineFault);
  }
  EXPECT_EQ(dir.read("t.tsv"), "one two");
  EXPECT_EQ(dir.listing(), "a.txt\nt.tsv\n");

  // Where a streamed file cannot be written, the reason, and nothing left.
  {
    Outputs outputs;
    outputs.add((dir.path() / "b.txt").string(), "held");
    outputs.addStreamed((dir.path() / "no" / "t.tsv").string(), [](const Outputs::Blocks& blocks) { blocks("x"); });
    EXPECT_NE(outputs.commit(console).find("cannot write"), std::string::npos);
  }
  EXPECT_EQ(dir.listing(), "a.txt\nt.tsv\n");

  // Standard output and a device; the hook runs once, before standard output.
  {
    Outputs outputs;
    int hooks = 0;
    outputs.beforeStandardOutput([&] { EXPECT_EQ(console.out(), ""); ++hooks; });
    outputs.addStreamed("-", [](const Outputs::Blocks& blocks) {
      blocks("to the ");
      blocks("screen");
    });
    outputs.addStreamed("/dev/null", [](const Outputs::Blocks& blocks) { blocks("gone"); });
    EXPECT_EQ(outputs.commit(console), "");
    EXPECT_EQ(console.out(), "to the screen");
    EXPECT_EQ(hooks, 1);
  }
}

}  // namespace
}  // namespace ortelan
