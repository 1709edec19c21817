#include "exacttest/sampled_p.h"

#include <boost/math/special_functions/beta.hpp>

#include <cmath>

namespace ortelan {

template <class Real>
SampledP<Real> sampledPValue(const SampledCount& count) {
  const auto B = static_cast<Real>(count.drawn);
  SampledP<Real> out;
  out.p = sampledP<Real>(count);
  out.se = std::sqrt(out.p * (1 - out.p) / B);
  const ClopperPearson<Real> limits = clopperPearson<Real>(count.counted, count.drawn);
  out.low = limits.low;
  out.high = limits.high;
  return out;
}

template <class Real>
ClopperPearson<Real> clopperPearson(std::int64_t successes, std::int64_t trials) {
  const auto h = static_cast<Real>(successes), B = static_cast<Real>(trials);
  ClopperPearson<Real> out;
  out.low = clopperPearsonLow<Real>(successes, trials, Real(0.025));
  out.high = successes == trials ? Real(1) : boost::math::ibeta_inv(h + 1, B - h, Real(0.975));
  return out;
}

template <class Real>
Real clopperPearsonLow(std::int64_t successes, std::int64_t trials, Real tail) {
  if (successes == 0) return Real(0);
  const auto h = static_cast<Real>(successes), B = static_cast<Real>(trials);
  return boost::math::ibeta_inv(h, B - h + 1, tail);
}

template SampledP<double> sampledPValue<double>(const SampledCount&);
template double clopperPearsonLow<double>(std::int64_t, std::int64_t, double);
template long double clopperPearsonLow<long double>(std::int64_t, std::int64_t, long double);
template ClopperPearson<double> clopperPearson<double>(std::int64_t, std::int64_t);
template ClopperPearson<long double> clopperPearson<long double>(std::int64_t, std::int64_t);
template SampledP<long double> sampledPValue<long double>(const SampledCount&);

}  // namespace ortelan
