// What an eye scan is asked for and what it found: its request, its state
// and its result, the points delay by delay as they come in.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "eye_scan/eye_analysis.h"
#include "eye_scan/eye_scan_plan.h"

struct EyeScanRequest {
  int channel = 1;
  bool two_d = false;
  int delay_steps = kEyeDefaultDelaySteps;  // per bit period
  DelaySpan span = DelaySpan::BitPeriod;
  int threshold_points = kEyeDefaultThresholdPoints;  // two-dimensional scans
  // The thresholds of a two-dimensional scan, mV; both 0: the ones-density
  // range of the channel's last initialisation, or +-89.45 mV without one.
  double threshold_lo_mv = 0.0;
  double threshold_hi_mv = 0.0;
  // The ratio each point is to resolve; 0: what one fast count resolves.
  double resolve_ratio = 0.0;
  // Points placed where the outcome is uncertain instead of the full grid:
  // each wall's edge found first, then its tail sampled densely for the
  // fits, each point counted until its errors decide it. A two-dimensional
  // adaptive scan takes the bathtub at the channel's threshold, then the
  // threshold sweep at the eye's centre, then the walls of a row above and
  // below the centre and the rails of a column either side of it, for the
  // contours' shape.
  bool adaptive = false;
};

enum class EyeScanState { Idle, Queued, Running, Finished, Stopped, Failed };

struct EyeScanResult {
  EyeScanRequest request;
  EyeScanState state = EyeScanState::Idle;
  std::string message;  // why a scan failed or stopped
  int rate_mhz = 0;
  bool automatic_mode = false;  // the channel was in automatic mode
  double anchor_v = 0.0;        // the delay the channel sampled at
  float threshold_mv = 0.0f;    // the channel's threshold (that of a bathtub)
  double delay_lo_v = 0.0;      // the delay's range
  double delay_hi_v = 0.0;
  DelaySweep delays;
  ThresholdSweep thresholds;  // one point at the channel's threshold for a bathtub
  int counts_per_point = 0;
  // Delay by delay, each delay's thresholds in order; filled as the scan goes.
  std::vector<EyePoint> points;
  // Adaptive scans: the points expected (a guess while it runs), where the
  // threshold sweep at the centre begins in `points` and where the rows and
  // columns off the centre begin (two-dimensional; 0 before them).
  int adaptive_points = 0;
  std::size_t vertical_from = 0;
  std::size_t off_centre_from = 0;
  double centre_delay_v = 0.0;  // the delay of that sweep
  double scan_s = 0.0;          // how long the scan took

  int planned_points() const {
    return request.adaptive ? adaptive_points : delays.points * thresholds.points;
  }
};
