// Preloaded into the tests (LD_PRELOAD), it moves the results of the C
// library's logarithms, exponentials, powers and gamma functions by one
// unit in the last place, up, down or not at all as the argument's bits
// decide, the same for the same argument: what another processor's x87
// instructions or another variant of the C library may give. A test that
// holds on this machine but not under it compares the last bits of such
// results, its own or another program's, beyond what they guarantee:
//   LD_PRELOAD=build-test/tests/libortelan_libm_last_bit.so ctest --test-dir build-test -LE slow
// Results that are exact wherever they are computed (0, 1, whole numbers
// of a power, infinities) are left as they are.
#include <dlfcn.h>
#include <math.h>

#include <cstdint>
#include <cstring>

namespace {

std::uint64_t mix(std::uint64_t z) {
  z += 0x9e3779b97f4a7c15ull;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

// 0: as it is; 1: up; 2: down.
template <class Real>
int way(Real argument) {
  std::uint64_t bits[2] = {0, 0};
  std::memcpy(bits, &argument, sizeof(Real) < 10 ? sizeof(Real) : 10);
  return static_cast<int>(mix(bits[0] ^ mix(bits[1])) % 3);
}

template <class Real>
Real next(Real value, Real toward) {
  if constexpr (sizeof(Real) == sizeof(double)) {
    return nextafter(value, toward);
  } else {
    return nextafterl(value, toward);
  }
}

template <class Real>
Real moved(Real result, Real argument) {
  if (!isfinite(result) || result == 0 || result == 1 || result == -1) return result;
  switch (way(argument)) {
    case 1:
      return next<Real>(result, INFINITY);
    case 2:
      return next<Real>(result, -INFINITY);
    default:
      return result;
  }
}

template <class Function>
Function real(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

#define ORTELAN_MOVED(Real, name)                                     \
  extern "C" Real name(Real x) noexcept {                             \
    static const auto function = real<Real (*)(Real)>(#name);         \
    return moved<Real>(function(x), x);                               \
  }
ORTELAN_MOVED(double, exp)
ORTELAN_MOVED(double, exp2)
ORTELAN_MOVED(double, expm1)
ORTELAN_MOVED(double, log)
ORTELAN_MOVED(double, log1p)
ORTELAN_MOVED(double, log2)
ORTELAN_MOVED(double, log10)
ORTELAN_MOVED(double, lgamma)
ORTELAN_MOVED(double, tgamma)
ORTELAN_MOVED(long double, expl)
ORTELAN_MOVED(long double, exp2l)
ORTELAN_MOVED(long double, expm1l)
ORTELAN_MOVED(long double, logl)
ORTELAN_MOVED(long double, log1pl)
ORTELAN_MOVED(long double, log2l)
ORTELAN_MOVED(long double, log10l)
ORTELAN_MOVED(long double, lgammal)
ORTELAN_MOVED(long double, tgammal)

extern "C" double lgamma_r(double x, int* sign) noexcept {
  static const auto function = real<double (*)(double, int*)>("lgamma_r");
  return moved<double>(function(x, sign), x);
}
extern "C" long double lgammal_r(long double x, int* sign) noexcept {
  static const auto function = real<long double (*)(long double, int*)>("lgammal_r");
  return moved<long double>(function(x, sign), x);
}
extern "C" double pow(double x, double y) noexcept {
  static const auto function = real<double (*)(double, double)>("pow");
  const double result = function(x, y);
  return result == rint(result) ? result : moved<double>(result, x * 3 + y);
}
extern "C" long double powl(long double x, long double y) noexcept {
  static const auto function = real<long double (*)(long double, long double)>("powl");
  const long double result = function(x, y);
  return result == rintl(result) ? result : moved<long double>(result, x * 3 + y);
}
