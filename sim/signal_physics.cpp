#include "sim/signal_physics.h"

#include <algorithm>
#include <cmath>

namespace kd71::sim {
namespace {

constexpr double kMinNoiseMv = 1e-3;
constexpr double kMaxBer = 0.5;
// Error ratios of a combination one step and further from an error-free one.
constexpr double kNearPhaseBer = 1e-5;
constexpr double kFarPhaseBer = 1e-3;
constexpr int kPhases = 8;
// Bit rate per step of the rate's preferred combination.
constexpr int kMhzPerPhaseStep = 3500;
// Middle of the sampling-delay range the program uses (0 .. 2.7 V).
constexpr double kDelayRangeMiddleV = 1.35;

// Probability that a normal variable exceeds x standard deviations.
double q(double x) { return 0.5 * std::erfc(x / std::sqrt(2.0)); }

// Probability that a crossing spread by `sigma` lands more than `x` beyond
// its mean (a step without spread).
double tail(double x, double sigma) {
  if (sigma > 0.0) return q(x / sigma);
  return x > 0.0 ? 0.0 : (x < 0.0 ? 1.0 : 0.5);
}

double noise(const ChannelScenario& s) { return std::max(s.noise_mv, kMinNoiseMv); }

bool phase_good(std::uint8_t mask, int phase) { return (mask >> (phase & 7)) & 1u; }

}  // namespace

double threshold_mv(int code_p, int code_n) {
  return static_cast<double>(code_p - code_n) / kCodeSpan * kFullScaleV /
         (2.0 * kThresholdLegVoltsPerMv);
}

double bit_period_ps(int rate_mhz) { return rate_mhz > 0 ? 1e6 / rate_mhz : 0.0; }

double ones_fraction(const ChannelScenario& s, double mv) {
  const double sigma = noise(s);
  if (!s.data_present) return q((mv - s.offset_mv) / sigma);
  const double half = s.amplitude_mv / 2.0;
  return 0.5 * q((mv - (s.offset_mv + half)) / sigma) +
         0.5 * q((mv - (s.offset_mv - half)) / sigma);
}

double threshold_ber(const ChannelScenario& s, double mv) {
  const double sigma = noise(s);
  const double half = s.amplitude_mv / 2.0;
  const double ones_lost = q((s.offset_mv + half - mv) / sigma);
  const double zeros_lost = q((mv - (s.offset_mv - half)) / sigma);
  return std::min(kMaxBer, 0.5 * (ones_lost + zeros_lost));
}

double phase_from_centre_ps(const ChannelScenario& s, double delay_v) {
  const double period = bit_period_ps(s.rate_mhz);
  if (period <= 0.0) return 0.0;
  const double offset = (delay_v - s.eye_centre_v) * kPsPerDelayVolt;
  return offset - period * std::floor(offset / period + 0.5);
}

Jitter jitter(const ChannelScenario& s) {
  const double period = bit_period_ps(s.rate_mhz);
  Jitter j;
  j.rj_ps = std::max(0.0, s.rj_ps.value_or(kDefaultRjPs));
  const double width = std::clamp(s.eye_width_ui, 0.0, 1.0);
  j.dj_ps = s.dj_ps ? *s.dj_ps : period * (1.0 - width) - 2.0 * kTotalJitterQ * j.rj_ps;
  j.dj_ps = std::clamp(j.dj_ps, 0.0, period);
  j.transition_density = std::clamp(s.transition_density, 0.0, 1.0);
  return j;
}

double dual_dirac_ber(const Jitter& j, double period_ps, double phase_ps) {
  const double half = period_ps / 2.0, dd = j.dj_ps / 2.0, rj = j.rj_ps;
  const double late = 0.5 * tail(phase_ps + half - dd, rj) + 0.5 * tail(phase_ps + half + dd, rj);
  const double early = 0.5 * tail(half - phase_ps - dd, rj) + 0.5 * tail(half - phase_ps + dd, rj);
  return j.transition_density * (late + early);
}

double timing_ber(const ChannelScenario& s, double delay_v) {
  const double period = bit_period_ps(s.rate_mhz);
  if (period <= 0.0) return 0.0;
  return dual_dirac_ber(jitter(s), period, phase_from_centre_ps(s, delay_v));
}

double eye_opening_ps(const ChannelScenario& s, double ber) {
  const double period = bit_period_ps(s.rate_mhz);
  const Jitter j = jitter(s);
  if (period <= 0.0 || dual_dirac_ber(j, period, 0.0) > ber) return 0.0;
  // BER_t grows from the centre to the crossing: bisect for the edge.
  double inside = 0.0, outside = period / 2.0;
  for (int i = 0; i < 60; ++i) {
    const double mid = (inside + outside) / 2.0;
    (dual_dirac_ber(j, period, mid) <= ber ? inside : outside) = mid;
  }
  return 2.0 * inside;
}

std::uint8_t good_phase_mask(const ChannelScenario& s) {
  if (s.good_phases) return *s.good_phases;
  const int best = (std::max(s.rate_mhz, 0) / kMhzPerPhaseStep) % kPhases;
  std::uint8_t mask = 0;
  for (int d = -1; d <= 1; ++d)
    mask |= static_cast<std::uint8_t>(1u << ((best + d + kPhases) % kPhases));
  return mask;
}

int best_phase(std::uint8_t mask) {
  int best = 0, best_score = 0;
  for (int p = 0; p < kPhases; ++p) {
    if (!phase_good(mask, p)) continue;
    const int score = 1 + phase_good(mask, p + kPhases - 1) + phase_good(mask, p + 1);
    if (score > best_score) {
      best = p;
      best_score = score;
    }
  }
  return best;
}

double phase_ber(std::uint8_t mask, int phase) {
  if (phase_good(mask, phase)) return 0.0;
  const bool beside_good = phase_good(mask, phase + 1) || phase_good(mask, phase + kPhases - 1);
  return beside_good ? kNearPhaseBer : kFarPhaseBer;
}

double auto_delay_v(const ChannelScenario& s) {
  const double period_v = bit_period_ps(s.rate_mhz) / kPsPerDelayVolt;
  if (period_v <= 0.0) return s.eye_centre_v;
  const double k = std::round((kDelayRangeMiddleV - s.eye_centre_v) / period_v);
  return s.eye_centre_v + k * period_v;
}

int delay_code(double volts) {
  if (!(volts > 0.0)) return 0;
  return std::min(kMaxCode, static_cast<int>(volts / kFullScaleV * kCodeSpan));
}

}  // namespace kd71::sim
