// Where an eye scan samples a channel: the sampling delays, a fraction of
// the bit period apart (the rate the board measures gives the period), the
// thresholds of a two-dimensional scan, and how many of the board's 20 ms
// error counts each point takes for the ratio it is to resolve.
#pragma once

inline constexpr int kEyeMinDelaySteps = 32;  // delay steps per bit period
inline constexpr int kEyeMaxDelaySteps = 256;
inline constexpr int kEyeDefaultDelaySteps = 64;
inline constexpr int kEyeMinThresholdPoints = 32;
inline constexpr int kEyeMaxThresholdPoints = 256;
inline constexpr int kEyeDefaultThresholdPoints = 32;
// The routine packet's fast error count covers 20 ms of bits and stops at 255.
inline constexpr double kFastCountSeconds = 0.02;
inline constexpr int kFastCountTop = 255;
// A point counts for 20 s at most, whatever ratio is asked for.
inline constexpr int kEyeMaxCountsPerPoint = 1000;

// What the delay sweep covers: one bit period around the channel's
// sampling point (the eye repeats every period, so one holds the whole
// picture), or the whole of the delay's range.
enum class DelaySpan { BitPeriod, WholeRange };

struct DelaySweep {
  double bit_period_ps = 0.0;
  int steps_per_bit = 0;
  double step_v = 0.0;  // a steps_per_bit-th of the bit period
  double first_v = 0.0;
  int points = 0;
};

// The bit period in ps at `rate_mhz` (0 without a rate).
double bit_period_ps(int rate_mhz);
// The sampling point's shift in ps for a delay of `volts`, and back.
double delay_ps(double volts);
double delay_volts(double ps);

// The delays of a sweep at `rate_mhz`, `steps_per_bit` to the bit period,
// inside the delay's range lo_v .. hi_v. One bit period is centred on
// `anchor_v` where the range allows, else moved inside it; a range shorter
// than a period gives fewer points. No points without a rate.
DelaySweep plan_delay_sweep(int rate_mhz, int steps_per_bit, DelaySpan span, double anchor_v,
                            double lo_v, double hi_v);
double sweep_delay(const DelaySweep& sweep, int k);
// True when the sweep visits every phase of the bit period: point k and
// point k + steps_per_bit then sample the same place of the eye.
bool sweep_spans_period(const DelaySweep& sweep);

struct ThresholdSweep {
  double first_mv = 0.0;
  double step_mv = 0.0;
  int points = 0;
};
// `points` thresholds from lo_mv to hi_mv, both ends included.
ThresholdSweep plan_threshold_sweep(double lo_mv, double hi_mv, int points);
double sweep_threshold(const ThresholdSweep& sweep, int k);

// Bits in one fast error count at `rate_mhz`.
double bits_per_count(int rate_mhz);
// The fast counts a point needs so that its bits resolve `ratio` (no error
// in them shows the ratio is below it): at least one, at most
// kEyeMaxCountsPerPoint; one for a ratio of 0 (the smallest one count
// resolves).
int counts_for_ratio(double ratio, double bits_per_count);
