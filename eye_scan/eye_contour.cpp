#include "eye_scan/eye_contour.h"

#include "eye_scan/q_scale.h"

namespace kd71::eye {
namespace {

constexpr int kRows = 61;
constexpr int kBisections = 50;

}  // namespace

double model_edge_ps(const jitter_figures& j, const vertical_figures& v, double mv, double ratio,
                     double sign) {
  double inside = 0.0, outside = j.bit_period_ps / 2.0;
  for (int i = 0; i < kBisections; ++i) {
    const double mid = (inside + outside) / 2.0;
    (modelled_ratio(j, v, sign * mid, mv) <= ratio ? inside : outside) = mid;
  }
  return sign * inside;
}

double model_rail_mv(const jitter_figures& j, const vertical_figures& v, double ps, double ratio,
                     double sign) {
  double inside = 0.0, outside = sign > 0 ? v.one_mv - v.best_threshold_mv
                                          : v.best_threshold_mv - v.zero_mv;
  for (int i = 0; i < kBisections; ++i) {
    const double mid = (inside + outside) / 2.0;
    (modelled_ratio(j, v, ps, sign * mid) <= ratio ? inside : outside) = mid;
  }
  return sign * inside;
}

double modelled_ratio(const jitter_figures& j, const vertical_figures& v, double ps, double mv) {
  // The walls' Dirac edges a period less DJ apart about the centre, both
  // spread by the one RJ, as TJ and the width reckon them.
  const double edge = (j.bit_period_ps - j.dj_ps) / 2.0;
  const double t = mv + v.best_threshold_mv;
  return q_of((ps + edge) / j.rj_ps) + q_of((edge - ps) / j.rj_ps) +
         q_of((v.one_mv - t) / v.one_sigma_mv) + q_of((t - v.zero_mv) / v.zero_sigma_mv);
}

std::vector<ContourPoint> eye_contour(const jitter_figures& j, const vertical_figures& v,
                                      double ratio) {
  if (!j.found || !v.found || modelled_ratio(j, v, 0.0, 0.0) > ratio) return {};
  const double lo = model_rail_mv(j, v, 0.0, ratio, -1.0);
  const double hi = model_rail_mv(j, v, 0.0, ratio, 1.0);
  std::vector<ContourPoint> left{{0.0, lo}}, right;
  for (int k = 1; k < kRows - 1; ++k) {
    const double mv = lo + (hi - lo) * k / (kRows - 1);
    left.push_back({model_edge_ps(j, v, mv, ratio, -1.0), mv});
    right.push_back({model_edge_ps(j, v, mv, ratio, 1.0), mv});
  }
  left.push_back({0.0, hi});
  left.insert(left.end(), right.rbegin(), right.rend());
  return left;
}

}  // namespace kd71::eye
