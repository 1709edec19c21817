#include "exacttest/ranmar.h"

#include <array>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace ortelan {
namespace {

// "If negative, add": without a branch, the sign spread over the word
// masks the addend.
constexpr std::int32_t wrap(std::int32_t value, std::int32_t modulus) { return value + ((value >> 31) & modulus); }

// The initialisation's steps, as a chain of additions. Step n takes m_n =
// m_(n-3) m_(n-2) m_(n-1) mod 179 (the seeds UU1, UU2, UU3 are m_-3, m_-2,
// m_-1) and l_n = 53 l_(n-1) + 1 mod 169 (UU4 is l_-1), and gives the bit
// (l_n m_n mod 64 >= 32). Since 179 is prime and 2 generates its
// multiplicative group, m_n is 2 to the power e_n with e_n = e_(n-3) +
// e_(n-2) + e_(n-1) mod 178: a sum, where the product took two divisions.
struct InitialisationTables {
  std::array<std::uint8_t, 179> logOf{};    // logOf[x] = e with 2^e = x mod 179, for x in 1..178
  std::array<std::uint8_t, 178> powerOf{};  // 2^e mod 179
  std::array<std::uint8_t, 169> lNext{};    // 53 l + 1 mod 169
};

constexpr InitialisationTables makeInitialisationTables() {
  InitialisationTables t;
  int power = 1;
  for (int e = 0; e < 178; ++e) {
    t.powerOf[static_cast<std::size_t>(e)] = static_cast<std::uint8_t>(power);
    t.logOf[static_cast<std::size_t>(power)] = static_cast<std::uint8_t>(e);
    power = power * 2 % 179;
  }
  for (int l = 0; l < 169; ++l) t.lNext[static_cast<std::size_t>(l)] = static_cast<std::uint8_t>((53 * l + 1) % 169);
  return t;
}

constexpr InitialisationTables kInitialisation = makeInitialisationTables();
// 2 to the power 89 is -1: 2 has order 178, and every residue its logarithm.
static_assert(kInitialisation.logOf[1] == 0 && kInitialisation.logOf[178] == 89);

}  // namespace

void Ranmar::MAKE_RANDOM(int UU1, int UU2, int UU3, int UU4) {
  const InitialisationTables& t = kInitialisation;
  unsigned e3 = t.logOf[static_cast<std::size_t>(UU1)], e2 = t.logOf[static_cast<std::size_t>(UU2)],
           e1 = t.logOf[static_cast<std::size_t>(UU3)];
  unsigned l = static_cast<unsigned>(UU4);
  for (int index = 0; index < kLag; ++index) {
    std::int32_t s = 0;
    for (int bit = 0; bit < 24; ++bit) {
      unsigned e = e3 + e2;
      e -= e >= 178 ? 178 : 0;
      e += e1;
      e -= e >= 178 ? 178 : 0;
      e3 = e2;
      e2 = e1;
      e1 = e;
      l = t.lNext[l];
      s |= static_cast<std::int32_t>((l * t.powerOf[e]) >> 5 & 1) << (23 - bit);
    }
    V[static_cast<std::size_t>(kLag - 1 - index)] = s;
  }
  DI = 362436;
  next_ = count_ = 0;
  topBits_ = {};
}

