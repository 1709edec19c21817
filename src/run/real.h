// The real type of a program: 80-bit long double or 64-bit double. A
// decimal constant is taken as the nearest value of that type (rounding the
// decimal once, never through the other type).
#pragma once

#include <type_traits>

namespace ortelan {

template <class Real>
constexpr Real realConstant(double asDouble, long double asLongDouble) {
  if constexpr (std::is_same_v<Real, double>) {
    return asDouble;
  } else {
    return static_cast<Real>(asLongDouble);
  }
}

}  // namespace ortelan

// The decimal literal `x` as the nearest value of the enclosing `Real`.
#define ORTELAN_REAL(x) ::ortelan::realConstant<Real>(x, x##L)
