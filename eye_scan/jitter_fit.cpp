#include "eye_scan/jitter_fit.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "eye_scan/eye_scan_plan.h"
#include "eye_scan/q_scale.h"
#include "eye_scan/tail_fit.h"

namespace kd71::eye {
namespace {

struct Phased {
  double phase = 0.0;  // within the bit period
  double at = 0.0;     // the delay's shift, ps
  const EyePoint* point = nullptr;
};

double wrap(double x, double period) { return x - period * std::floor(x / period); }

// The longest run of error-free points round the period: its first point
// and how many it holds (0 when no point is free of errors).
std::pair<int, int> open_run(const std::vector<Phased>& p) {
  const int n = static_cast<int>(p.size());
  int best_first = 0, best_count = 0;
  // Runs are counted from a point with errors, so that none is split by
  // the period's end; a sweep open everywhere is one run.
  int start = 0;
  while (start < n && p[static_cast<std::size_t>(start)].point->errors == 0) ++start;
  if (start == n) return {0, n};
  int first = 0, count = 0;
  for (int i = 1; i <= n; ++i) {
    const int at = (start + i) % n;
    if (p[static_cast<std::size_t>(at)].point->errors == 0) {
      if (count++ == 0) first = at;
      if (count > best_count) {
        best_count = count;
        best_first = first;
      }
    } else {
      count = 0;
    }
  }
  return {best_first, best_count};
}

}  // namespace

double centre_delay_near(const jitter_figures& j, double near_v) {
  const double period_v = delay_volts(j.bit_period_ps);
  const double c = delay_volts(j.centre_ps);
  return c + period_v * std::round((near_v - c) / period_v);
}

double total_jitter_ps(double rj_ps, double dj_ps, double ratio) {
  return dj_ps + 2.0 * inverse_q(ratio) * rj_ps;
}

jitter_figures fit_jitter(const std::vector<EyePoint>& points, double period, double ratio,
                          double transition_density) {
  jitter_figures j;
  j.ratio = ratio;
  j.bit_period_ps = period;
  if (!(period > 0.0)) {
    j.why_not = "the bit rate is not known";
    return j;
  }
  std::vector<Phased> phased;
  for (const EyePoint& p : points) {
    if (!(p.bits > 0.0)) continue;
    const double at = delay_ps(p.delay_v);
    phased.push_back({wrap(at, period), at, &p});
  }
  std::sort(phased.begin(), phased.end(),
            [](const Phased& a, const Phased& b) { return a.phase < b.phase; });
  const auto [first, count] = open_run(phased);
  if (count == 0) {
    j.why_not = "no point of the bathtub is free of errors: the eye is closed";
    return j;
  }
  // The run's middle, halfway between its ends (its points need not be
  // evenly spaced).
  const Phased& a = phased[static_cast<std::size_t>(first)];
  const Phased& b = phased[static_cast<std::size_t>(first + count - 1) % phased.size()];
  const double half_span = wrap(b.phase - a.phase, period) / 2.0;
  const Phased c{wrap(a.phase + half_span, period), a.at + half_span, nullptr};
  // Each point's place from the middle, within half a period either side;
  // the walls are the points beyond the error-free run round the middle.
  std::vector<std::pair<double, const EyePoint*>> around;
  for (const Phased& p : phased)
    around.emplace_back(wrap(p.phase - c.phase + period / 2.0, period) - period / 2.0, p.point);
  std::sort(around.begin(), around.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  const auto zero = std::find_if(around.begin(), around.end(),
                                 [](const auto& a) { return a.first >= 0.0; });
  auto inner_left = zero, inner_right = zero;
  while (inner_left != around.begin() && std::prev(inner_left)->second->errors == 0) --inner_left;
  while (inner_right != around.end() && inner_right->second->errors == 0) ++inner_right;
  std::vector<TailSample> left, right;
  for (auto it = around.begin(); it != inner_left; ++it) left.push_back({it->first, it->second});
  for (auto it = inner_right; it != around.end(); ++it) right.push_back({it->first, it->second});

  const double scale = 2.0 / transition_density;
  j.left = fit_tail(left, scale, true);
  j.right = fit_tail(right, scale, false);
  j.why_not = tail_problem(j.left, "the left tail");
  if (j.why_not.empty()) j.why_not = tail_problem(j.right, "the right tail");
  if (!j.why_not.empty()) return j;
  j.fit_r2 = std::min(j.left.r2, j.right.r2);
  j.rj_ps = (j.left.sigma + j.right.sigma) / 2.0;
  // The inner Dirac edges stand a period less DJ apart; noise can put them
  // a little further apart than a period when DJ is nil.
  j.dj_ps = std::max(0.0, period - (j.right.edge - j.left.edge));
  j.tj_ps = total_jitter_ps(j.rj_ps, j.dj_ps, ratio);
  j.width_ps = std::max(0.0, period - j.tj_ps);
  j.centre_ps = c.at + (j.left.edge + j.right.edge) / 2.0;
  j.found = true;
  return j;
}

}  // namespace kd71::eye
