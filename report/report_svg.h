// The pictures of the test report as inline SVG, drawn from the data (never
// a screenshot): a channel's error ratio over its run, and the bathtub or
// the two-dimensional eye of its last eye scan. Each is an <svg> element
// with a title and a description a screen reader reads out, scaled to the
// width of the page, its marks told apart by shape as well as by colour.
#pragma once

#include <string>

#include "eye_scan/eye_scan.h"

// The error ratio of `channel` from `from` to `to` (clock seconds) on a
// logarithmic scale down to a decade below every bound: filled dots where
// samples counted errors, rings at the bound of error-free ones, triangles
// down along the top where the link was lost, up where the pattern sync
// went. However long the run, it is cut into a fixed number of slots that
// each show their worst sample, so the picture's size does not grow.
std::string ratio_chart_svg(int channel, double from, double to);

// A bathtub: the ratio against the delay's shift from the sampling point,
// in ps; a two-dimensional scan: its points as a map of delay and threshold
// shaded by their ratio.
std::string eye_scan_svg(const EyeScanResult& scan);
