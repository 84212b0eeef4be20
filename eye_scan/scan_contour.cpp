#include "eye_scan/scan_contour.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "eye_scan/eye_figures.h"
#include "eye_scan/jitter_fit.h"
#include "eye_scan/q_scale.h"
#include "eye_scan/tail_fit.h"
#include "eye_scan/vertical_fit.h"
#include "platform/os/c_locale.h"

namespace kd71::eye {
namespace {

// A wall holds the transitions' share of the bits, half of them in each
// direction (a rail's share is vertical_fit.h's).
constexpr double kWallScale = 2.0 / kPrbsTransitionDensity;
// Ratios above this are no tail: a point there is as wrong as right.
constexpr double kTopRatio = 0.5;

enum class Source { None, Measured, Fitted, Centre };

struct Edge {
  Source source = Source::None;
  double at = 0.0;
};

struct Sample {
  double at = 0.0;  // ps or mV from the centre
  const EyePoint* point = nullptr;
};

// The point's ratio on the fits' reckoning, its bound where it counted no
// error; 0 without bits.
double scaled_ratio(const EyePoint& p, double scale) {
  return std::min(kTopRatio, scale * point_ratio(p));
}

// The centre line's tail on one side, from the eye's centre: its fitted
// line reaches Q = 0 at `edge` with the spread `fitted`; the figures carry
// it down by `sigma` (the walls' mean for both walls).
struct CentreTail {
  double edge, fitted, sigma;
};

// Where a line (a row or a column, sorted along it) crosses `ratio` from
// its centre outwards on the side `dir` (-1 or +1). Beyond what its points
// resolve, the line's tail is taken as the centre's, shifted by how far its
// points lie from the centre's fitted line at their Q: random jitter and
// noise are the same the eye over, what moves from line to line is where
// the tail lies. `fallback` is the centre fits' answer.
Edge line_edge(const std::vector<Sample>& line, int dir, double scale, double ratio,
               const CentreTail& centre, const Edge& fallback) {
  if (line.empty()) return fallback;
  const auto nearest = std::min_element(
      line.begin(), line.end(),
      [](const Sample& a, const Sample& b) { return std::fabs(a.at) < std::fabs(b.at); });
  const auto mid = static_cast<long>(nearest - line.begin());
  const auto n = static_cast<long>(line.size());
  // A count held at its top shows a ratio it at least has.
  auto wrong = [&](long i) {
    const EyePoint& p = *line[static_cast<std::size_t>(i)].point;
    return p.errors > 0 && (p.saturated || scaled_ratio(p, scale) > ratio);
  };
  if (wrong(mid)) return {};  // the line is closed at this ratio
  long outer = mid;
  while (outer >= 0 && outer < n && !wrong(outer)) outer += dir;
  if (outer < 0 || outer >= n) return fallback;  // open to the sweep's end
  const Sample& in = line[static_cast<std::size_t>(outer - dir)];
  const Sample& out = line[static_cast<std::size_t>(outer)];
  const double in_ratio = scaled_ratio(*in.point, scale);
  if (in_ratio > 0.0 && in_ratio <= ratio) {
    // Both sides of the crossing measured: between them on the Q scale.
    const double qi = inverse_q(in_ratio), qo = inverse_q(scaled_ratio(*out.point, scale));
    const double u = qi > qo ? std::clamp((qi - inverse_q(ratio)) / (qi - qo), 0.0, 1.0) : 0.0;
    return {Source::Measured, in.at + u * (out.at - in.at)};
  }
  // Weighted as the fits weigh their points: errors x Q^2. The centre
  // line's own points lie, so weighted, on its fitted line.
  double sum = 0.0, weights = 0.0;
  for (long i = outer; i >= 0 && i < n; i += dir) {
    const Sample& s = line[static_cast<std::size_t>(i)];
    if (!tail_point(*s.point)) continue;
    const double q = inverse_q(scaled_ratio(*s.point, scale));
    if (!(q > 0.0)) continue;
    const double w = static_cast<double>(s.point->errors) * q * q;
    sum += w * (s.at - (centre.edge - dir * q * centre.fitted));
    weights += w;
  }
  if (!(weights > 0.0)) return fallback;
  const double at = centre.edge - dir * inverse_q(ratio) * centre.sigma + sum / weights;
  // Beyond the point that already shows the ratio, or past the centre: the
  // line's tail does not tell.
  if (dir * at >= dir * out.at) return fallback;
  if (dir * at <= 0.0) return {};
  return {Source::Fitted, at};
}

// The scan's rows (points at one threshold, along the delay) and columns
// (at one delay, along the threshold) of at least kLinePoints points, about
// the centre. Delays are taken round the bit period: a sweep whose eye
// wraps round its ends serves, and one longer than a period repeats its
// phases.
constexpr std::size_t kLinePoints = 4;
// Rows and columns it takes to give the contour a shape of its own; with
// fewer, the contour is the centre's fits'.
constexpr std::size_t kShapeLines = 3;

struct Lines {
  std::map<float, std::vector<Sample>> rows;     // by threshold
  std::map<float, std::vector<Sample>> columns;  // by delay
};

Lines scan_lines(const EyeScanResult& r, double period_ps, double centre_v, double centre_mv) {
  Lines lines;
  for (const EyePoint& p : r.points) {
    if (!(p.bits > 0.0)) continue;
    const double from = delay_ps(p.delay_v) - delay_ps(centre_v);
    lines.rows[p.threshold_mv].push_back({from - period_ps * std::round(from / period_ps), &p});
    lines.columns[p.delay_v].push_back({p.threshold_mv - centre_mv, &p});
  }
  auto by_place = [](const Sample& a, const Sample& b) { return a.at < b.at; };
  for (auto* set : {&lines.rows, &lines.columns}) {
    for (auto it = set->begin(); it != set->end();) {
      std::sort(it->second.begin(), it->second.end(), by_place);
      it = it->second.size() < kLinePoints ? set->erase(it) : std::next(it);
    }
  }
  return lines;
}

void count(scan_contour& c, Source s) {
  if (s == Source::Measured) ++c.measured;
  if (s == Source::Fitted) ++c.fitted;
  if (s == Source::Centre) ++c.from_centre;
}

// A row (at `at` mV) or a column (at `at` ps) whose two edges were found
// and stand open between them.
void keep_line(scan_contour& c, bool row, double at, const Edge& lo, const Edge& hi) {
  if (lo.source == Source::None || hi.source == Source::None || lo.at >= hi.at) return;
  c.points.push_back(row ? ContourPoint{lo.at, at} : ContourPoint{at, lo.at});
  c.points.push_back(row ? ContourPoint{hi.at, at} : ContourPoint{at, hi.at});
  (row ? c.rows : c.columns).push_back({at, lo.at, hi.at});
  count(c, lo.source);
  count(c, hi.source);
}

}  // namespace

scan_contour contour_of_scan(const EyeScanResult& r, const jitter_figures& j,
                             const vertical_figures& v, double ratio) {
  scan_contour c;
  if (!j.found || !v.found) {
    c.why_not = !j.found ? "no jitter fit: " + j.why_not : "no vertical fit: " + v.why_not;
    return c;
  }
  c.centre_v = eye_centre_v(r, j);
  c.centre_mv = v.best_threshold_mv;
  const Lines lines = scan_lines(r, j.bit_period_ps, c.centre_v, c.centre_mv);
  if (lines.rows.size() < kShapeLines || lines.columns.size() < kShapeLines ||
      modelled_ratio(j, v, 0.0, 0.0) > ratio) {
    c.points = eye_contour(j, v, ratio);
    c.from_centre = static_cast<int>(c.points.size());
    return c;
  }
  auto centre_fit = [&](bool open, double at) { return open ? Edge{Source::Centre, at} : Edge{}; };
  const double half_eye = (j.right.edge - j.left.edge) / 2.0;
  const CentreTail left_wall{-half_eye, j.left.sigma, j.rj_ps};
  const CentreTail right_wall{half_eye, j.right.sigma, j.rj_ps};
  const CentreTail zeros{v.zero_mv - c.centre_mv, v.zero_sigma_mv, v.zero_sigma_mv};
  const CentreTail ones{v.one_mv - c.centre_mv, v.one_sigma_mv, v.one_sigma_mv};
  for (const auto& [threshold, line] : lines.rows) {
    const double mv = threshold - c.centre_mv;
    const bool open = modelled_ratio(j, v, 0.0, mv) <= ratio;
    const Edge left = line_edge(line, -1, kWallScale, ratio, left_wall,
                                centre_fit(open, model_edge_ps(j, v, mv, ratio, -1.0)));
    const Edge right = line_edge(line, 1, kWallScale, ratio, right_wall,
                                 centre_fit(open, model_edge_ps(j, v, mv, ratio, 1.0)));
    keep_line(c, true, mv, left, right);
  }
  for (const auto& [delay, line] : lines.columns) {
    const double from = delay_ps(delay) - delay_ps(c.centre_v);
    const double ps = from - j.bit_period_ps * std::round(from / j.bit_period_ps);
    const bool open = modelled_ratio(j, v, ps, 0.0) <= ratio;
    const Edge bottom = line_edge(line, -1, kRailScale, ratio, zeros,
                                  centre_fit(open, model_rail_mv(j, v, ps, ratio, -1.0)));
    const Edge top = line_edge(line, 1, kRailScale, ratio, ones,
                               centre_fit(open, model_rail_mv(j, v, ps, ratio, 1.0)));
    keep_line(c, false, ps, bottom, top);
  }
  // Round the centre, each axis scaled to the eye's size so that neither
  // crowds the angles.
  const double half_ps = j.bit_period_ps / 2.0, half_mv = (v.one_mv - v.zero_mv) / 2.0;
  std::sort(c.points.begin(), c.points.end(), [&](const ContourPoint& a, const ContourPoint& b) {
    return std::atan2(a.mv / half_mv, a.ps / half_ps) < std::atan2(b.mv / half_mv, b.ps / half_ps);
  });
  return c;
}

scan_contour contour_of_scan(const EyeScanResult& r, double ratio) {
  const jitter_figures j = scan_jitter(r, ratio);
  return contour_of_scan(r, j, scan_vertical(r, j, ratio), ratio);
}

std::string contour_source(const scan_contour& c) {
  if (c.measured + c.fitted == 0) return "from the centre row's and column's fits";
  return kd71::c_locale::format(
      "from each row's and column's tails: %d edges read off the points, %d extrapolated, %d "
      "from the centre's fits",
      c.measured, c.fitted, c.from_centre);
}

mask_test test_scan_mask(const eye_mask& mask, const EyeScanResult& r) {
  const scan_contour c = contour_of_scan(r, mask.ratio);
  if (!c.why_not.empty()) {
    mask_test t;
    t.why_not = "the mask needs both the jitter and the vertical fits";
    return t;
  }
  return test_eye_mask(mask, c.points);
}

}  // namespace kd71::eye
