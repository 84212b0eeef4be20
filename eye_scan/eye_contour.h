// The eye's contour at an error ratio, extrapolated from the fits: the
// ratio at a delay and threshold is taken as the sum of the two walls'
// Gaussian tails (centre row's fit, both spread by the RJ) and the two
// rails' (centre column's fit), by the same reckoning as TJ and the height, and the contour is
// where that sum reaches the ratio, row by row. Points are (ps, mV) from
// the eye's centre: the walls' midpoint and the threshold where the
// rails' tails balance.
#pragma once

#include <vector>

#include "eye_scan/jitter_figures.h"

namespace kd71::eye {

inline constexpr double kDefaultContourRatio = 1e-12;

struct ContourPoint {
  double ps = 0.0;
  double mv = 0.0;
};

// The ratio the fits give at `ps` and `mv` from the centre.
double modelled_ratio(const jitter_figures& j, const vertical_figures& v, double ps, double mv);

// Where the modelled ratio reaches `ratio` along the delay at `mv`, on the
// side `sign` (-1 left, +1 right), and along the threshold at `ps` (-1 the
// bottom, +1 the top); 0 where the eye is closed there. The ratio grows
// from the centre outwards.
double model_edge_ps(const jitter_figures& j, const vertical_figures& v, double mv, double ratio,
                     double sign);
double model_rail_mv(const jitter_figures& j, const vertical_figures& v, double ps, double ratio,
                     double sign);

// The closed contour (left edge upwards, then right edge downwards); empty
// when the fits were not found or the eye is closed at `ratio`.
std::vector<ContourPoint> eye_contour(const jitter_figures& j, const vertical_figures& v,
                                      double ratio);

}  // namespace kd71::eye
