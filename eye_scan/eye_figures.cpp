#include "eye_scan/eye_figures.h"

#include <algorithm>
#include <cmath>

#include "eye_scan/jitter_fit.h"
#include "eye_scan/vertical_fit.h"

namespace kd71::eye {

std::vector<EyePoint> bathtub_of(const EyeScanResult& r) {
  if (r.request.adaptive) {
    const auto end = std::min(r.vertical_from, r.points.size());
    return {r.points.begin(), r.points.begin() + static_cast<std::ptrdiff_t>(end)};
  }
  const ThresholdSweep& t = r.thresholds;
  if (!r.request.two_d || t.points <= 1 || !(t.step_mv > 0.0)) return r.points;
  const auto row = static_cast<std::size_t>(
      std::clamp<long>(std::lround((r.threshold_mv - t.first_mv) / t.step_mv), 0, t.points - 1));
  std::vector<EyePoint> out;
  for (std::size_t i = row; i < r.points.size(); i += static_cast<std::size_t>(t.points))
    out.push_back(r.points[i]);
  return out;
}

std::vector<EyePoint> threshold_sweep_of(const EyeScanResult& r, double centre_v) {
  if (!r.request.two_d) return {};
  if (r.request.adaptive) {
    const std::size_t end =
        r.off_centre_from > 0 ? std::min(r.off_centre_from, r.points.size()) : r.points.size();
    return {r.points.begin() + static_cast<std::ptrdiff_t>(std::min(r.vertical_from, end)),
            r.points.begin() + static_cast<std::ptrdiff_t>(end)};
  }
  const int rows = r.thresholds.points;
  const DelaySweep& d = r.delays;
  if (rows <= 0 || d.points <= 0 || !(d.step_v > 0.0)) return {};
  const auto column = static_cast<std::size_t>(
      std::clamp<long>(std::lround((centre_v - d.first_v) / d.step_v), 0, d.points - 1));
  const std::size_t first = column * static_cast<std::size_t>(rows);
  if (first >= r.points.size()) return {};
  const std::size_t last = std::min(r.points.size(), first + static_cast<std::size_t>(rows));
  return {r.points.begin() + static_cast<std::ptrdiff_t>(first),
          r.points.begin() + static_cast<std::ptrdiff_t>(last)};
}

jitter_figures scan_jitter(const EyeScanResult& r, double ratio) {
  return fit_jitter(bathtub_of(r), r.delays.bit_period_ps, ratio);
}

vertical_figures scan_vertical(const EyeScanResult& r, const jitter_figures& j, double ratio) {
  if (!r.request.two_d) {
    vertical_figures v;
    v.ratio = ratio;
    v.why_not = "a bathtub sweeps no threshold";
    return v;
  }
  return fit_vertical(threshold_sweep_of(r, eye_centre_v(r, j)), ratio);
}

double eye_centre_v(const EyeScanResult& r, const jitter_figures& j) {
  if (r.request.adaptive) return r.centre_delay_v;
  return j.found ? centre_delay_near(j, r.anchor_v) : r.anchor_v;
}

}  // namespace kd71::eye
