// The decision threshold of a channel: its write to the FPGA, the two
// searches that choose it (by ones density, then by error count), the rule
// that picks a point from a sweep, and the calibration log.
#pragma once

// The threshold range the FPGA's codes can represent, mV.
inline constexpr float kThresholdLimitMv = 89.45f;
// A threshold a routine chose, on the channel's slider and in the saved
// settings (the slider's callback keeps them only for the user's moves), so
// that a quit saves what the routine found.
void show_threshold(int channel, double mv);
// A usable threshold for `t` mV: held to +-89.45 mV; NaN gives 0 mV.
float usable_threshold(float t);

// Sends threshold t (mV) of `channel` to its FPGA threshold register, with
// the lock flag that holds the board's data test and pattern alignment
// while set. A threshold outside the range is held to it first.
void WriteThreshold(int channel, float t, int lock);

// What the ones search leaves for the error search, per channel (1, 2).
struct ThresholdRange {
  float rangeLo;  // where the ones count falls through 172 (of 255)
  float rangeHi;  // where it falls through 84
  int onesMask;   // 255 when the ones count rises with the threshold, else 0
};
extern ThresholdRange thresholdRange[3];

// Program-wide search state.
extern int sweepCounter;     // grows with every ones search
extern int lastSweepColour;  // plot colour of the latest ones search
extern int zoneBeginIndex;   // the zone of the latest FindOptimum; the end is exclusive
extern int zoneEndIndex;

// The channel's ones count measured at threshold t, with the lock set.
int MeasOnesCnt(int channel, float t);
// Coarse threshold from the ones density: the range for the error search
// and its midpoint, written with the lock clear.
void SetThresholdOnes(int channel);
// Fine threshold: the middle of the longest error-free run of a 32-step
// sweep over the range the ones search left.
void SetThresholdErrs(int channel);
// Index of the point chosen from a sweep of `count` error counts: the
// middle of the longest run of zeros (the first of equal runs), else the
// first smallest count below 255, else the middle; sets the zone indices.
int FindOptimum(const int* values, int count);

// The searches' measurement counts, for their callers' progress.
inline constexpr int kOnesMeasurements = 23;  // polarity 3, two bisections of 10
inline constexpr int kPresweepPoints = 64;
inline constexpr int kErrorSweepPoints = 32;
// True when the ones search will start with the presweep (an option of the
// open debug panel).
bool presweep_on();

// The calibration log: one line formatted into the shared log buffer and
// shown (DbugOut).
void log_calibration_line(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Shows the log buffer on the debug panel while it is open.
void DbugOut();

void threshold_search_reset();
