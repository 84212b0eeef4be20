// The eye scan a remote client starts and reads: a bathtub of the channel
// at its threshold, or its two-dimensional eye, with the window's default
// steps or the client's, queued as the window's Start queues it and counted as the client's
// operation until it has ended (*OPC?); the adaptive scan; its stop; and
// its outcome, the eye at the smallest ratio the scan resolves, and the
// jitter and the Q-factor its fits give.

#include <cmath>
#include <string>

#include "eye_scan/eye_figures.h"
#include "eye_scan/eye_mask.h"
#include "eye_scan/eye_scan.h"
#include "eye_scan/eye_scan_plan.h"
#include "eye_scan/eye_scan_report.h"
#include "eye_scan/jitter_fit.h"
#include "eye_scan/scan_contour.h"
#include "platform/ui_runtime/ui_store.h"
#include "remote/scpi_commands.h"
#include "remote/scpi_errors.h"
#include "remote/scpi_values.h"

namespace kd71::scpi {

namespace {

constexpr int kTwoDimensional = 1;
constexpr Choice kScanKinds[] = {{"BATH", 0}, {"EYE", kTwoDimensional}};
constexpr double kSecondsPerPicosecond = 1e-12;
constexpr Range kDelaySteps{kEyeMinDelaySteps, kEyeMaxDelaySteps, kEyeDefaultDelaySteps};
constexpr Range kThresholdPoints{kEyeMinThresholdPoints, kEyeMaxThresholdPoints,
                                 kEyeDefaultThresholdPoints};

// Optional parameter `i` as a whole count within `range` (its default when
// left out); false with the error queued for a fraction or a number outside.
bool count_param(Context& c, std::size_t i, const Range& range, int* count) {
  double v = range.def;
  if (c.params().size() > i && !number_param(c, i, range, &v)) return false;
  if (v != std::floor(v)) {
    c.error(kDataOutOfRange, "a whole number of steps");
    return false;
  }
  *count = static_cast<int>(v);
  return true;
}

const char* state_word(EyeScanState state) {
  switch (state) {
    case EyeScanState::Idle:
      return "IDLE";
    case EyeScanState::Queued:
    case EyeScanState::Running:
      return "RUNNING";
    case EyeScanState::Finished:
      return "FINISHED";
    case EyeScanState::Stopped:
      return "STOPPED";
    case EyeScanState::Failed:
      return "FAILED";
  }
  return "IDLE";
}

// Queues `request` as the client's operation; -221 with the reason when
// it cannot run.
void start_scan(Context& c, const EyeScanRequest& request) {
  std::string why;
  if (!eye_scan_start(request, &why)) return c.error(kSettingsConflict, why);
  c.session.add_operation(kd71::ui::last_posted_event());
}

// The channel's last scan when it has ended (finished or stopped); null
// otherwise.
const EyeScanResult* ended_scan(const Context& c) {
  const EyeScanResult& r = eye_scan_result();
  const bool done = r.state == EyeScanState::Finished || r.state == EyeScanState::Stopped;
  return r.request.channel == c.channel && done ? &r : nullptr;
}

// The mask each channel's scans are tested against: none until a client
// defines one.
kd71::eye::eye_mask g_masks[3];
bool g_has_mask[3] = {};

// The optional ratio of a figures query, 1e-15 to 1e-9 (default 1e-12).
bool ratio_param(Context& c, double* ratio) {
  constexpr Range kRatios{kd71::eye::kMinReportRatio, kd71::eye::kMaxReportRatio,
                          kd71::eye::kDefaultReportRatio};
  *ratio = kRatios.def;
  return c.params().empty() || number_param(c, 0, kRatios, ratio);
}

}  // namespace

void eye_scan(Context& c) {
  EyeScanRequest request;
  request.channel = c.channel;
  int kind = 0;
  if (!c.params().empty() && !choice_param(c, 0, kScanKinds, &kind)) return;
  request.two_d = kind == kTwoDimensional;
  // Then the delay steps per bit period and the thresholds of a 2-D eye.
  if (!count_param(c, 1, kDelaySteps, &request.delay_steps)) return;
  if (!count_param(c, 2, kThresholdPoints, &request.threshold_points)) return;
  start_scan(c, request);
}

void adaptive_eye_scan(Context& c) {
  EyeScanRequest request;
  request.channel = c.channel;
  request.adaptive = true;
  int kind = 0;
  if (!c.params().empty() && !choice_param(c, 0, kScanKinds, &kind)) return;
  request.two_d = kind == kTwoDimensional;
  start_scan(c, request);
}

// RJ, DJ and TJ (s) and the width (s) at the ratio, and the worse wall's
// R^2; not a number where the last scan's walls do not give them.
void eye_jitter_query(Context& c) {
  double ratio = 0.0;
  if (!ratio_param(c, &ratio)) return;
  const EyeScanResult* r = ended_scan(c);
  const kd71::eye::jitter_figures j = r ? kd71::eye::scan_jitter(*r, ratio)
                                         : kd71::eye::jitter_figures{};
  c.respond(nr3(j.rj_ps * kSecondsPerPicosecond) + "," + nr3(j.dj_ps * kSecondsPerPicosecond) +
            "," + nr3(j.tj_ps * kSecondsPerPicosecond) + "," +
            nr3(j.width_ps * kSecondsPerPicosecond) + "," + nr3(j.fit_r2));
}

// The Q-factor, the height (mV) at the ratio and the best threshold (mV)
// of the last two-dimensional scan; not a number where it does not give
// them.
void eye_q_factor_query(Context& c) {
  double ratio = 0.0;
  if (!ratio_param(c, &ratio)) return;
  const EyeScanResult* r = ended_scan(c);
  kd71::eye::vertical_figures v;
  if (r) v = kd71::eye::scan_vertical(*r, kd71::eye::scan_jitter(*r, ratio), ratio);
  c.respond(nr3(v.q_factor) + "," + nr3(v.height_mv) + "," + nr3(v.best_threshold_mv));
}

void stop_eye_scan(Context&) { eye_scan_stop(); }

// The state, then the eye's width (s) and centre (V) along the delay, its
// height (mV, two-dimensional scans) and the ratio they are taken at; a
// figure the scan did not find is not a number. The channel's own scan
// only: IDLE when the last one was of the other channel.
void eye_scan_result_query(Context& c) {
  const EyeScanResult& r = eye_scan_result();
  const bool ours = r.request.channel == c.channel;
  const EyeScanState state = ours ? r.state : EyeScanState::Idle;
  const bool done = state == EyeScanState::Finished || state == EyeScanState::Stopped;
  const EyeReport e = done ? eye_report(r) : EyeReport{};
  const double nan = std::nan("");
  c.respond(std::string(state_word(state)) + "," +
            nr3(e.found ? e.width_ps * kSecondsPerPicosecond : nan) + "," +
            nr3(e.found ? e.centre_v : nan) + "," + nr3(e.height_found ? e.height_mv : nan) + "," +
            nr3(done ? e.ratio : nan));
}

// The ratio, then the corners' ps and mV from the eye's centre in pairs.
void define_eye_mask(Context& c) {
  const std::size_t count = c.params().size();
  if (count % 2 == 0) return c.error(kParameterNotAllowed, "corners come as ps,mV pairs");
  constexpr Range kRatios{0.0, 1.0, kd71::eye::kDefaultReportRatio};
  constexpr Range kCorner{-1e6, 1e6, 0.0};
  kd71::eye::eye_mask mask;
  if (!number_param(c, 0, kRatios, &mask.ratio)) return;
  for (std::size_t i = 1; i + 1 < count; i += 2) {
    kd71::eye::ContourPoint p;
    if (!number_param(c, i, kCorner, &p.ps) || !number_param(c, i + 1, kCorner, &p.mv)) return;
    mask.polygon.push_back(p);
  }
  const std::string why = kd71::eye::mask_problem(mask);
  if (!why.empty()) return c.error(kDataOutOfRange, why);
  g_masks[c.channel] = mask;
  g_has_mask[c.channel] = true;
}

// PASS or FAIL and the margin (%) of the channel's mask against its last
// scan; NONE and not a number without a mask or where the scan's fits do
// not give the contour.
void eye_mask_query(Context& c) {
  const EyeScanResult* r = ended_scan(c);
  kd71::eye::mask_test t;
  if (r && g_has_mask[c.channel]) {
    t = kd71::eye::test_scan_mask(g_masks[c.channel], *r);
  }
  if (!t.tested) return c.respond("NONE," + nr3(std::nan("")));
  c.respond(std::string(t.pass ? "PASS," : "FAIL,") + nr3(t.margin_percent));
}

}  // namespace kd71::scpi
