// The adaptive eye scan: each wall of the eye found by bisection (one fast
// count a point tells open, closed, or in the tail), then its tail sampled
// at points placed evenly on the Q scale between the count's top and what a
// few counts resolve, each counted until its errors decide it. A bathtub
// takes the two walls along the delay at the channel's threshold; a
// two-dimensional scan then takes the two rails along the threshold at the
// eye's fitted centre, and last the walls of a row above and below the
// centre and the rails of a column either side of it, for the contours.
#pragma once

#include <string>

#include "eye_scan/eye_scan_types.h"

// Runs from the scan's sweep once the rate, the delay's range and the
// anchor are known; a two-dimensional scan's rails are looked for within
// lo_mv .. hi_mv. True when it ran to its end or was stopped; false, with
// the reason, when the board failed.
bool adaptive_sweep(EyeScanResult& r, double lo_mv, double hi_mv, std::string* why);
