// The VCF and BCF reader: the tables, names and counts of the GENEPOP file
// of the same genotypes, whatever form the file takes and however its
// regions are asked for; samples left out with a note; and one line for
// each way the input can be wrong.
#include "input/vcf/vcf_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <regex>

#include "app/analysis.h"
#include "apps/editions.h"
#include "input/genepop/counting_reader.h"
#include "input/input_fixture.h"
#include "input/vcf/hts_handles.h"
#include "input/vcf/variant_panel.h"
#include "support/scratch_dir.h"
#include "support/scripted_console.h"
#include "support/snp_vcf.h"
#include "support/variant_tools.h"

namespace ortelan {
namespace {

using testing::Panel;
using testing::PanelRecord;
using testing::ScratchDir;
using testing::ScriptedConsole;
using Table = std::vector<std::vector<int>>;

// What a reading yields: its ending, the counts and names, the tables and
// the sites.
struct Reading {
  std::string ending = "done";
  std::string summary;
  std::vector<Table> tables;
  std::vector<std::uint64_t> sites;
  std::string notes;

  bool operator==(const Reading&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Reading& r) {
  os << r.ending << "\n" << r.summary << "\n" << r.notes;
  for (const Table& table : r.tables) os << ::testing::PrintToString(table) << "\n";
  return os;
}

std::string summaryOf(const DataSummary& data) {
  std::string text = std::to_string(data.NUMBOFLOCI) + "|" + std::to_string(data.NUMBPOPS) + "|" +
                     std::to_string(data.TOTNUMBINDIVIDUALS) + "|" + std::to_string(data.TOTNUMBGENES);
  for (int locus = 1; locus <= data.NUMBOFLOCI; ++locus) {
    text += "|" + data.LOCUSNAME[locus] + ":" + std::to_string(data.ALLELES_PER_LOCUS[locus]);
  }
  return text;
}

class Meter final : public WorkMeter {
 public:
  void start(long total, std::string_view, Unit unit) override {
    this->total = total;
    bytes = unit == Unit::Bytes;
  }
  void advance(long units) override { done += units; }
  void tick() override {}
  long total = -1, done = 0;
  bool bytes = false;
};

struct Options {
  int workers = 1;  // threads of the run: more than one parse VCF text in parallel
  std::vector<std::string> regions;
  Meter* meter = nullptr;
  DataSummary* data = nullptr;  // the run state, when the test looks at more of it
};
Options inRegions(std::vector<std::string> regions) {
  Options options;
  options.regions = std::move(regions);
  return options;
}
Options withWorkers(int workers) {
  Options options;
  options.workers = workers;
  return options;
}
Options into(DataSummary& data, Meter* meter = nullptr) {
  Options options;
  options.data = &data;
  options.meter = meter;
  return options;
}

Reading readFile(const std::string& path, const Popmap& map, const Options& options = {}) {
  const Edition edition = scriptedEdition(edition2d());
  ScriptedConsole console;
  RunContext context(edition, console);
  context.meter = options.meter;
  context.workers = options.workers;
  DataSummary local;
  DataSummary& data = options.data != nullptr ? *options.data : local;
  Reading reading;
  VcfData read;
  if (const auto fault = faultOf([&] { read = readVcf(context, data, path, map, options.regions); })) {
    reading.ending = "fault " + std::to_string(fault->status) + " " + fault->message;
  } else {
    reading.summary = summaryOf(data);
    reading.tables = tableRows(*read.tables);
    reading.sites = *read.sites;
  }
  reading.notes = console.err();
  return reading;
}

Reading readPanel(const Panel& panel, const Options& options = {}) {
  std::ofstream("panel.vcf", std::ios::binary) << testing::vcfText(panel);
  return readFile("panel.vcf", Popmap::parse(testing::mapText(panel), "panel.map"), options);
}

// The GENEPOP file of the same genotypes, read by the counting reader.
Reading genepopReading(const Panel& panel) {
  const Edition edition = scriptedEdition(edition2d());
  ScriptedConsole console;
  RunContext context(edition, console);
  DataSummary data;
  Reading reading;
  std::shared_ptr<const CountedTables> tables;
  if (const auto fault = faultOf([&] { tables = countText(context, data, testing::genepopText(panel)).alleles; })) {
    reading.ending = "fault " + fault->message;
    return reading;
  }
  reading.summary = summaryOf(data);
  reading.tables = tableRows(*tables);
  return reading;
}

// The reading without what GENEPOP files do not have.
Reading countsOnly(Reading reading) {
  reading.sites.clear();
  reading.notes.clear();
  return reading;
}

Panel threeSamples(std::vector<PanelRecord> records) {
  return {{"a", "b", "c"}, {"north", "south", "north"}, std::move(records)};
}

TEST(VcfReader, SameTablesAsTheGenepopFileOfTheSameGenotypes) {
  std::vector<Panel> panels{
      // Missing genes, phased and unphased, a multi-allelic record, a
      // monomorphic one, one where every gene is missing, one without GT.
      threeSamples({{"chr1", 10, "rs1", {"A", "G"}, {"0/1", "1|1", "./."}},
                    {"chr1", 20, ".", {"A", "G", "T"}, {"2/0", "./1", "0|2"}},
                    {"chr1", 30, "rs3", {"C", "T"}, {"0/0", "0/0", "./0"}},
                    {"chr2", 5, ".", {"G", "A"}, {"./.", "./.", "./."}},
                    {"chr2", 6, "rs5", {"G", "A"}, {}}}),
      // Alleles that no sample carries are no columns.
      threeSamples({{"chr1", 10, ".", {"A", "C", "G", "T"}, {"0/3", "3/3", "0/0"}}}),
      // A haploid first locus: one gene per sample.
      threeSamples(
          {{"chr2", 1, "mt1", {"A", "G"}, {"1", "0", "."}}, {"chr2", 2, ".", {"A", "G"}, {"0/1", "1/1", "0/0"}}}),
  };
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) panels.push_back(testing::randomPanel(random));

