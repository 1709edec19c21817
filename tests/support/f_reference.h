// Weir and Cockerham's F-statistics computed the plain way, for tests:
// straight from each population's list of genotypes, allele by allele, by
// the formulas as they are printed (Weir and Cockerham 1984, equations
// (2)-(4), with pbar (1 - pbar) - (r - 1) s2 / r as written). A haploid
// locus by the one-level analysis of variance: theta = (MSP - MSW) / (MSP +
// (n_c - 1) MSW). Missing alleles are 0; a diploid genotype with a missing
// allele is left out.
#pragma once

#include <cmath>
#include <limits>
#include <set>
#include <vector>

namespace ortelan::testing {

struct TestGenotype {
  int first = 0, second = 0;  // alleles from 1; 0 missing; a haploid genotype has second 0
};

struct ReferenceF {
  bool defined = false;
  long double fis = NAN, fst = NAN, fit = NAN, num = NAN, den = NAN, c = NAN;
};

inline ReferenceF referenceF(const std::vector<std::vector<TestGenotype>>& populations, bool haploid) {
  std::vector<std::vector<TestGenotype>> typed;
  std::set<int> alleles;
  for (const auto& population : populations) {
    std::vector<TestGenotype> kept;
    for (const TestGenotype& g : population) {
      if (g.first == 0 || (!haploid && g.second == 0)) continue;
      kept.push_back(g);
      alleles.insert(g.first);
      if (!haploid) alleles.insert(g.second);
    }
    if (!kept.empty()) typed.push_back(kept);
  }
  ReferenceF out;
  const long double r = static_cast<long double>(typed.size());
  long double n = 0, sumSquares = 0;
  for (const auto& population : typed) {
    n += static_cast<long double>(population.size());
    sumSquares += static_cast<long double>(population.size() * population.size());
  }
  if (typed.size() < 2 || alleles.size() < 2 || n <= r) return out;
  const long double nbar = n / r, nc = (n - sumSquares / n) / (r - 1);
  long double A = 0, B = 0, C = 0;
  for (const int u : alleles) {
    std::vector<long double> p, h, size;
    for (const auto& population : typed) {
      long double copies = 0, heterozygous = 0;
      for (const TestGenotype& g : population) {
        if (haploid) {
          copies += g.first == u;
        } else {
          copies += (g.first == u) + (g.second == u);
          heterozygous += (g.first == u) != (g.second == u);
        }
      }
      const long double individuals = static_cast<long double>(population.size());
      size.push_back(individuals);
      p.push_back(copies / (haploid ? individuals : 2 * individuals));
      h.push_back(heterozygous / individuals);
    }
    long double pbar = 0, hbar = 0, s2 = 0;
    for (std::size_t i = 0; i < p.size(); ++i) pbar += size[i] * p[i] / n, hbar += size[i] * h[i] / n;
    for (std::size_t i = 0; i < p.size(); ++i) s2 += size[i] * (p[i] - pbar) * (p[i] - pbar) / ((r - 1) * nbar);
    if (haploid) {
      // Mean squares among and within populations.
      long double msw = 0;
      for (std::size_t i = 0; i < p.size(); ++i) msw += size[i] * p[i] * (1 - p[i]);
      msw /= n - r;
      const long double msp = nbar * s2;
      A += (msp - msw) / nc;
      B += msw;
      continue;
    }
    A += nbar / nc * (s2 - 1 / (nbar - 1) * (pbar * (1 - pbar) - (r - 1) / r * s2 - hbar / 4));
    B += nbar / (nbar - 1) * (pbar * (1 - pbar) - (r - 1) / r * s2 - (2 * nbar - 1) / (4 * nbar) * hbar);
    C += hbar / 2;
  }
  out.defined = true;
  out.num = A;
  out.den = A + B + C;
  out.c = C;
  out.fst = A / (A + B + C);
  if (!haploid) {
    out.fit = 1 - C / (A + B + C);
    out.fis = 1 - C / (B + C);
  }
  return out;
}

}  // namespace ortelan::testing
