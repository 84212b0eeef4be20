#include "eye_scan/eye_probe.h"

#include <algorithm>
#include <cmath>

#include "app/analog_controls.h"
#include "app/routine_progress.h"
#include "app/stop_signal.h"
#include "app/threshold_search.h"
#include "hardware/analog_scale.h"
#include "hardware/lowlevel_link.h"
#include "hardware/lowlevel_packets.h"
#include "platform/os/c_locale.h"
#include "platform/ui_runtime/ui_frontend.h"
#include "platform/ui_runtime/ui_store.h"
#include "platform/ui_runtime/userint.h"

namespace {

// Input is let through at least this often while the scan waits.
constexpr double kInputSlice = 0.05;

bool g_stop = false;

// What the board holds while a scan places its points one at a time.
struct Held {
  double delay_v = -1.0;
  float threshold_mv = 0.0f;
  bool threshold_set = false;
};
Held g_held;

// One fast count added to `p`. False, with the reason, when the board does
// not answer or measures no bit rate.
bool add_count(int n, EyePoint& p, std::string* why) {
  if (FetchRoutinePacket(n) >= kMaxPollAttempts) {
    *why = "the board did not answer";
    return false;
  }
  const PacketRecord& r = packets[n];
  if (r.frequency <= 0) {
    *why = kd71::c_locale::format("channel %d lost its bit rate", n);
    return false;
  }
  p.errors += static_cast<std::uint64_t>(r.fast_error_count);
  p.bits += bits_per_count(r.frequency);
  ++p.counts;
  if (r.fast_error_count >= kFastCountTop) p.saturated = true;
  return true;
}

}  // namespace

PointEnd count_point(int n, const CountRule& rule, EyePoint& p, std::string* why) {
  for (int i = 0; i < rule.max_counts; ++i) {
    if (i > 0) scan_wait(kFastCountSeconds);
    if (scan_stopping()) return PointEnd::Stopped;
    if (!add_count(n, p, why)) return PointEnd::Failed;
    if (p.errors >= rule.enough_errors || p.saturated) break;
  }
  return PointEnd::Counted;
}

void show_scan_progress(const EyeScanResult& r, const EyePoint& p) {
  const int done = static_cast<int>(r.points.size());
  const int planned = r.planned_points();
  // The first point carries the channel's take-over and the long settle of
  // the first jump, which no later point repeats: the estimate is timed
  // from the points after it.
  if (done == 1) begin_routine_progress();
  const double left = routine_seconds_left(done - 1, planned - done);
  char estimate[40] = "";
  if (left >= 0.0)
    kd71::c_locale::format_to(estimate, sizeof estimate, ", about %.0f s left", left);
  if (r.request.two_d)
    show_routine_progress("CH%d eye scan: point %d of %d at %.3f V, %.1f mV%s", r.request.channel,
                          done, planned, p.delay_v, p.threshold_mv, estimate);
  else
    show_routine_progress("CH%d eye scan: point %d of %d at %.3f V%s", r.request.channel, done,
                          planned, p.delay_v, estimate);
}

void set_scan_stop(bool stop) { g_stop = stop; }

bool scan_stopping() { return g_stop || stop_requested(); }

void scan_wait(double seconds) {
  const double until = Timer() + seconds;
  for (;;) {
    if (kd71::ui::FrontEnd* fe = kd71::ui::front_end()) fe->pump_input();
    const double now = Timer();
    if (now >= until || scan_stopping()) return;
    Delay(std::min(kInputSlice, until - now));
  }
}

void begin_probes(double delay_v) {
  g_held = Held{};
  g_held.delay_v = delay_v;
}

PointEnd probe_point(EyeScanResult& r, double delay_v, double threshold_mv, const CountRule& rule,
                     EyePoint* point, std::string* why) {
  const int n = r.request.channel;
  EyePoint& p = *point;
  p = EyePoint{};
  const auto delay = static_cast<float>(std::clamp(delay_v, r.delay_lo_v, r.delay_hi_v));
  p.delay_v = static_cast<float>(code_volts(dac_code(delay)));
  p.threshold_mv = usable_threshold(static_cast<float>(threshold_mv));
  double settle = 0.0;
  if (!g_held.threshold_set || p.threshold_mv != g_held.threshold_mv) {
    // The lock holds the pattern alignment at points outside the eye.
    WriteThreshold(n, p.threshold_mv, 1);
    g_held.threshold_mv = p.threshold_mv;
    g_held.threshold_set = true;
    settle = kThresholdSettle;
  }
  if (p.delay_v != g_held.delay_v) {
    // A move of more than a quarter period settles as the first jump of a
    // full sweep does.
    const bool jump = std::fabs(p.delay_v - g_held.delay_v) > delay_volts(r.delays.bit_period_ps) / 4;
    write_sampling_delay(n, delay, true);
    g_held.delay_v = p.delay_v;
    settle = std::max(settle, jump ? kJumpSettle : kStepSettle);
  }
  scan_wait(settle);
  const PointEnd end = count_point(n, rule, p, why);
  if (end != PointEnd::Counted) return end;
  r.points.push_back(p);
  show_scan_progress(r, p);
  return end;
}

