// The board's 12-bit analog scale: the MCP4728 DACs and the FPGA's delay and
// threshold codes all span 0 to 3.3 V in 4096 steps.
#pragma once

inline constexpr double kFullScaleVolts = 3.3;
inline constexpr double kMidScaleVolts = 1.65;
inline constexpr int kCodeSteps = 4096;
inline constexpr int kMaxCode = kCodeSteps - 1;

// The sampling delay: one step of its code (0.000806 V) moves the sampling
// point by 0.0328 ps.
inline constexpr double kDelayVoltsPerStep = 0.000806;
inline constexpr double kDelayPsPerStep = 0.0328;

// 12-bit code of a voltage, truncated toward zero and clamped to 0..4095
// (NaN and negative give 0).
int dac_code(float volts);
// The voltage of a code, as the board's read-backs are shown.
double code_volts(int code);
