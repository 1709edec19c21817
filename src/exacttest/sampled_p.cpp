#include "exacttest/sampled_p.h"

#include <boost/math/special_functions/beta.hpp>

#include <cmath>

namespace ortelan {

template <class Real>
SampledP<Real> sampledPValue(const SampledCount& count) {
  const auto h = static_cast<Real>(count.counted), B = static_cast<Real>(count.drawn);
  SampledP<Real> out;
  out.p = count.stopped ? h / B : (h + 1) / (B + 1);
  out.se = std::sqrt(out.p * (1 - out.p) / B);
  out.low = count.counted == 0 ? Real(0) : boost::math::ibeta_inv(h, B - h + 1, Real(0.025));
  out.high = count.counted == count.drawn ? Real(1) : boost::math::ibeta_inv(h + 1, B - h, Real(0.975));
  return out;
}

template SampledP<double> sampledPValue<double>(const SampledCount&);
template SampledP<long double> sampledPValue<long double>(const SampledCount&);

}  // namespace ortelan
