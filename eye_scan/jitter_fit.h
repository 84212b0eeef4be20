// The jitter of a bathtub by the dual-Dirac model. Each wall's tail, on
// the Q scale of ratio x 2 / transition density, is a line whose slope
// gives the random jitter and whose zero the wall's inner Dirac edge; the
// edges lie a bit period less the deterministic jitter apart. The walls are
// the points either side of the eye's error-free middle, taken round the
// bit period, so that a sweep whose eye wraps round its ends serves too.
#pragma once

#include <vector>

#include "eye_scan/eye_analysis.h"
#include "eye_scan/jitter_figures.h"

namespace kd71::eye {

inline constexpr double kDefaultReportRatio = 1e-12;
inline constexpr double kMinReportRatio = 1e-15;
inline constexpr double kMaxReportRatio = 1e-9;
// A PRBS changes level at every other bit.
inline constexpr double kPrbsTransitionDensity = 0.5;

// `points`: a bathtub's points at one threshold, in any order.
jitter_figures fit_jitter(const std::vector<EyePoint>& points, double bit_period_ps,
                          double ratio = kDefaultReportRatio,
                          double transition_density = kPrbsTransitionDensity);

// The jitter's centre is a phase of the bit period: the delay (V) at it
// nearest `near_v`.
double centre_delay_near(const jitter_figures& j, double near_v);

// TJ at `ratio` from RJ and DJ: DJ + 2 Q^-1(ratio) RJ.
double total_jitter_ps(double rj_ps, double dj_ps, double ratio);

}  // namespace kd71::eye
