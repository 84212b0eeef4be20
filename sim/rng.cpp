#include "sim/rng.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kd71::sim {
namespace {

// Above this mean the Poisson count is drawn from its normal approximation.
constexpr double kExactPoissonLimit = 30.0;
// Below this variance the binomial count is drawn trial by trial.
constexpr double kExactBinomialVariance = 9.0;

}  // namespace

double Rng::uniform() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }

int Rng::between(int lo, int hi) {
  if (hi <= lo) return lo;
  const auto span = static_cast<std::uint64_t>(hi - lo) + 1;
  return lo + static_cast<int>(engine_() % span);
}

double Rng::gaussian() {
  if (has_spare_) {
    has_spare_ = false;
    return spare_;
  }
  // Box-Muller: two uniforms give two independent normals.
  double u1 = uniform();
  while (u1 <= 0.0) u1 = uniform();
  const double u2 = uniform();
  const double r = std::sqrt(-2.0 * std::log(u1));
  const double angle = 2.0 * std::numbers::pi * u2;
  spare_ = r * std::sin(angle);
  has_spare_ = true;
  return r * std::cos(angle);
}

std::uint64_t Rng::poisson(double mean) {
  if (!(mean > 0.0)) return 0;
  if (mean < kExactPoissonLimit) {
    const double limit = std::exp(-mean);
    std::uint64_t count = 0;
    double product = uniform();
    while (product > limit) {
      ++count;
      product *= uniform();
    }
    return count;
  }
  const double draw = std::round(mean + std::sqrt(mean) * gaussian());
  return draw <= 0.0 ? 0 : static_cast<std::uint64_t>(draw);
}

int Rng::binomial(int n, double p) {
  if (n <= 0 || !(p > 0.0)) return 0;
  if (p >= 1.0) return n;
  const double variance = n * p * (1.0 - p);
  if (variance < kExactBinomialVariance) {
    int count = 0;
    for (int i = 0; i < n; ++i)
      if (uniform() < p) ++count;
    return count;
  }
  const double draw = std::round(n * p + std::sqrt(variance) * gaussian());
  return static_cast<int>(std::clamp(draw, 0.0, static_cast<double>(n)));
}

}  // namespace kd71::sim
