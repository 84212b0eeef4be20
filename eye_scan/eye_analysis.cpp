#include "eye_scan/eye_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Bounds equal to the ratio asked for, up to rounding, count as resolving it.
constexpr double kRatioSlack = 1e-9;

struct Run {
  int first = 0;
  int count = 0;
};

// The longest run of open entries (the first of equal ones); on a circle
// with at least one closed entry when `circular`.
Run longest_run(const std::vector<bool>& open, bool circular) {
  const int n = static_cast<int>(open.size());
  int start = 0;
  if (circular) {
    const auto closed = std::find(open.begin(), open.end(), false);
    start = static_cast<int>(closed - open.begin()) + 1;
  }
  Run best, current;
  for (int i = 0; i < n; ++i) {
    const int at = (start + i) % n;
    if (!open[static_cast<std::size_t>(at)]) {
      current.count = 0;
      continue;
    }
    if (current.count == 0) current.first = at;
    if (++current.count > best.count) best = current;
  }
  return best;
}

Opening opening_of(const Run& run, double first, double step) {
  Opening o;
  o.found = run.count > 0;
  o.first = run.first;
  o.count = run.count;
  o.width = run.count * step;
  o.centre = first + (run.first + (run.count - 1) / 2.0) * step;
  return o;
}

// The sweep point nearest `delay_v`; in a sweep that visits every phase,
// counted around the period.
int nearest_column(const DelaySweep& s, double delay_v) {
  int k = static_cast<int>(std::lround((delay_v - s.first_v) / s.step_v));
  if (sweep_spans_period(s)) {
    while (k >= s.points) k -= s.steps_per_bit;
    while (k < 0) k += s.steps_per_bit;
  }
  return std::clamp(k, 0, s.points - 1);
}

// Whether the `count` points from `first`, `stride` apart, are open; the
// points a scan has not reached yet are not.
std::vector<bool> points_open(const std::vector<EyePoint>& points, int first, int stride, int count,
                              double ratio) {
  std::vector<bool> open(static_cast<std::size_t>(count), false);
  for (int k = 0; k < count; ++k) {
    const auto i = static_cast<std::size_t>(first + k * stride);
    if (i < points.size()) open[static_cast<std::size_t>(k)] = point_open(points[i], ratio);
  }
  return open;
}

}  // namespace

double point_ratio(const EyePoint& p) {
  if (!(p.bits > 0.0)) return 0.0;
  return (p.errors == 0 ? 1.0 : static_cast<double>(p.errors)) / p.bits;
}

bool point_open(const EyePoint& p, double ratio) {
  if (!(p.bits > 0.0)) return false;
  if (p.errors == 0) return 1.0 / p.bits <= ratio * (1.0 + kRatioSlack);
  return static_cast<double>(p.errors) / p.bits < ratio;
}

double smallest_resolved_ratio(const std::vector<EyePoint>& points) {
  double most = 0.0;
  for (const EyePoint& p : points) most = std::max(most, p.bits);
  return most > 0.0 ? 1.0 / most : 0.0;
}

Opening linear_opening(const std::vector<bool>& open, double first, double step) {
  const Run run = longest_run(open, false);
  Opening o = opening_of(run, first, step);
  o.bounded = o.found && run.first > 0 && run.first + run.count < static_cast<int>(open.size());
  return o;
}

Opening delay_opening(const std::vector<bool>& open, const DelaySweep& sweep, double anchor_v,
                      double lo_v, double hi_v) {
  if (!sweep_spans_period(sweep)) return linear_opening(open, sweep.first_v, sweep.step_v);
  // Folded onto one period: a phase is open when each of its points is.
  const int n = sweep.steps_per_bit;
  std::vector<bool> phase(static_cast<std::size_t>(n), true);
  for (std::size_t k = 0; k < open.size(); ++k)
    if (!open[k]) phase[k % static_cast<std::size_t>(n)] = false;
  const bool all_open = std::all_of(phase.begin(), phase.end(), [](bool b) { return b; });
  const Run run = all_open ? Run{0, n} : longest_run(phase, true);
  Opening o = opening_of(run, sweep.first_v, sweep.step_v);
  if (!o.found) return o;
  o.bounded = !all_open;
  if (all_open) {
    o.centre = std::clamp(anchor_v, lo_v, hi_v);
    return o;
  }
  // The centre's phase, then the delay at that phase nearest the anchor.
  const double period_v = n * sweep.step_v;
  const double phase_v = std::fmod(run.first + (run.count - 1) / 2.0, n) * sweep.step_v;
  const double at = sweep.first_v + phase_v;
  const double m = std::round((anchor_v - at) / period_v);
  double best = at;
  bool have = false;
  for (double k : {m - 1.0, m, m + 1.0}) {
    const double v = at + k * period_v;
    if (v < lo_v || v > hi_v) continue;
    if (!have || std::fabs(v - anchor_v) < std::fabs(best - anchor_v)) best = v;
    have = true;
  }
  o.centre = best;
  return o;
}

std::vector<bool> row_open(const std::vector<EyePoint>& points, int columns, int rows, int row,
                           double ratio) {
  return points_open(points, row, rows, columns, ratio);
}

std::vector<bool> column_open(const std::vector<EyePoint>& points, int rows, int column,
                              double ratio) {
  return points_open(points, column * rows, 1, rows, ratio);
}

EyeOpening eye_opening(const std::vector<EyePoint>& points, const DelaySweep& delays,
                       const ThresholdSweep& thresholds, double ratio, double anchor_v, double lo_v,
                       double hi_v) {
  EyeOpening eye;
  const int columns = delays.points, rows = thresholds.points;
  if (columns <= 0 || rows <= 0) return eye;
  auto along_delay = [&](int row) {
    return delay_opening(row_open(points, columns, rows, row, ratio), delays, anchor_v, lo_v, hi_v);
  };
  // The widest row; of equal ones the nearest the middle of the thresholds.
  const double middle = (rows - 1) / 2.0;
  for (int r = 0; r < rows; ++r) {
    const Opening o = along_delay(r);
    if (!o.found) continue;
    const bool nearer = std::fabs(r - middle) < std::fabs(eye.row - middle);
    if (eye.row < 0 || o.count > eye.horizontal.count ||
        (o.count == eye.horizontal.count && nearer)) {
      eye.row = r;
      eye.horizontal = o;
    }
  }
  if (eye.row < 0) return eye;
  eye.column = nearest_column(delays, eye.horizontal.centre);
  eye.vertical = linear_opening(column_open(points, rows, eye.column, ratio), thresholds.first_mv,
                                thresholds.step_mv);
  if (!eye.vertical.found) return eye;
  // The width across the vertical centre.
  const int row = std::clamp(static_cast<int>(std::lround(
                                 (eye.vertical.centre - thresholds.first_mv) / thresholds.step_mv)),
                             0, rows - 1);
  const Opening across = along_delay(row);
  if (across.found) {
    eye.row = row;
    eye.horizontal = across;
  }
  return eye;
}
