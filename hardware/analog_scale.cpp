#include "hardware/analog_scale.h"

#include <cmath>

int dac_code(float volts) {
  // Clamped: a value at or above full scale must not wrap the 12-bit code,
  // and a NaN never reaches the integer conversion.
  if (std::isnan(volts) || volts <= 0.0f) return 0;
  if (volts >= kFullScaleVolts) return kMaxCode;
  const int code = static_cast<int>(volts / kFullScaleVolts * kCodeSteps);
  return code > kMaxCode ? kMaxCode : code;
}

double code_volts(int code) { return code * (kFullScaleVolts / kCodeSteps); }
