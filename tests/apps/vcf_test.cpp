// VCF and BCF data through the real programs: the rows of the same data as
// a GENEPOP file, the same rows from VCF, VCF.gz and BCF, regions and
// shards that give exactly the whole run's rows, the Manhattan plot, and
// the faults of a run on variant files.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cmath>
#include <map>
#include <sstream>

#include "apps/programs.h"
#include "support/snp_vcf.h"
#include "support/variant_tools.h"

namespace ortelan {
namespace {

using testing::k2d;
using testing::k3d;
using testing::kC;
using testing::ProcessResult;
using testing::runWith;
using testing::ScratchDir;

const testing::SnpShape kPanel{400, 4, 6, 2, 21};
const std::vector<std::string> kChain = {"-q", "-s", "8", "-d", "2000", "-b", "20", "-i", "1000"};

std::vector<std::string> args(std::vector<std::string> tail) {
  std::vector<std::string> all = kChain;
  all.insert(all.end(), tail.begin(), tail.end());
  return all;
}

std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) out.push_back(field);
  return out;
}

// The rows of a table after its two head lines, by name, without the
// locus number (the running number in the run).
std::map<std::string, std::vector<std::string>> rowsByName(const std::string& table) {
  std::map<std::string, std::vector<std::string>> rows;
  std::istringstream in(table);
  std::string line;
  for (int head = 0; head < 2 && std::getline(in, line);) ++head;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> row = fields(line);
    row.erase(row.begin());
    rows[row[0]] = row;
  }
  return rows;
}

void writePanel(const ScratchDir& dir) {
  testing::writeSnpVcf((dir.path() / "panel.vcf.gz").string(), kPanel);
  testing::writeSnpPopmap((dir.path() / "panel.map").string(), kPanel);
  std::ofstream genepop(dir.path() / "panel.gen", std::ios::binary);
  testing::writeSnpGenepop(genepop, kPanel);
}

// In the genic test, and in the genotypic test with its genotype tables.
TEST(Vcf, SameTablesAsTheDataWrittenAsGenepop) {
  ScratchDir dir;
  writePanel(dir);
  for (const auto& [program, test] : {std::pair{k2d, "genic"}, std::pair{kC, "genic"}, std::pair{k2d, "genotypic"}}) {
    SCOPED_TRACE(program + " " + test);
    const ProcessResult vcf = runWith(
        program, args({"--test", test, "--popmap", "panel.map", "-t", "-", "-o", "/dev/null", "panel.vcf.gz"}), dir);
    const ProcessResult gen = runWith(program, args({"--test", test, "-t", "-", "-o", "/dev/null", "panel.gen"}), dir);
    ASSERT_EQ(vcf.status, 0) << vcf.err;
    ASSERT_EQ(gen.status, 0) << gen.err;
    const auto fromVcf = rowsByName(vcf.out), fromGenepop = rowsByName(gen.out);
    ASSERT_EQ(fromVcf.size(), fromGenepop.size());
    int tested = 0;
    for (const auto& [name, row] : fromGenepop) {
      const std::vector<std::string>& other = fromVcf.at(name);  // name chrom pos alleles p se low high method ...
      ASSERT_EQ(other.size(), row.size() + 2);
      EXPECT_EQ(other[1], name == "TOTAL" ? "NA" : "chr1");
      EXPECT_EQ(other[3], row[1]);  // alleles
      // The method, the chi-square, df and its tail, and the F-statistics.
      EXPECT_EQ(std::vector<std::string>(other.begin() + 9, other.end()), std::vector<std::string>(row.begin() + 7, row.end()))
          << name;
      if (row[2] == "NA" || name == "TOTAL") continue;
      ++tested;
      // Other seeds (the site's, the locus number's): P within the errors.
      const double p1 = std::stod(row[2]), se1 = std::stod(row[3]), p2 = std::stod(other[4]), se2 = std::stod(other[5]);
      EXPECT_NEAR(p1, p2, 4 * std::hypot(se1, se2) + 0.002) << name;
    }
    EXPECT_GT(tested, 250);
  }
}

TEST(Vcf, VcfBgzippedVcfAndBcfGiveTheSameRows) {
  ScratchDir dir;
  writePanel(dir);
  testing::runTool("bgzip", {"-dk", "panel.vcf.gz"});
  testing::asBcf("panel.vcf");
  for (const std::string& program : {k3d, kC}) {
    std::string first;
    for (const std::string file : {"panel.vcf", "panel.vcf.gz", "panel.vcf.bcf"}) {
      const ProcessResult r = runWith(program, args({"--popmap", "panel.map", "-t", "-", "-o", "/dev/null", file}), dir);
      ASSERT_EQ(r.status, 0) << r.err;
      const std::string rows = r.out.substr(r.out.find('\n') + 1);
      if (first.empty()) first = rows;
      EXPECT_EQ(rows, first) << program << " " << file;
    }
  }
}

