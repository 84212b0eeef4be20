// The decision threshold of a channel: its write to the FPGA and the two
// searches that choose it, by ones density and by error count.
//
// Only WriteThreshold is built; the searches are declared here, where they
// will live.
#pragma once

// Sends threshold t (mV) of `channel` to its FPGA threshold register, with
// the lock flag that holds the board's pattern alignment while set.
void WriteThreshold(int channel, float t, int lock);

// The channel's ones count measured at threshold t.
int MeasOnesCnt(int channel, float t);
// Coarse threshold from the ones density: the range for the error search
// and its midpoint.
void SetThresholdOnes(int channel);
// Fine threshold: the middle of the longest error-free run of a sweep over
// the range the ones search left.
void SetThresholdErrs(int channel);
// Index of the point chosen from a sweep of `count` error counts, and the
// zone around it.
int FindOptimum(const int* values, int count);
// Shows the calibration log on the debug panel while it is open.
void DbugOut();
