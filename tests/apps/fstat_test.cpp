// Weir and Cockerham's F-statistics through the real programs: against
// vcftools and plink2 on a biallelic VCF panel with missing genotypes,
// against the formulas on multiallelic GENEPOP data, diploid and haploid;
// shards that add up to the whole run; the bootstrap; and runs with no
// exact test.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "apps/programs.h"
#include "fstat/bootstrap.h"
#include "fstat/do_fstat.h"
#include "fstat/f_values.h"
#include "report/results_table.h"
#include "support/f_reference.h"
#include "support/printed_numbers.h"
#include "support/variant_tools.h"

namespace ortelan {
namespace {

using testing::k2d;
using testing::k3d;
using testing::kC;
using testing::ProcessResult;
using testing::runWith;
using testing::ScratchDir;
using testing::TestGenotype;

const std::string kPeers = std::string(ORTELAN_TESTS_DIR) + "/fstat/peers/";

// A results or pairs table: its first line, and its rows by column name.
struct Table {
  std::string comment;
  std::vector<std::map<std::string, std::string>> rows;
};

Table parseTable(const std::string& text) {
  Table table;
  std::istringstream in(text);
  std::vector<std::string> names;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("#")) {
      table.comment = line;
      continue;
    }
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string field; std::getline(cells, field, '\t');) fields.push_back(field);
    if (names.empty()) {
      names = fields;
      continue;
    }
    std::map<std::string, std::string> row;
    for (std::size_t i = 0; i < names.size() && i < fields.size(); ++i) row[names[i]] = fields[i];
    table.rows.push_back(row);
  }
  return table;
}

long double number(const std::string& text) { return text == "NA" ? NAN : std::strtold(text.c_str(), nullptr); }

// The peers' per-site F_ST (vcftools: CHROM POS FST; plink2: CHROM POS ID
// OBS_CT FST), by "chrom:pos"; nan as NaN.
std::map<std::string, double> peerSites(const std::string& path) {
  std::map<std::string, double> sites;
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string chrom, pos, value, last;
    fields >> chrom >> pos;
    while (fields >> value) last = value;
    sites[chrom + ":" + pos] = last.find("nan") != std::string::npos ? NAN : std::stod(last);
  }
  return sites;
}

// Equal within `tolerance`, or both NA.
void expectAgrees(long double ours, double peer, double tolerance, const std::string& where) {
  if (std::isnan(peer)) {
    EXPECT_TRUE(std::isnan(ours)) << where;
  } else {
    EXPECT_NEAR(static_cast<double>(ours), peer, tolerance) << where;
  }
}

