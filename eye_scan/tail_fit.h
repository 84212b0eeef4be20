// A straight line through the tail of an error ratio on the Q scale: each
// point's Q^-1(scale x ratio) against its position (a delay in ps or a
// threshold in mV), weighted by how well its errors pin the ratio down.
// `scale` undoes the share of the bits the tail can reach (2 / transition
// density for a wall of a bathtub, 2 for a rail).
#pragma once

#include <vector>

#include "eye_scan/eye_analysis.h"
#include "eye_scan/jitter_figures.h"

namespace kd71::eye {

inline constexpr int kFitMinPoints = 3;
inline constexpr double kFitMinR2 = 0.9;

struct TailSample {
  double at = 0.0;  // ps or mV
  const EyePoint* point = nullptr;
};

// Whether a point carries its tail: it counted errors, and its counts
// stayed clear of their top.
bool tail_point(const EyePoint& p);

// The fit of the usable samples; `usable` false with fewer than
// kFitMinPoints of them, an R^2 below kFitMinR2 or a slope of the wrong
// sign (`rising`: Q grows with the position, as on a bathtub's left wall).
tail_fit fit_tail(const std::vector<TailSample>& samples, double scale, bool rising);

// Why a fit is not usable, for people, its tail named by `side` ("the
// left tail"): "" when it is.
std::string tail_problem(const tail_fit& fit, const char* side);

}  // namespace kd71::eye
