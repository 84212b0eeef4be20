// What an eye scan's points tell: each point's error ratio with its bound,
// whether it is open (shown below a chosen ratio), and the eye's opening
// along the delay (its width and centre) and along the threshold (its
// height and centre).
#pragma once

#include <cstdint>
#include <vector>

#include "eye_scan/eye_scan_plan.h"

// One point of a scan: where it sampled and what it counted there.
struct EyePoint {
  float delay_v = 0.0f;       // the delay the board held
  float threshold_mv = 0.0f;  // the threshold the board held
  std::uint64_t errors = 0;   // sum of its fast counts
  double bits = 0.0;          // bits those counts covered
  int counts = 0;             // fast counts read
  bool saturated = false;     // a count stopped at its top: the ratio is at least this
};

// errors / bits; without errors the bound 1 / bits (the ratio is below
// it); 0 for a point that counted no bits.
double point_ratio(const EyePoint& p);
// Open at `ratio`: shown to lie below it. A point without errors is open
// when its bound is no higher than `ratio` (equal counts: the smallest
// ratio its bits resolve), a point with errors when its ratio is below it.
bool point_open(const EyePoint& p, double ratio);
// The smallest ratio the scan's fullest point resolves: 1 / its bits.
double smallest_resolved_ratio(const std::vector<EyePoint>& points);

// A run of open points.
struct Opening {
  bool found = false;    // at least one point is open
  bool bounded = false;  // closed points on both sides; else the run reaches an end of the
                         // sweep, or every point is open
  int first = 0;         // its first point (in a folded delay sweep a phase, which may wrap)
  int count = 0;         // its open points
  double width = 0.0;    // count x the step, in the sweep's unit (V or mV)
  double centre = 0.0;   // its middle, in the sweep's unit
};

// The longest run of open points of a linear sweep (the first of equal ones).
Opening linear_opening(const std::vector<bool>& open, double first, double step);
// The opening along a delay sweep. A sweep that visits every phase of the
// bit period is folded onto one period (a phase is open when each of its
// points is) and its runs may wrap around; its centre is then the delay at
// that phase within lo_v .. hi_v nearest `anchor_v`. Other sweeps are
// linear.
Opening delay_opening(const std::vector<bool>& open, const DelaySweep& sweep, double anchor_v,
                      double lo_v, double hi_v);

// The eye of a two-dimensional scan (points delay by delay, each delay's
// thresholds in order): the row with the longest opening along the delay
// gives the centre column; the opening along that column gives the height
// and the centre threshold, and the row nearest that threshold the width
// and the centre delay.
struct EyeOpening {
  Opening horizontal;  // along the delay, at `row`
  Opening vertical;    // along the threshold, at `column`
  int row = -1;
  int column = -1;
};
EyeOpening eye_opening(const std::vector<EyePoint>& points, const DelaySweep& delays,
                       const ThresholdSweep& thresholds, double ratio, double anchor_v, double lo_v,
                       double hi_v);
// The open points of one row (a threshold) or one column (a delay).
std::vector<bool> row_open(const std::vector<EyePoint>& points, int columns, int rows, int row,
                           double ratio);
std::vector<bool> column_open(const std::vector<EyePoint>& points, int rows, int column,
                              double ratio);