// tests/fstat/peers holds a panel of 200 biallelic SNPs of 50 samples in
// five populations, with missing and half-missing genotypes, and what the
// peers made of it (vcftools 0.1.16, PLINK v2.00a3.5, both print six
// significant digits; vcftools prints its weighted estimate with five):
//   for p in P1 P2 P3 P4 P5; do awk -v p=$p '$2==p{print $1}' panel.popmap > $p.txt; done
//   vcftools --vcf panel.vcf --weir-fst-pop P1.txt ... --weir-fst-pop P5.txt --out five
//     -> vcftools-five.weir.fst; "Weir and Cockerham weighted Fst estimate: 0.021315"
//   vcftools --vcf panel.vcf --weir-fst-pop P1.txt --weir-fst-pop P2.txt --out two
//     -> vcftools-two.weir.fst; "Weir and Cockerham weighted Fst estimate: 0.042174"
//   (printf '#IID\tPOP\n'; cat panel.popmap) > panel.pheno
//   plink2 --vcf panel.vcf --vcf-half-call m --pheno panel.pheno --fst POP method=wc report-variants --out five
//     -> plink2-P1.P2.fst.var ... plink2-P4.P5.fst.var, plink2-five.fst.summary
// Per site, per pair and over sites, within 1e-6, in both real types.
TEST(FStatistics, AgreeWithVcftoolsAndPlink2OnABiallelicPanel) {
  ScratchDir dir;
  for (const std::string& program : {k2d, kC}) {
    SCOPED_TRACE(program);
    for (const char* populations : {"five", "two"}) {
      const std::string map = kPeers + (std::string(populations) == "five" ? "panel.popmap" : "panel2.popmap");
      const ProcessResult r = runWith(program, {"-q", "-s", "3", "--test", "none", "--popmap", map, "-o", "/dev/null",
                                                "-t", "t.tsv", "--pairs", "p.tsv", kPeers + "panel.vcf"}, dir);
      ASSERT_EQ(r.status, 0) << r.err;
      const Table table = parseTable(dir.read("t.tsv"));
      const auto vcftools = peerSites(kPeers + "vcftools-" + populations + ".weir.fst");
      ASSERT_EQ(table.rows.size(), vcftools.size() + 1);
      for (const auto& row : table.rows) {
        if (row.at("locus") == "TOTAL") {
          expectAgrees(number(row.at("fst")), std::string(populations) == "five" ? 0.021315 : 0.042174, 1e-6, "TOTAL");
          continue;
        }
        const std::string site = row.at("chrom") + ":" + row.at("pos");
        expectAgrees(number(row.at("fst")), vcftools.at(site), 1e-6, site);
      }
      if (std::string(populations) == "two") continue;
      const Table pairs = parseTable(dir.read("p.tsv"));
      std::map<std::string, double> summary;
      {
        std::ifstream in(kPeers + "plink2-five.fst.summary");
        std::string a, b, value;
        std::getline(in, a);
        while (in >> a >> b >> value) summary[a + "." + b] = std::stod(value);
      }
      std::map<std::string, std::map<std::string, double>> plink2;
      for (const auto& row : pairs.rows) {
        const std::string pair = row.at("label_a") + "." + row.at("label_b");
        if (!plink2.contains(pair)) plink2[pair] = peerSites(kPeers + "plink2-" + pair + ".fst.var");
        if (row.at("locus") == "TOTAL") {
          expectAgrees(number(row.at("fst")), summary.at(pair), 1e-6, pair + " TOTAL");
          continue;
        }
        const std::string site = row.at("chrom") + ":" + row.at("pos");
        expectAgrees(number(row.at("fst")), plink2[pair].at(site), 1e-6, pair + " " + site);
      }
      EXPECT_EQ(plink2.size(), 10u);
    }
  }
}

// The recorded outputs are what the peers make of the panel today, by the
// commands above (scripts/install-deps.sh installs both). They print six
// significant digits of sums whose last bits depend on the processor and
// its C library: the texts are compared as numbers, each within one unit
// in the last digit printed (where a value of one machine rounds the other
// way), or within 1e-12 where the estimate is 0 up to rounding and one
// machine prints 0 or -1.38778e-17, another 3.46945e-18 or -1.80317e-17.
TEST(FStatistics, RecordedPeerOutputsAreWhatThePeersMake) {
  ScratchDir dir;
  dir.write("panel.vcf", dir.read(kPeers + "panel.vcf"));
  std::string pheno = "#IID\tPOP\n";
  std::map<std::string, std::string> members;
  {
    std::ifstream map(kPeers + "panel.popmap");
    for (std::string sample, population; map >> sample >> population;) {
      members[population] += sample + "\n";
      pheno += sample + "\t" + population + "\n";
    }
  }
  for (const auto& [population, samples] : members) dir.write(population + ".txt", samples);
  dir.write("panel.pheno", pheno);
  const std::pair<const char*, std::vector<std::string>> runs[] = {
      {"five", {"P1", "P2", "P3", "P4", "P5"}}, {"two", {"P1", "P2"}}};
  for (const auto& [name, populations] : runs) {
    std::vector<std::string> arguments = {"--vcf", "panel.vcf", "--out", name};
    for (const std::string& population : populations) arguments.insert(arguments.end(), {"--weir-fst-pop", population + ".txt"});
    const std::string report = testing::runToolWithErrors("vcftools", arguments).err;
    EXPECT_TRUE(testing::samePrintedTable(dir.read(std::string(name) + ".weir.fst"),
                                          dir.read(kPeers + "vcftools-" + name + ".weir.fst"), 1e-12))
        << name;
    const std::string estimate = "Weir and Cockerham weighted Fst estimate: ";
    const std::size_t at = report.find(estimate);
    ASSERT_NE(at, std::string::npos) << report;
    const std::string printed = report.substr(at + estimate.size(), report.find('\n', at) - at - estimate.size());
    EXPECT_TRUE(testing::samePrintedTable(printed, std::string(name) == "five" ? "0.021315" : "0.042174", 1e-12));
  }
  testing::runTool("plink2", {"--vcf", "panel.vcf", "--vcf-half-call", "m", "--pheno", "panel.pheno", "--fst", "POP",
                              "method=wc", "report-variants", "--out", "five", "--threads", "1"});
  EXPECT_TRUE(testing::samePrintedTable(dir.read("five.fst.summary"), dir.read(kPeers + "plink2-five.fst.summary"), 1e-12));
  for (int a = 1; a <= 5; ++a) {
    for (int b = a + 1; b <= 5; ++b) {
      const std::string pair = "P" + std::to_string(a) + ".P" + std::to_string(b) + ".fst.var";
      EXPECT_TRUE(testing::samePrintedTable(dir.read("five." + pair), dir.read(kPeers + "plink2-" + pair), 1e-12))
          << pair;
    }
  }
}