// Shards by region, as a cluster job array makes them: each locus gets the
// row of the whole run, its seeds being its site's.
TEST(Vcf, RegionsAndShardsGiveTheRowsOfTheWholeRun) {
  ScratchDir dir;
  writePanel(dir);
  testing::runTool("tabix", {"-p", "vcf", "panel.vcf.gz"});
  const ProcessResult whole = runWith(k3d, args({"--popmap", "panel.map", "--pairs", "pairs.tsv", "-t", "-", "-o", "/dev/null", "panel.vcf.gz"}), dir);
  ASSERT_EQ(whole.status, 0) << whole.err;
  const auto all = rowsByName(whole.out);
  std::map<std::string, std::vector<std::string>> sharded;
  for (const std::string region : {"chr1:1-10000,chr1:9000-15000", "chr1:15001-30000", "chr1:30001-40000"}) {
    const ProcessResult part =
        runWith(k3d, args({"--popmap", "panel.map", "--region", region, "-t", "-", "-o", "/dev/null", "panel.vcf.gz"}), dir);
    ASSERT_EQ(part.status, 0) << part.err;
    EXPECT_NE(part.out.find(" region=" + region + "\r\n"), std::string::npos);
    for (const auto& [name, row] : rowsByName(part.out)) {
      if (name == "TOTAL") continue;
      EXPECT_TRUE(sharded.emplace(name, row).second) << name << " read twice";
    }
  }
  EXPECT_EQ(sharded.size(), all.size() - 1);
  for (const auto& [name, row] : sharded) EXPECT_EQ(row, all.at(name)) << name;
}

TEST(Vcf, ManhattanPlotOfTheLoci) {
  ScratchDir dir;
  writePanel(dir);
  const ProcessResult r =
      runWith(k3d, args({"--popmap", "panel.map", "--manhattan", "scan.svg", "-t", "-", "-o", "/dev/null", "panel.vcf.gz"}), dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string svg = dir.read("scan.svg");
  tinyxml2::XMLDocument document;
  ASSERT_EQ(document.Parse(svg.c_str(), svg.size()), tinyxml2::XML_SUCCESS);
  // Every locus above the Bonferroni line has its tooltip, with its site.
  const auto rows = rowsByName(r.out);
  int tested = 0;
  for (const auto& [name, row] : rows) tested += name != "TOTAL" && row[4] != "NA";
  for (const auto& [name, row] : rows) {
    if (name == "TOTAL" || row[4] == "NA" || std::stod(row[4]) >= 0.05 / tested) continue;
    EXPECT_NE(svg.find("<title>" + name + ", chr1:" + row[2] + ":"), std::string::npos) << name;
  }
  // GENEPOP input: by locus number.
  const ProcessResult genepop = runWith(k2d, args({"--manhattan", "scan.svg", "-o", "/dev/null", "panel.gen"}), dir);
  ASSERT_EQ(genepop.status, 0) << genepop.err;
  EXPECT_NE(dir.read("scan.svg").find("Locus"), std::string::npos);
}

TEST(Vcf, FaultsEndInOneLineWithNothingLeftBehind) {
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string err;  // what the message begins with, after "<program>: error: "
  };
  const std::string vcfHead =
      "##fileformat=VCFv4.2\n##contig=<ID=chr1>\n##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
      "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ta\tb\n";
  const Case cases[] = {
      {{"panel.vcf.gz"}, 2, "panel.vcf.gz is a VCF or BCF file: give its population map with --popmap"},
      {{"--popmap", "panel.map", "panel.gen"}, 2, "--popmap goes with a VCF or BCF file, and panel.gen is not one"},
      {{"--region", "chr1", "panel.gen"}, 2, "--region goes with a VCF or BCF file, and panel.gen is not one"},
      {{"--popmap", "panel.map", "--region", "chr1", "panel.vcf.gz"}, 2, "panel.vcf.gz"},
      {{"--popmap", "bad.map", "panel.vcf.gz"}, 2, "bad.map"},
      {{"--popmap", "twice.map", "panel.vcf.gz"}, 2, "twice.map"},
      {{"--popmap", "ab.map", "triploid.vcf"}, 1, "triploid.vcf"},
      {{"--popmap", "panel.map", "cut.vcf.gz"}, 1, "cut.vcf.gz"},
  };
  ScratchDir dir, temp;
  writePanel(dir);
  dir.write("bad.map", "p1_1 pop1\np1_2\n");
  dir.write("twice.map", "p1_1 pop1\np1_1 pop2\n");
  dir.write("ab.map", "a north\nb south\n");
  dir.write("triploid.vcf", vcfHead + "chr1\t5\t.\tA\tC\t.\t.\t.\tGT\t0/1/1\t0/0\n");
  const std::string gz = dir.read("panel.vcf.gz");
  dir.write("cut.vcf.gz", gz.substr(0, gz.size() / 2));
  const std::string before = dir.listing();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.err);
    const ProcessResult r = runWith(k3d, args(c.arguments), dir, temp.path().string());
    EXPECT_EQ(r.status, c.status) << r.err;
    testing::expectLastWord(r);
    EXPECT_TRUE(r.err.starts_with("ortelan_3d: error: " + c.err)) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), c.status == 2 ? 2 : 1) << r.err;
    EXPECT_EQ(dir.listing(), before);
    EXPECT_EQ(temp.listing(), "");
  }
}

}  // namespace
}  // namespace ortelan
