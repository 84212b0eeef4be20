#include "eye_scan/adaptive_scan.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "eye_scan/eye_probe.h"
#include "eye_scan/jitter_fit.h"
#include "eye_scan/tail_fit.h"
#include "eye_scan/vertical_fit.h"
#include "hardware/analog_scale.h"

namespace {

// A wall's edge is looked for down to a couple of delay codes (or a
// twentieth of a millivolt).
constexpr int kMaxBisections = 14;
constexpr double kSmallestDelayStepV = 2 * kDelayVoltsPerStep;
constexpr double kSmallestThresholdStepMv = 0.05;
// A wall's tail: this many points in it, at most kMaxTailProbes probes
// after its edge, each counted until it has seen 16 errors, at most 4
// counts (1.25e-9 resolved at 10 Gb/s): the tail's deepest points then
// see a few errors, and more counts there would add little to the fit
// for their time; the edge's probes take one count.
constexpr int kTailPoints = 5;
constexpr int kMaxTailProbes = 9;
constexpr CountRule kTailRule = {4, 16};
constexpr CountRule kEdgeRule = {1, 1};
// How far beyond its known points a tail is first looked for: a 256th of
// the bit period (0.4 ps at 10 Gb/s), half a millivolt; the reach grows
// by half with each probe that still lands in the tail (doubling it
// overshoots a steep tail, onto the count's top or no error at all).
constexpr double kFirstReachPerBit = 256;
constexpr double kFirstReachMv = 0.5;
constexpr double kReachGrowth = 1.5;
// The places round the bit period an open one is looked for at.
constexpr int kRingPoints = 8;
// Points a wall is expected to take, for the progress line.
constexpr int kPointsPerWall = 11;
// A two-dimensional scan's rows above and below the centre, and its
// columns either side of it, stand this share of the eye's half opening at
// 1e-12 away: where a real eye's slopes start to bend its contours.
constexpr double kOffCentreShare = 0.6;
// An off-centre wall's edge is first looked for this many of the centre's
// spreads inside its Dirac edge, well down the tail.
constexpr double kGuessSpreads = 4.0;
// Their tails only place the contours, carried down by the centre's
// spreads: two points will do.
constexpr int kOffCentreTailPoints = 2;
constexpr int kOffCentreTailProbes = 4;
constexpr int kCentreWalls = 4, kOffCentreWalls = 8, kPointsPerOffCentreWall = 5;

enum class Walk { Done, Stopped, Failed };

// One wall along the delay (at `fixed` mV) or along the threshold (at
// `fixed` V): `inner` lies in the eye, `outer` beyond its wall.
struct Wall {
  bool along_delay = true;
  double fixed = 0.0;
  double inner = 0.0;
  double outer = 0.0;
  // Where to look when the span is all open (the delay's range cut it
  // short of the wall): the same wall a bit period on.
  bool has_next = false;
  double next_inner = 0.0;
  double next_outer = 0.0;
  // Where the edge is likely (NaN: unknown): the first probe goes there.
  double guess = NAN;
  // Points its tail is to hold, and the probes it may take for them.
  int tail_points = kTailPoints;
  int tail_probes = kMaxTailProbes;
};

// What a probe found at a place along the wall.
enum class Seen { Open, Tail, Closed };

struct Probed {
  double x;
  Seen seen;
};

Seen seen_at(const EyePoint& p) {
  if (kd71::eye::tail_point(p)) return Seen::Tail;
  return p.errors == 0 ? Seen::Open : Seen::Closed;
}

Walk probe(EyeScanResult& r, const Wall& w, double x, const CountRule& rule, EyePoint* p,
           std::string* why) {
  const PointEnd end = w.along_delay ? probe_point(r, x, w.fixed, rule, p, why)
                                     : probe_point(r, w.fixed, x, rule, p, why);
  return end == PointEnd::Counted ? Walk::Done
                                  : end == PointEnd::Stopped ? Walk::Stopped : Walk::Failed;
}

// Where the tail is least known: in the widest gap beside a tail point.
// Between two tail points it is the gap's middle; from a tail point
// towards an open or closed place at most `reach` away, for the tail ends
// within a few of its widths while the place found open or closed may lie
// far beyond. NaN when no gap is wider than `smallest`.
double least_known(std::vector<Probed> probed, double reach, double smallest) {
  std::sort(probed.begin(), probed.end(),
            [](const Probed& a, const Probed& b) { return a.x < b.x; });
  double best = NAN, widest = smallest;
  for (std::size_t i = 1; i < probed.size(); ++i) {
    const Probed &a = probed[i - 1], &b = probed[i];
    const bool a_tail = a.seen == Seen::Tail, b_tail = b.seen == Seen::Tail;
    if (!a_tail && !b_tail) continue;
    const double gap = a_tail && b_tail ? b.x - a.x : std::min(b.x - a.x, 2.0 * reach);
    if (gap > widest) {
      widest = gap;
      best = a_tail ? a.x + gap / 2.0 : b.x - gap / 2.0;
    }
  }
  return best;
}

// One wall's edge and tail; `edge` is where the halving first landed in
// the tail (left as it is when it did not).
Walk walk_wall(EyeScanResult& r, Wall w, double first_reach, double smallest_step, double* edge,
               std::string* why) {
  EyePoint p;
  // The edge: the span between open and closed halved until a point lands
  // in the tail.
  std::vector<Probed> probed;
  bool closed_seen = false;
  for (int i = 0; i < kMaxBisections && probed.empty(); ++i) {
    if (std::fabs(w.inner - w.outer) < smallest_step) break;
    const bool guessed = i == 0 && std::fabs(w.guess - w.inner) < std::fabs(w.outer - w.inner) &&
                         std::fabs(w.guess - w.outer) < std::fabs(w.outer - w.inner);
    const double mid = guessed ? w.guess : (w.inner + w.outer) / 2.0;
    const Walk end = probe(r, w, mid, kEdgeRule, &p, why);
    if (end != Walk::Done) return end;
    const Seen seen = seen_at(p);
    closed_seen = closed_seen || seen == Seen::Closed;
    if (seen == Seen::Tail) {
      probed = {{w.inner, Seen::Open}, {mid, Seen::Tail}, {w.outer, Seen::Closed}};
      *edge = mid;
    } else {
      (seen == Seen::Closed ? w.outer : w.inner) = mid;
    }
  }
  if (probed.empty() && !closed_seen && w.has_next) {
    Wall next = w;
    next.has_next = false;
    next.inner = w.next_inner;
    next.outer = w.next_outer;
    next.guess = NAN;
    return walk_wall(r, next, first_reach, smallest_step, edge, why);
  }
  if (probed.empty()) return Walk::Done;
  // The tail: the widest gap beside a tail point halved until the tail
  // holds its points.
  int in_tail = 1;
  double reach = first_reach;
  for (int i = 0; i < w.tail_probes && in_tail < w.tail_points; ++i) {
    const double x = least_known(probed, reach, smallest_step);
    if (std::isnan(x)) break;
    const Walk end = probe(r, w, x, kTailRule, &p, why);
    if (end != Walk::Done) return end;
    probed.push_back({x, seen_at(p)});
    if (probed.back().seen == Seen::Tail) {
      ++in_tail;
      reach *= kReachGrowth;
    }
  }
  return Walk::Done;
}

// The two walls of a span in turn, from their common inside; stops at the
// first that does not end. The second wall's edge is first looked for
// where the first's lies mirrored about the inside: an eye found near its
// middle is about as wide on either side, and the halving goes on from
// there when it is not.
Walk walk_walls(EyeScanResult& r, const std::vector<Wall>& walls, double first_reach,
                double smallest_step, std::string* why) {
  double edge = NAN;
  for (Wall w : walls) {
    if (!std::isnan(edge)) w.guess = 2.0 * w.inner - edge;
    edge = NAN;
    const Walk end = walk_wall(r, w, first_reach, smallest_step, &edge, why);
    if (end != Walk::Done) return end;
  }
  return Walk::Done;
}

// Points of `r` from `from` on, in order along the delay or the threshold,
// for the charts.
void order(EyeScanResult& r, std::size_t from, bool by_delay) {
  std::stable_sort(r.points.begin() + static_cast<std::ptrdiff_t>(from), r.points.end(),
                   [by_delay](const EyePoint& a, const EyePoint& b) {
                     return by_delay ? a.delay_v < b.delay_v : a.threshold_mv < b.threshold_mv;
                   });
}


// An open place to take the walls from: where the channel samples, or
// else the first open one of kRingPoints round the bit period from there,
// nearest first. False when none is open (the walls are then taken from
// where the channel samples, and the fits will say why they fail).
Walk find_inside(EyeScanResult& r, double period_v, double* inside, std::string* why) {
  const Wall along{true, r.threshold_mv, 0.0, 0.0};
  EyePoint p;
  const double a = *inside;
  for (int k = 0; k < kRingPoints; ++k) {
    // 0, +1, -1, +2, -2 ... eighths of the period, inside the delay's range.
    const int eighths = (k + 1) / 2 * (k % 2 ? 1 : -1);
    double x = a + eighths * period_v / kRingPoints;
    if (x < r.delay_lo_v) x += period_v;
    if (x > r.delay_hi_v) x -= period_v;
    if (x < r.delay_lo_v) continue;
    const Walk end = probe(r, along, x, kEdgeRule, &p, why);
    if (end != Walk::Done) return end;
    if (p.errors == 0) {
      *inside = x;
      break;
    }
  }
  return Walk::Done;
}

// The walls of the rows above and below the centre and of the columns
// either side of it, their points in the order taken; `j` is the centre
// row's jitter.
Walk walk_off_centre(EyeScanResult& r, const kd71::eye::jitter_figures& j, double lo_mv,
                     double hi_mv, std::string* why) {
  const kd71::eye::vertical_figures v = kd71::eye::fit_vertical(
      {r.points.begin() + static_cast<std::ptrdiff_t>(r.vertical_from), r.points.end()},
      kd71::eye::kDefaultReportRatio);
  r.off_centre_from = r.points.size();
  if (!j.found || !v.found) return Walk::Done;
  const double c = r.centre_delay_v, t = v.best_threshold_mv;
  const double half_period_v = delay_volts(j.bit_period_ps) / 2.0;
  const double lo_v = std::max(r.delay_lo_v, c - half_period_v);
  const double hi_v = std::min(r.delay_hi_v, c + half_period_v);
  const double reach_v = delay_volts((j.bit_period_ps - j.dj_ps) / 2.0 - kGuessSpreads * j.rj_ps);
  const double row_mv = kOffCentreShare * v.height_mv / 2.0;
  const double column_v = delay_volts(kOffCentreShare * j.width_ps / 2.0);
  const double bottom_guess = v.zero_mv + kGuessSpreads * v.zero_sigma_mv;
  const double top_guess = v.one_mv - kGuessSpreads * v.one_sigma_mv;
  const double left_column = std::max(lo_v, c - column_v);
  const double right_column = std::min(hi_v, c + column_v);
  // In an order that crosses the eye once: both rows' left walls, both
  // right walls, then the columns from the right; a move across the eye
  // waits as long as the board's centring does.
  const Wall walls[] = {{true, t - row_mv, c, lo_v},     {true, t + row_mv, c, lo_v},
                        {true, t + row_mv, c, hi_v},     {true, t - row_mv, c, hi_v},
                        {false, right_column, t, lo_mv}, {false, right_column, t, hi_mv},
                        {false, left_column, t, lo_mv},  {false, left_column, t, hi_mv}};
  for (Wall w : walls) {
    w.guess = w.along_delay ? (w.outer < c ? c - reach_v : c + reach_v)
                            : (w.outer < t ? bottom_guess : top_guess);
    w.tail_points = kOffCentreTailPoints;
    w.tail_probes = kOffCentreTailProbes;
    const double reach = w.along_delay ? 2.0 * half_period_v / kFirstReachPerBit : kFirstReachMv;
    const double smallest = w.along_delay ? kSmallestDelayStepV : kSmallestThresholdStepMv;
    double edge = NAN;
    const Walk end = walk_wall(r, w, reach, smallest, &edge, why);
    if (end != Walk::Done) return end;
  }
  return Walk::Done;
}

}  // namespace