// The comparison above finds what differs beyond the printing: a value
// off by more than its last digit, a count, a name, NaN for a number.
TEST(FStatistics, PrintedTablesDifferOnlyInTheirLastDigit) {
  const std::string recorded = "#CHROM\tPOS\tFST\n1\t17\t0.0337972\n1\t1017\t-1.38778e-17\n1\t2017\tnan\n1\t3017\t0\n";
  EXPECT_TRUE(testing::samePrintedTable(recorded, recorded, 1e-12));
  EXPECT_TRUE(testing::samePrintedTable(
      "#CHROM\tPOS\tFST\n1\t17\t0.0337973\n1\t1017\t-1.80317e-17\n1\t2017\t-nan\n1\t3017\t3.46945e-18\n", recorded,
      1e-12));
  for (const char* other :
       {"#CHROM\tPOS\tFST\n1\t17\t0.0337974\n1\t1017\t-1.38778e-17\n1\t2017\tnan\n1\t3017\t0\n",
        "#CHROM\tPOS\tFST\n1\t17\t0.0337972\n1\t1017\t-1.38778e-17\n1\t2017\t0.1\n1\t3017\t0\n",
        "#CHROM\tPOS\tFST\n1\t18\t0.0337972\n1\t1017\t-1.38778e-17\n1\t2017\tnan\n1\t3017\t0\n",
        "#CHROM\tPOS\tFST\n1\t17\t0.0337972\n1\t1017\t-1.38778e-17\n1\t2017\tnan\n"}) {
    EXPECT_FALSE(testing::samePrintedTable(other, recorded, 1e-12)) << other;
  }
  EXPECT_DOUBLE_EQ(testing::lastDigitUnit("0.021315"), 1e-6);
  EXPECT_DOUBLE_EQ(testing::lastDigitUnit("-1.38778e-17"), 1e-22);
}

// Multiallelic GENEPOP data: three diploid loci (with missing and
// half-missing genotypes) and two haploid ones, in four populations.
struct GenepopData {
  std::string text;
  std::vector<std::vector<std::vector<TestGenotype>>> loci;  // [locus][population] -> genotypes
  std::vector<bool> haploid;
};

