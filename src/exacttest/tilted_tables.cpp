#include "exacttest/tilted_tables.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "chisquare/x_ln_x.h"

namespace ortelan {
namespace {

// The tie tolerance of the ordering by probability, on ln P.
constexpr double kProbabilityTie = 1e-8;
// A unit of S (chisquare/x_ln_x.h) in nats.
constexpr double kXLnXUnit = 1.0 / static_cast<double>(std::int64_t{1} << kXLnXFractionBits);
// Newton's method for the saddle point: its steps, and the largest theta
// (a table at the very end of the scores pulls theta up without bound;
// beyond this the tilted law hardly moves).
constexpr int kNewtonSteps = 60;
constexpr double kSettled = 2e-6;
constexpr double kLargestTheta = 1e3;
// How close the tilted law's mean score must come to the observed one, in
// standard deviations.
constexpr double kCloseEnough = 0.3;
// The least chance of keeping a proposed value of a column (below it, the
// value is drawn by inversion).
constexpr double kLeastKept = 0.3;

// The alias cells' shares are held to 2^-32 of a cell: each value's chance
// is off by less than 2^-32 of the law's whole, far below anything the
// draws can show. Laws of fewer values than this take the draw in whole
// numbers.
constexpr std::uint32_t kWholeCell = 0xffffffffu;
constexpr std::int32_t kLargestFastLaw = 1 << 16;

// A uniform in [0, 1) of 48 bits from two draws of 24.
double uniform48(Ranmar::Stream& draws) {
  const auto high = static_cast<std::uint64_t>(draws.GOSUB100());
  const auto low = static_cast<std::uint64_t>(draws.GOSUB100());
  return static_cast<double>((high << 24) | low) * 0x1p-48;
}

std::uint32_t shareOf(double share) {
  return share >= 1 ? kWholeCell : static_cast<std::uint32_t>(std::max(share, 0.0) * 0x1p32);
}

// The columns of the law and the places of each: the two lines are the
// rows of a two-row table, else its columns, and the columns of the law
// the other lines; the first row is the smaller of the two (`turned` when
// that is the second line), so that fewer genes are placed. Column j has
// r genes of the first row left to place for it and those after it, from
// what the columns before it cannot have taken to what it and those after
// it can take.
struct Layout {
  std::vector<std::int64_t> n, lowest, highest;
  std::int64_t R = 0;
  bool turned = false;
};

Layout layoutOf(const Margins& margins) {
  Layout layout;
  const bool twoRows = margins.rows.size() == 2;
  layout.n = twoRows ? margins.columns : margins.rows;
  const std::int64_t first = twoRows ? margins.rows[0] : margins.columns[0];
  layout.turned = first > margins.total - first;
  layout.R = layout.turned ? margins.total - first : first;
  const std::size_t K = layout.n.size();
  layout.lowest.assign(K + 1, 0);
  layout.highest.assign(K + 1, 0);
  std::int64_t before = 0, after = margins.total;
  for (std::size_t j = 0; j < K; ++j) {
    layout.lowest[j] = std::max<std::int64_t>(0, layout.R - before);
    layout.highest[j] = std::min(layout.R, after);
    before += layout.n[j];
    after -= layout.n[j];
  }
  return layout;
}

}  // namespace

bool TiltedTables::fits(const Margins& margins) {
  const std::size_t rows = margins.rows.size(), columns = margins.columns.size();
  return rows >= 2 && columns >= 2 && (rows == 2 || columns == 2);
}

double TiltedTables::recursionWork(const Margins& margins) {
  const Layout layout = layoutOf(margins);
  double work = 0;
  for (std::size_t j = 0; j < layout.n.size(); ++j) {
    work += static_cast<double>(layout.highest[j + 1] - layout.lowest[j + 1] + 1) *
            static_cast<double>(layout.n[j] + 1);
  }
  return work;
}

std::size_t TiltedTables::columnsOf(const Margins& margins) {
  return margins.rows.size() == 2 ? margins.columns.size() : margins.rows.size();
}

TiltedTables::TiltedTables(const CountTable& table, const Margins& margins, const EnumerationOrder& order,
                           ChainWorkspace& workspace)
    : b_(workspace.tiltedBuffers()), byG_(order.ordering == Ordering::G), tieMargin_(order.tieMargin) {
  Layout layout = layoutOf(margins);
  n_ = std::move(layout.n);
  lowest_ = std::move(layout.lowest);
  highest_ = std::move(layout.highest);
  R_ = layout.R;
  N_ = margins.total;
  const bool twoRows = margins.rows.size() == 2;
  for (std::size_t k = 0; k < n_.size(); ++k) {
    const std::int64_t count = twoRows ? table.at(margins.rowIndex[0], margins.columnIndex[k])
                                       : table.at(margins.rowIndex[k], margins.columnIndex[0]);
    observed_.push_back(layout.turned ? n_[k] - count : count);
  }

  const double* lnFactorial;
  if (N_ < ChainWorkspace::kMaxFactorials) {
    lnFactorial = workspace.lnFactorialDoubles(N_);
  } else {
    b_.scratch.clear();
    for (std::int64_t k = 0; k <= N_; ++k) b_.scratch.push_back(std::lgamma(static_cast<double>(k) + 1));
    lnFactorial = b_.scratch.data();
  }
  const std::int64_t* xLnX = byG_ ? workspace.xLnX(N_) : nullptr;
  const std::int64_t xLnXKept = std::min(N_ + 3, ChainWorkspace::kMaxCounts);
  const auto term = [&](std::int64_t k) { return k < xLnXKept ? xLnX[k] : xLnXFixed(k); };

  for (std::size_t j = 0; j < n_.size(); ++j) {
    offset_.push_back(values_);
    values_ += static_cast<std::size_t>(n_[j]) + 1;
  }
  b_.terms.resize(2 * values_);
  b_.gScores.resize(byG_ ? values_ : 0);
  double* lnBinomial = b_.terms.data();
  double* score = lnBinomial + values_;
  for (std::size_t j = 0; j < n_.size(); ++j) {
    const std::int64_t n = n_[j];
    for (std::int64_t x = 0; x <= n; ++x) {
      const std::size_t k = offset_[j] + static_cast<std::size_t>(x);
      // The same terms, and the same sums, as the listing and the drawing.
      const double u = lnFactorial[x] + lnFactorial[n - x];
      lnBinomial[k] = lnFactorial[n] - u;
      if (byG_) {
        b_.gScores[k] = term(x) + term(n - x);
        score[k] = static_cast<double>(b_.gScores[k]) * kXLnXUnit;
      } else {
        score[k] = u;
      }
    }
  }
  lnBinomial_ = lnBinomial;
  score_ = score;
  for (std::size_t j = 0; j < n_.size(); ++j) {
    const std::size_t k = offset_[j] + static_cast<std::size_t>(observed_[j]);
    observedScore_ += score_[k];
    if (byG_) observedGScore_ += b_.gScores[k];
  }
  lnTablesOfR_ = lnFactorial[N_] - lnFactorial[R_] - lnFactorial[N_ - R_];
}

// The columns taken as independent, each tilted by e^(theta t + eta x):
// f(theta, eta) = sum_j ln sum_x C(n_j, x) e^(theta t_j(x) + eta x)
// - theta t(O) - eta R is convex, and least where the mean score is the
// observed table's and the mean count of the first row R. Newton's method
// with its step halved until f falls.
void TiltedTables::saddlePoint() {
  const double target = byG_ ? static_cast<double>(observedGScore_) * kXLnXUnit : observedScore_;
  struct Moments {
    double f = 0, gt = 0, gx = 0, tt = 0, tx = 0, xx = 0;
  };
  const auto moments = [&](double theta, double eta) {
    Moments m;
    for (std::size_t j = 0; j < n_.size(); ++j) {
      const double* b = lnBinomial_ + offset_[j];
      const double* t = score_ + offset_[j];
      const std::int64_t n = n_[j];
      double largest = -std::numeric_limits<double>::infinity();
      for (std::int64_t x = 0; x <= n; ++x) {
        largest = std::max(largest, b[x] + theta * t[x] + eta * static_cast<double>(x));
      }
      double s = 0, st = 0, sx = 0, stt = 0, stx = 0, sxx = 0;
      for (std::int64_t x = 0; x <= n; ++x) {
        const double X = static_cast<double>(x);
        const double w = std::exp(b[x] + theta * t[x] + eta * X - largest);
        s += w;
        st += w * t[x];
        sx += w * X;
        stt += w * t[x] * t[x];
        stx += w * t[x] * X;
        sxx += w * X * X;
      }
      const double mt = st / s, mx = sx / s;
      m.f += largest + std::log(s);
      m.gt += mt;
      m.gx += mx;
      m.tt += stt / s - mt * mt;
      m.tx += stx / s - mt * mx;
      m.xx += sxx / s - mx * mx;
    }
    m.f -= theta * target + eta * static_cast<double>(R_);
    m.gt -= target;
    m.gx -= static_cast<double>(R_);
    return m;
  };
  double theta = 0, eta = std::log(static_cast<double>(R_) / static_cast<double>(N_ - R_));
  Moments m = moments(theta, eta);
  for (int step = 0; step < kNewtonSteps; ++step) {
    const double det = m.tt * m.xx - m.tx * m.tx;
    if (!(det > 0)) break;
    const double dTheta = -(m.xx * m.gt - m.tx * m.gx) / det;
    const double dEta = -(m.tt * m.gx - m.tx * m.gt) / det;
    const double slope = m.gt * dTheta + m.gx * dEta;
    // Half of -slope (Newton's decrement) is about how far f lies above its
    // least: the mean score is then within some 1e-3 of a standard
    // deviation of the observed one, which the recursion refines.
    if (!(slope < -kSettled)) break;
    double scale = 1;
    Moments next;
    for (int halving = 0; halving < 30; ++halving, scale /= 2) {
      next = moments(theta + scale * dTheta, eta + scale * dEta);
      if (next.f <= m.f + 1e-4 * scale * slope) break;
    }
    if (!(next.f <= m.f)) break;
    theta += scale * dTheta;
    eta += scale * dEta;
    m = next;
    if (theta > kLargestTheta) break;
  }
  // Below 0 the observed table is less extreme than the mean: the law
  // under the null serves best, and the weights stay bounded only there.
  theta_ = std::clamp(theta, 0.0, kLargestTheta);
  eta_ = std::isfinite(eta) ? eta : 0;
  // The variance of the score given the count, as a normal law has it.
  saddleVariance_ = m.xx > 0 ? m.tt - m.tx * m.tx / m.xx : m.tt;
}

bool TiltedTables::recurse() {
  ++recursions_;
  const std::size_t K = n_.size();
  b_.phi.resize(values_);
  double lnScale = 0;    // sum of the logarithms of the scales of phi and Z
  double magnitude = 0;  // and of their sizes, for the rounding
  for (std::size_t j = 0; j < K; ++j) {
    const double* b = lnBinomial_ + offset_[j];
    const double* t = score_ + offset_[j];
    double* phi = &b_.phi[offset_[j]];
    double largest = -std::numeric_limits<double>::infinity();
    for (std::int64_t x = 0; x <= n_[j]; ++x) {
      largest = std::max(largest, b[x] + theta_ * t[x] + eta_ * static_cast<double>(x));
    }
    for (std::int64_t x = 0; x <= n_[j]; ++x) {
      phi[x] = std::exp(b[x] + theta_ * t[x] + eta_ * static_cast<double>(x) - largest);
    }
    lnScale += largest;
    magnitude += std::fabs(largest);
  }
  zAt_.assign(K + 1, 0);
  std::size_t size = 1;  // Z_K(0) = 1 at 0
  for (std::size_t j = K; j-- > 0;) {
    zAt_[j] = size;
    size += static_cast<std::size_t>(highest_[j] - lowest_[j] + 1);
  }
  b_.z.assign(size, 0);
  b_.zScore.assign(size, 0);
  keptScale_.assign(K, 0);
  zScale_.assign(K, 0);
  b_.z[0] = 1;
  for (std::size_t j = K; j-- > 0;) {
    const std::int64_t lo = lowest_[j], hi = highest_[j], nextLo = lowest_[j + 1], nextHi = highest_[j + 1];
    double* out = &b_.z[zAt_[j]];
    double* outScore = &b_.zScore[zAt_[j]];
    const double* in = &b_.z[zAt_[j + 1]];
    const double* inScore = &b_.zScore[zAt_[j + 1]];
    const double* phi = &b_.phi[offset_[j]];
    const double* t = score_ + offset_[j];
    // Z_j(r' + x) += phi_j(x) Z_{j+1}(r'), a row of products for each x;
    // beside it the sums of the scores of the tables, weighted alike.
    for (std::int64_t x = 0; x <= n_[j]; ++x) {
      const double f = phi[x];
      if (f == 0) continue;
      const std::int64_t from = std::max(nextLo, lo - x), to = std::min(nextHi, hi - x);
      double* o = out + (from + x - lo);
      double* oS = outScore + (from + x - lo);
      const double* i = in + (from - nextLo);
      const double* iS = inScore + (from - nextLo);
      const double ft = f * t[x];
      for (std::int64_t k = 0; k <= to - from; ++k) {
        o[k] += f * i[k];
        oS[k] += ft * i[k] + f * iS[k];
      }
    }
    const double largest = *std::max_element(out, out + (hi - lo + 1));
    if (!(largest > 0) || !std::isfinite(largest)) return false;
    double phiSum = 0;
    for (std::int64_t x = 0; x <= n_[j]; ++x) phiSum += phi[x];
    keptScale_[j] = largest / phiSum;
    zScale_[j] = largest;
    for (std::int64_t k = 0; k <= hi - lo; ++k) {
      out[k] /= largest;
      outScore[k] /= largest;
    }
    lnScale += std::log(largest);
    magnitude += std::fabs(std::log(largest));
  }
  // Z_0(R), the one value of column 0, is 1 once scaled: ln Z = lnScale.
  meanScore_ = b_.zScore[zAt_[0]] / b_.z[zAt_[0]];
  // ln w = ln P - ln q = -ln C(N, R) - theta t(T) - eta R + ln Z.
  const double lowestScore = byG_ ? static_cast<double>(observedGScore_ - tieMargin_) * kXLnXUnit
                                  : observedScore_ - kProbabilityTie;
  lnLargestWeight_ = -lnTablesOfR_ - theta_ * lowestScore - eta_ * static_cast<double>(R_) + lnScale;
  // Each of these terms, each exponent of phi and each sum of products
  // carries a rounding of some 1e-16 of its size: far less than this.
  const double exponents = theta_ * std::fabs(lowestScore) + std::fabs(eta_) * static_cast<double>(N_);
  lnLargestWeightRounding_ = 1e-14 * (magnitude + exponents + lnTablesOfR_ + static_cast<double>(N_)) + 1e-13;
  return true;
}

bool TiltedTables::tilt(int recursions) {
  saddlePoint();
  const double target = byG_ ? static_cast<double>(observedGScore_) * kXLnXUnit : observedScore_;
  const double spread = std::sqrt(std::max(saddleVariance_, 0.0));
  // The exact mean grows with theta; the thetas seen on either side of
  // the observed score keep the search between them.
  double below = 0, above = kLargestTheta;
  bool aboveSeen = false;
  double lastTheta = -1, lastMean = 0;
  for (int k = 0; k < recursions; ++k) {
    if (!recurse()) return false;
    const double off = meanScore_ - target;
    if (std::fabs(off) <= kCloseEnough * spread || (theta_ == 0 && off >= 0) || k + 1 == recursions) break;
    if (off < 0) {
      below = theta_;
    } else {
      above = theta_;
      aboveSeen = true;
    }
    // A step of Newton's method with the saddle point's variance, or
    // along the line through the last two; where that leaves the bracket,
    // halfway across it, or twice as far when no theta has yet been seen
    // to overshoot.
    double next = theta_ - off / std::max(saddleVariance_, 1e-300);
    if (lastTheta >= 0 && meanScore_ != lastMean) {
      next = theta_ - off * (theta_ - lastTheta) / (meanScore_ - lastMean);
    }
    if (!(next > below && next < above)) next = aboveSeen ? (below + above) / 2 : std::max(2 * below, below + 0.5);
    lastTheta = theta_;
    lastMean = meanScore_;
    theta_ = std::min(next, kLargestTheta);
  }
  b_.laws.clear();
  b_.cells.clear();
  lawWork_ = 0;
  columnLaw_.clear();
  for (std::size_t j = 0; j + 1 < n_.size(); ++j) {
    columnLaw_.push_back(makeLaw(&b_.phi[offset_[j]], 0, n_[j] + 1));
  }
  return true;
}

// Walker's alias method (Vose, M.D. 1991, "A linear algorithm for
// generating random numbers with a given distribution", IEEE Trans.
// Software Eng. 17: 972-975): m cells of equal chance, each holding part
// of one value and the rest of another, made in O(m). The law of the
// values first..first + m - 1 with `weights` (not all 0).
std::int32_t TiltedTables::makeLaw(const double* weights, std::int64_t first, std::int64_t size) {
  while (size > 1 && weights[0] == 0) {
    ++weights;
    ++first;
    --size;
  }
  while (size > 1 && weights[size - 1] == 0) --size;
  const auto m = static_cast<std::int32_t>(size);
  const auto place = static_cast<std::int32_t>(b_.laws.size());
  b_.laws.push_back({static_cast<std::int64_t>(b_.cells.size()), static_cast<std::int32_t>(first), m});
  double sum = 0;
  for (std::int32_t i = 0; i < m; ++i) sum += weights[i];
  b_.scratch.resize(static_cast<std::size_t>(m));
  const std::size_t at = b_.cells.size();
  b_.cells.resize(at + static_cast<std::size_t>(m));
  AliasCell* cells = &b_.cells[at];
  b_.small.clear();
  b_.large.clear();
  for (std::int32_t i = 0; i < m; ++i) {
    double& share = b_.scratch[static_cast<std::size_t>(i)];
    share = weights[i] * static_cast<double>(m) / sum;
    (share < 1 ? b_.small : b_.large).push_back(i);
  }
  while (!b_.small.empty() && !b_.large.empty()) {
    const std::int32_t s = b_.small.back(), l = b_.large.back();
    b_.small.pop_back();
    cells[s] = {shareOf(b_.scratch[static_cast<std::size_t>(s)]), l};
    double& rest = b_.scratch[static_cast<std::size_t>(l)];
    rest -= 1 - b_.scratch[static_cast<std::size_t>(s)];
    if (rest < 1) {
      b_.large.pop_back();
      b_.small.push_back(l);
    }
  }
  // What is left holds a whole cell, up to rounding.
  for (const std::int32_t i : b_.large) cells[i] = {kWholeCell, i};
  for (const std::int32_t i : b_.small) cells[i] = {kWholeCell, i};
  lawWork_ += m;
  return place;
}

// Column j given r by inversion: the values x in turn, from the least,
// their weights phi_j(x) Z_{j+1}(r - x) summed until the sum passes u times
// the whole, which the recursion gave as Z_j(r) before its scaling. Where
// rounding leaves the sum short of that, the last value of any weight.
std::int64_t TiltedTables::drawGiven(std::size_t j, std::int64_t r, Ranmar::Stream& draws) {
  const std::int64_t first = std::max<std::int64_t>(0, r - highest_[j + 1]);
  const std::int64_t last = std::min(n_[j], r - lowest_[j + 1]);
  const double* phi = &b_.phi[offset_[j]];
  const double* z = &b_.z[zAt_[j + 1]] - lowest_[j + 1];
  const double whole = zScale_[j] * b_.z[zAt_[j] + static_cast<std::size_t>(r - lowest_[j])];
  const double v = uniform48(draws) * whole;
  double sum = 0;
  std::int64_t chosen = first;
  for (std::int64_t x = first; x <= last; ++x) {
    const double w = phi[x] * z[r - x];
    sum += w;
    if (w > 0) chosen = x;
    if (sum > v) break;
  }
  lawWork_ += chosen - first + 1;
  return chosen;
}

// A uniform U of 48 bits, U1 2^24 + U2, times the law's m cells: the cell
// is the integer part of U m / 2^48, and the 32 bits below it are
// compared with the cell's share. U1 alone settles both unless the
// products U m that U2 may still make straddle a cell's edge or its share
// (a chance of some m 2^-23); only then is U2 drawn.
inline std::int64_t TiltedTables::drawFrom(const AliasLaw& l, Ranmar::Stream& draws) const {
  const auto m = static_cast<std::uint64_t>(l.size);
  const auto U1 = static_cast<std::uint64_t>(draws.GOSUB100());
  if (l.size < kLargestFastLaw) {
    const std::uint64_t low = U1 * m << 24;     // the least U m can be
    const std::uint64_t high = low + (m << 24);  // and past the most
    const std::uint64_t cell = low >> 48;
    const AliasCell& c = b_.cells[static_cast<std::size_t>(l.at) + cell];
    const std::uint64_t edge = (cell << 48) + (static_cast<std::uint64_t>(c.share) << 16);
    // The cell's own value or its alias, chosen without a branch: the
    // choice is a coin toss the processor cannot foresee.
    const bool own = high <= edge;
    const bool settled = own || (low >= edge && (high - 1) >> 48 == cell);
    if (settled) [[likely]] return l.first + (own ? static_cast<std::int64_t>(cell) : c.alias);
    const std::uint64_t product = low + static_cast<std::uint64_t>(draws.GOSUB100()) * m;
    const std::uint64_t exact = product >> 48;
    const AliasCell& e = b_.cells[static_cast<std::size_t>(l.at) + exact];
    return l.first + (((product >> 16) & 0xffffffffu) < e.share ? static_cast<std::int64_t>(exact) : e.alias);
  }
  const std::uint64_t U = (U1 << 24) | static_cast<std::uint64_t>(draws.GOSUB100());
  const double v = static_cast<double>(U) * 0x1p-48 * static_cast<double>(m);
  const std::uint64_t cell = std::min(static_cast<std::uint64_t>(v), m - 1);
  const auto below = static_cast<std::uint64_t>((v - static_cast<double>(cell)) * 0x1p32);
  const AliasCell& c = b_.cells[static_cast<std::size_t>(l.at) + cell];
  return l.first + (below < c.share ? static_cast<std::int64_t>(cell) : c.alias);
}

// Column j given r: x from the column's own law phi_j, kept with the
// chance Z_{j+1}(r - x) (each Z scaled to at most 1): rejection sampling
// from phi_j(x) Z_{j+1}(r - x), exact. The proposals come from one small
// law per column, which the processor keeps at hand, where the laws
// given r would fill megabytes. A proposal is kept with the chance
// a(j, r) = sum_x phi_j(x) Z_{j+1}(r - x) / sum_x phi_j(x), known from the
// recursion; where it is below kLeastKept (r far from where the columns
// after are most likely to be, as often in the last columns), the value is
// drawn from the column's law given r by inversion instead.
//
// The tables of a round are drawn together, column by column, and the
// proposals of a column for all the tables still without one in turn:
// the same work, in loops that the processor runs without waiting on one
// table's choice after another's. The draws of the generator are taken
// in a fixed order, so a round is the same wherever it is drawn.
void TiltedTables::draw(Ranmar::Stream& draws, std::size_t count, double* out) {
  const std::size_t K = n_.size();
  b_.r.assign(count, R_);
  b_.x.resize(count);
  b_.sums.assign(count, 0);
  b_.gSums.assign(count, 0);
  b_.waiting.resize(count);
  for (std::size_t j = 0; j < K; ++j) {
    const double* t = score_ + offset_[j];
    if (j + 1 == K) {
      for (std::size_t k = 0; k < count; ++k) b_.x[k] = b_.r[k];
    } else {
      std::size_t waiting = 0;
      const double* zHere = &b_.z[zAt_[j]] - lowest_[j];
      for (std::size_t k = 0; k < count; ++k) {
        if (keptScale_[j] * zHere[b_.r[k]] < kLeastKept) {
          ++lawDraws_;
          b_.x[k] = drawGiven(j, b_.r[k], draws);
        } else {
          b_.waiting[waiting++] = static_cast<std::int32_t>(k);
        }
      }
      const AliasLaw law = b_.laws[static_cast<std::size_t>(columnLaw_[j])];
      const std::int64_t lo = lowest_[j + 1], hi = highest_[j + 1];
      const double* z = &b_.z[zAt_[j + 1]] - lo;
      while (waiting > 0) {
        std::size_t still = 0;
        for (std::size_t w = 0; w < waiting; ++w) {
          const auto k = static_cast<std::size_t>(b_.waiting[w]);
          const std::int64_t x = drawFrom(law, draws);
          const std::int64_t left = b_.r[k] - x;
          bool kept = false;
          if (left >= lo && left <= hi) {
            // A uniform u < z, 24 bits at a time: most often the first
            // settles it.
            const double threshold = z[left] * 0x1p24;
            const auto first = static_cast<double>(draws.GOSUB100());
            kept = first + 1 <= threshold;
            if (!kept && first < threshold) [[unlikely]] {
              kept = first + static_cast<double>(draws.GOSUB100()) * 0x1p-24 < threshold;
            }
          }
          b_.x[k] = x;
          b_.waiting[still] = static_cast<std::int32_t>(k);
          still += kept ? 0 : 1;
        }
        proposals_ += static_cast<std::int64_t>(waiting);
        waiting = still;
      }
    }
    for (std::size_t k = 0; k < count; ++k) {
      const std::size_t place = offset_[j] + static_cast<std::size_t>(b_.x[k]);
      b_.sums[k] += t[b_.x[k]];
      if (byG_) b_.gSums[k] += b_.gScores[place];
      b_.r[k] -= b_.x[k];
    }
  }
  for (std::size_t k = 0; k < count; ++k) {
    double excess;  // how far the score lies above the least that counts, in nats
    if (byG_) {
      const std::int64_t above = b_.gSums[k] - observedGScore_ + tieMargin_;
      excess = above < 0 ? -1 : static_cast<double>(above) * kXLnXUnit;
    } else {
      excess = observedScore_ - b_.sums[k] < kProbabilityTie ? b_.sums[k] - observedScore_ + kProbabilityTie : -1;
    }
    out[k] = excess < 0 ? 0 : std::min(1.0, std::exp(-theta_ * excess));
  }
}

}  // namespace ortelan
