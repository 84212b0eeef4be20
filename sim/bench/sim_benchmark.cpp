// How fast the simulated board runs: simulated seconds per CPU second with
// zero call latency, for the workloads that end-to-end tests run long: the
// measurement ticks (routine polls every 0.2 s), expander pin changes and
// DAC writes over bit-banged I2C, and a threshold sweep. The counter
// "sim_s_per_cpu_s" is the speed-up over real time; the real layers of the
// program drive the board through the FT_* calls.
#include <benchmark/benchmark.h>

#include "hardware/DS4520.h"
#include "hardware/MCP4728.h"
#include "hardware/i2c_comms.h"
#include "hardware/lowlevel.h"
#include "platform/bridge_backend.h"
#include "platform/clock.h"
#include "sim/sim_board.h"

namespace {

constexpr double kTickS = 0.2;

// A fresh board on the virtual clock, opened and configured by the link layer.
void connect(benchmark::State& state) {
  kd71::bridge::reset();
  kd71::clock::use_virtual(0.0);
  lowlevel_reset();
  i2c_reset();
  kd71::sim::install_simulated_board();
  if (!usb_aliveQ() || !init_usb()) state.SkipWithError("the simulated board did not open");
}

void report(benchmark::State& state, double simulated_s) {
  state.counters["sim_s_per_cpu_s"] = benchmark::Counter(simulated_s, benchmark::Counter::kIsRate);
  kd71::bridge::reset();
  kd71::clock::reset();
}

void BM_MeasurementTicks(benchmark::State& state) {
  connect(state);
  const double start = kd71::clock::now();
  for (auto _ : state) {
    const double tick = kd71::clock::now();
    benchmark::DoNotOptimize(usb_aliveQ());
    benchmark::DoNotOptimize(FetchRoutinePacket(1));
    benchmark::DoNotOptimize(FetchRoutinePacket(2));
    kd71::clock::wait_until(tick + kTickS);
  }
  report(state, kd71::clock::now() - start);
}
BENCHMARK(BM_MeasurementTicks);

void BM_ExpanderPinChanges(benchmark::State& state) {
  connect(state);
  const double start = kd71::clock::now();
  int level = 0;
  for (auto _ : state) {
    DS4520_IO_write(7, 4, level);
    level ^= 1;
  }
  report(state, kd71::clock::now() - start);
}
BENCHMARK(BM_ExpanderPinChanges);

void BM_FastDacWrites(benchmark::State& state) {
  connect(state);
  const double start = kd71::clock::now();
  int code = 0;
  for (auto _ : state) {
    mcp4728_dac_write(1, 1, code, 1);
    code = (code + 37) & 0x0FFF;
    kd71::clock::spend(0.01);  // the slider's pace
  }
  report(state, kd71::clock::now() - start);
}
BENCHMARK(BM_FastDacWrites);

void BM_ThresholdSweep(benchmark::State& state) {
  connect(state);
  const double start = kd71::clock::now();
  int step = 0;
  for (auto _ : state) {
    const int code = 1024 + (step++ % 64) * 32;
    packets[1].bytes[0] = static_cast<unsigned char>(code >> 8);
    packets[1].bytes[1] = static_cast<unsigned char>(code & 0xFF);
    packets[1].bytes[2] = static_cast<unsigned char>((4094 - code) >> 8);
    packets[1].bytes[3] = static_cast<unsigned char>((4094 - code) & 0xFF);
    writePacket(1, 5, 4);
    benchmark::DoNotOptimize(FetchRoutinePacket(1));
  }
  report(state, kd71::clock::now() - start);
}
BENCHMARK(BM_ThresholdSweep);

}  // namespace

BENCHMARK_MAIN();
