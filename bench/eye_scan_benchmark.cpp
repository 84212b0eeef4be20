// How long an eye scan holds the instrument on a board behind a full-speed
// USB bridge: the simulated board with the full-speed latency profile, on
// the virtual clock. "sim_s_per_op" is the simulated (real-world) time of
// one scan, "bridge_calls_per_op" the FT_* calls it makes: a bathtub of 64
// delays and a two-dimensional scan of 64 delays by 32 thresholds, at
// 10 Gb/s (channel 1) and 28 Gb/s (channel 2), each channel in manual mode
// and, for the two-dimensional scan, also in automatic mode (which adds the
// switches of the mode and their expander writes; the channel's phases are
// those the scan writes, the ticks being off); in automatic mode each beside
// its adaptive twin, which places its points on the eye's walls for the fits ("rj_ps",
// "tj_ps" at 1e-12, "q"; NaN where a scan's points do not carry them).
#include <benchmark/benchmark.h>

#include <string>

#include "app/channel_config.h"
#include "app/panel_handles.h"
#include "bench/program_on_board.h"
#include "eye_scan/eye_figures.h"
#include "eye_scan/eye_scan.h"
#include "eye_scan/jitter_fit.h"
#include "platform/ui_runtime/ui_store.h"
#include "ui/main_uir.h"

namespace {

void start_once() {
  // No ticks between the scans: each scan's figures are its own.
  if (start_once_behind_full_speed_usb())
    SetCtrlAttribute(panelHandle, PANELMAIN_TIMER, ATTR_ENABLED, 0);
}

// state.range(0): the channel; range(1): 1 for a two-dimensional scan;
// range(2): 1 for manual mode; range(3): 1 for an adaptive scan.
void BM_EyeScan(benchmark::State& state) {
  start_once();
  EyeScanRequest q;
  q.channel = static_cast<int>(state.range(0));
  q.two_d = state.range(1) != 0;
  q.adaptive = state.range(3) != 0;
  set_manual_mode(q.channel, static_cast<int>(state.range(2)));
  time_routine(state, [&q] {
    eye_scan_start(q);
    kd71::ui::process_pending();
  });
  const EyeScanResult& r = eye_scan_result();
  state.counters["points"] = static_cast<double>(r.points.size());
  if (r.state != EyeScanState::Finished) state.SkipWithError("the scan did not end");
  // Whether the scan's figures came out: the jitter (and the Q-factor of a
  // two-dimensional scan) at 1e-12.
  const kd71::eye::jitter_figures j = kd71::eye::scan_jitter(r, kd71::eye::kDefaultReportRatio);
  state.counters["rj_ps"] = j.rj_ps;
  state.counters["tj_ps"] = j.tj_ps;
  std::string why = j.why_not;
  if (q.two_d) {
    const kd71::eye::vertical_figures v =
        kd71::eye::scan_vertical(r, j, kd71::eye::kDefaultReportRatio);
    state.counters["q"] = v.q_factor;
    if (!v.why_not.empty()) why += (why.empty() ? "" : "; ") + v.why_not;
  }
  state.SetLabel(why);
}
BENCHMARK(BM_EyeScan)
    ->ArgNames({"channel", "2d", "manual", "adaptive"})
    ->Args({1, 0, 1, 0})
    ->Args({2, 0, 1, 0})
    ->Args({1, 1, 1, 0})
    ->Args({2, 1, 1, 0})
    ->Args({1, 0, 0, 0})
    ->Args({1, 0, 0, 1})
    ->Args({2, 0, 0, 0})
    ->Args({2, 0, 0, 1})
    ->Args({1, 1, 0, 0})
    ->Args({1, 1, 0, 1})
    ->Args({2, 1, 0, 0})
    ->Args({2, 1, 0, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
