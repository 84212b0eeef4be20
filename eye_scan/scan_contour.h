// The eye's contour at an error ratio as a scan shows it. Each row of a
// two-dimensional scan gives the walls at its threshold and each column
// the rails at its delay: read off the points where they resolve the
// ratio, else extrapolated from that row's or column's own tail on the Q
// scale with the centre's spreads (the random jitter and the noise are the
// eye's; where the tail lies is the line's), else (no point in the tail)
// taken from the centre's fits. A full grid has many rows and columns, an adaptive scan three of
// each; with fewer the contour is the centre's fits' alone. Ratios are
// reckoned as the fits reckon them, a count's ratio over the share of the
// bits its tail can reach, so that the contour at 1e-12 meets the width
// and height at 1e-12.
#pragma once

#include <string>
#include <vector>

#include "eye_scan/eye_contour.h"
#include "eye_scan/eye_mask.h"
#include "eye_scan/eye_scan_types.h"
#include "eye_scan/jitter_figures.h"

namespace kd71::eye {

// One row's walls (ps) or one column's rails (mV) at the contour's ratio.
struct line_edges {
  double at = 0.0;  // the row's mV or the column's ps from the centre
  double lo = 0.0, hi = 0.0;
};

struct scan_contour {
  std::string why_not;  // why there is no contour (no fits), "" otherwise
  // Closed, round the centre, in ps and mV from it; empty where the eye is
  // closed at the ratio.
  std::vector<ContourPoint> points;
  int measured = 0;     // edges read off the points
  int fitted = 0;       // extrapolated from their own row's or column's tail
  int from_centre = 0;  // from the centre row's and column's fits
  // The rows and columns the points came from; none for a contour of the
  // centre's fits alone.
  std::vector<line_edges> rows, columns;
  double centre_v = 0.0;   // the centre's delay
  double centre_mv = 0.0;  // and threshold
};

scan_contour contour_of_scan(const EyeScanResult& r, const jitter_figures& j,
                             const vertical_figures& v, double ratio);
// The same from the scan's own fits at `ratio`.
scan_contour contour_of_scan(const EyeScanResult& r, double ratio);

// "from each row's and column's tails: 40 edges read off the points, 12
// extrapolated, 8 from the centre's fits", or "from the centre row's and
// column's fits".
std::string contour_source(const scan_contour& c);

// The mask against the scan's contour at the mask's ratio.
mask_test test_scan_mask(const eye_mask& mask, const EyeScanResult& r);

}  // namespace kd71::eye
