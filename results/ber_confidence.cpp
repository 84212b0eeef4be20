#include "results/ber_confidence.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/os/text_cursor.h"

namespace {

constexpr double kEpsilon = 1e-15;  // relative size of the last term taken
constexpr double kTiny = 1e-300;    // keeps the continued fraction off zero
constexpr double kHalfLogTwoPi = 0.91893853320467274178;

// lgamma(a) less Stirling's formula; from 10 on by its series, which avoids
// the cancellation of two huge logarithms.
double stirling_rest(double a) {
  if (a < 10.0) return std::lgamma(a) - ((a - 0.5) * std::log(a) - a + kHalfLogTwoPi);
  const double r = 1.0 / a, r2 = r * r;
  return r * (1.0 / 12.0 - r2 * (1.0 / 360.0 - r2 * (1.0 / 1260.0 - r2 / 1680.0)));
}

// ln(e^-x x^a / Gamma(a)), written as -a (t - ln(1 + t)) with t = (x - a) / a,
// so that it stays accurate when a and x are both large and close.
double log_prefactor(double a, double x) {
  const double t = (x - a) / a;
  return -a * (t - std::log1p(t)) + 0.5 * std::log(a) - kHalfLogTwoPi - stirling_rest(a);
}

// Terms enough for the series and the fraction near x = a, where both need
// a few times sqrt(a).
double term_limit(double a) { return 200.0 + 50.0 * std::sqrt(a); }

// P(a, x) by its series; for x < a + 1.
double lower_series(double a, double x) {
  double term = 1.0 / a, sum = term;
  const double limit = term_limit(a);
  for (double k = 1.0; k < limit; k += 1.0) {
    term *= x / (a + k);
    sum += term;
    if (term < sum * kEpsilon) break;
  }
  return sum * std::exp(log_prefactor(a, x));
}

// Q(a, x) by its continued fraction (modified Lentz); for x >= a + 1.
double upper_fraction(double a, double x) {
  double b = x + 1.0 - a, c = 1.0 / kTiny, d = 1.0 / b, h = d;
  const double limit = term_limit(a);
  for (double i = 1.0; i < limit; i += 1.0) {
    const double an = -i * (i - a);
    b += 2.0;
    d = an * d + b;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = b + an / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1.0 / d;
    const double delta = d * c;
    h *= delta;
    if (std::fabs(delta - 1.0) < kEpsilon) break;
  }
  return std::exp(log_prefactor(a, x)) * h;
}

// P(X = n) for the mean m: e^-m m^n / n!.
double poisson_pmf(std::uint64_t n, double m) {
  const double a = static_cast<double>(n) + 1.0;
  return std::exp(log_prefactor(a, m)) / m;
}

}  // namespace

double poisson_cdf(std::uint64_t n, double mean) {
  if (!(mean > 0.0)) return 1.0;
  if (std::isinf(mean)) return 0.0;
  const double a = static_cast<double>(n) + 1.0;
  if (mean < a + 1.0) return 1.0 - lower_series(a, mean);
  return upper_fraction(a, mean);
}

double poisson_upper_factor(std::uint64_t n, double confidence) {
  if (!(confidence > 0.0 && confidence < 1.0)) return std::numeric_limits<double>::quiet_NaN();
  const double alpha = 1.0 - confidence;
  if (n == 0) return -std::log1p(-confidence);
  // P(X <= n; m) falls from 1 to 0 as m grows: bracket the root, then
  // Newton steps (the slope is -P(X = n; m)), halving where they overshoot.
  const double a = static_cast<double>(n) + 1.0;
  double low = 0.0, high = a + 4.0 * std::sqrt(a) + 4.0;
  while (poisson_cdf(n, high) > alpha) {
    low = high;
    high *= 2.0;
  }
  double m = 0.5 * (low + high);
  for (int i = 0; i < 200; ++i) {
    const double f = poisson_cdf(n, m) - alpha;
    if (f > 0.0)
      low = m;
    else
      high = m;
    const double slope = poisson_pmf(n, m);
    double next = slope > 0.0 ? m + f / slope : 0.5 * (low + high);
    if (!(next > low && next < high)) next = 0.5 * (low + high);
    if (std::fabs(next - m) <= 1e-13 * m || high - low <= 1e-13 * m) return next;
    m = next;
  }
  return m;
}

BerJudgement judge_ber(double factor, double bits, double target) {
  BerJudgement j;
  j.bound = bits > 0.0 ? factor / bits : std::numeric_limits<double>::infinity();
  j.pass = j.bound <= target;
  j.bits_needed = j.pass ? 0.0 : factor / target - std::max(bits, 0.0);
  return j;
}

const char* bound_text(double bound, double confidence_percent, char (&text)[kBerText]) {
  TextCursor out(text, kBerText);
  out.text("BER < ").scientific(bound, 1).text(" (").number(confidence_percent).text(" %)");
  return out.terminate();
}

const char* verdict_text(const BerJudgement& j, double target, bool final, char (&text)[kBerText]) {
  TextCursor out(text, kBerText);
  if (j.pass || final)
    out.text(j.pass ? "PASS at " : "FAIL at ").number(target);
  else
    out.text("not yet: ").scientific(j.bits_needed, 1).text(" more bits error-free");
  return out.terminate();
}
