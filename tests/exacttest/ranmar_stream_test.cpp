// The generator's view of the draws ahead that the walk of two-row tables
// uses: the top bit of each draw at hand, through refills.
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "exacttest/ranmar.h"

namespace ortelan {
namespace {

TEST(RanmarStream, TopBitsAheadAreTheChoicesOfTwoTheDrawsAtHandMake) {
  const std::array<std::array<int, 4>, 3> seedSets{{{12, 34, 56, 78}, {1, 1, 1, 1}, {168, 2, 97, 33}}};
  std::mt19937 random(7);
  for (const auto& seeds : seedSets) {
    Ranmar generator;
    generator.MAKE_RANDOM(seeds[0], seeds[1], seeds[2], seeds[3]);
    Ranmar oneByOne = generator;
    for (int look = 0; look < 3000; ++look) {
      Ranmar::Stream stream(generator);
      stream.reserve(1 + random() % Ranmar::Stream::kMaxReserve);
      const std::uint64_t bits = stream.topBitsAhead();
      const std::size_t atHand = stream.available();
      for (std::size_t n = 0; n < Ranmar::Stream::kTopBitsAhead; ++n) {
        const std::uint64_t expected = n < atHand ? stream.peek(n) >> 23 : 0;
        ASSERT_EQ((bits >> n) & 1, expected) << "draw " << n << " ahead of look " << look;
      }
      // Move on by a few draws, and check they are the stream's.
      const std::size_t taken = random() % 12;
      for (std::size_t draw = 0; draw < taken; ++draw) {
        ASSERT_EQ(stream.GOSUB100(), oneByOne.GOSUB100());
      }
    }
  }
}

}  // namespace
}  // namespace ortelan
