#include "chisquare/chi2prob.h"

#include <cmath>
#include <cstdint>

#include "run/real.h"

namespace ortelan {
namespace {

constexpr int ITMAX = 3000;

template <class Real>
struct Constants {
  static constexpr Real EPS = ORTELAN_REAL(3.0e-7);
  static constexpr Real STP = ORTELAN_REAL(2.50662827465);
  static constexpr Real C1 = ORTELAN_REAL(76.18009173);
  static constexpr Real C2 = ORTELAN_REAL(86.50532033);
  static constexpr Real C3 = ORTELAN_REAL(24.01409822);
  static constexpr Real C4 = ORTELAN_REAL(1.231739516);
  static constexpr Real C5 = ORTELAN_REAL(0.00120858003);
  static constexpr Real C6 = ORTELAN_REAL(0.00000536382);
  // The square root of 6.2831852, close to but not the square root of 2 pi.
  static constexpr Real NORMAL_DIVISOR = ORTELAN_REAL(2.5066282532517663);
  static constexpr Real TAIL_P = ORTELAN_REAL(0.2316419);
  static constexpr Real B1 = ORTELAN_REAL(0.31938153);
  static constexpr Real B2 = ORTELAN_REAL(0.356563782);
  static constexpr Real B3 = ORTELAN_REAL(1.781477937);
  static constexpr Real B4 = ORTELAN_REAL(1.821255978);
  static constexpr Real B5 = ORTELAN_REAL(1.330274429);
};

// GSER: P(a, x) by its series, and ln Gamma(a).
template <class Real>
void GSER(Real& GAMSER, Real A, Real X, Real& GLN, const PauseFn& pause) {
  using K = Constants<Real>;
  GLN = GAMMLN(A);
  if (X <= 0) {
    if (X < 0) pause("pause in GSER - x less than 0");
    GAMSER = 0;
    return;
  }
  Real AP = A;
  Real SUM = 1 / A;
  Real DEL = SUM;
  bool converged = false;
  for (int N = 1; N <= ITMAX; ++N) {
    AP = AP + 1;
    DEL = DEL * X / AP;
    SUM = SUM + DEL;
    if (std::fabs(DEL) < std::fabs(SUM) * K::EPS) {
      converged = true;
      break;
    }
  }
  if (!converged) pause("pause in GSER - a too large, itmax too small");
  GAMSER = SUM * std::exp(-X + A * std::log(X) - GLN);
}

// GCF: Q(a, x) by its continued fraction, renormalised at every step.
template <class Real>
void GCF(Real& GAMMCF, Real A, Real X, Real& GLN, const PauseFn& pause) {
  using K = Constants<Real>;
  GLN = GAMMLN(A);
  Real GOLD = 0, A0 = 1, A1 = X, B0 = 0, B1 = 1, FAC = 1, G = 0;
  bool converged = false;
  for (int N = 1; N <= ITMAX; ++N) {
    const Real AN = static_cast<Real>(N);
    const Real ANA = AN - A;
    A0 = (A1 + A0 * ANA) * FAC;
    B0 = (B1 + B0 * ANA) * FAC;
    const Real ANF = FAC * AN;
    A1 = X * A0 + ANF * A1;
    B1 = X * B0 + ANF * B1;
    if (A1 != 0) {
      FAC = 1 / A1;
      G = B1 * FAC;
      if (std::fabs((G - GOLD) / G) < K::EPS) {
        converged = true;
        break;
      }
      GOLD = G;
    }
  }
  if (!converged) pause("pause in GCF - a too large, itmax too small");
  GAMMCF = std::exp(-X + A * std::log(X) - GLN) * G;
}

}  // namespace

template <class Real>
Real GAMMLN(Real XX) {
  using K = Constants<Real>;
  Real X = XX - 1;
  if (XX < 1) X = XX;
  Real TMP = X + ORTELAN_REAL(5.5);
  TMP = (X + ORTELAN_REAL(0.5)) * std::log(TMP) - TMP;
  Real SER = 1 + K::C1 / (X + 1);
  SER = SER - K::C2 / (X + 2);
  SER = SER + K::C3 / (X + 3);
  SER = SER - K::C4 / (X + 4);
  SER = SER + K::C5 / (X + 5);
  SER = SER - K::C6 / (X + 6);
  if (XX >= 1) return std::log(K::STP * SER) + TMP;
  return std::log(K::STP * SER) + TMP - std::log(XX);
}

template <class Real>
Real GAMMQ(Real A, Real X, const PauseFn& pause) {
  using K = Constants<Real>;
  const auto DF = static_cast<std::int32_t>(std::llround(2 * A));
  const Real CHI = 2 * X;
  if (DF <= 100) {
    if (CHI > 200) return 0;
    if (X < 0 || A <= 0) pause("pause in GAMMQ - invalid arguments");
    Real GLN;
    if (X < A + 1) {
      Real GAMSER;
      GSER(GAMSER, A, X, GLN, pause);
      return 1 - GAMSER;
    }
    Real GAMMCF;
    GCF(GAMMCF, A, X, GLN, pause);
    return GAMMCF;
  }
  // GROSDDL: more than 100 degrees of freedom.
  const Real dfReal = static_cast<Real>(DF);
  const Real third = Real(1) / Real(3);
  Real XX = CHI == 0 ? Real(0) : std::exp(std::log(CHI / dfReal) * third);
  XX = XX - (1 - 2 / (9 * dfReal));
  XX = XX / std::sqrt(2 / (9 * dfReal));
  if (XX > 5) return 0;
  const bool XY = XX < 0;
  XX = std::fabs(XX);
  const Real ZXX = std::exp(-XX * XX / 2) / K::NORMAL_DIVISOR;
  const Real TT = 1 / (1 + K::TAIL_P * XX);
  const Real lnTT = std::log(TT);
  Real QXX = K::B1 * TT - K::B2 * (TT * TT) + K::B3 * std::exp(3 * lnTT);
  QXX = ZXX * (QXX - K::B4 * std::exp(4 * lnTT) + K::B5 * std::exp(5 * lnTT));
  const Real PCHI = XY ? 1 - QXX : QXX;
  return PCHI;
}

template double GAMMQ<double>(double, double, const PauseFn&);
template long double GAMMQ<long double>(long double, long double, const PauseFn&);
template double GAMMLN<double>(double);
template long double GAMMLN<long double>(long double);

}  // namespace ortelan
