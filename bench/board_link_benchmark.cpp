// How fast the simulated board runs: simulated seconds per CPU second with
// zero call latency, for the workloads that end-to-end tests run long: the
// measurement ticks (routine polls every 0.2 s), expander pin changes and
// DAC writes over bit-banged I2C, and a threshold sweep. The counter
// "sim_s_per_cpu_s" is the speed-up over real time, "sim_ms_per_op" the
// simulated time one operation takes; usb_latency:1 runs them with the
// full-speed USB latency profile, and "bridge_calls_per_op" counts the FT_*
// calls one operation makes. The program's own link, packet, expander and
// DAC layers drive the board through the FT_* calls.
#include <benchmark/benchmark.h>

#include "hardware/DS4520.h"
#include "hardware/MCP4728.h"
#include "hardware/board_pins.h"
#include "hardware/i2c_comms.h"
#include "hardware/lowlevel.h"
#include "hardware/packet_codec.h"
#include "platform/bridge/bridge_backend.h"
#include "platform/os/clock.h"
#include "sim/sim_board.h"

namespace {

constexpr double kTickS = 0.2;
constexpr double kSliderStepS = 0.01;

// Runs `step` once per iteration on a fresh board that the link layer opened
// on the virtual clock, and reports the simulated time against CPU time.
// With state.range(0) set, the board answers with the full-speed USB latency
// profile instead of zero latency.
template <typename Step>
void run_on_board(benchmark::State& state, Step step) {
  kd71::bridge::reset();
  kd71::clock::use_virtual(0.0);
  lowlevel_reset();
  i2c_reset();
  kd71::sim::Scenario scenario;
  if (state.range(0)) scenario.latency = kd71::sim::Latency::usb_full_speed();
  kd71::sim::install_simulated_board(scenario);
  if (!record_link_alive() || !init_usb()) state.SkipWithError("the simulated board did not open");
  kd71::sim::SimBoard* board = kd71::sim::simulated_board();
  const std::uint64_t calls_before = board->calls().total();
  const double start = kd71::clock::now();
  int i = 0;
  for (auto _ : state) step(i++);
  const double simulated = kd71::clock::now() - start;
  state.counters["sim_s_per_cpu_s"] = benchmark::Counter(simulated, benchmark::Counter::kIsRate);
  state.counters["sim_ms_per_op"] =
      benchmark::Counter(simulated * 1e3, benchmark::Counter::kAvgIterations);
  state.counters["bridge_calls_per_op"] =
      benchmark::Counter(static_cast<double>(board->calls().total() - calls_before),
                         benchmark::Counter::kAvgIterations);
  kd71::bridge::reset();
  kd71::clock::reset();
}

// A measurement tick: the link check and one routine poll per channel, every 0.2 s.
void BM_MeasurementTicks(benchmark::State& state) {
  run_on_board(state, [](int) {
    const double tick = kd71::clock::now();
    benchmark::DoNotOptimize(usb_aliveQ());
    benchmark::DoNotOptimize(FetchRoutinePacket(1));
    benchmark::DoNotOptimize(FetchRoutinePacket(2));
    kd71::clock::wait_until(tick + kTickS);
  });
}
BENCHMARK(BM_MeasurementTicks)->ArgName("usb_latency")->Arg(0)->Arg(1);

// One poll-read exchange of a routine packet.
void BM_PollReadExchange(benchmark::State& state) {
  run_on_board(state, [](int) { benchmark::DoNotOptimize(FetchRoutinePacket(1)); });
}
BENCHMARK(BM_PollReadExchange)->ArgName("usb_latency")->Arg(0)->Arg(1);

// An expander pin change: four I2C transactions and 40 ms of pauses.
void BM_ExpanderPinChanges(benchmark::State& state) {
  const ExpanderPin manual = channel_pins(1).manual_mode;
  run_on_board(state, [manual](int i) { DS4520_IO_write(manual.chip, manual.pin, i & 1); });
}
BENCHMARK(BM_ExpanderPinChanges)->ArgName("usb_latency")->Arg(0)->Arg(1);

// Fast DAC writes at a slider's pace.
void BM_FastDacWrites(benchmark::State& state) {
  run_on_board(state, [](int i) {
    mcp4728_dac_write(1, 1, (i * 37) & 0x0FFF, 1);
    kd71::clock::spend(kSliderStepS);
  });
}
BENCHMARK(BM_FastDacWrites)->ArgName("usb_latency")->Arg(0)->Arg(1);

// A read-back of one DAC's 24 register bytes.
void BM_DacReadBack(benchmark::State& state) {
  run_on_board(state, [](int) { benchmark::DoNotOptimize(mcp4728_dac_read(1)); });
}
BENCHMARK(BM_DacReadBack)->ArgName("usb_latency")->Arg(0)->Arg(1);

// A threshold sweep: a register write and a routine poll per step.
void BM_ThresholdSweep(benchmark::State& state) {
  run_on_board(state, [](int i) {
    const float threshold = -40.0f + static_cast<float>(i % 64) * 1.25f;  // mV
    const int count = encode_threshold(packets[1].bytes, threshold, 1);
    writePacket(1, channel_code(1, kThresholdRegister), count);
    benchmark::DoNotOptimize(FetchRoutinePacket(1));
  });
}
BENCHMARK(BM_ThresholdSweep)->ArgName("usb_latency")->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
