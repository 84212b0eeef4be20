#include "eye_scan/eye_scan_report.h"

#include <algorithm>

#include "eye_scan/eye_figures.h"
#include "eye_scan/jitter_fit.h"
#include "platform/os/atomic_file.h"
#include "platform/os/c_locale.h"
#include "platform/os/text_cursor.h"

namespace {

constexpr const char* kLineEnd = "\r\n";  // RFC 4180
constexpr int kRowBytes = 160;            // a row is about 70 characters

std::string width_text(const EyeReport& e) {
  if (!e.width_bounded && e.width_ui >= 1.0) return "open across the whole bit period";
  return kd71::c_locale::format("width %s%.1f ps (%.3f UI)", e.width_bounded ? "" : "at least ",
                                e.width_ps, e.width_ui);
}

std::string ending(const EyeScanResult& r) {
  return r.state == EyeScanState::Stopped ? " (" + r.message + ")" : "";
}

// An adaptive scan's eye is its fits': the width the jitter leaves at the
// ratio, the centre between the walls' edges, the height the rails leave.
EyeReport fitted_report(const EyeScanResult& r, double ratio) {
  EyeReport e;
  e.ratio = ratio;
  const kd71::eye::jitter_figures j = kd71::eye::scan_jitter(r, ratio);
  const kd71::eye::vertical_figures v = kd71::eye::scan_vertical(r, j, ratio);
  e.found = e.width_bounded = j.found;
  if (j.found) {
    e.width_ps = j.width_ps;
    e.width_ui = j.width_ps / j.bit_period_ps;
    e.centre_v = delay_volts(j.centre_ps);
  }
  e.height_found = e.height_bounded = v.found;
  if (v.found) {
    e.height_mv = v.height_mv;
    e.centre_mv = v.best_threshold_mv;
  }
  return e;
}

// The fits' figures for the summary line: RJ, DJ and TJ, and the Q-factor
// of a two-dimensional scan, or why they could not be found.
std::string figures_text(const EyeScanResult& r, double ratio) {
  const kd71::eye::jitter_figures j = kd71::eye::scan_jitter(r, ratio);
  std::string text =
      j.found ? kd71::c_locale::format("; RJ %.2f ps, DJ %.1f ps, TJ %.1f ps at %.0e", j.rj_ps,
                                       j.dj_ps, j.tj_ps, ratio)
              : "; no jitter figures: " + j.why_not;
  if (!r.request.two_d) return text;
  const kd71::eye::vertical_figures v = kd71::eye::scan_vertical(r, j, ratio);
  return text + (v.found ? kd71::c_locale::format(", Q %.2f", v.q_factor)
                         : "; no Q-factor: " + v.why_not);
}

}  // namespace

EyeReport eye_report(const EyeScanResult& r, double ratio) {
  if (r.request.adaptive)
    return fitted_report(r, ratio > 0.0 ? ratio : kd71::eye::kDefaultReportRatio);
  EyeReport e;
  e.ratio = ratio > 0.0 ? ratio : smallest_resolved_ratio(r.points);
  const double period_ps = r.delays.bit_period_ps;
  if (r.points.empty() || !(period_ps > 0.0)) return e;
  Opening along;
  if (r.request.two_d) {
    const EyeOpening eye = eye_opening(r.points, r.delays, r.thresholds, e.ratio, r.anchor_v,
                                       r.delay_lo_v, r.delay_hi_v);
    along = eye.horizontal;
    e.row = eye.row;
    e.height_found = eye.vertical.found;
    e.height_bounded = eye.vertical.bounded;
    e.height_mv = eye.vertical.width;
    if (eye.vertical.found) e.centre_mv = eye.vertical.centre;
  } else {
    along = bathtub_opening(r, 0, e.ratio);
  }
  e.found = along.found;
  e.width_bounded = along.bounded;
  e.width_ps = delay_ps(along.width);
  e.width_ui = e.width_ps / period_ps;
  e.centre_v = along.centre;
  return e;
}

Opening bathtub_opening(const EyeScanResult& r, int row, double ratio) {
  const int rows = std::max(1, r.thresholds.points);
  return delay_opening(row_open(r.points, r.delays.points, rows, row, ratio), r.delays, r.anchor_v,
                       r.delay_lo_v, r.delay_hi_v);
}

std::string eye_summary(const EyeScanResult& r, const EyeReport& e) {
  const int n = r.request.channel;
  if (r.state == EyeScanState::Failed)
    return kd71::c_locale::format("CH%d eye scan failed: ", n) + r.message;
  if (r.points.empty()) return kd71::c_locale::format("CH%d eye scan: no points", n) + ending(r);
  std::string line = r.request.two_d ? kd71::c_locale::format("CH%d eye at %.1e: ", n, e.ratio)
                                     : kd71::c_locale::format("CH%d bathtub at %.2f mV, %.1e: ", n,
                                                              r.threshold_mv, e.ratio);
  const std::string figures = figures_text(r, kd71::eye::kDefaultReportRatio);
  if (!e.found)
    return line + (r.request.adaptive ? "no eye fitted" : "no point below that ratio") + figures +
           ending(r);
  line += width_text(e);
  if (r.request.two_d) {
    line += kd71::c_locale::format(
        " at %.1f mV, ", e.row >= 0 ? sweep_threshold(r.thresholds, e.row) : r.threshold_mv);
    line += e.height_found
                ? kd71::c_locale::format("height %s%.1f mV", e.height_bounded ? "" : "at least ",
                                         e.height_mv)
                : std::string("no height");
  }
  line += kd71::c_locale::format("; centre %.3f V (%.1f ps)", e.centre_v, delay_ps(e.centre_v));
  if (r.request.two_d && e.height_found) line += kd71::c_locale::format(", %.1f mV", e.centre_mv);
  return line + figures + ending(r);
}

std::string eye_scan_csv(const EyeScanResult& r) {
  std::string text = kEyeCsvHeader;
  text += kLineEnd;
  char row[kRowBytes];
  for (const EyePoint& p : r.points) {
    TextCursor out(row, sizeof row);
    out.fixed(p.delay_v, 4)
        .ch(',')
        .fixed(delay_ps(p.delay_v), 2)
        .ch(',')
        .fixed(p.threshold_mv, 2)
        .ch(',')
        .integer(p.errors)
        .ch(',')
        .fixed(p.bits, 0)
        .ch(',')
        .scientific(point_ratio(p), 4)
        .ch(',')
        .integer(p.errors == 0 ? 1 : 0)
        .ch(',')
        .integer(p.saturated ? 1 : 0)
        .text(kLineEnd);
    text.append(row, out.size());
  }
  return text;
}

bool write_eye_scan_csv(const std::string& path, const EyeScanResult& r, std::string* error) {
  return kd71::platform::write_file_atomically(path, eye_scan_csv(r), error);
}
