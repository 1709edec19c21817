// A real as the tables write it, made without printf: every digit its type
// holds, 21 significant digits for an 80-bit real and 17 for a double, in
// the very text of printf's "%.21Lg" and "%.17g" (the shorter of the fixed
// and exponent forms, trailing zeros dropped, "-0" for negative zero). The
// digits are those of the value's exact binary expansion rounded to nearest,
// ties to even, as the C library rounds them. printf takes some 300 ns for
// an 80-bit real, since it works through the whole expansion; here the
// values of the tables' usual magnitudes (1e-7 to 1e21) cost one 128-bit
// product, and only the others a multi-word one.
#pragma once

#include <cstddef>
#include <string>

namespace ortelan {

// Room for any real's text: the writing copies whole words past its end.
inline constexpr std::size_t kRealTextSize = 48;

// Writes the text of `value` at `out` (kRealTextSize chars of room, which
// it may write to past the text), with no terminating zero; returns its end. Infinities and NaNs, and on a platform
// whose long double is not the 80-bit real, everything, come from snprintf.
template <class Real>
char* writeRealText(char* out, Real value);

// A real as printf's "%*.*Lf" ("%*.*f" for a double) writes it, with
// `decimals` decimals (0 to 27), right-aligned in `width`: the exact value
// rounded to nearest, ties to even. The report's columns; values from 2^63
// on, infinities and NaNs come from snprintf.
template <class Real>
std::string fixedText(Real value, int width, int decimals);

}  // namespace ortelan
