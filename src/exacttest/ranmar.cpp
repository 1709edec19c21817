#include "exacttest/ranmar.h"

namespace ortelan {

void Ranmar::MAKE_RANDOM(int UU1, int UU2, int UU3, int UU4) {
  int i = UU1, j = UU2, k = UU3, l = UU4;
  for (int index = 1; index <= 97; ++index) {
    std::int32_t s = 0;
    std::int32_t t = kOne / 2;
    for (int bit = 0; bit < 24; ++bit) {
      const int m = ((i * j) % 179) * k % 179;
      i = j;
      j = k;
      k = m;
      l = (53 * l + 1) % 169;
      if ((l * m) % 64 >= 32) s += t;
      t /= 2;
    }
    U[index] = s;
  }
  DI = 362436;
  DP = 97;
  DQ = 33;
}

}  // namespace ortelan