GenepopData multiallelicData(std::uint32_t seed) {
  std::mt19937 random(seed);
  GenepopData data;
  data.haploid = {false, true, false, false, true};
  const int populations = 4;
  data.loci.assign(data.haploid.size(), std::vector<std::vector<TestGenotype>>(populations));
  data.text = "Multiallelic loci\nDip-1\nHap-1\nDip-2\nDip-3\nHap-2\n";
  for (int pop = 0; pop < populations; ++pop) {
    data.text += "Pop\n";
    const int individuals = 6 + static_cast<int>(random() % 15);
    for (int i = 0; i < individuals; ++i) {
      data.text += "p" + std::to_string(pop) + "_" + std::to_string(i) + ",";
      for (std::size_t locus = 0; locus < data.haploid.size(); ++locus) {
        const int alleles = 2 + static_cast<int>(locus * 2);
        auto allele = [&] {
          if (random() % 12 == 0) return 0;
          // Each population leans on an allele of its own.
          const int code = random() % 3 == 0 ? 1 + (pop + static_cast<int>(locus)) % alleles
                                             : 1 + static_cast<int>(random() % static_cast<unsigned>(alleles));
          return code * 7;  // codes 7, 14, ...: not numbered 1..k
        };
        char genotype[8];
        TestGenotype g;
        if (data.haploid[locus]) {
          g = {allele(), 0};
          std::snprintf(genotype, sizeof genotype, " %03d", g.first);
        } else {
          g = {allele(), allele()};
          if (g.first == 0 && random() % 2 == 0) g.second = 0;
          std::snprintf(genotype, sizeof genotype, " %03d%03d", g.first, g.second);
        }
        data.text += genotype;
        data.loci[locus][static_cast<std::size_t>(pop)].push_back(g);
      }
      data.text += "\n";
    }
  }
  return data;
}

// The rows' F-statistics against the formulas, to 1e-10; each TOTAL's
// theta the ratio of its rows' summed components to 1e-12.
void expectAsFormulas(const std::map<std::string, std::string>& row, const testing::ReferenceF& reference,
                      const std::string& where) {
  const std::pair<const char*, long double> expected[] = {{"fis", reference.fis}, {"fst", reference.fst},
                                                          {"fit", reference.fit}, {"fst_num", reference.num},
                                                          {"fst_den", reference.den}};
  for (const auto& [column, value] : expected) {
    const long double ours = number(row.at(column));
    if (std::isnan(value)) {
      EXPECT_TRUE(std::isnan(ours)) << where << " " << column;
    } else {
      EXPECT_NEAR(static_cast<double>(ours), static_cast<double>(value), 1e-10 * std::max(1.0L, std::fabs(value)))
          << where << " " << column;
    }
  }
  EXPECT_EQ(row.at("fst_low") + row.at("fst_high"), "NANA") << where;
}

void expectTotalOfRows(const std::vector<std::map<std::string, std::string>>& rows, const std::string& where) {
  long double num = 0, den = 0;
  for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
    if (rows[i].at("fst_num") == "NA") continue;
    num += number(rows[i].at("fst_num"));
    den += number(rows[i].at("fst_den"));
  }
  EXPECT_NEAR(static_cast<double>(number(rows.back().at("fst"))), static_cast<double>(num / den), 1e-12) << where;
}

