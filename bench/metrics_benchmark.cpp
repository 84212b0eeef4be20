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
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/measurement.h"
#include "app/startup.h"
#include "monitoring/metrics_server.h"
#include "monitoring/sample_tally.h"
#include "platform/os/clock.h"
#include "platform/ui_runtime/ui_store.h"
#include "program/console_front_end.h"
#include "sim/sim_board.h"
#include "ui/main_uir.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kTickPeriod = 0.2;  // the measurement timer's interval, seconds
constexpr double kMeasureSeconds = 6.0;
constexpr auto kScrapePacing = std::chrono::milliseconds(100);

std::atomic<bool> g_stop{false};
std::mutex g_ticks_mutex;
std::vector<double> g_tick_times;  // clock time of each measurement tick

int timed_tick(int panel, int control, int event, void* data, int d1, int d2) {
  {
    std::lock_guard<std::mutex> lock(g_ticks_mutex);
    g_tick_times.push_back(kd71::clock::now());
  }
  return CBTimer(panel, control, event, data, d1, d2);
}

class BenchFrontEnd : public ConsoleFrontEnd {
 public:
  BenchFrontEnd() : ConsoleFrontEnd(nullptr) {}
  void message_popup(const std::string&, const std::string&) override {}
  void routine_progress(const std::string&) override {}
  void pump_input() override {
    ConsoleFrontEnd::pump_input();
    if (g_stop.load()) QuitUserInterface(0);
  }
};

void run_program(std::promise<int> port) {
  BenchFrontEnd front_end;
  kd71::ui::set_front_end(&front_end);
  kd71::sim::Scenario scenario;
  scenario.latency = kd71::sim::Latency::usb_full_speed();
  kd71::sim::install_simulated_board(scenario);
  kd71::metrics::attach_metrics_to_measurement();
  start_program();
  kd71::ui::bind_callback("CBTimer", timed_tick);
  std::string error;
  if (!metrics_server_start("127.0.0.1", 0, &error)) {
    std::fprintf(stderr, "metrics_benchmark: %s\n", error.c_str());
    port.set_value(0);
    return;
  }
  kd71::ui::run_until(kd71::clock::now() + 2.0);  // connected, first samples
  port.set_value(metrics_server_port());
  while (!g_stop.load()) kd71::ui::run_until(kd71::clock::now() + 3600.0);
  metrics_server_stop();
  kd71::ui::set_front_end(nullptr);
}

std::thread g_program;
int g_port = 0;

int program_port() {
  if (!g_program.joinable()) {
    std::promise<int> port;
    std::future<int> ready = port.get_future();
    g_program = std::thread(run_program, std::move(port));
    g_port = ready.get();
  }
  return g_port;
}

void stop_program() {
  if (!g_program.joinable()) return;
  g_stop = true;
  g_program.join();
}

int connect_to(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    if (fd >= 0) close(fd);
    return -1;
  }
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

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

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

std::vector<double> tick_periods(double from, double to) {
  std::lock_guard<std::mutex> lock(g_ticks_mutex);
  std::vector<double> periods;
  for (std::size_t i = 1; i < g_tick_times.size(); ++i)
    if (g_tick_times[i - 1] >= from && g_tick_times[i] <= to)
      periods.push_back(g_tick_times[i] - g_tick_times[i - 1]);
  return periods;
}

void BM_Scrape(benchmark::State& state) {
  const int fd = connect_to(program_port());
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
    const int fd = scraped ? connect_to(port) : -1;
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
    const std::vector<double> periods = tick_periods(from, to);
    double sum = 0.0;
    for (double p : periods) sum += p;
    const double mean = periods.empty() ? 0.0 : sum / static_cast<double>(periods.size());
    state.counters["ticks"] = static_cast<double>(periods.size());
    state.counters["scrapes"] = scrapes;
    state.counters["mean_period_ms"] = mean * 1e3;
    state.counters["worst_period_ms"] = percentile(periods, 1.0) * 1e3;
    state.counters["mean_over_nominal"] = mean / kTickPeriod;
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

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  stop_program();
  benchmark::Shutdown();
  return 0;
}
