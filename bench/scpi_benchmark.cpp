// The SCPI server as a lab script meets it, in one run of the program on the
// simulated board behind a full-speed USB bridge, on the real clock (the
// program's own loop, five measurement ticks a second): the program runs on
// a thread of its own, as its main thread would, and the benchmark's
// clients talk to it over the loopback address.
//  - BM_QueryRoundTrip: one query and its answer, a query every 2 ms while
//    the measurement ticks; the median and the worst round trip.
//  - BM_TickPeriod: the period of the measurement ticks over a few seconds,
//    idle (Arg 0) and while one client sends queries as fast as the server
//    takes them (Arg 1): mean and worst period, as a ratio of the nominal
//    0.2 s too, and the answers per second the flood got.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/served_program.h"
#include "platform/os/clock.h"
#include "remote/scpi_server.h"

namespace {

using kd71::bench::connect_loopback;
using kd71::bench::count_tick_periods;
using kd71::bench::percentile;
using kd71::bench::tick_periods;

int program_port() {
  return kd71::bench::served_program_port(
      {"scpi_benchmark", scpi_server_start, scpi_server_port, scpi_server_stop});
}

using Clock = std::chrono::steady_clock;

constexpr double kMeasureSeconds = 4.0;
constexpr auto kQueryPacing = std::chrono::milliseconds(2);

// Sends `line` and reads up to its answer's "\n". False when the
// connection fails.
bool round_trip(int fd, const std::string& line) {
  if (send(fd, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size()))
    return false;
  char buffer[256];
  for (;;) {
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    if (std::find(buffer, buffer + n, '\n') != buffer + n) return true;
  }
}

double seconds_since_start() { return kd71::clock::now(); }  // the program's real clock

void BM_QueryRoundTrip(benchmark::State& state) {
  const int fd = connect_loopback(program_port());
  if (fd < 0) return state.SkipWithError("cannot connect");
  const std::string query = ":MEAS1:BER?\n";
  std::vector<double> trips;
  const double from = seconds_since_start();
  for (auto _ : state) {
    const auto start = Clock::now();
    if (!round_trip(fd, query)) return state.SkipWithError("connection lost");
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(s);
    trips.push_back(s);
    std::this_thread::sleep_for(kQueryPacing);
  }
  const double to = seconds_since_start();
  close(fd);
  state.counters["median_us"] = percentile(trips, 0.5) * 1e6;
  state.counters["p99_us"] = percentile(trips, 0.99) * 1e6;
  state.counters["worst_us"] = percentile(trips, 1.0) * 1e6;
  state.counters["ticks_during"] = static_cast<double>(tick_periods(from, to).size());
}
BENCHMARK(BM_QueryRoundTrip)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

// Sends queries as fast as the socket takes them, reading every answer,
// until `until`; the answers it got.
long long flood(int fd, Clock::time_point until) {
  std::string batch;
  for (int i = 0; i < 256; ++i) batch += ":MEAS1:BRAT?;:MEAS2:BER?\n";
  std::size_t sent = 0;
  long long answers = 0;
  char buffer[16384];
  while (Clock::now() < until) {
    pollfd p{fd, POLLIN | POLLOUT, 0};
    if (poll(&p, 1, 10) < 0) break;
    if (p.revents & POLLOUT) {
      const ssize_t n =
          send(fd, batch.data() + sent, batch.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) sent = (sent + static_cast<std::size_t>(n)) % batch.size();
    }
    if (p.revents & POLLIN) {
      const ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n == 0) break;
      if (n > 0) answers += std::count(buffer, buffer + n, '\n');
    }
    if (p.revents & (POLLERR | POLLHUP)) break;
  }
  return answers;
}

// state.range(0): 0 idle, 1 with one client flooding the server.
void BM_TickPeriod(benchmark::State& state) {
  const int port = program_port();
  const bool flooding = state.range(0) != 0;
  for (auto _ : state) {
    const int fd = flooding ? connect_loopback(port) : -1;
    if (flooding && fd < 0) return state.SkipWithError("cannot connect");
    const double from = seconds_since_start();
    const Clock::time_point until =
        Clock::now() +
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kMeasureSeconds));
    long long answers = 0;
    if (flooding)
      answers = flood(fd, until);
    else
      std::this_thread::sleep_until(until);
    const double to = seconds_since_start();
    if (fd >= 0) close(fd);
    count_tick_periods(state, from, to);
    state.counters["answers_per_s"] = static_cast<double>(answers) / (to - from);
  }
}
BENCHMARK(BM_TickPeriod)
    ->ArgName("flood")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return kd71::bench::served_benchmark_main(argc, argv); }
