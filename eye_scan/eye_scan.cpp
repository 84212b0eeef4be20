#include "eye_scan/eye_scan.h"

#include <algorithm>
#include <cmath>

#include "app/analog_controls.h"
#include "app/panel_handles.h"
#include "app/routine_progress.h"
#include "app/saved_settings.h"
#include "app/statistics.h"
#include "app/stop_signal.h"
#include "app/threshold_search.h"
#include "eye_scan/adaptive_scan.h"
#include "eye_scan/eye_probe.h"
#include "eye_scan/eye_scan_channel.h"
#include "hardware/analog_scale.h"
#include "hardware/board_pins.h"
#include "hardware/lowlevel_link.h"
#include "hardware/lowlevel_packets.h"
#include "platform/os/c_locale.h"
#include "platform/ui_runtime/ui_store.h"
#include "platform/ui_runtime/userint.h"
#include "ui/channel_controls.h"

namespace {

// The smallest ones-density range taken as the thresholds of a scan, mV.
constexpr double kSmallestOnesRange = 1.0;

EyeScanResult g_result;
// Each channel's last scan that measured points, for the test report.
EyeScanResult g_of_channel[2];

struct Centre {
  int channel = 0;
  double delay_v = 0.0;
  double threshold_mv = 0.0;
};
Centre g_centre;

bool board_connected() { return linkUp && prevLinkState == 1; }

std::string channel_problem(int n) {
  if (!board_connected()) return "no board is connected";
  unsigned pattern = 0;
  GetCtrlVal(panelHandle, kd71::channel_controls(n).pattern, &pattern);
  if (pattern == kPatternShutOff)
    return kd71::c_locale::format("channel %d is switched off (\"Shut Off\")", n);
  // Its next samples would add the scan's errors to the test's totals.
  if (channelStats[n].totalsRunning || channelStats[n].startCountdown)
    return kd71::c_locale::format("the timed test of channel %d runs", n);
  return "";
}

// The delay slider's range: what the board's delay may be set to.
void delay_range(int n, double* lo, double* hi) {
  const kd71::uir::ControlDef* def =
      kd71::ui::control_def(panelHandle, kd71::channel_controls(n).delay);
  *lo = def ? def->min : 0.0;
  *hi = def ? def->max : 0.0;
}

// The sweeps from the rate the board measures now. True when they ran to
// their end or were stopped; false, with the reason, when the board failed.
bool sweep(EyeScanResult& r, std::string* why) {
  const int n = r.request.channel;
  if (FetchRoutinePacket(n) >= kMaxPollAttempts) {
    *why = "the board did not answer";
    return false;
  }
  r.rate_mhz = packets[n].frequency;
  if (r.rate_mhz <= 0) {
    *why = kd71::c_locale::format("channel %d measures no bit rate", n);
    return false;
  }
  delay_range(n, &r.delay_lo_v, &r.delay_hi_v);
  r.delays = plan_delay_sweep(r.rate_mhz, r.request.delay_steps, r.request.span, r.anchor_v,
                              r.delay_lo_v, r.delay_hi_v);
  if (r.request.two_d) {
    double lo = 0.0, hi = 0.0;
    eye_scan_threshold_range(r.request, &lo, &hi);
    r.thresholds = plan_threshold_sweep(lo, hi, r.request.threshold_points);
  } else {
    r.thresholds = {r.threshold_mv, 0.0, 1};
  }
  r.counts_per_point = counts_for_ratio(r.request.resolve_ratio, bits_per_count(r.rate_mhz));
  if (r.request.adaptive) {
    double lo = 0.0, hi = 0.0;
    eye_scan_threshold_range(r.request, &lo, &hi);
    begin_probes(r.anchor_v);
    return adaptive_sweep(r, lo, hi, why);
  }
  r.points.reserve(static_cast<std::size_t>(r.planned_points()));

  // The lock holds the pattern alignment at points outside the eye.
  if (!r.request.two_d) WriteThreshold(n, r.threshold_mv, 1);
  for (int column = 0; column < r.delays.points; ++column) {
    const auto delay = static_cast<float>(sweep_delay(r.delays, column));
    for (int row = 0; row < r.thresholds.points; ++row) {
      EyePoint p;
      p.delay_v = static_cast<float>(code_volts(dac_code(delay)));
      p.threshold_mv = usable_threshold(static_cast<float>(sweep_threshold(r.thresholds, row)));
      if (r.request.two_d) WriteThreshold(n, p.threshold_mv, 1);
      if (row == 0) write_sampling_delay(n, delay, true);
      scan_wait(row > 0 ? kThresholdSettle : column > 0 ? kStepSettle : kJumpSettle);
      const PointEnd end = count_point(n, {r.counts_per_point, 1}, p, why);
      if (end == PointEnd::Failed) return false;
      if (end == PointEnd::Stopped) return true;
      r.points.push_back(p);
      show_scan_progress(r, p);
    }
  }
  return true;
}

void apply_centre() {
  const Centre c = g_centre;
  if (!board_connected() || eye_scan_busy()) return;
  const kd71::ChannelControls& controls = kd71::channel_controls(c.channel);
  if (*saved_channel(c.channel).manual_mode == 0) enter_manual_mode(c.channel);
  // A flag left by a channel initialisation must not swallow the centre.
  suppressNextChange = 0;
  SetCtrlVal(panelHandle, controls.delay, c.delay_v);
  CB_DAC(panelHandle, controls.delay, EVENT_VAL_CHANGED, nullptr, 0, 0);
  if (std::isnan(c.threshold_mv)) return;
  SetCtrlVal(panelHandle, controls.threshold, c.threshold_mv);
  CB_DAC(panelHandle, controls.threshold, EVENT_VAL_CHANGED, nullptr, 0, 0);
}

}  // namespace

