// How long an eye scan holds the instrument on a board behind a full-speed
// USB bridge: the simulated board with the full-speed latency profile, on
// the virtual clock. "sim_s_per_op" is the simulated (real-world) time of
// one scan, "bridge_calls_per_op" the FT_* calls it makes: a bathtub of 64
// delays and a two-dimensional scan of 64 delays by 32 thresholds, at
// 10 Gb/s (channel 1) and 28 Gb/s (channel 2), each channel in manual mode
// and, for the two-dimensional scan, also in automatic mode (which adds the
// switches of the mode and their expander writes).
#include <benchmark/benchmark.h>

#include "app/channel_config.h"
#include "app/panel_handles.h"
#include "bench/program_on_board.h"
#include "eye_scan/eye_scan.h"
#include "platform/ui_runtime/ui_store.h"
#include "ui/main_uir.h"

namespace {

void start_once() {
  // No ticks between the scans: each scan's figures are its own.
  if (start_once_behind_full_speed_usb())
    SetCtrlAttribute(panelHandle, PANELMAIN_TIMER, ATTR_ENABLED, 0);
}

// state.range(0): the channel; range(1): 1 for a two-dimensional scan;
// range(2): 1 for manual mode.
void BM_EyeScan(benchmark::State& state) {
  start_once();
  EyeScanRequest q;
  q.channel = static_cast<int>(state.range(0));
  q.two_d = state.range(1) != 0;
  set_manual_mode(q.channel, static_cast<int>(state.range(2)));
  time_routine(state, [&q] {
    eye_scan_start(q);
    kd71::ui::process_pending();
  });
  state.counters["points"] = eye_scan_result().planned_points();
  if (eye_scan_result().state != EyeScanState::Finished)
    state.SkipWithError("the scan did not end");
}
BENCHMARK(BM_EyeScan)
    ->ArgNames({"channel", "2d", "manual"})
    ->Args({1, 0, 1})
    ->Args({2, 0, 1})
    ->Args({1, 1, 1})
    ->Args({2, 1, 1})
    ->Args({1, 1, 0})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
