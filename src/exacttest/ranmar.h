// The exact test's own uniform generator: the universal generator of
// Marsaglia and Zaman (a lagged subtractive generator over 97 fractions of
// 24 bits, combined with an arithmetic sequence; period about 2^144).
//
// Every value of the generator is a multiple of 2^-24 in [0, 1) and every
// operation on it is exact, so it is kept here as integers in units of
// 2^-24: the stream is bit for bit that of the floating form, in any real
// type, and a draw costs a few integer operations.
#pragma once

#include <array>
#include <cstdint>

namespace ortelan {

class Ranmar {
 public:
  static constexpr std::int32_t kOne = 1 << 24;  // 1.0 in units of 2^-24

  // MAKE_RANDOM: the lag table from four seeds, each in 1..168.
  void MAKE_RANDOM(int UU1, int UU2, int UU3, int UU4);

  // GOSUB100: the next draw UNI, in units of 2^-24 (0 <= UNI < 2^24).
  std::int32_t GOSUB100() {
    std::int32_t UNI = U[DP] - U[DQ];
    if (UNI < 0) UNI += kOne;
    U[DP] = UNI;
    if (--DP == 0) DP = 97;
    if (--DQ == 0) DQ = 97;
    DI -= DD;
    if (DI < 0) DI += DM;
    UNI -= DI;
    if (UNI < 0) UNI += kOne;
    return UNI;
  }

  // An integer in 1..n: the integer part of n x UNI + 1.
  int choose(int n) { return static_cast<int>((static_cast<std::int64_t>(n) * GOSUB100()) >> 24) + 1; }

 private:
  static constexpr std::int32_t DD = 7654321;
  static constexpr std::int32_t DM = 16777213;

  std::array<std::int32_t, 98> U{};  // entries 1..97
  std::int32_t DI = 362436;
  int DP = 97;
  int DQ = 33;
};

}  // namespace ortelan