bool adaptive_sweep(EyeScanResult& r, double lo, double hi, std::string* why) {
  const double period_v = delay_volts(r.delays.bit_period_ps);
  double a = std::clamp(r.anchor_v, r.delay_lo_v, r.delay_hi_v);
  r.adaptive_points =
      r.request.two_d ? kPointsPerWall * kCentreWalls + kPointsPerOffCentreWall * kOffCentreWalls
                      : kPointsPerWall * 2;
  Walk end = find_inside(r, period_v, &a, why);
  if (end != Walk::Done) return end == Walk::Stopped;
  const double lo_v = r.delay_lo_v, hi_v = r.delay_hi_v, t = r.threshold_mv;
  const std::vector<Wall> walls = {
      {true, t, a, std::max(lo_v, a - period_v / 2.0), a + period_v / 2.0 < hi_v,
       std::min(hi_v, a + period_v), a + period_v / 2.0},
      {true, t, a, std::min(hi_v, a + period_v / 2.0), a - period_v / 2.0 > lo_v,
       std::max(lo_v, a - period_v), a - period_v / 2.0}};
  end = walk_walls(r, walls, period_v / kFirstReachPerBit, kSmallestDelayStepV, why);
  order(r, 0, true);
  r.vertical_from = r.points.size();
  r.centre_delay_v = a;
  if (end == Walk::Done && r.request.two_d) {
    const kd71::eye::jitter_figures j = kd71::eye::fit_jitter(r.points, r.delays.bit_period_ps);
    if (j.found)
      r.centre_delay_v = std::clamp(kd71::eye::centre_delay_near(j, a), r.delay_lo_v, r.delay_hi_v);
    const double inside = std::clamp(t, lo, hi);
    const std::vector<Wall> rails = {{false, r.centre_delay_v, inside, lo},
                                     {false, r.centre_delay_v, inside, hi}};
    // The rails' common inside first: the fit takes the eye's middle from it.
    EyePoint middle;
    end = probe(r, rails.front(), inside, kEdgeRule, &middle, why);
    if (end == Walk::Done) end = walk_walls(r, rails, kFirstReachMv, kSmallestThresholdStepMv, why);
    order(r, r.vertical_from, false);
    if (end == Walk::Done) end = walk_off_centre(r, j, lo, hi, why);
  }
  if (end == Walk::Failed) return false;
  // Ran to its end: the points it took are all it planned; a stopped scan
  // shows fewer than planned.
  const int taken = static_cast<int>(r.points.size());
  r.adaptive_points = end == Walk::Done ? taken : std::max(r.adaptive_points, taken + 1);
  return true;
}
