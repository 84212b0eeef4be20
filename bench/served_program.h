// The program as a server benchmark meets it: on the simulated board behind
// a full-speed USB bridge, on the real clock (its own loop, five measurement
// ticks a second), on a thread of its own as its main thread would run it,
// with one of its servers listening on a free loopback port.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace kd71::bench {

struct ServedBy {
  const char* name;  // for the error line
  bool (*start)(const std::string& address, int port, std::string* error);
  int (*port)();
  void (*stop)();
  void (*before_start)() = nullptr;  // attachments made before the program starts
};

// The server's port, the program started the first time; 0 when its server
// could not start.
int served_program_port(const ServedBy& server);
// Ends the program's loop and joins its thread; at the benchmark's end.
void stop_served_program();

// A TCP connection to the loopback port, without Nagle's delay; -1 on failure.
int connect_loopback(int port);

// The value at fraction `p` (0..1) of the sorted values; 0 for none.
double percentile(std::vector<double> values, double p);
// The periods of the measurement ticks between clock times `from` and `to`.
std::vector<double> tick_periods(double from, double to);
// Those periods as the benchmark's counters: "ticks", "mean_period_ms",
// "worst_period_ms" and both over the timer's nominal interval.
void count_tick_periods(benchmark::State& state, double from, double to);

// The benchmarks' main: runs them, then ends the served program.
int served_benchmark_main(int argc, char** argv);

}  // namespace kd71::bench
