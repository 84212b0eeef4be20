// The eye in amplitude from a threshold sweep at its centre: each rail's
// Gaussian tail, on the Q scale of ratio x 2 (a rail holds half the bits),
// is a line whose zero is the rail's level and whose slope its noise;
// hence the Q-factor, the threshold where the tails balance and the height
// at a chosen ratio.
#pragma once

#include <vector>

#include "eye_scan/eye_analysis.h"
#include "eye_scan/jitter_figures.h"

namespace kd71::eye {

// The Q scale's factor on a rail's ratio: each level, ones and zeros,
// carries half of a PRBS's bits.
inline constexpr double kRailScale = 2.0;

// `points`: the sweep's points at one delay, in any order.
vertical_figures fit_vertical(const std::vector<EyePoint>& points, double ratio);

}  // namespace kd71::eye
