// An eye scan's outcome for people and files: the eye's opening at a
// chosen ratio, its summary line, and the CSV file of its points (RFC 4180
// lines ended by CR LF, a header row, '.' decimals whatever the locale).
#pragma once

#include <string>

#include "eye_scan/eye_scan.h"

// The columns: the delay the board held (V, and its shift in ps), the
// threshold, the errors and bits counted, the ratio (the bound 1 / bits
// when no error came: ratio_is_bound 1), and saturated 1 where a fast count
// stopped at its top, so that the ratio is at least the one given.
inline constexpr const char* kEyeCsvHeader =
    "delay_v,delay_ps,threshold_mv,errors,bits,ratio,ratio_is_bound,saturated";

// The eye at `ratio` (0: the smallest the scan resolves). An adaptive
// scan's eye is the one its fits give (at 1e-12 for a ratio of 0).
struct EyeReport {
  double ratio = 0.0;  // the ratio the opening is taken at
  bool found = false;  // some point is open
  bool width_bounded = false;
  double width_ps = 0.0;
  double width_ui = 0.0;
  double centre_v = 0.0;  // where the opening's middle is: the delay to sample at
  bool height_found = false;
  bool height_bounded = false;
  double height_mv = 0.0;
  double centre_mv = 0.0;  // two-dimensional scans
  int row = -1;            // the threshold of the width in a two-dimensional scan
};
EyeReport eye_report(const EyeScanResult& result, double ratio = 0.0);
// The opening along the delay at threshold row `row` of the scan (a
// bathtub's only row is 0), at `ratio` (> 0).
Opening bathtub_opening(const EyeScanResult& result, int row, double ratio);

// "CH1 bathtub at 3.00 mV: width 60.2 ps (0.602 UI) at 5.0e-09, centre 1.206 V (49.1 ps)";
// two-dimensional scans add the height and the centre's threshold; then
// the fits' "; RJ 2.52 ps, DJ 24.8 ps, TJ 60.3 ps at 1e-12" (and ", Q 9.84"
// for two-dimensional scans) or why they could not be found; a scan that
// found no opening, stopped or failed says so.
std::string eye_summary(const EyeScanResult& result, const EyeReport& report);

// The file's whole text.
std::string eye_scan_csv(const EyeScanResult& result);
// Writes it to `path` (replacing the file as a whole). False, with the
// reason, when it cannot.
bool write_eye_scan_csv(const std::string& path, const EyeScanResult& result, std::string* error);