TEST(FStatistics, MultiallelicGenepopDataAsTheFormulasGiveThem) {
  ScratchDir dir;
  const GenepopData data = multiallelicData(2026);
  dir.write("multi.gen", data.text);
  for (const std::string& program : {k3d, kC}) {
    SCOPED_TRACE(program);
    const ProcessResult r = runWith(program, {"-q", "-s", "5", "-d", "100", "-b", "4", "-i", "100", "-o", "/dev/null",
                                              "-t", "t.tsv", "--pairs", "p.tsv", "multi.gen"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const Table table = parseTable(dir.read("t.tsv"));
    ASSERT_EQ(table.rows.size(), data.loci.size() + 1);
    for (std::size_t locus = 0; locus < data.loci.size(); ++locus) {
      expectAsFormulas(table.rows[locus], testing::referenceF(data.loci[locus], data.haploid[locus]),
                       "locus " + std::to_string(locus + 1));
    }
    expectTotalOfRows(table.rows, "TOTAL");
    EXPECT_EQ(table.rows.back().at("fst_low"), "NA");

    const Table pairs = parseTable(dir.read("p.tsv"));
    ASSERT_EQ(pairs.rows.size(), 6 * (data.loci.size() + 1));
    std::size_t row = 0;
    for (std::size_t a = 0; a < 4; ++a) {
      for (std::size_t b = a + 1; b < 4; ++b) {
        std::vector<std::map<std::string, std::string>> ofPair;
        for (std::size_t locus = 0; locus < data.loci.size(); ++locus, ++row) {
          const auto& populations = data.loci[locus];
          expectAsFormulas(pairs.rows[row], testing::referenceF({populations[a], populations[b]}, data.haploid[locus]),
                           "pair " + std::to_string(a + 1) + "," + std::to_string(b + 1) + " locus " +
                               std::to_string(locus + 1));
          ofPair.push_back(pairs.rows[row]);
        }
        ofPair.push_back(pairs.rows[row++]);
        expectTotalOfRows(ofPair, "pair TOTAL");
      }
    }
  }
}

// A genome scan cut into two region shards: their rows put together are the
// whole run's, and the whole run's TOTAL, bootstrap limits included, is
// what their rows give, to the last digit.
TEST(FStatistics, RegionShardsAddUpToTheWholeRun) {
  ScratchDir dir;
  dir.write("panel.vcf", dir.read(kPeers + "panel.vcf"));
  testing::bgzipped("panel.vcf");
  testing::runTool("tabix", {"-p", "vcf", "panel.vcf.gz"});
  const std::vector<std::string> common = {"-q", "-s", "77", "-d", "100", "-b", "4", "-i", "50", "--bootstrap",
                                           "300", "--popmap", kPeers + "panel.popmap", "-o", "/dev/null", "-t", "-"};
  auto run = [&](const std::string& region) {
    std::vector<std::string> arguments = common;
    if (!region.empty()) arguments.insert(arguments.end(), {"--region", region});
    arguments.push_back("panel.vcf.gz");
    const ProcessResult r = runWith(k2d, arguments, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    return parseTable(r.out);
  };
  const Table whole = run(""), first = run("1"), second = run("2");
  std::vector<FValues<long double>> rows;
  LocusComponents<long double> components;
  std::size_t i = 0;
  for (const Table* shard : {&first, &second}) {
    for (std::size_t k = 0; k + 1 < shard->rows.size(); ++k, ++i) {
      auto row = shard->rows[k];
      auto same = whole.rows[i];
      row.erase("locus"), same.erase("locus");  // the running number in each run
      EXPECT_EQ(row, same);
      const FValues<long double> v{number(row.at("fis")), number(row.at("fst")), number(row.at("fit")),
                                   number(row.at("fst_num")), number(row.at("fst_den"))};
      rows.push_back(v);
      if (v.hasComponents()) components.emplace_back(v.num, v.den);
    }
  }
  ASSERT_EQ(i + 1, whole.rows.size());
  const auto& total = whole.rows.back();
  const FValues<long double> merged = totalFValues<long double>(rows);
  EXPECT_EQ(tableField(merged.fis), total.at("fis"));
  EXPECT_EQ(tableField(merged.fst), total.at("fst"));
  EXPECT_EQ(tableField(merged.fit), total.at("fit"));
  EXPECT_EQ(tableField(merged.num), total.at("fst_num"));
  EXPECT_EQ(tableField(merged.den), total.at("fst_den"));
  const auto limits = bootstrapLimits<long double>(components, bootstrapKey(77), 300);
  ASSERT_TRUE(limits);
  EXPECT_EQ(tableNumber(limits->low), total.at("fst_low"));
  EXPECT_EQ(tableNumber(limits->high), total.at("fst_high"));
  EXPECT_NE(whole.comment.find(" bootstrap=300 "), std::string::npos) << whole.comment;
}

// The same seed gives the same limits on one thread or two; they hold the
// estimate, for the run and for every pair.
TEST(FStatistics, BootstrapLimitsAreTheSameOnAnyThreadsAndHoldTheEstimate) {
  ScratchDir dir;
  dir.write("multi.gen", multiallelicData(4).text);
  std::string tables[2];
  for (int threads = 1; threads <= 2; ++threads) {
    const ProcessResult r =
        runWith(k3d, {"-q", "-s", "12", "-j", std::to_string(threads), "-d", "10", "-b", "2", "-i", "10",
                      "--bootstrap", "1000", "-o", "/dev/null", "-t", "t.tsv", "--pairs", "p.tsv", "multi.gen"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    tables[threads - 1] = dir.read("t.tsv") + dir.read("p.tsv");
    for (const std::string file : {"t.tsv", "p.tsv"}) {
      for (const auto& row : parseTable(dir.read(file)).rows) {
        if (row.at("name") != "TOTAL") {
          EXPECT_EQ(row.at("fst_low") + row.at("fst_high"), "NANA");
          continue;
        }
        const long double fst = number(row.at("fst")), low = number(row.at("fst_low")), high = number(row.at("fst_high"));
        EXPECT_LE(low, fst);
        EXPECT_GE(high, fst);
        EXPECT_LT(low, high);
      }
    }
  }
  EXPECT_EQ(tables[0], tables[1]);
}

// No exact test: no chain, NA for its P and SE and their totals, the rest
// as a run with the genic test has it; a bootstrap with it, or below 0, is
// a usage error.
TEST(FStatistics, NoExactTestGivesTheStatisticsAlone) {
  ScratchDir dir;
  dir.write("multi.gen", multiallelicData(9).text);
  for (const std::string& program : {k3d, kC}) {
    SCOPED_TRACE(program);
    const ProcessResult genic = runWith(program, {"-q", "-s", "1", "-o", "/dev/null", "-d", "10", "-b", "2", "-i", "10",
                                                  "-t", "-", "--pairs", "p.tsv", "multi.gen"}, dir);
    const std::string genicPairs = dir.read("p.tsv");
    const ProcessResult none = runWith(program, {"-q", "-s", "1", "--test", "none", "-o", "r.out", "-t", "-",
                                                 "--pairs", "p.tsv", "--manhattan", "m.svg", "multi.gen"}, dir);
    ASSERT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(none.err, "");
    for (const auto& [withTest, without] : {std::pair{genic.out, none.out}, std::pair{genicPairs, dir.read("p.tsv")}}) {
      const Table a = parseTable(withTest), b = parseTable(without);
      ASSERT_EQ(a.rows.size(), b.rows.size());
      for (std::size_t i = 0; i < a.rows.size(); ++i) {
        auto expected = a.rows[i];
        expected["p_fisher"] = expected["se_fisher"] = expected["p_low"] = expected["p_high"] = expected["method"] = "NA";
        EXPECT_EQ(b.rows[i], expected);
      }
    }
    EXPECT_NE(none.out.find(" test=none exact=auto sampler=independent hits=100 samples=auto\r\n"), std::string::npos);
    const std::string report = dir.read("r.out");
    EXPECT_NE(report.find("No exact test was made (test none): the P-values are those of the chi-square."),
              std::string::npos);
    EXPECT_EQ(report.find("dememorization"), std::string::npos);
    EXPECT_NE(dir.read("m.svg").find("Pearson's chi-square of each locus"), std::string::npos);
  }
  for (const auto& [arguments, message] :
       {std::pair<std::vector<std::string>, std::string>{{"--test", "none", "--bootstrap", "100"},
                                                         "--bootstrap goes with an exact test, not with --test none"},
        {{"--bootstrap", "-1"}, "--bootstrap: Value -1 not in range 0 to 2147483647"}}) {
    std::vector<std::string> all = arguments;
    all.push_back("multi.gen");
    const ProcessResult r = runWith(k3d, all, dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "ortelan_3d: error: " + message + "\nRun with --help for more information.\n");
  }
}

}  // namespace
}  // namespace ortelan
