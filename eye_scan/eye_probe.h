// One point of a running scan, for the sweeps that place their points one
// at a time: the delay and the threshold set (each only when it changes,
// with the wait the board needs after it), then fast counts until the
// point's errors decide it. The point is added to the scan's points.
#pragma once

#include <cstdint>
#include <string>

#include "eye_scan/eye_scan.h"

struct CountRule {
  int max_counts = 1;
  std::uint64_t enough_errors = 1;  // a point with this many errors is decided
};

enum class PointEnd { Counted, Stopped, Failed };

PointEnd probe_point(EyeScanResult& r, double delay_v, double threshold_mv, const CountRule& rule,
                     EyePoint* point, std::string* why);
