#include "eye_scan/q_scale.h"

#include <cmath>
#include <limits>

namespace kd71::eye {
namespace {

constexpr int kNewtonSteps = 60;
constexpr double kTolerance = 1e-12;

// The standard normal density.
double density(double x) { return std::exp(-0.5 * x * x) / std::sqrt(2.0 * M_PI); }

}  // namespace

double q_of(double x) { return 0.5 * std::erfc(x / std::sqrt(2.0)); }

double inverse_q(double p) {
  if (!(p > 0.0 && p < 1.0)) return std::numeric_limits<double>::quiet_NaN();
  if (p > 0.5) return -inverse_q(1.0 - p);
  // Newton's method on ln Q, which is close to a parabola and so converges
  // from the tail's asymptote x = sqrt(-2 ln p) for any p in (0, 0.5].
  double x = std::sqrt(-2.0 * std::log(p));
  for (int i = 0; i < kNewtonSteps; ++i) {
    const double q = q_of(x);
    const double step = (std::log(q) - std::log(p)) * q / density(x);
    x += step;
    if (std::fabs(step) < kTolerance) break;
  }
  return x;
}

}  // namespace kd71::eye
