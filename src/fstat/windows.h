// Weir and Cockerham's F_ST in windows along the genome. Windows of SIZE
// base pairs start every STEP (at most SIZE) base pairs on each contig:
// window k (from 0) runs from 1 + k STEP to k STEP + SIZE, as vcftools
// numbers them. A window's F_ST is sum fst_num / sum fst_den over its sites
// with a theta (vcftools' WEIGHTED_FST), beside the mean of their theta
// (its MEAN_FST); windows without such a site are left out. A site at a
// position below 1 (or beyond 2^61, where no genome reaches) lies in no
// window.
//
// The sites are taken per contig, the contigs in the order they first
// appear, and on a contig by position (in their order where they share
// one), which is also the order in which a merge of region shards puts
// their rows: sums over a window come out alike, to the last bit, however
// the sites were read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fstat/f_values.h"
#include "run/run_state.h"

namespace ortelan {

struct WindowLayout {
  std::int64_t size = 0, step = 0;
};

// "SIZE" or "SIZE:STEP" in base pairs, STEP at most SIZE and both from 1 to
// kLargestWindow (STEP defaults to SIZE); none for anything else.
inline constexpr std::int64_t kLargestWindow = 1000000000000000;  // 10^15 bp, longer than any genome
std::optional<WindowLayout> parseWindowLayout(std::string_view text);
// "SIZE:STEP".
std::string windowLayoutText(const WindowLayout& layout);

template <class Real>
struct WindowSite {
  std::string_view chrom;
  std::int64_t pos = 0;
  const FValues<Real>* f = nullptr;  // NA: the site has no theta
};

template <class Real>
struct WindowFst {
  std::string chrom;
  std::int64_t start = 0, end = 0;
  long sites = 0;  // with a theta
  Real fst = 0, num = 0, den = 0, meanFst = 0;
};

template <class Real>
std::vector<WindowFst<Real>> windowFst(std::span<const WindowSite<Real>> sites, const WindowLayout& layout);

// The windows of the loci of a run (or of merged rows) with sites: their
// rows' F-statistics, per locus from 1.
template <class Real>
std::vector<WindowFst<Real>> windowFst(const DataSummary& data, const std::vector<FValues<Real>>& loci,
                                       const WindowLayout& layout);

}  // namespace ortelan