namespace {

// The correction of draw n is DI less (n + 1) DD, reduced into [0, DM):
// each step lowers it by DD < DM and adds DM back when it falls below 0,
// so it is DI - ((n + 1) DD mod DM), wrapped once.
constexpr std::size_t kLag = Ranmar::kLag;

constexpr std::array<std::int32_t, kLag> kCorrectionSteps = [] {
  std::array<std::int32_t, kLag> steps{};
  std::int64_t total = 0;
  for (std::size_t n = 0; n < kLag; ++n) {
    total = (total + Ranmar::DD) % Ranmar::DM;
    steps[n] = static_cast<std::int32_t>(total);
  }
  return steps;
}();

// One round of 97 draws into `round`, from the lag table in draw order and
// the correction DI, both advanced.
[[gnu::always_inline]] inline void drawRoundBody(std::int32_t* V, std::int32_t& DI, std::int32_t* round) {
  constexpr std::int32_t kOne = Ranmar::kOne, DM = Ranmar::DM;
  // Draw n (0..96) updates U[DP], DP = 97 - n, that is V[n], by U[DQ]: DQ
  // runs from 33 down to 1 while DP runs from 97 down to 65 (V[n + 64], not
  // yet updated in this round), then from 97 down to 34 (V[n - 33], updated
  // 33 draws earlier).
  for (std::size_t n = 0; n < 33; ++n) V[n] = wrap(V[n] - V[n + 64], kOne);
  for (std::size_t n = 33; n < kLag; ++n) V[n] = wrap(V[n] - V[n - 33], kOne);
  for (std::size_t n = 0; n < kLag; ++n) round[n] = wrap(V[n] - wrap(DI - kCorrectionSteps[n], DM), kOne);
  DI = wrap(DI - kCorrectionSteps[kLag - 1], DM);
}

// The top bits of draws[0..count) into `words`: bit n of the words in turn
// for draws[n], the bits from count on 0, and the word after them 0. The
// draws are read in groups of eight, over every slot.
template <class Eight>
[[gnu::always_inline]] inline void topBitsBody(const std::int32_t* draws, std::size_t count, std::uint64_t* words) {
  constexpr std::size_t kGroups = Ranmar::kDrawSlots / 8;
  static_assert(kGroups * 8 == Ranmar::kDrawSlots);
  for (std::size_t word = 0; word * 8 < kGroups; ++word) {
    std::uint64_t bits = 0;
    for (std::size_t group = 8 * word; group < 8 * word + 8 && group < kGroups; ++group) {
      bits |= std::uint64_t{Eight::topBits(draws + 8 * group)} << (8 * group - 64 * word);
    }
    const std::size_t first = 64 * word;
    words[word] = count >= first + 64 ? bits : count <= first ? 0 : bits & ((std::uint64_t{1} << (count - first)) - 1);
  }
  words[(kGroups + 7) / 8] = 0;
}

struct EightPlain {
  static std::uint32_t topBits(const std::int32_t* draws) {
    std::uint32_t bits = 0;
    for (unsigned k = 0; k < 8; ++k) bits |= static_cast<std::uint32_t>(draws[k] >> 23) << k;
    return bits;
  }
};

using DrawRound = void (*)(std::int32_t* V, std::int32_t& DI, std::int32_t* drawn, std::size_t kept,
                           std::uint64_t* topBits);

// The rounds of a refill after the `kept` draws at the start of `drawn`,
// and the top bits of all of them.
void drawRoundPlain(std::int32_t* V, std::int32_t& DI, std::int32_t* drawn, std::size_t kept,
                    std::uint64_t* topBits) {
  for (std::size_t round = 0; round < Ranmar::kRounds; ++round) drawRoundBody(V, DI, drawn + kept + round * kLag);
  topBitsBody<EightPlain>(drawn, kept + Ranmar::kRounds * kLag, topBits);
}

#if defined(__x86_64__) || defined(__i386__)
// The same loops in the widest vectors, where the processor has them. A
// draw's top bit (bit 23) shifted to the sign is what movemask collects.
struct EightAvx2 {
  [[gnu::target("avx2")]] static std::uint32_t topBits(const std::int32_t* draws) {
    const __m256i eight = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(draws));
    return static_cast<std::uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_slli_epi32(eight, 8))));
  }
};

[[gnu::target("avx2")]] void drawRoundAvx2(std::int32_t* V, std::int32_t& DI, std::int32_t* drawn, std::size_t kept,
                                           std::uint64_t* topBits) {
  for (std::size_t round = 0; round < Ranmar::kRounds; ++round) drawRoundBody(V, DI, drawn + kept + round * kLag);
  topBitsBody<EightAvx2>(drawn, kept + Ranmar::kRounds * kLag, topBits);
}

DrawRound pickDrawRound() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? drawRoundAvx2 : drawRoundPlain;
}
#else
DrawRound pickDrawRound() { return drawRoundPlain; }
#endif

const DrawRound drawRound = pickDrawRound();

}  // namespace

std::size_t Ranmar::makeDraws(std::size_t next) {
  const std::size_t kept = count_ - next;
  for (std::size_t i = 0; i < kept; ++i) drawn_[i] = drawn_[next + i];
  drawRound(V.data(), DI, drawn_.data(), kept, topBits_.data());
  count_ = kept + kRounds * kLag;
  next_ = 0;
  return 0;
}

}  // namespace ortelan
