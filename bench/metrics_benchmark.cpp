// The metrics server as Prometheus meets it, in one run of the program on
// the simulated board behind a full-speed USB bridge, on the real clock (the
// program's own loop, five measurement ticks a second): the program runs on
// a thread of its own, as its main thread would, and the benchmark scrapes
// it over the loopback address.
//  - BM_Scrape: one scrape (GET /metrics on a kept-alive connection) while
//    the measurement ticks, one every 100 ms; the median and the worst.
//  - BM_TickPeriod: the period of the measurement ticks over a few seconds,
//    idle (Arg 0) and scraped every 100 ms (Arg 1): mean and worst, and as
//    a ratio of the nominal 0.2 s.
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/served_program.h"
#include "monitoring/metrics_server.h"
#include "monitoring/sample_tally.h"
#include "platform/os/clock.h"

namespace {

using kd71::bench::connect_loopback;
using kd71::bench::count_tick_periods;
using kd71::bench::percentile;

int program_port() {
  return kd71::bench::served_program_port({"metrics_benchmark", metrics_server_start,
                                           metrics_server_port, metrics_server_stop,
                                           kd71::metrics::attach_metrics_to_measurement});
}

using Clock = std::chrono::steady_clock;

constexpr double kMeasureSeconds = 6.0;
constexpr auto kScrapePacing = std::chrono::milliseconds(100);

// One scrape on a kept-alive connection: the request, then the response
// read up to the end its Content-Length gives. False when it fails.
bool scrape(int fd) {
  static const std::string request = "GET /metrics HTTP/1.1\r\nHost: kd71\r\n\r\n";
  if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) !=
      static_cast<ssize_t>(request.size()))
    return false;
  std::string response;
  char buffer[16384];
  for (;;) {
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    response.append(buffer, static_cast<std::size_t>(n));
    const std::size_t head = response.find("\r\n\r\n");
    const std::size_t length = response.find("Content-Length: ");
    if (head == std::string::npos || length == std::string::npos) continue;
    if (response.size() >= head + 4 + std::stoul(response.substr(length + 16))) return true;
  }
}

void BM_Scrape(benchmark::State& state) {
  const int fd = connect_loopback(program_port());
  if (fd < 0) return state.SkipWithError("cannot connect");
  std::vector<double> times;
  for (auto _ : state) {
    const auto start = Clock::now();
    if (!scrape(fd)) return state.SkipWithError("scrape failed");
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(s);
    times.push_back(s);
    std::this_thread::sleep_for(kScrapePacing);
  }
  close(fd);
  state.counters["median_us"] = percentile(times, 0.5) * 1e6;
  state.counters["worst_us"] = percentile(times, 1.0) * 1e6;
}
BENCHMARK(BM_Scrape)->UseManualTime()->Iterations(100)->Unit(benchmark::kMicrosecond);

// state.range(0): 0 idle, 1 scraped every 100 ms.
void BM_TickPeriod(benchmark::State& state) {
  const int port = program_port();
  const bool scraped = state.range(0) != 0;
  for (auto _ : state) {
    const int fd = scraped ? connect_loopback(port) : -1;
    if (scraped && fd < 0) return state.SkipWithError("cannot connect");
    const double from = kd71::clock::now();
    const Clock::time_point until =
        Clock::now() +
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kMeasureSeconds));
    int scrapes = 0;
    while (Clock::now() < until) {
      if (scraped && scrape(fd)) ++scrapes;
      std::this_thread::sleep_for(kScrapePacing);
    }
    const double to = kd71::clock::now();
    if (fd >= 0) close(fd);
    count_tick_periods(state, from, to);
    state.counters["scrapes"] = scrapes;
  }
}
BENCHMARK(BM_TickPeriod)
    ->ArgName("scraped")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return kd71::bench::served_benchmark_main(argc, argv); }
