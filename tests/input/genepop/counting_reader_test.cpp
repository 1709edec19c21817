// The streaming reader of scripted runs against the readers whose tables
// the dialogue writes: the same names, counts and tables wherever those
// read a file through, and a fault wherever they stop; haploid loci counted
// one gene per individual.
#include "input/genepop/counting_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <regex>

#include "app/analysis.h"
#include "apps/editions.h"
#include "input/genepop/generated_genepop.h"
#include "input/input_fixture.h"
#include "input/genepop/individual_store.h"
#include "input/genepop/one_pass_reader.h"
#include "input/genepop/text_source.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"

namespace ortelan {
namespace {

using testing::ScriptedConsole;

using Table = std::vector<std::vector<int>>;

// What a reading yields: its ending, the counts and names, and the tables.
struct Reading {
  std::string ending = "done";
  std::string summary;
  std::vector<Table> tables;

  bool operator==(const Reading&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Reading& r) {
  os << r.ending << "\n" << r.summary << "\n";
  for (const Table& table : r.tables) os << ::testing::PrintToString(table) << "\n";
  return os;
}

std::string summaryOf(const DataSummary& data) {
  std::string text = data.TITLE_LINE + "|" + std::to_string(data.NUMBOFLOCI) + "|" + std::to_string(data.NUMBPOPS) +
                     "|" + std::to_string(data.TOTNUMBINDIVIDUALS);
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    text += "|" + data.LOCUSNAME[locus] + ":" + std::to_string(data.ALLELES_PER_LOCUS[locus]);
  }
  for (std::size_t pop = 1; pop < data.populationLabels.size(); ++pop) text += "|" + data.populationLabels[pop];
  return text;
}

// The tables the dialogue's readers hand to the table writer.
class TableSink final : public LocusTableSink {
 public:
  void writeLocus(int, std::string_view, const LocusCounts& counts, const ColumnSummary& columns,
                  int populations) override {
    Table table(static_cast<std::size_t>(populations));
    for (int pop = 1; pop <= populations; ++pop) {
      for (int column = 1; column <= columns.alleles; ++column) table[pop - 1].push_back(counts.TABLE[pop][column]);
    }
    tables.push_back(table);
  }
  std::vector<Table> tables;
};

// The reading of the dialogue's readers, with a scripted run's strictness.
Reading dialogueReading(const Edition& program, const std::string& file) {
  const Edition edition = scriptedEdition(program);
  const std::string text = withUnixLineEnds(file);
  ScriptedConsole console;
  RunContext context(edition, console);
  context.dataFile = "data.gen";
  context.seeds.emplace(edition.seeds, 1);
  DataSummary data;
  TableSink sink;
  Reading reading;
  if (const auto fault = faultOf([&] {
        if (edition.reader == ReaderKind::LocusPasses) {
          readGenepopOnce(context, data, text, sink);
        } else {
          IndividualStore store;
          readDataText(context, data, store, text);
          writeTablesFromStore(context, data, store, sink);
        }
      })) {
    reading.ending = "fault " + fault->message;
    return reading;
  }
  reading.summary = summaryOf(data);
  reading.tables = sink.tables;
  return reading;
}

Reading countedReading(const Edition& program, const std::string& text) {
  const Edition edition = scriptedEdition(program);
  ScriptedConsole console;
  RunContext context(edition, console);
  context.dataFile = "data.gen";
  DataSummary data;
  Reading reading;
  std::shared_ptr<const CountedTables> tables;
  if (const auto fault = faultOf([&] { tables = countText(context, data, text).alleles; })) {
    reading.ending = "fault " + fault->message;
    return reading;
  }
  reading.summary = summaryOf(data);
  reading.tables = tableRows(*tables);
  return reading;
}

std::string exampleFile() {
  std::ifstream in(std::string(ORTELAN_EXAMPLES_DIR) + "/trout.gen", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(CountingReader, SameTablesAsTheDialoguesReaders) {
  const std::string trout = exampleFile();
  const std::string troutTwoDigits = std::regex_replace(trout, std::regex("0([0-9]{2})0([0-9]{2})"), "$1$2");
  struct Case {
    const Edition* edition;
    std::string text;
  };
  const std::vector<Case> cases{
      {&edition3d(), trout},
      {&edition2d(), troutTwoDigits},
      {&editionC(), trout},
      {&editionC(), troutTwoDigits},
      {&edition3d(), testing::crlf(trout)},
      // Fragment lengths, names on one line, population lines with text.
      {&edition3d(), "Lengths\nA, B\nPop  site 1\na1, 146152 150150\na2, 000152 146146\npop,2\nb1, 152152 150154\n"},
      {&editionC(), "Lengths\nA, B\nPop  site 1\na1, 146152 0150\na2, 000152 146146\npop,2\nb1, 152152 150154\n"},
      // A name over two lines, a population line that ends the name list
      // of the next individual, tabs, blanks and blank lines.
      {&edition3d(), "T\nL1\nL2\nPop\nname\non two lines, 001002\t002002  \nPop\nPop\nb, 001001 003003\n\n"},
      {&edition2d(), "T\nL1\nPop\n\na,0102\n  b , 0202\nPop\nc, 0101\nPop\n"},
      // ortelan_c: empty populations in the middle count, trailing ones do not.
      {&editionC(), "T\nL1\nL2\nPop\na, 0102 / 0303\nPop\nPop\n\nb, 0101 - 0304\nPop\n"},
      {&editionC(), "T\nL1\npop\n"},
      {&edition3d(), "T\nL1\nPop\nno comma\n"},
      // A word longer than a genotype is cut as the dialogue cuts it; its
      // rest ("45") is no genotype of one allele.
      {&edition2d(), "T\nL1\nL2\nL3\nPop\na, 045045 06306\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(countedReading(*c.edition, c.text), dialogueReading(*c.edition, c.text))
        << c.edition->programName << "\n" << c.text;
  }
}

// On a file with more than one fault the stream tells the first it meets,
// where the dialogue's readers tell the kind they look for first.
TEST(CountingReader, GeneratedFilesReadAsTheDialogueReadsThemOrFault) {
  std::mt19937 random(15);
  int faults = 0;
  for (int round = 0; round < 600; ++round) {
    const Edition& edition = round % 3 == 0 ? edition3d() : round % 3 == 1 ? edition2d() : editionC();
    int loci = 0;
    const int digits = edition.alleleDigits != 0 ? edition.alleleDigits : 2 + static_cast<int>(random() % 2);
    const std::string text = testing::generateGenepop(random, digits, round % 4 != 0, loci);
    const Reading dialogue = dialogueReading(edition, text);
    const Reading counted = countedReading(edition, text);
    if (dialogue.ending == "done") {
      ASSERT_EQ(counted, dialogue) << edition.programName << "\n" << text;
    } else {
      ++faults;
      ASSERT_TRUE(counted.ending.starts_with("fault ")) << counted << "\n" << text;
    }
  }
  EXPECT_GT(faults, 30);
}

// Haploid loci, one allele per genotype: one gene per individual.
TEST(CountingReader, HaploidLociCountOneGenePerIndividual) {
  struct Case {
    const Edition* edition;
    std::string text;
    std::string summary;
    std::vector<Table> tables;
  };
  const std::vector<Case> cases{
      {&edition3d(), "mtDNA\nCytb\nMsat\nPop\na, 001 101102\nb, 002 000000\nPop\nc, 001 102102\nd, 000 101101\n",
       "mtDNA|2|2|4|Cytb:2|Msat:2|b|d", {{{1, 1}, {1, 0}}, {{1, 1}, {2, 2}}}},
      {&edition2d(), "mtDNA\nCytb\nPop\na, 01\nb, 02\nPop\nc, 01\n", "mtDNA|1|2|3|Cytb:2|b|c", {{{1, 1}, {1, 0}}}},
      // ortelan_c: two or three digits, missing as zeros of any width.
      {&editionC(), "mtDNA\nCytb, Msat\nPop\na, 01 0102\nb, 101 0000\nPop\nc, 00 0202\nd, 0 000000\n",
       "mtDNA|2|2|4|Cytb:2|Msat:2|b|d", {{{1, 1}, {0, 0}}, {{1, 1}, {0, 2}}}},
  };
  for (const Case& c : cases) {
    const Reading reading = countedReading(*c.edition, c.text);
    EXPECT_EQ(reading.ending, "done") << c.text;
    EXPECT_EQ(reading.summary, c.summary);
    EXPECT_EQ(reading.tables, c.tables) << c.text;
  }

  // A locus of both kinds is refused, at the line where the other kind
  // appears; a genotype of zeros alone fits either kind.
  const std::pair<const Edition*, std::string> mixed[] = {
      {&edition3d(), "T\nA\nB\nPop\na, 001002 001\nb, 000000 000000\nPop\nc, 001001 002002\n"},
      {&edition2d(), "T\nA\nB\nPop\na, 0102 01\nb, 00 0000\nPop\nc, 0101 0202\n"},
      {&editionC(), "T\nA\nB\nPop\na, 0102 01\nb, 00 000\nPop\nc, 0101 0202\n"},
  };
  for (const auto& [edition, text] : mixed) {
    EXPECT_EQ(countedReading(*edition, text).ending, "fault data.gen: line 8: locus 2 (B) mixes genotypes of one allele and of two")
        << edition->programName;
  }
}

TEST(CountingReader, DamagedFilesEndWithTheLineNamed) {
  struct Case {
    const Edition* edition;
    std::string text;
    std::string fault;
  };
  const std::vector<Case> cases{
      // Cut off in the middle of a genotype or of the last line.
      {&edition3d(), "T\nA\nB\nPop\na, 001002 001001\nPop\nb, 001002 0010", "line 7: fewer genotypes than loci (1 of 2)"},
      {&editionC(), "T\nA\nB\nPop\na, 0102 0101\nPop\nb, 0102 01", "line 7: locus 2 (B) mixes genotypes of one allele and of two"},
      {&editionC(), "T\nA\nB\nPop\na, 0102 0101\nPop\nb, 0102", "line 7: fewer genotypes than loci (1 of 2)"},
      {&edition2d(), "T\nA\nPop\na, 01x2\n", "line 4: the genotype '01x2' at locus 1 (A) is not two 2-digit allele codes"},
      {&edition3d(), "T\nA\nPop\na, 0x1\n", "line 4: the genotype '0x1' at locus 1 (A) is not a 3-digit allele code"},
      {&edition3d(), "T\nA\nPop\na, -01001\n", "line 4: an allele code at locus 1 (A) is not a number from 0 to 999"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(countedReading(*c.edition, c.text).ending, "fault data.gen: " + c.fault) << c.text;
  }
}

}  // namespace
}  // namespace ortelan
