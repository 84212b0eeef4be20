// What the tails of an eye scan tell by the dual-Dirac model, as plain
// figures for reports and files: the jitter from a bathtub (random jitter
// RMS, deterministic jitter peak to peak, total jitter and width at a
// chosen error ratio) and, from a threshold sweep at the eye's centre, the
// two rails' means and spreads (Q-factor, best threshold, height). A figure
// that could not be found is NaN, with the reason in `why_not`.
#pragma once

#include <limits>
#include <string>

namespace kd71::eye {

inline constexpr double kNoFigure = std::numeric_limits<double>::quiet_NaN();

// One wall of a bathtub (or one rail of a threshold sweep) fitted on the Q
// scale: Q^-1 of its error ratio is a straight line in the tail.
struct tail_fit {
  bool usable = false;  // at least 3 points and R^2 at least 0.9
  int points = 0;       // points the fit used
  double r2 = kNoFigure;
  double edge = kNoFigure;   // where the line reaches Q = 0: the Dirac edge (ps) or the rail (mV)
  double sigma = kNoFigure;  // 1 / |slope|: the Gaussian's RMS, ps or mV
};

struct jitter_figures {
  bool found = false;      // both walls fitted well enough to report
  std::string why_not;     // when not found
  double ratio = 1e-12;    // the error ratio TJ and the width are taken at
  double bit_period_ps = kNoFigure;
  double rj_ps = kNoFigure;     // random jitter, RMS: the walls' mean sigma
  double dj_ps = kNoFigure;     // deterministic jitter, dual-Dirac, peak to peak
  double tj_ps = kNoFigure;     // DJ + 2 Q(ratio) RJ
  double width_ps = kNoFigure;  // the bit period less TJ
  double centre_ps = kNoFigure;  // midway between the walls' Dirac edges, as a delay shift
  double fit_r2 = kNoFigure;     // the worse wall's R^2
  tail_fit left, right;
};

struct vertical_figures {
  bool found = false;
  std::string why_not;
  double ratio = 1e-12;
  double one_mv = kNoFigure;  // the ones' level and its noise
  double one_sigma_mv = kNoFigure;
  double zero_mv = kNoFigure;  // the zeros' level and its noise
  double zero_sigma_mv = kNoFigure;
  double q_factor = kNoFigure;        // (one - zero) / (sigma one + sigma zero)
  double best_threshold_mv = kNoFigure;  // where both rails' tails meet
  double height_mv = kNoFigure;       // the opening at `ratio`
  double fit_r2 = kNoFigure;
  tail_fit ones, zeros;
};

}  // namespace kd71::eye
