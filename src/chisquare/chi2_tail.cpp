#include "chisquare/chi2_tail.h"

#include <boost/math/special_functions/gamma.hpp>
#include <cerrno>
#include <cmath>
#include <limits>

namespace ortelan {
namespace {

namespace bmp = boost::math::policies;

// Every error is ignored: an underflow gives 0, a bad argument NaN, and
// nothing throws or sets errno on Boost's side.
using QuietPolicy = bmp::policy<bmp::domain_error<bmp::ignore_error>, bmp::pole_error<bmp::ignore_error>,
                                bmp::overflow_error<bmp::ignore_error>, bmp::underflow_error<bmp::ignore_error>,
                                bmp::denorm_error<bmp::ignore_error>, bmp::evaluation_error<bmp::ignore_error>,
                                bmp::rounding_error<bmp::ignore_error>,
                                bmp::indeterminate_result_error<bmp::ignore_error>>;

}  // namespace

template <class Real>
Real chiSquareUpperTail(Real chi2, Real df) {
  if (std::isnan(chi2) || std::isnan(df) || df < 0) return std::numeric_limits<Real>::quiet_NaN();
  if (df == 0 || chi2 <= 0) return 1;
  // The C library's exp and log inside may set ERANGE deep in the tail;
  // callers that read errno after their own calls must not see it.
  const int errnoBefore = errno;
  const Real q = boost::math::gamma_q(df / 2, chi2 / 2, QuietPolicy());
  errno = errnoBefore;
  // Subnormal results carry too few digits to be worth printing.
  return q < std::numeric_limits<Real>::min() ? Real(0) : q;
}

template <class Real>
Real chiSquareLowerTail(Real chi2, Real df) {
  if (std::isnan(chi2) || std::isnan(df) || df < 0) return std::numeric_limits<Real>::quiet_NaN();
  if (chi2 <= 0) return 0;
  if (df == 0) return 1;
  const int errnoBefore = errno;
  const Real p = boost::math::gamma_p(df / 2, chi2 / 2, QuietPolicy());
  errno = errnoBefore;
  return p < std::numeric_limits<Real>::min() ? Real(0) : p;
}

template double chiSquareUpperTail<double>(double, double);
template long double chiSquareUpperTail<long double>(long double, long double);
template double chiSquareLowerTail<double>(double, double);
template long double chiSquareLowerTail<long double>(long double, long double);

}  // namespace ortelan
