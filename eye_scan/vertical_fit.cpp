#include "eye_scan/vertical_fit.h"

#include <algorithm>

#include "eye_scan/q_scale.h"
#include "eye_scan/tail_fit.h"

namespace kd71::eye {

vertical_figures fit_vertical(const std::vector<EyePoint>& points, double ratio) {
  vertical_figures v;
  v.ratio = ratio;
  std::vector<const EyePoint*> sorted;
  for (const EyePoint& p : points)
    if (p.bits > 0.0) sorted.push_back(&p);
  std::sort(sorted.begin(), sorted.end(),
            [](const EyePoint* a, const EyePoint* b) { return a->threshold_mv < b->threshold_mv; });
  // The longest run of error-free thresholds is the eye's inside.
  std::size_t best_first = 0, best_count = 0, first = 0, count = 0;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    if (sorted[i]->errors != 0) {
      count = 0;
      continue;
    }
    if (count++ == 0) first = i;
    if (count > best_count) {
      best_count = count;
      best_first = first;
    }
  }
  if (best_count == 0) {
    v.why_not = "no threshold of the sweep is free of errors: the eye is closed";
    return v;
  }
  std::vector<TailSample> zeros, ones;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    const TailSample s{sorted[i]->threshold_mv, sorted[i]};
    if (i < best_first) zeros.push_back(s);
    if (i >= best_first + best_count) ones.push_back(s);
  }
  v.zeros = fit_tail(zeros, kRailScale, true);
  v.ones = fit_tail(ones, kRailScale, false);
  v.why_not = tail_problem(v.zeros, "the tail of the zeros");
  if (v.why_not.empty()) v.why_not = tail_problem(v.ones, "the tail of the ones");
  if (!v.why_not.empty()) return v;
  v.fit_r2 = std::min(v.zeros.r2, v.ones.r2);
  v.one_mv = v.ones.edge;
  v.one_sigma_mv = v.ones.sigma;
  v.zero_mv = v.zeros.edge;
  v.zero_sigma_mv = v.zeros.sigma;
  const double spread = v.one_sigma_mv + v.zero_sigma_mv;
  v.q_factor = (v.one_mv - v.zero_mv) / spread;
  v.best_threshold_mv = (v.one_mv * v.zero_sigma_mv + v.zero_mv * v.one_sigma_mv) / spread;
  v.height_mv = std::max(0.0, v.one_mv - v.zero_mv - inverse_q(ratio) * spread);
  v.found = true;
  return v;
}

}  // namespace kd71::eye
