#include "eye_scan/tail_fit.h"

#include <cmath>

#include "eye_scan/q_scale.h"
#include "platform/os/c_locale.h"

namespace kd71::eye {

bool tail_point(const EyePoint& p) {
  if (p.errors == 0 || p.saturated || p.counts <= 0) return false;
  // Counts whose mean lies within four of its Poisson spreads of the top
  // are often held at it, which would bias the ratio low.
  const double near_top = kFastCountTop - 4.0 * std::sqrt(static_cast<double>(kFastCountTop));
  return static_cast<double>(p.errors) / p.counts < near_top;
}

tail_fit fit_tail(const std::vector<TailSample>& samples, double scale, bool rising) {
  struct Xy {
    double x, y, w;
  };
  std::vector<Xy> xy;
  for (const TailSample& s : samples) {
    if (!tail_point(*s.point)) continue;
    const double y = inverse_q(scale * point_ratio(*s.point));
    if (!std::isfinite(y)) continue;
    // The count's Poisson spread is 1/sqrt(errors) in ln(ratio), which the
    // Q scale shrinks by about Q: weights errors x Q^2.
    xy.push_back({s.at, y, static_cast<double>(s.point->errors) * y * y});
  }
  tail_fit fit;
  fit.points = static_cast<int>(xy.size());
  if (fit.points < 2) return fit;
  double sw = 0, sx = 0, sy = 0;
  for (const Xy& p : xy) {
    sw += p.w;
    sx += p.w * p.x;
    sy += p.w * p.y;
  }
  const double mx = sx / sw, my = sy / sw;
  double sxx = 0, sxy = 0, syy = 0;
  for (const Xy& p : xy) {
    sxx += p.w * (p.x - mx) * (p.x - mx);
    sxy += p.w * (p.x - mx) * (p.y - my);
    syy += p.w * (p.y - my) * (p.y - my);
  }
  if (!(sxx > 0.0)) return fit;
  const double slope = sxy / sxx;
  const double intercept = my - slope * mx;
  fit.r2 = syy > 0.0 ? (sxy * sxy) / (sxx * syy) : 0.0;
  fit.sigma = 1.0 / std::fabs(slope);
  fit.edge = -intercept / slope;
  fit.usable = fit.points >= kFitMinPoints && fit.r2 >= kFitMinR2 && (slope > 0.0) == rising;
  return fit;
}

std::string tail_problem(const tail_fit& f, const char* side) {
  if (f.usable) return "";
  if (f.points < kFitMinPoints)
    return kd71::c_locale::format("%s has %d usable points (at least %d are needed)", side,
                                  f.points, kFitMinPoints);
  if (!(f.r2 >= kFitMinR2))
    return kd71::c_locale::format("%s is no straight line on the Q scale (R2 %.3f, below %.1f)",
                                  side, f.r2, kFitMinR2);
  return kd71::c_locale::format("%s falls the wrong way", side);
}

}  // namespace kd71::eye
