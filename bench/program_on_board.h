// The program as the benchmarks run it: started on the simulated board on
// the virtual clock, with no popups or progress lines on the console,
// connected and measuring after two seconds of ticks.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

#include "platform/os/clock.h"
#include "sim/scenario.h"
#include "sim/sim_board.h"

void start_program_on_board(const kd71::sim::Scenario& scenario = {});
// The program started as above on the default board (channel 1 at
// 10 Gb/s, channel 2 at 28 Gb/s) behind a full-speed USB bridge, once per
// benchmark program: true the first time.
bool start_once_behind_full_speed_usb();
// Manual mode of channel 1 or 2 on or off through its check box.
void set_manual_mode(int channel, int on);

// Runs `routine` once per iteration and reports its simulated time
// ("sim_s_per_op") and the bridge calls it makes ("bridge_calls_per_op").
template <typename Routine>
void time_routine(benchmark::State& state, Routine routine) {
  kd71::sim::SimBoard* board = kd71::sim::simulated_board();
  double simulated = 0.0;
  std::uint64_t calls = 0;
  for (auto _ : state) {
    const double start = kd71::clock::now();
    const std::uint64_t calls_before = board->calls().total();
    routine();
    simulated += kd71::clock::now() - start;
    calls += board->calls().total() - calls_before;
  }
  state.counters["sim_s_per_op"] =
      benchmark::Counter(simulated, benchmark::Counter::kAvgIterations);
  state.counters["bridge_calls_per_op"] =
      benchmark::Counter(static_cast<double>(calls), benchmark::Counter::kAvgIterations);
}
