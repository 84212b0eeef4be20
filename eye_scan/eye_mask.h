// An eye mask and its test against the eye's contour. The mask file is
// JSON (docs/eye_mask.md):
//   {"name": "10G receiver", "ratio": 1e-12,
//    "polygon": [[-20, 0], [0, 12], [20, 0], [0, -12]]}
// a polygon of at least three [ps, mV] corners relative to the eye's
// centre, enclosing it, and the error ratio (1e-15 to 1e-6) whose contour
// it must stay inside. The margin is how far the mask may grow about the
// centre before it touches the contour (negative: how far it must shrink).
#pragma once

#include <string>
#include <vector>

#include "eye_scan/eye_contour.h"
#include "eye_scan/jitter_figures.h"

namespace kd71::eye {

struct eye_mask {
  std::string name;
  double ratio = 1e-12;
  std::vector<ContourPoint> polygon;
};

// Why `mask` is not one ("" when it is): its ratio outside 1e-15 .. 1e-6,
// fewer than three corners, a polygon not enclosing the centre.
std::string mask_problem(const eye_mask& mask);
// The mask in `text`; false with the reason when it is not one.
bool parse_eye_mask(const std::string& text, eye_mask* mask, std::string* why);
bool read_eye_mask(const std::string& path, eye_mask* mask, std::string* why);

struct mask_test {
  bool tested = false;  // the fits gave a contour at the mask's ratio
  std::string why_not;
  bool pass = false;
  double margin_percent = 0.0;
  std::vector<ContourPoint> contour;  // at the mask's ratio
};
// The mask against the eye's contour at the mask's ratio (empty: the eye
// is closed there).
mask_test test_eye_mask(const eye_mask& mask, std::vector<ContourPoint> contour);
// "CH1 eye mask "10G receiver" at 1e-12: pass, margin 23.4 %", or why the
// mask could not be tested.
std::string mask_summary(int channel, const eye_mask& mask, const mask_test& t);

}  // namespace kd71::eye
