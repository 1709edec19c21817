// Small variant panels made up for tests, written three ways: as a VCF file
// with its population map, and as the GENEPOP file of the same genotypes
// (the samples of the map only, population by population in map order,
// allele k written as code k).
#pragma once

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace ortelan::testing {

struct PanelRecord {
  std::string chrom = "chr1";
  long pos = 1;
  std::string id = ".";
  std::vector<std::string> alleles{"A", "C"};  // REF, then each ALT
  std::vector<std::string> genotypes;          // per sample: "0/1", "1|0", "1", "./1", "."; empty: no GT field
};

struct Panel {
  std::vector<std::string> samples;      // in the file's column order
  std::vector<std::string> populations;  // per sample; empty: not in the map
  std::vector<PanelRecord> records;
};

inline std::string vcfText(const Panel& panel, const std::vector<std::string>& contigs = {"chr1", "chr2"}) {
  std::string text = "##fileformat=VCFv4.2\n";
  for (const std::string& contig : contigs) text += "##contig=<ID=" + contig + ">\n";
  text += "##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n";
  text += "##FORMAT=<ID=DP,Number=1,Type=Integer,Description=\"Depth\">\n";
  text += "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
  for (const std::string& sample : panel.samples) text += "\t" + sample;
  text += "\n";
  for (const PanelRecord& record : panel.records) {
    std::string alts;
    for (std::size_t a = 1; a < record.alleles.size(); ++a) alts += (a > 1 ? "," : "") + record.alleles[a];
    text += record.chrom + "\t" + std::to_string(record.pos) + "\t" + record.id + "\t" + record.alleles[0] + "\t" +
            (alts.empty() ? "." : alts) + "\t.\tPASS\t.\t" + (record.genotypes.empty() ? "DP" : "GT:DP");
    for (std::size_t s = 0; s < panel.samples.size(); ++s) {
      text += "\t" + (record.genotypes.empty() ? std::string() : record.genotypes[s] + ":") + "7";
    }
    text += "\n";
  }
  return text;
}

inline std::vector<std::string> populationOrder(const Panel& panel) {
  std::vector<std::string> order;
  for (const std::string& population : panel.populations) {
    if (!population.empty() && std::find(order.begin(), order.end(), population) == order.end())
      order.push_back(population);
  }
  return order;
}

inline std::string mapText(const Panel& panel) {
  std::string text = "# sample\tpopulation\n";
  for (std::size_t s = 0; s < panel.samples.size(); ++s) {
    if (!panel.populations[s].empty()) text += panel.samples[s] + "\t" + panel.populations[s] + "\n";
  }
  return text;
}

// A record's name as the reader gives it: its ID, or CHROM:POS.
inline std::string recordName(const PanelRecord& record) {
  return record.id != "." ? record.id : record.chrom + ":" + std::to_string(record.pos);
}

// Two-digit codes; a haploid genotype is one code.
inline std::string genepopText(const Panel& panel) {
  std::string text = "Panel\n";
  for (std::size_t r = 0; r < panel.records.size(); ++r) text += (r > 0 ? ", " : "") + recordName(panel.records[r]);
  text += "\n";
  auto code = [](char c) { return c == '.' ? std::string("00") : "0" + std::to_string(c - '0' + 1); };
  for (const std::string& population : populationOrder(panel)) {
    text += "Pop\n";
    for (std::size_t s = 0; s < panel.samples.size(); ++s) {
      if (panel.populations[s] != population) continue;
      text += panel.samples[s] + ",";
      for (const PanelRecord& record : panel.records) {
        const std::string gt = record.genotypes.empty() ? "./." : record.genotypes[s];
        text += " " + code(gt[0]) + (gt.size() == 3 ? code(gt[2]) : std::string());
      }
      text += "\n";
    }
  }
  return text;
}

// A random panel: up to 4 populations, samples of them mixed in the file's
// columns with a few outside the map, records of 1 to 5 alleles (at most 9
// for one-character codes), haploid or diploid, missing genes here and there.
inline Panel randomPanel(std::mt19937& random) {
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  Panel panel;
  const int populations = 1 + pick(4);
  const int samples = populations + pick(12);
  for (int s = 0; s < samples; ++s) {
    panel.samples.push_back("s" + std::to_string(s));
    // Each population gets a sample first; then any, or none.
    panel.populations.push_back(s < populations ? "pop" + std::to_string(s)
                                : pick(8) == 0  ? std::string()
                                                : "pop" + std::to_string(pick(populations)));
  }
  std::shuffle(panel.populations.begin(), panel.populations.end(), random);
  const int records = 1 + pick(8);
  for (int r = 0; r < records; ++r) {
    PanelRecord record;
    record.chrom = r < records / 2 ? "chr1" : "chr2";
    record.pos = 100 * (r + 1);
    record.id = pick(2) == 0 ? "." : "rs" + std::to_string(r);
    const int alleles = 1 + pick(5);
    record.alleles.assign(1, "A");
    for (int a = 1; a < alleles; ++a) record.alleles.push_back(std::string(static_cast<std::size_t>(a), 'C'));
    const bool haploid = pick(5) == 0;
    for (int s = 0; s < samples; ++s) {
      auto allele = [&] { return pick(6) == 0 ? '.' : static_cast<char>('0' + pick(alleles)); };
      std::string gt(1, allele());
      if (!haploid) gt += std::string(1, pick(2) == 0 ? '/' : '|') + allele();
      record.genotypes.push_back(gt);
    }
    panel.records.push_back(record);
  }
  return panel;
}

}  // namespace ortelan::testing
