// One measurement tick on the simulated board with zero call latency: both
// channels polled once, the debug panel closed. Reports the CPU time per
// tick and the heap allocations per tick, and the same for the board's side
// of the tick alone, so that the program's own share is the difference.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "app/measurement.h"
#include "app/panel_handles.h"
#include "app/statistics.h"
#include "bench/program_on_board.h"
#include "hardware/lowlevel.h"
#include "platform/os/clock.h"
#include "platform/ui_runtime/ui_frontend.h"
#include "platform/ui_runtime/ui_store.h"
#include "results/measurement_log.h"
#include "results/ratio_history.h"
#include "sim/sim_board.h"
#include "ui/main_uir.h"

namespace {
std::atomic<long long> g_allocations{0};
}  // namespace

// The replacement pair counts every allocation; GCC mistakes the replaced
// delete's free for a mismatch with the replaced new.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// The program started once on the board, connected and measuring.
void start_once() {
  static bool started = false;
  if (started) return;
  started = true;
  start_program_on_board();
}

std::uint64_t routine_polls() {
  const auto counters = kd71::sim::simulated_board()->counters();
  return counters.polls[5] + counters.polls[13];
}

void BM_MeasurementTick(benchmark::State& state) {
  start_once();
  const long long before = g_allocations.load();
  const std::uint64_t polls_before = routine_polls();
  for (auto _ : state) {
    kd71::clock::spend(0.2);
    CBTimer(panelHandle, PANELMAIN_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
  }
  state.counters["allocs_per_tick"] =
      static_cast<double>(g_allocations.load() - before) / static_cast<double>(state.iterations());
  state.counters["polls_per_tick"] =
      static_cast<double>(routine_polls() - polls_before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_MeasurementTick);

// The same with the measurement log written and a timed test running on
// both channels: every new sample appends a row (with the run's totals and
// bound) and goes into the history.
void BM_MeasurementTickLogging(benchmark::State& state) {
  start_once();
  const std::string path =
      (std::filesystem::temp_directory_path() / "kd71_tick_benchmark.csv").string();
  std::filesystem::remove(path);
  std::string error;
  if (!start_measurement_log(path, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (int toggle : {PANELMAIN_COM_TOT_ERR_CNT_CH1, PANELMAIN_COM_TOT_ERR_CNT_CH2}) {
    SetCtrlVal(panelHandle,
               toggle == PANELMAIN_COM_TOT_ERR_CNT_CH1 ? PANELMAIN_TEST_INTERVAL_CH1
                                                       : PANELMAIN_TEST_INTERVAL_CH2,
               8640000u);
    SetCtrlVal(panelHandle, toggle, 1);
    CB_TotalErrCntButton(panelHandle, toggle, EVENT_COMMIT, nullptr, 0, 0);
  }
  const std::uint64_t samples_before = history_samples(1) + history_samples(2);
  const long long before = g_allocations.load();
  for (auto _ : state) {
    kd71::clock::spend(0.2);
    CBTimer(panelHandle, PANELMAIN_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
  }
  const double ticks = static_cast<double>(state.iterations());
  state.counters["allocs_per_tick"] = static_cast<double>(g_allocations.load() - before) / ticks;
  state.counters["rows_per_tick"] =
      static_cast<double>(history_samples(1) + history_samples(2) - samples_before) / ticks;
  state.counters["logging"] = measurement_log_active() ? 1.0 : 0.0;
  stop_measurement_log();
  std::filesystem::remove(path);
}
BENCHMARK(BM_MeasurementTickLogging);

// The two routine polls of a tick alone, through the packet layer, which
// allocates nothing: what the simulated board itself allocates per tick.
void BM_TwoRoutinePolls(benchmark::State& state) {
  start_once();
  const long long before = g_allocations.load();
  for (auto _ : state) {
    kd71::clock::spend(0.2);
    FetchRoutinePacket(1);
    FetchRoutinePacket(2);
  }
  state.counters["allocs_per_tick"] =
      static_cast<double>(g_allocations.load() - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TwoRoutinePolls);

}  // namespace

BENCHMARK_MAIN();
