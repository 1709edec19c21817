// The exact tests ordered by G, genic and genotypic, through the real
// programs: their tables against the test's own counts of genes and of
// complete genotypes, G and its tail against an independent computation,
// the exact P against the P found by listing every table; the same results
// on any thread count, with pairs; and the genic test exactly as before.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "apps/programs.h"
#include "chisquare/tail_forms.h"
#include "support/exact_p_value.h"
#include "support/g_by_margins.h"

namespace ortelan {
namespace {

using chisquare_testing::exactTail;
using testing::ExactPValue;
using testing::k2d;
using testing::k3d;
using testing::kC;
using testing::ProcessResult;
using testing::runWith;
using testing::ScratchDir;

using Genotype = std::pair<int, int>;
using Rows = std::vector<std::vector<int>>;

// Three populations at two loci. Half-missing genotypes (2/0) give genes
// but no complete genotype; at Rare only population 1 has complete
// genotypes, so the genotypic test leaves it untested.
const std::vector<std::vector<std::vector<Genotype>>> kPopulations = {
    {{{1, 2}, {1, 1}}, {{1, 1}, {1, 2}}, {{2, 2}, {0, 0}}, {{1, 3}, {2, 0}}},
    {{{2, 2}, {0, 0}}, {{2, 3}, {2, 0}}, {{3, 3}, {0, 0}}, {{2, 2}, {0, 0}}, {{2, 0}, {0, 0}}},
    {{{1, 1}, {0, 0}}, {{1, 3}, {0, 1}}, {{3, 3}, {0, 0}}},
};
const std::vector<std::string> kLoci = {"Adh", "Rare"};

std::string dataFile(int digits = 3) {
  std::string text = "G tests\nAdh, Rare\n";
  for (std::size_t p = 0; p < kPopulations.size(); ++p) {
    text += "Pop\n";
    for (std::size_t i = 0; i < kPopulations[p].size(); ++i) {
      text += "p" + std::to_string(p) + "i" + std::to_string(i) + ",";
      for (const Genotype& g : kPopulations[p][i]) {
        char genotype[16];
        std::snprintf(genotype, sizeof genotype, " %0*d%0*d", digits, g.first, digits, g.second);
        text += genotype;
      }
      text += "\n";
    }
  }
  return text;
}

// The allele table of a locus (every gene), or the genotype table of its
// complete genotypes with each column's alleles, counted here.
Rows alleleTable(std::size_t locus, std::vector<int>& alleles) {
  std::set<int> present;
  for (const auto& pop : kPopulations) {
    for (const auto& individual : pop) {
      for (int allele : {individual[locus].first, individual[locus].second}) {
        if (allele != 0) present.insert(allele);
      }
    }
  }
  alleles.assign(present.begin(), present.end());
  Rows rows(kPopulations.size(), std::vector<int>(alleles.size(), 0));
  for (std::size_t p = 0; p < kPopulations.size(); ++p) {
    for (const auto& individual : kPopulations[p]) {
      for (int allele : {individual[locus].first, individual[locus].second}) {
        if (allele == 0) continue;
        ++rows[p][static_cast<std::size_t>(std::find(alleles.begin(), alleles.end(), allele) - alleles.begin())];
      }
    }
  }
  return rows;
}

Rows genotypeTable(std::size_t locus, std::vector<Genotype>& genotypes) {
  std::set<Genotype> present;
  for (const auto& pop : kPopulations) {
    for (const auto& individual : pop) {
      const Genotype g = individual[locus];
      if (g.first != 0 && g.second != 0) present.insert({std::min(g.first, g.second), std::max(g.first, g.second)});
    }
  }
  genotypes.assign(present.begin(), present.end());
  Rows rows(kPopulations.size(), std::vector<int>(genotypes.size(), 0));
  for (std::size_t p = 0; p < kPopulations.size(); ++p) {
    for (const auto& individual : kPopulations[p]) {
      const Genotype g{std::min(individual[locus].first, individual[locus].second),
                       std::max(individual[locus].first, individual[locus].second)};
      const auto at = std::find(genotypes.begin(), genotypes.end(), g);
      if (at != genotypes.end()) ++rows[p][static_cast<std::size_t>(at - genotypes.begin())];
    }
  }
  return rows;
}

std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) out.push_back(field);
  if (!out.empty() && !out.back().empty() && out.back().back() == '\r') out.back().pop_back();
  return out;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

const std::vector<std::string> kChain = {"-s", "3", "-d", "10000", "-b", "100", "-i", "2000"};

std::vector<std::string> args(std::vector<std::string> head) {
  head.insert(head.begin(), kChain.begin(), kChain.end());
  return head;
}

TEST(ExactTests, GTestsAgainstTheirOwnCountsAndTheListedExactP) {
  ScratchDir dir;
  dir.write("g.gen", dataFile());
  for (const std::string& program : {k3d, kC}) {
    for (const std::string test : {"genic-g", "genotypic"}) {
      SCOPED_TRACE(program + " " + test);
      const ProcessResult r = runWith(program, args({"--test", test, "-t", "-", "-o", "r.out", "g.gen"}), dir);
      ASSERT_EQ(r.status, 0) << r.err;
      const std::vector<std::string> table = lines(r.out);
      ASSERT_EQ(table.size(), 5u) << r.out;
      EXPECT_TRUE(table[0].ends_with(" test=" + test + " exact=auto sampler=independent hits=100 samples=auto\r"))
          << table[0];
      const bool genotypic = test == "genotypic";
      EXPECT_EQ(table[1], std::string("locus\tname\t") + (genotypic ? "genotypes" : "alleles") +
                              "\tp_exact\tse_exact\tp_low\tp_high\tmethod\tg\tdf\tp_g\tfis\tfst\tfit\tfst_num\tfst_den\tfst_low\tfst_high\r");
      for (std::size_t locus = 0; locus < kLoci.size(); ++locus) {
        const std::vector<std::string> row = fields(table[locus + 2]);
        std::vector<int> alleles;
        std::vector<Genotype> genotypes;
        const Rows genes = alleleTable(locus, alleles), individuals = genotypeTable(locus, genotypes);
        EXPECT_EQ(row[2], std::to_string(genotypic ? genotypes.size() : alleles.size()));
        int typed = 0;
        for (const auto& counts : individuals) typed += std::count_if(counts.begin(), counts.end(), [](int c) { return c > 0; }) > 0;
        if (genotypic && typed < 2) {
          EXPECT_EQ(row[3], "NA") << "locus " << locus;
          continue;
        }
        // G of the allele table: every gene, or the genes of complete genotypes.
        std::vector<std::pair<int, int>> columns;
        for (const Genotype& g : genotypes) {
          columns.emplace_back(1 + std::find(alleles.begin(), alleles.end(), g.first) - alleles.begin(),
                               1 + std::find(alleles.begin(), alleles.end(), g.second) - alleles.begin());
        }
        const Rows implied = testing::allelesOfGenotypes(individuals, columns, static_cast<int>(alleles.size()));
        const double g = testing::gByMargins(genotypic ? implied : genes);
        const double G = std::stod(row[8]), df = std::stod(row[9]), pG = std::stod(row[10]);
        EXPECT_NEAR(G, g, 1e-12 * g);
        EXPECT_NEAR(pG, static_cast<double>(exactTail(static_cast<int>(df), G)), 1e-12);
        // The exact P by listing every table with the margins.
        const ExactPValue exact =
            genotypic ? ExactPValue(individuals,
                                    [&](const Rows& t) {
                                      return testing::gByMargins(
                                          testing::allelesOfGenotypes(t, columns, static_cast<int>(alleles.size())));
                                    })
                      : ExactPValue(genes, [](const Rows& t) { return testing::gByMargins(t); });
        const double P = std::stod(row[3]), SE = std::stod(row[4]);
        EXPECT_NEAR(P, exact.value(), 4 * SE + 0.002) << "locus " << locus;
        // Where the run listed the tables itself, to the last digits.
        if (row[7] == "exact") {
          EXPECT_NEAR(P, exact.value(), 1e-12 * exact.value()) << "locus " << locus;
        }
      }
      const std::string report = dir.read("r.out");
      EXPECT_NE(report.find(std::string("The P-values from the exact G test of ") + (genotypic ? "genotypic" : "genic") +
                            " differentiation were obtained using:\r\n"),
                std::string::npos);
      EXPECT_NE(report.find("P(exact)"), std::string::npos);
      EXPECT_NE(report.find("P(G)\r\n"), std::string::npos);
    }
  }
}

// The example file's genotype tables: as many columns as distinct complete
// genotypes, counted here from its lines.
TEST(ExactTests, GenotypeColumnsOfTheExampleAreItsCompleteGenotypes) {
  std::ifstream in(std::string(ORTELAN_EXAMPLES_DIR) + "/trout.gen", std::ios::binary);
  const std::string trout((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::set<std::string>> genotypes(4);
  std::istringstream text(trout);
  for (std::string line; std::getline(text, line);) {
    if (line.find(',') == std::string::npos || line.starts_with("Brown")) continue;
    std::istringstream fieldsOfLine(line.substr(line.find(',') + 1));
    std::string genotype;
    for (std::size_t locus = 0; fieldsOfLine >> genotype; ++locus) {
      std::string a = genotype.substr(0, 3), b = genotype.substr(3, 3);
      if (a != "000" && b != "000") genotypes[locus].insert(std::min(a, b) + std::max(a, b));
    }
  }
  ScratchDir dir;
  dir.write("trout.gen", trout);
  for (const std::string& program : {k3d, kC}) {
    const ProcessResult r = runWith(program, args({"--test", "genotypic", "-t", "-", "-o", "/dev/null", "trout.gen"}), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> table = lines(r.out);
    for (std::size_t locus = 0; locus < genotypes.size(); ++locus) {
      EXPECT_EQ(fields(table[locus + 2])[2], std::to_string(genotypes[locus].size())) << program << " locus " << locus;
    }
  }
}

TEST(ExactTests, SameTablesOnAnyThreadCountWithPairs) {
  ScratchDir dir;
  dir.write("g.gen", dataFile());
  for (const std::string test : {"genic-g", "genotypic"}) {
    std::string first;
    for (const std::string threads : {"1", "2"}) {
      const ProcessResult r =
          runWith(k3d, args({"--test", test, "-j", threads, "-t", "t.tsv", "--pairs", "p.tsv", "--pairs-plot", "p.svg", "g.gen"}), dir);
      ASSERT_EQ(r.status, 0) << r.err;
      const std::string all = dir.read("t.tsv") + dir.read("p.tsv");
      if (first.empty()) first = all;
      EXPECT_EQ(all, first) << test;
      EXPECT_EQ(dir.read("p.tsv").find("\tgenotypes\t") != std::string::npos, test == "genotypic");
      const std::string svg = dir.read("p.svg");
      EXPECT_NE(svg.find(test == "genotypic" ? "(genotypic)" : "(genic)"), std::string::npos);
    }
  }
}

TEST(ExactTests, TheGenicTestIsTheDefaultByteForByte) {
  ScratchDir dir;
  for (const std::string& program : {k3d, k2d, kC}) {
    dir.write("g.gen", dataFile(program == k2d ? 2 : 3));
    std::string outputs[2];
    for (int named = 0; named < 2; ++named) {
      std::vector<std::string> arguments = args({"-t", "t.tsv", "-o", "r.out", "--pairs", "p.tsv", "--pairs-plot", "p.svg"});
      if (named == 1) arguments.insert(arguments.end(), {"--test", "genic"});
      arguments.push_back("g.gen");
      ASSERT_EQ(runWith(program, arguments, dir).status, 0);
      for (const char* file : {"t.tsv", "r.out", "p.tsv", "p.svg"}) outputs[named] += dir.exists(file) ? dir.read(file) : "";
    }
    EXPECT_EQ(outputs[1], outputs[0]) << program;
  }
  const ProcessResult wrong = runWith(k3d, {"--test", "genetic", "g.gen"}, dir);
  EXPECT_EQ(wrong.status, 2);
  testing::expectLastWord(wrong);
  EXPECT_EQ(wrong.err,
            "ortelan_3d: error: --test: the test must be genic, genic-g, genotypic or none\nRun with --help for more information.\n");
}

}  // namespace
}  // namespace ortelan
