// The generator of the simulated populations and samples: SplitMix64
// (Steele, Lea and Flood 2014), the run seeds' own mix (run/seed_source.h)
// applied to a counter, one generator for each replicate of each target,
// seeded by the key that names it. Its 2^64 states per stream are far more
// than a run can use, and the draws of two keys are unrelated.
//
// Binomial draws come from Boost.Random's binomial distribution (inversion
// where n p < 11, else Hormann's BTRD), which gives the same values from
// the same draws on every platform, unlike the standard library's.
#pragma once

#include <boost/random/binomial_distribution.hpp>

#include <cstdint>

#include "run/seed_source.h"

namespace ortelan {

class PowerRandom {
 public:
  using result_type = std::uint64_t;

  explicit PowerRandom(std::uint64_t key) : state_(key) {}

  static constexpr result_type min() { return 0; }
  static constexpr result_type max() { return ~result_type{0}; }
  result_type operator()() {
    state_ += kGolden;
    return mix64(state_);
  }

  // The number of successes in `n` trials of probability `p` (0 <= p <= 1).
  std::int64_t binomial(std::int64_t n, double p) {
    if (n <= 0 || p <= 0) return 0;
    if (p >= 1) return n;
    return boost::random::binomial_distribution<std::int64_t, double>(n, p)(*this);
  }

 private:
  std::uint64_t state_;
};

}  // namespace ortelan
