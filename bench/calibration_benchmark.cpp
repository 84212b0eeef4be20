// How long the calibration routines hold the instrument, as a user waits
// for them on a board behind a full-speed USB bridge: the simulated board
// with the full-speed latency profile, on the virtual clock. "sim_s_per_op"
// is the simulated (real-world) time of one routine, "bridge_calls_per_op"
// the FT_* calls it makes: "Init" on channel 1 at 10 Gb/s, the sampling-
// delay auto search at 10 Gb/s (channel 1) and 28 Gb/s (channel 2), and the
// phase trial of channel 1.
#include <benchmark/benchmark.h>

#include <string>

#include "app/channel_config.h"
#include "app/channel_init.h"
#include "app/debug_panel.h"
#include "app/delay_auto_search.h"
#include "app/panel_handles.h"
#include "app/phase_trial.h"
#include "bench/program_on_board.h"
#include "platform/os/clock.h"
#include "platform/ui_runtime/ui_store.h"
#include "sim/sim_board.h"
#include "ui/main_uir.h"

namespace {

// The debug panel open for the phase trial.
void start_once() {
  if (start_once_behind_full_speed_usb())
    Debug(GetPanelMenuBar(panelHandle), MENUBAR_ITEM1, nullptr, panelHandle);
}

void BM_Init(benchmark::State& state) {
  start_once();
  set_manual_mode(1, 0);
  time_routine(state,
               [] { CB_InitChan(panelHandle, PANELMAIN_INIT_CH1, EVENT_COMMIT, nullptr, 0, 0); });
}
BENCHMARK(BM_Init)->Unit(benchmark::kMillisecond);

// state.range(0): the channel, 1 (10 Gb/s) or 2 (28 Gb/s).
void BM_AutoSearch(benchmark::State& state) {
  start_once();
  const int channel = static_cast<int>(state.range(0));
  set_manual_mode(channel, 1);
  const int button = channel == 1 ? PANELMAIN_CH1_AUTOSEARCH : PANELMAIN_CH2_AUTOSEARCH;
  time_routine(state, [button] { AutoSearch(panelHandle, button, EVENT_COMMIT, nullptr, 0, 0); });
}
BENCHMARK(BM_AutoSearch)->ArgName("channel")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_PhaseTrial(benchmark::State& state) {
  start_once();
  set_manual_mode(1, 1);
  SetCtrlVal(debugPanelHandle, PANELDEBUG_SNAPSHOT_CH, 1);
  time_routine(state, [] {
    CB_TryPhases(debugPanelHandle, PANELDEBUG_TRY_PHASES, EVENT_COMMIT, nullptr, 0, 0);
  });
}
BENCHMARK(BM_PhaseTrial)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