  ScratchDir dir;
  for (const Panel& panel : panels) {
    const std::string vcf = testing::vcfText(panel);
    EXPECT_EQ(countsOnly(readPanel(panel)), genepopReading(panel)) << vcf << testing::genepopText(panel);
  }
}

// The benchmark's SNP panel, written as VCF, holds the GENEPOP file's data.
TEST(VcfReader, SnpPanelAsVcfHoldsTheGenepopData) {
  ScratchDir dir;
  const testing::SnpShape shape{300, 4, 6, 2, 3};
  testing::writeSnpVcf("panel.vcf.gz", shape, 70);
  testing::writeSnpPopmap("panel.map", shape);
  std::ofstream out("panel.gen", std::ios::binary);
  testing::writeSnpGenepop(out, shape);
  out.close();
  const Edition edition = scriptedEdition(edition2d());
  ScriptedConsole console;
  RunContext context(edition, console);
  DataSummary genepop;
  const auto tables = readAndCount(context, genepop, "panel.gen").alleles;
  Reading expected;
  expected.summary = summaryOf(genepop);
  expected.tables = tableRows(*tables);
  EXPECT_EQ(countsOnly(readFile("panel.vcf.gz", Popmap::read("panel.map"))), expected);
}

TEST(VcfReader, SameReadingFromVcfCompressedVcfAndBcf) {
  ScratchDir dir;
  std::mt19937 random(11);
  for (int round = 0; round < 4; ++round) {
    const Panel panel = testing::randomPanel(random);
    const Popmap map = Popmap::parse(testing::mapText(panel), "panel.map");
    std::ofstream("panel.vcf", std::ios::binary) << testing::vcfText(panel);
    const Reading plain = readFile("panel.vcf", map);
    ASSERT_EQ(plain.ending, "done");
    EXPECT_EQ(readFile("panel.vcf", map, withWorkers(3)), plain);
    for (const std::string& form :
         {testing::bgzipped("panel.vcf"), testing::asBcf("panel.vcf"), testing::asBcf("panel.vcf", false)}) {
      Reading reading = readFile(form, map);
      reading.notes = std::regex_replace(reading.notes, std::regex(form), "panel.vcf");
      EXPECT_EQ(reading, plain) << form;
    }
  }
}

TEST(VcfReader, NamesSitesTitleAndProgress) {
  ScratchDir dir;
  const Panel panel = threeSamples({{"chr1", 10, "rs1", {"A", "G"}, {"0/1", "1/1", "0/0"}},
                                    {"chr2", 20, ".", {"AT", "A", "ATT"}, {"0/1", "2/1", "0/0"}}});
  std::ofstream("calls.vcf", std::ios::binary) << testing::vcfText(panel);
  const std::string bcf = testing::asBcf("calls.vcf");
  for (const std::string& file : {std::string("calls.vcf"), bcf}) {
    Meter meter;
    DataSummary data;
    const Reading reading = readFile(file, Popmap::parse(testing::mapText(panel), "calls.map"), into(data, &meter));
    ASSERT_EQ(reading.ending, "done");
    EXPECT_EQ(data.TITLE_LINE, file + (file == bcf ? " (BCF" : " (VCF") + ", 3 samples in 2 populations)");
    EXPECT_EQ(data.LOCUSNAME, (std::vector<std::string>{"", "rs1", "chr2:20"}));
    EXPECT_EQ(data.populationLabels, (std::vector<std::string>{"", "north", "south"}));
    ASSERT_EQ(data.sites.size(), 3u);
    EXPECT_EQ(data.sites[2].chrom, "chr2");
    EXPECT_EQ(data.sites[2].pos, 20);
    EXPECT_EQ(reading.sites, (std::vector<std::uint64_t>{0, siteIdentity("chr1", 10, {"A", "G"}),
                                                         siteIdentity("chr2", 20, {"AT", "A", "ATT"})}));
    EXPECT_TRUE(meter.bytes);
    EXPECT_EQ(meter.total, static_cast<long>(std::filesystem::file_size(file)));
    EXPECT_GT(meter.done, 0);
    EXPECT_LE(meter.done, meter.total);
  }
}

// Haploid genotypes and diploid ones with a missing allele count the genes
// they have, side by side at one record too.
TEST(VcfReader, HaploidAndHalfMissingGenotypesCountTheirGenes) {
  struct Case {
    std::vector<std::string> genotypes;
    Table table;
    int genes;  // TOTNUMBGENES: genes per sample at locus 1
  };
  const std::vector<Case> cases{
      {{"1", "0", "1"}, {{0, 2}, {1, 0}}, 3},
      {{"./1", "0/.", "1|."}, {{0, 2}, {1, 0}}, 6},
      {{"1", "0/1", "."}, {{0, 1}, {1, 1}}, 6},
      {{".", "./.", "."}, {{}, {}}, 6},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    DataSummary data;
    const Reading reading = readPanel(threeSamples({{"chrX", 1, ".", {"A", "G"}, c.genotypes}}), into(data));
    ASSERT_EQ(reading.ending, "done");
    EXPECT_EQ(reading.tables, std::vector<Table>{c.table}) << ::testing::PrintToString(c.genotypes);
    EXPECT_EQ(data.TOTNUMBGENES, c.genes) << ::testing::PrintToString(c.genotypes);
  }
}

TEST(VcfReader, SamplesOutsideTheMapAreLeftOutWithANote) {
  ScratchDir dir;
  Panel panel{{"x1", "a", "x2", "x3", "b", "x4", "x5", "x6"},
              {"", "north", "", "", "south", "", "", ""},
              {{"chr1", 10, ".", {"A", "G"}, {"1/1", "0/1", "1/1", "1/1", "0/0", "1/1", "1/1", "1/1"}}}};
  std::ofstream("calls.vcf", std::ios::binary) << testing::vcfText(panel);
  const Popmap map({{"a", "north"}, {"b", "south"}, {"gone", "south"}}, "calls.map");
  DataSummary data;
  const Reading reading = readFile("calls.vcf", map, into(data));
  EXPECT_EQ(reading.ending, "done");
  EXPECT_EQ(reading.tables, (std::vector<Table>{{{1, 1}, {2, 0}}}));
  EXPECT_EQ(data.TOTNUMBINDIVIDUALS, 2);
  EXPECT_EQ(reading.notes,
            "6 samples of calls.vcf are not in the map calls.map and left out: x1, x2, x3, x4, x5, …\n"
            "1 sample of the map calls.map is not in calls.vcf: gone\n");

  // A header that htslib reads but cannot copy for another thread (a
  // sample's name cut short by a NUL byte): the records are parsed on one.
  std::ofstream("nul.vcf", std::ios::binary)
      << "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ta\tb\t\t\x04"
      << std::string(3, '\0') << "\nchr1\t10\t.\tA\tG\t.\t.\t.\tGT\t0/1\t0/0\t1/1\t1/1\n";
  const Reading alone = readFile("nul.vcf", map);
  EXPECT_EQ(alone.tables, (std::vector<Table>{{{1, 1}, {2, 0}}}));
  EXPECT_EQ(readFile("nul.vcf", map, withWorkers(3)), alone);
}

// A chromosome's records as the file holds them: regions read each once,
// in file order, whatever their order and overlaps, with the tables the
// whole file gives those records.
TEST(VcfReader, RegionsReadTheirRecordsOnceInFileOrder) {
  ScratchDir dir;
  auto record = [](std::string chrom, long pos, std::string ref, std::vector<std::string> genotypes) {
    return PanelRecord{chrom, pos, chrom + "_" + std::to_string(pos), {ref, "T"}, std::move(genotypes)};
  };
  // The header lists chr2 first; the file holds chr1 first. A deletion at
  // chr1:150 reaches 154.
  const Panel panel = threeSamples(
      {record("chr1", 100, "A", {"0/1", "1/1", "0/0"}), record("chr1", 150, "AGGGG", {"0/0", "1/1", "0/0"}),
       record("chr1", 200, "A", {"1/1", "0/1", "0/0"}), record("chr1", 300, "A", {"0/1", "0/1", "1/1"}),
       record("chr2", 100, "A", {"0/1", "1/1", "1/1"}), record("chr2", 400, "A", {"1/1", "1/1", "0/0"})});
  std::ofstream("calls.vcf", std::ios::binary) << testing::vcfText(panel, {"chr2", "chr1", "chr3"});
  const Popmap map = Popmap::parse(testing::mapText(panel), "calls.map");
  const Reading whole = readFile("calls.vcf", map);
  ASSERT_EQ(whole.ending, "done");
  const std::string gz = testing::bgzipped("calls.vcf");
  testing::runTool("tabix", {"-p", "vcf", gz});
  const std::string bcf = testing::asBcf("calls.vcf");
  testing::runTool("bcftools", {"index", bcf});
  std::filesystem::copy_file(gz, "csi.vcf.gz");
  testing::runTool("bcftools", {"index", "csi.vcf.gz"});

  struct Case {
    std::vector<std::string> regions;
    std::vector<int> records;  // from 1, in the whole file
  };
  const std::vector<Case> cases{
      {{"chr1:100-200"}, {1, 2, 3}},
      {{"chr2", "chr1:300"}, {4, 5, 6}},
      {{"chr2:1-150,chr1:140-160,chr1:152-155"}, {2, 5}},  // the deletion in both chr1 regions
      {{"chr1:1-100", "chr1:100-1000", "chr1:120-130"}, {1, 2, 3, 4}},
      {{"chr1:153", "chr1:201-250"}, {2}},
      {{"chr3", "chr1:1000-2000"}, {}},
      {{"chr1:200,chr2:400"}, {3, 6}},
  };
  for (const std::string& file : {gz, bcf, std::string("csi.vcf.gz")}) {
    for (const Case& c : cases) {
      Reading expected = whole;
      expected.tables.clear();
      expected.sites.assign(1, 0);
      DataSummary part;
      part.sites.assign(1, {});
      for (int r : c.records) {
        expected.tables.push_back(whole.tables[r - 1]);
        expected.sites.push_back(whole.sites[r]);
        part.addLocus(testing::recordName(panel.records[r - 1]));
        part.ALLELES_PER_LOCUS.back() = static_cast<int>(whole.tables[r - 1][0].size());
      }
      part.NUMBPOPS = 2;
      part.TOTNUMBINDIVIDUALS = 3;
      part.TOTNUMBGENES = c.records.empty() ? 0 : 6;
      expected.summary = summaryOf(part);
      EXPECT_EQ(readFile(file, map, inRegions(c.regions)), expected)
          << file << " " << ::testing::PrintToString(c.regions);
    }
  }
}

TEST(VcfReader, IsVariantFileByContent) {
  ScratchDir dir;
  const Panel panel = threeSamples({{"chr1", 10, "rs1", {"A", "G"}, {"0/1", "1/1", "0/0"}}});
  std::ofstream("calls.txt", std::ios::binary) << testing::vcfText(panel);
  std::ofstream("data.gen", std::ios::binary) << testing::genepopText(panel);
  std::ofstream("empty", std::ios::binary);
  std::filesystem::create_directory("folder");
  const std::string gz = testing::bgzipped("calls.txt");
  const std::string bcf = testing::asBcf("calls.txt");
  std::filesystem::copy_file(testing::bgzipped("data.gen"), "gen.vcf.gz");
  struct Case {
    std::string path;
    bool variant;
  };
  for (const Case& c : std::vector<Case>{{"calls.txt", true},
                                         {gz, true},
                                         {bcf, true},
                                         {"data.gen", false},
                                         {"gen.vcf.gz", false},
                                         {"empty", false},
                                         {"folder", false},
                                         {"missing.vcf", false},
                                         {"-", false}}) {
    EXPECT_EQ(isVariantFile(c.path), c.variant) << c.path;
  }
}

// Each way the input can be wrong ends the reading with one line that names
// the file, and where known the record and the sample; status 1 for the
// data, 2 for what the user asked.
TEST(VcfReader, FaultsEndTheReadingInOneLine) {
  ScratchDir dir;
  const Panel good = threeSamples(
      {{"chr1", 10, "rs1", {"A", "G"}, {"0/1", "1/1", "0/0"}}, {"chr1", 20, "rs2", {"A", "G"}, {"0/1", "1/1", "0/0"}}});
  const std::string goodText = testing::vcfText(good);
  std::ofstream("good.vcf", std::ios::binary) << goodText;
  const std::string gz = testing::bgzipped("good.vcf");
  {
    std::string bytes = dir.read(gz);
    std::ofstream("cut.vcf.gz", std::ios::binary) << bytes.substr(0, bytes.size() * 2 / 3);
    // Cut at the end of the data block, before the empty block that ends a bgzip file.
    std::ofstream("cut_at_block.vcf.gz", std::ios::binary) << bytes.substr(0, bytes.size() - 28);
  }
  std::string manyAlleles;
  for (int a = 0; a < 99; ++a) manyAlleles += (a > 0 ? "," : "") + std::string(static_cast<std::size_t>(a + 1), 'C');
  std::ofstream("alleles.vcf", std::ios::binary)
      << std::regex_replace(goodText, std::regex("\trs2\tA\tG\t"), "\trs2\tA\t" + manyAlleles + "\t");
  std::ofstream("triploid.vcf", std::ios::binary)
      << std::regex_replace(goodText, std::regex("1/1:7\t0/0:7\n$"), "1/1/0:7\t0/0:7\n");
  std::ofstream("beyond.vcf", std::ios::binary)
      << std::regex_replace(goodText, std::regex("1/1:7\t0/0:7\n$"), "1/1:7\t0/2:7\n");
  std::ofstream("header.vcf", std::ios::binary) << "##fileformat=VCFv4.2\n#CHROM\tPOS\n";
  const std::string line30 = "chr1\t30\t.\tA\tG\t.\tPASS\t.";
  std::ofstream("columns.vcf", std::ios::binary) << goodText + "chr1\t30\n";
  std::ofstream("no_format.vcf", std::ios::binary) << goodText + line30 + "\n";
  std::ofstream("few_samples.vcf", std::ios::binary) << goodText + line30 + "\tGT\t0/1\t1/1\n";
  {
    // Two faults far apart in two_faults.vcf: the first in the file is
    // told, however the records are shared out among threads.
    std::ofstream big("big.vcf", std::ios::binary), twoFaults("two_faults.vcf", std::ios::binary);
    big << goodText;
    twoFaults << goodText;
    for (int pos = 30; pos < 20000; ++pos) {
      const std::string line = "chr1\t" + std::to_string(pos) + "\t.\tA\tG\t.\tPASS\t.\tGT\t0/1\t1/1\t";
      big << line << "0/0\n";
      twoFaults << line << (pos == 9000 ? "0/5\n" : pos == 15000 ? "0/0/0\n" : "0/0\n");
    }
  }
  const std::string bigBytes = dir.read(testing::bgzipped("big.vcf"));
  std::ofstream("cut_big.vcf.gz", std::ios::binary) << bigBytes.substr(0, bigBytes.size() / 2);
  std::ofstream("cut_line.vcf", std::ios::binary) << goodText.substr(0, goodText.size() - 6);
  // A POS that htslib reads as another position, named by the record's
  // number and ID; a GT that htslib refuses, by the sample.
  std::ofstream("exponent.vcf", std::ios::binary)
      << std::regex_replace(goodText, std::regex("\t20\trs2\t"), "\t1e+05\trs2\t");
  const std::string line12x = "chr1\t12x\t.\tA\tG\t.\tPASS\t.\tGT\t0/1\t1/1\t0/0\n";
  std::ofstream("no_id.vcf", std::ios::binary) << goodText + line12x;
  std::ofstream("gt_text.vcf", std::ios::binary) << goodText + line30 + "\tGT\t0/1\t1.0/0\t0/0\n";
  // The GT fault of record 3 comes before the POS fault of record 4 that
  // the reading meets first.
  std::ofstream("gt_then_pos.vcf", std::ios::binary) << goodText + line30 + "\tGT\t0/1\t1x\t0/0\n" + line12x;
  {
    // A BCF record whose position is below 0 (a telomere's POS 0 is -1).
    const HtsFile in = openLocalFile("good.vcf");
    const BcfHeader header(bcf_hdr_read(in.get()));
    HtsFile out(hts_open("negative.bcf", "wb"));
    ASSERT_EQ(bcf_hdr_write(out.get(), header.get()), 0);
    const BcfRecord record(bcf_init());
    for (int pos : {-1, -6}) {
      ASSERT_EQ(bcf_read(in.get(), header.get(), record.get()), 0);
      record->pos = pos;
      ASSERT_EQ(bcf_write(out.get(), header.get(), record.get()), 0);
    }
  }
  // tabix reads the leading digits, 25, and indexes the record there.
  std::ofstream("pos_region.vcf", std::ios::binary) << goodText + std::regex_replace(line12x, std::regex("12x"), "25x");
  const std::string posRegion = testing::bgzipped("pos_region.vcf");
  testing::runTool("tabix", {"-p", "vcf", posRegion});
  std::ofstream("data.gen", std::ios::binary) << testing::genepopText(good);

  const Popmap map = Popmap::parse(testing::mapText(good), "good.map");
  const Popmap extra({{"a", "north"}, {"b", "south"}, {"c", "north"}, {"z", "west"}}, "extra.map");
  struct Case {
    std::string file;
    std::string fault;  // the status, then the message
    std::vector<std::string> regions = {};
    const Popmap* map = nullptr;
  };
  const std::vector<Case> cases{
      {"missing.vcf", "1 cannot open missing.vcf: No such file or directory"},
      {"data.gen", "1 data.gen: not a VCF or BCF file"},
      {"header.vcf", "1 header.vcf: the header cannot be read as a VCF header"},
      {"cut.vcf.gz", "1 cut.vcf.gz: the header cannot be read as a VCF header"},
      {"cut_big.vcf.gz", "1 cut_big.vcf.gz: the record at chr1:*"},  // where the cut falls
      {"two_faults.vcf", "1 two_faults.vcf: chr1:9000: sample c has allele 5, beyond the record's 2 alleles"},
      {"cut_line.vcf", "1 cut_line.vcf: the record at chr1:20 is damaged or cut short"},
      {"exponent.vcf", "1 exponent.vcf: record 2 (ID rs2): POS \"1e+05\" is not a whole number"},
      {"no_id.vcf", "1 no_id.vcf: record 3: POS \"12x\" is not a whole number"},
      {"negative.bcf", "1 negative.bcf: record 2 (ID rs2): POS \"-5\" is below 0"},
      {posRegion, "1 pos_region.vcf.gz: the record at chr1:25x: POS \"25x\" is not a whole number", {"chr1:24-26"}},
      {"gt_text.vcf",
       "1 gt_text.vcf: chr1:30: sample b has GT \"1.0/0\", not allele numbers or '.' separated by / or |"},
      {"gt_then_pos.vcf",
       "1 gt_then_pos.vcf: chr1:30: sample b has GT \"1x\", not allele numbers or '.' separated by / or |"},
      {"no_format.vcf", "1 no_format.vcf: the record at chr1:30 is damaged or cut short"},
      {"few_samples.vcf", "1 few_samples.vcf: the record at chr1:30 is damaged or cut short"},
      {"cut_at_block.vcf.gz", "1 cut_at_block.vcf.gz: the file is damaged or truncated after chr1:20"},
      {"columns.vcf", "1 columns.vcf: the record at chr1:30 is damaged or cut short"},
      {"alleles.vcf", "1 alleles.vcf: chr1:20: 100 alleles; the limit is 99 alleles per locus"},
      {"triploid.vcf",
       "1 triploid.vcf: chr1:20: sample b has a genotype of 3 alleles; only haploid and diploid genotypes are read"},
      {"beyond.vcf", "1 beyond.vcf: chr1:20: sample c has allele 2, beyond the record's 2 alleles"},
      {"good.vcf", "1 good.vcf: population west of the map extra.map has no sample in the file", {}, &extra},
      {"good.vcf",
       "2 good.vcf: reading regions needs a bgzip-compressed file with an index; make them with bgzip good.vcf and "
       "bcftools index good.vcf.gz",
       {"chr1"}},
      {gz,
       "2 good.vcf.gz: reading regions needs an index of the file (.tbi or .csi); make one with bcftools index "
       "good.vcf.gz",
       {"chr1:1-5"}},
  };
  for (const Case& c : cases) {
    for (int workers : {1, 3}) {
      Options options = inRegions(c.regions);
      options.workers = workers;
      const Reading reading = readFile(c.file, c.map != nullptr ? *c.map : map, options);
      if (c.fault.ends_with('*')) {
        EXPECT_TRUE(reading.ending.starts_with("fault " + c.fault.substr(0, c.fault.size() - 1))) << reading.ending;
      } else {
        EXPECT_EQ(reading.ending, "fault " + c.fault) << c.file << " " << workers;
      }
    }
  }
  testing::runTool("tabix", {"-p", "vcf", gz});
  for (const auto& [region, fault] : std::vector<std::pair<std::string, std::string>>{
           {"chr1:1-5,chr9", "2 region chr9: no such chromosome in good.vcf.gz"},
           {"chr1:x-y", "2 region chr1:x-y: not a region"}}) {
    EXPECT_EQ(readFile(gz, map, inRegions({region})).ending, "fault " + fault) << region;
  }
}

}  // namespace
}  // namespace ortelan
