// The exact test's own uniform generator: the universal generator of
// Marsaglia and Zaman (a lagged subtractive generator over 97 fractions of
// 24 bits, combined with an arithmetic sequence; period about 2^144).
//
// Every value of the generator is a multiple of 2^-24 in [0, 1) and every
// operation on it is exact, so it is kept here as integers in units of
// 2^-24: the stream is bit for bit that of the floating form, in any real
// type. The lag pointers run through all 97 places of the table in 97
// draws, so the draws are made in rounds of 97, a few rounds at a time, in
// loops the compiler can vectorise, and handed out one by one.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ortelan {

class Ranmar {
 public:
  static constexpr std::int32_t kOne = 1 << 24;  // 1.0 in units of 2^-24
  static constexpr int kLag = 97;                // places in the lag table
  static constexpr std::int32_t DD = 7654321;    // the correction's decrement
  static constexpr std::int32_t DM = 16777213;   // and its modulus

  // Rounds of 97 draws made at once, and places for the draws at hand:
  // those rounds and the few kept from before them, rounded up to whole
  // groups of eight.
  static constexpr std::size_t kRounds = 4;
  static constexpr std::size_t kDrawSlots = 400;

  // MAKE_RANDOM: the lag table from four seeds, each in 1..168.
  void MAKE_RANDOM(int UU1, int UU2, int UU3, int UU4);

  // GOSUB100: the next draw UNI, in units of 2^-24 (0 <= UNI < 2^24).
  std::int32_t GOSUB100() {
    if (next_ == count_) makeDraws(next_);
    return drawn_[next_++];
  }

  // An integer in 1..n: the integer part of n x UNI + 1.
  int choose(int n) { return static_cast<int>((static_cast<std::int64_t>(n) * GOSUB100()) >> 24) + 1; }

  // The same draws for a hot loop: the position stays in a local (a
  // register) and goes back to the generator at the end. A loop reserves
  // the draws it may need and then takes them without further checks; it
  // may look at the next draw and take it only when it needs it.
  class Stream {
   public:
    static constexpr std::size_t kMaxReserve = 8;
    static_assert(kRounds * kLag + kMaxReserve <= kDrawSlots && kDrawSlots % 8 == 0);

    explicit Stream(Ranmar& generator) : generator_(generator), next_(generator.next_) {}
    ~Stream() { generator_.next_ = next_; }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // At least `count` (at most kMaxReserve) draws are at hand after this.
    void reserve(std::size_t count) {
      if (next_ + count > generator_.count_) [[unlikely]] next_ = generator_.makeDraws(next_);
    }
    std::uint64_t peek() const { return static_cast<std::uint32_t>(generator_.drawn_[next_]); }
    // Takes the draw looked at when `taken` is 1, not when it is 0.
    void take(std::uint64_t taken) { next_ += taken; }
    // Draws at hand from the position on (at least as many as reserved).
    std::size_t available() const { return generator_.count_ - next_; }
    // The draw `ahead` places after the position, for ahead < available().
    std::uint64_t peek(std::size_t ahead) const {
      return static_cast<std::uint32_t>(generator_.drawn_[next_ + ahead]);
    }
    // Bit n is the top bit of the draw n places after the position (the
    // choice from 0..1 it makes), for n < kTopBitsAhead; bits from
    // available() on are 0. A walk finds the first of many draws to choose
    // one thing without a branch per draw.
    static constexpr std::size_t kTopBitsAhead = 57;
    std::uint64_t topBitsAhead() const {
      if constexpr (std::endian::native == std::endian::little) {
        // The eight bytes from the position's, shifted to its bit.
        std::uint64_t bits;
        std::memcpy(&bits, reinterpret_cast<const unsigned char*>(generator_.topBits_.data()) + next_ / 8, 8);
        return bits >> (next_ % 8);
      } else {
        const std::size_t word = next_ / 64, shift = next_ % 64;
        return (generator_.topBits_[word] >> shift) | (generator_.topBits_[word + 1] << 1 << (63 - shift));
      }
    }
    void skip(std::size_t count) { next_ += count; }
    // A reserved draw as an integer in 0..n-1: the integer part of n x UNI
    // (one less than the chain's choice in 1..n).
    std::uint64_t chooseFromZero(std::uint64_t n) { return (n * peekAndTake()) >> 24; }
    // A reserved draw as an integer in 1..n.
    int choose(int n) { return static_cast<int>(chooseFromZero(static_cast<std::uint64_t>(n))) + 1; }
    // One draw, reserved or not.
    std::int32_t GOSUB100() {
      reserve(1);
      const auto UNI = static_cast<std::int32_t>(peek());
      take(true);
      return UNI;
    }

   private:
    std::uint64_t peekAndTake() { return static_cast<std::uint32_t>(generator_.drawn_[next_++]); }

    Ranmar& generator_;
    std::size_t next_;
  };

 private:
  // Keeps the draws not yet taken (from `next` on), appends the next
  // kRounds rounds and returns the new position of the first of them (0).
  // The pointers DP and DQ start every round at 97 and 33.
  std::size_t makeDraws(std::size_t next);

  // The lag table in the order the draws visit it: V[n] is U[97 - n].
  std::array<std::int32_t, kLag> V{};
  std::int32_t DI = 362436;
  std::array<std::int32_t, kDrawSlots> drawn_{};
  std::size_t next_ = 0;
  std::size_t count_ = 0;  // draws made: drawn_[next_..count_) are still to come
  // Bit n of the words in turn is the top bit of drawn_[n], for n < count_;
  // the rest are 0, the last word always.
  std::array<std::uint64_t, kDrawSlots / 64 + 2> topBits_{};
  static_assert(sizeof(topBits_) >= kDrawSlots / 8 + 8, "topBitsAhead reads eight bytes from any position");
};

}  // namespace ortelan