std::string eye_scan_request_problem(const EyeScanRequest& q) {
  if (q.channel != 1 && q.channel != 2) return "the channel is 1 or 2";
  if (q.delay_steps < kEyeMinDelaySteps || q.delay_steps > kEyeMaxDelaySteps)
    return kd71::c_locale::format("the delay takes %d to %d steps per bit period",
                                  kEyeMinDelaySteps, kEyeMaxDelaySteps);
  if (!(q.resolve_ratio >= 0.0 && q.resolve_ratio < 1.0))
    return "the ratio to resolve lies between 0 and 1";
  if (!q.two_d) return "";
  if (q.threshold_points < kEyeMinThresholdPoints || q.threshold_points > kEyeMaxThresholdPoints)
    return kd71::c_locale::format("the threshold takes %d to %d points", kEyeMinThresholdPoints,
                                  kEyeMaxThresholdPoints);
  if (q.threshold_lo_mv == 0.0 && q.threshold_hi_mv == 0.0) return "";
  const double limit = kThresholdLimitMv;
  if (!(q.threshold_lo_mv >= -limit && q.threshold_hi_mv <= limit &&
        q.threshold_lo_mv < q.threshold_hi_mv))
    return "the thresholds run from a lower to a higher one within -89.45 .. 89.45 mV";
  return "";
}

void eye_scan_threshold_range(const EyeScanRequest& q, double* lo, double* hi) {
  if (q.threshold_lo_mv != 0.0 || q.threshold_hi_mv != 0.0) {
    *lo = q.threshold_lo_mv;
    *hi = q.threshold_hi_mv;
    return;
  }
  const ThresholdRange& range = thresholdRange[q.channel == 2 ? 2 : 1];
  const double a = usable_threshold(range.rangeLo), b = usable_threshold(range.rangeHi);
  if (std::fabs(b - a) >= kSmallestOnesRange) {
    *lo = std::min(a, b);
    *hi = std::max(a, b);
  } else {
    *lo = -kThresholdLimitMv;
    *hi = kThresholdLimitMv;
  }
}

bool eye_scan_start(const EyeScanRequest& request, std::string* why_not) {
  std::string problem = eye_scan_request_problem(request);
  if (problem.empty() && eye_scan_busy()) problem = "an eye scan is already under way";
  if (problem.empty()) problem = channel_problem(request.channel);
  if (!problem.empty()) {
    if (why_not) *why_not = problem;
    return false;
  }
  g_result = EyeScanResult{};
  g_result.request = request;
  g_result.state = EyeScanState::Queued;
  set_scan_stop(false);
  kd71::ui::post_call(run_eye_scan);
  return true;
}

void eye_scan_stop() {
  if (eye_scan_busy()) set_scan_stop(true);
}

bool eye_scan_busy() {
  return g_result.state == EyeScanState::Queued || g_result.state == EyeScanState::Running;
}

const EyeScanResult& eye_scan_result() { return g_result; }

bool eye_scan_apply(int channel, double delay_v, double threshold_mv, std::string* why_not) {
  std::string problem;
  if (channel != 1 && channel != 2)
    problem = "the channel is 1 or 2";
  else if (eye_scan_busy())
    problem = "an eye scan is under way";
  else if (!board_connected())
    problem = "no board is connected";
  if (!problem.empty()) {
    if (why_not) *why_not = problem;
    return false;
  }
  g_centre = {channel, delay_v, threshold_mv};
  kd71::ui::post_call(apply_centre);
  return true;
}

void run_eye_scan() {
  EyeScanResult& r = g_result;
  const int n = r.request.channel;
  if (scan_stopping()) {
    r.state = EyeScanState::Stopped;
    r.message = "stopped before it started";
    return;
  }
  std::string why = eye_scan_request_problem(r.request);
  if (why.empty()) why = channel_problem(n);
  if (!why.empty()) {
    r.state = EyeScanState::Failed;
    r.message = why;
    return;
  }
  r.state = EyeScanState::Running;
  begin_routine_progress();
  show_routine_progress("CH%d eye scan: starting", n);
  const double began = Timer();
  const ScannedChannel saved = take_channel(n);
  r.automatic_mode = saved.automatic;
  r.anchor_v = saved.sampling_v;
  r.threshold_mv = usable_threshold(saved.threshold_mv);
  const bool swept = sweep(r, &why);
  give_back_channel(saved);
  r.scan_s = Timer() - began;
  end_routine_progress();
  if (!swept) {
    r.state = EyeScanState::Failed;
    r.message = why;
  } else if (static_cast<int>(r.points.size()) < r.planned_points()) {
    r.state = EyeScanState::Stopped;
    r.message = kd71::c_locale::format("stopped after %d of %d points",
                                       static_cast<int>(r.points.size()), r.planned_points());
  } else {
    r.state = EyeScanState::Finished;
  }
  if (!r.points.empty()) g_of_channel[n - 1] = r;
}

const EyeScanResult* eye_scan_of_channel(int channel) {
  if ((channel != 1 && channel != 2) || g_of_channel[channel - 1].points.empty()) return nullptr;
  return &g_of_channel[channel - 1];
}

void eye_scan_reset() {
  g_result = EyeScanResult{};
  for (EyeScanResult& r : g_of_channel) r = EyeScanResult{};
  set_scan_stop(false);
  g_centre = Centre{};
}
