// Bridge calls and CPU time per operation of the board link on the
// simulated board with zero call latency: a poll-read exchange, an expander
// pin write, a fast DAC write and a DAC read-back.
#include <benchmark/benchmark.h>

#include "hardware/DS4520.h"
#include "hardware/MCP4728.h"
#include "hardware/i2c_comms.h"
#include "hardware/lowlevel.h"
#include "platform/bridge_backend.h"
#include "platform/clock.h"
#include "sim/sim_board.h"

namespace {

template <typename Op>
void run(benchmark::State& state, Op op) {
  kd71::bridge::reset();
  kd71::clock::use_virtual(0.0);
  lowlevel_reset();
  i2c_reset();
  kd71::sim::SimBoard* board = kd71::sim::install_simulated_board();
  linkUp = static_cast<unsigned char>(usb_aliveQ());
  if (!linkUp || init_usb() != 1) state.SkipWithError("the simulated board did not open");
  const std::uint64_t before = board->calls().total();
  int i = 0;
  for (auto _ : state) op(i++);
  state.counters["bridge_calls_per_op"] = benchmark::Counter(
      static_cast<double>(board->calls().total() - before), benchmark::Counter::kAvgIterations);
  kd71::bridge::reset();
}

void BM_PollReadExchange(benchmark::State& state) {
  run(state, [](int) { benchmark::DoNotOptimize(FetchRoutinePacket(1)); });
}
BENCHMARK(BM_PollReadExchange);

void BM_ExpanderPinWrite(benchmark::State& state) {
  run(state, [](int i) { DS4520_IO_write(7, 4, i & 1); });
}
BENCHMARK(BM_ExpanderPinWrite);

void BM_FastDacWrite(benchmark::State& state) {
  run(state, [](int i) { dac_write(5, static_cast<float>((i % 27) * 0.1), 1); });
}
BENCHMARK(BM_FastDacWrite);

void BM_DacReadBack(benchmark::State& state) {
  run(state, [](int) { benchmark::DoNotOptimize(mcp4728_dac_read(1)); });
}
BENCHMARK(BM_DacReadBack);

}  // namespace

BENCHMARK_MAIN();
