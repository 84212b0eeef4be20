// The eye scan's report as a JSON file, for checks and records outside the
// program. Its top-level keys: channel, rate_mbps, rj_ps, dj_ps,
// tj_1e12_ps, width_1e12_ps, fit_r2 (the worse wall's), q_factor,
// height_1e12_mv (two-dimensional scans), centre_delay_v,
// centre_threshold_mv, points (measured), scan_s, mask (null, or pass and
// margin_percent), notes (why a value is null). The figures are taken at
// 1e-12; "ratio" and "at_ratio" give the ratio asked for and TJ, width and
// height there, "jitter" and "vertical" the fits in full.
#pragma once

#include <string>

#include "eye_scan/eye_mask.h"
#include "eye_scan/eye_scan.h"

namespace kd71::eye {

// `mask`: the test of a mask against the scan, or null without one.
std::string eye_report_json(const EyeScanResult& r, double ratio, const mask_test* mask = nullptr);
// Writes it to `path` (replacing the file as a whole). False, with the
// reason, when it cannot.
bool write_eye_report_json(const std::string& path, const EyeScanResult& r, double ratio,
                           std::string* error, const mask_test* mask = nullptr);

}  // namespace kd71::eye
