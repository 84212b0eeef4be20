#include "sim/signal_physics.h"

#include <algorithm>
#include <cmath>

namespace kd71::sim {
namespace {

constexpr double kMinNoiseMv = 1e-3;
// The timing error ratio just outside the error-free window and the decades
// it climbs across the crossing band (capped at 1/2).
constexpr double kEdgeBerLog10 = -6.0;
constexpr double kBandBerDecades = 5.7;
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

double timing_ber(const ChannelScenario& s, double delay_v) {
  const double period = bit_period_ps(s.rate_mhz);
  if (period <= 0.0) return 0.0;
  const double half_window = std::clamp(s.eye_width_ui, 0.0, 1.0) * period / 2.0;
  const double distance = std::fabs(phase_from_centre_ps(s, delay_v));
  if (distance <= half_window) return 0.0;
  const double band = period / 2.0 - half_window;
  const double depth = band > 0.0 ? std::min(1.0, (distance - half_window) / band) : 1.0;
  return std::min(kMaxBer, std::pow(10.0, kEdgeBerLog10 + kBandBerDecades * depth));
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
