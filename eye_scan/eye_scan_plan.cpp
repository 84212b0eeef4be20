#include "eye_scan/eye_scan_plan.h"

#include <algorithm>
#include <cmath>

#include "hardware/analog_scale.h"

namespace {

constexpr double kPicosecondMegahertz = 1e6;  // the bit period in ps is this over the rate in MHz
constexpr double kBitsPerMegabit = 1e6;
// Floating-point slack when a range is counted in steps.
constexpr double kStepSlack = 1e-9;

}  // namespace

double bit_period_ps(int rate_mhz) { return rate_mhz > 0 ? kPicosecondMegahertz / rate_mhz : 0.0; }

double delay_ps(double volts) { return volts / kDelayVoltsPerStep * kDelayPsPerStep; }

double delay_volts(double ps) { return ps / kDelayPsPerStep * kDelayVoltsPerStep; }

DelaySweep plan_delay_sweep(int rate_mhz, int steps_per_bit, DelaySpan span, double anchor_v,
                            double lo_v, double hi_v) {
  DelaySweep s;
  s.bit_period_ps = bit_period_ps(rate_mhz);
  s.steps_per_bit = steps_per_bit;
  if (s.bit_period_ps <= 0.0 || steps_per_bit <= 0 || !(hi_v > lo_v)) return s;
  s.step_v = delay_volts(s.bit_period_ps) / steps_per_bit;
  const int in_range = static_cast<int>(std::floor((hi_v - lo_v) / s.step_v + kStepSlack)) + 1;
  if (span == DelaySpan::WholeRange || in_range <= steps_per_bit) {
    s.first_v = lo_v;
    s.points = span == DelaySpan::WholeRange ? in_range : std::min(in_range, steps_per_bit);
    return s;
  }
  // The anchor in the middle of the period, as far as the range allows.
  s.points = steps_per_bit;
  const double last_first = hi_v - (steps_per_bit - 1) * s.step_v;
  s.first_v = std::clamp(anchor_v - (steps_per_bit / 2) * s.step_v, lo_v, last_first);
  return s;
}

double sweep_delay(const DelaySweep& sweep, int k) { return sweep.first_v + k * sweep.step_v; }

bool sweep_spans_period(const DelaySweep& sweep) {
  return sweep.steps_per_bit > 0 && sweep.points >= sweep.steps_per_bit;
}

ThresholdSweep plan_threshold_sweep(double lo_mv, double hi_mv, int points) {
  ThresholdSweep s;
  if (points < 2 || !(hi_mv > lo_mv)) return s;
  s.first_mv = lo_mv;
  s.step_mv = (hi_mv - lo_mv) / (points - 1);
  s.points = points;
  return s;
}

double sweep_threshold(const ThresholdSweep& sweep, int k) {
  return sweep.first_mv + k * sweep.step_mv;
}

double bits_per_count(int rate_mhz) {
  return rate_mhz > 0 ? rate_mhz * kBitsPerMegabit * kFastCountSeconds : 0.0;
}

int counts_for_ratio(double ratio, double bits_per_count) {
  if (!(ratio > 0.0) || !(bits_per_count > 0.0)) return 1;
  const double counts = std::ceil(1.0 / (ratio * bits_per_count) - kStepSlack);
  if (!(counts < kEyeMaxCountsPerPoint)) return kEyeMaxCountsPerPoint;
  return std::max(1, static_cast<int>(counts));
}
