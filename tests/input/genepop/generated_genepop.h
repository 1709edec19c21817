// GENEPOP files made up for tests that hold two readers to each other.
#pragma once

#include <random>
#include <string>

namespace ortelan::testing {

// A GENEPOP file with occasional faults of every kind the passes react to.
inline std::string generateGenepop(std::mt19937& random, int digits, bool wellFormed, int& loci) {
  auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  loci = 1 + pick(6);
  const int pops = 1 + pick(4);
  std::string text = "Generated data\n";
  for (int l = 1; l <= loci; ++l) text += "Loc" + std::to_string(l) + "\n";
  if (!wellFormed && chance(5)) text += "Population one\n";
  for (int p = 0; p < pops; ++p) {
    text += chance(30) ? "POP\n" : (chance(50) ? "pop  \n" : "Pop\n");
    const int individuals = pick(5);
    for (int i = 0; i < individuals; ++i) {
      if (!wellFormed && chance(3)) text += "\n";
      text += chance(5) ? "Popeye" : (chance(10) ? "" : "i" + std::to_string(p) + std::to_string(i));
      text += ",";
      int genotypes = loci;
      if (!wellFormed && chance(15)) genotypes = pick(loci + 2);
      if (wellFormed && chance(10)) genotypes = loci + pick(2);
      for (int g = 0; g < genotypes; ++g) {
        text += chance(10) ? "\t" : (chance(10) ? "   " : " ");
        for (int a = 0; a < 2; ++a) {
          const int limit = chance(3) ? 1000 : 10;
          int code = pick(limit);
          if (chance(5)) code = 0;
          std::string allele = std::to_string(code);
          if (static_cast<int>(allele.size()) > digits) allele = allele.substr(0, static_cast<std::size_t>(digits));
          allele = std::string(static_cast<std::size_t>(digits) - allele.size(), '0') + allele;
          if (!wellFormed && chance(2)) allele[0] = 'x';
          if (!wellFormed && chance(2)) allele[0] = '-';
          text += allele;
        }
      }
      if (chance(10)) text += "  ";
      text += "\n";
    }
  }
  if (chance(20)) text += "\n";
  if (chance(10)) text += "Pop\n";
  if (!wellFormed && chance(10)) text += "trailing words";
  return text;
}

}  // namespace ortelan::testing
