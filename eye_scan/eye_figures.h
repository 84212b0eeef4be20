// The figures of a finished scan: which of its points carry the bathtub at
// the channel's threshold and the threshold sweep at the eye's centre, and
// the jitter and vertical figures fitted to them.
#pragma once

#include <vector>

#include "eye_scan/eye_scan.h"
#include "eye_scan/jitter_figures.h"

namespace kd71::eye {

// The bathtub: a bathtub scan's points, the row of a two-dimensional grid
// nearest the channel's threshold, an adaptive scan's walls.
std::vector<EyePoint> bathtub_of(const EyeScanResult& r);
// The threshold sweep at the centre: an adaptive scan's rails, the column
// of a grid nearest `centre_v`; none for a bathtub.
std::vector<EyePoint> threshold_sweep_of(const EyeScanResult& r, double centre_v);

jitter_figures scan_jitter(const EyeScanResult& r, double ratio);
// At the jitter's centre where it was found, else at the grid's widest
// opening or the scan's anchor.
vertical_figures scan_vertical(const EyeScanResult& r, const jitter_figures& j, double ratio);
// The delay (V) of the eye's centre: the jitter's centre nearest the
// scan's anchor, an adaptive scan's centre, or the anchor without a fit.
double eye_centre_v(const EyeScanResult& r, const jitter_figures& j);

}  // namespace kd71::eye
