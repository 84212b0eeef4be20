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
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
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
#include "platform/os/clock.h"
#include "platform/ui_runtime/ui_store.h"
#include "program/console_front_end.h"
#include "remote/scpi_server.h"
#include "sim/sim_board.h"
#include "ui/main_uir.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kTickPeriod = 0.2;  // the measurement timer's interval, seconds
constexpr double kMeasureSeconds = 4.0;
constexpr auto kQueryPacing = std::chrono::milliseconds(2);

// ---- The program, on its own thread --------------------------------------------

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

// Headless, quiet, and ended by the benchmark's main thread.
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
  start_program();
  kd71::ui::bind_callback("CBTimer", timed_tick);
  std::string error;
  if (!scpi_server_start("127.0.0.1", 0, &error)) {
    std::fprintf(stderr, "scpi_benchmark: %s\n", error.c_str());
    port.set_value(0);
    return;
  }
  kd71::ui::run_until(kd71::clock::now() + 2.0);  // connected, first samples
  port.set_value(scpi_server_port());
  while (!g_stop.load()) kd71::ui::run_until(kd71::clock::now() + 3600.0);
  scpi_server_stop();
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
  g_stop = true;  // seen by the loop within its poll slice
  g_program.join();
}

// ---- Clients -------------------------------------------------------------------

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

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

// The tick periods between clock times `from` and `to`.
std::vector<double> tick_periods(double from, double to) {
  std::lock_guard<std::mutex> lock(g_ticks_mutex);
  std::vector<double> periods;
  for (std::size_t i = 1; i < g_tick_times.size(); ++i)
    if (g_tick_times[i - 1] >= from && g_tick_times[i] <= to)
      periods.push_back(g_tick_times[i] - g_tick_times[i - 1]);
  return periods;
}

double seconds_since_start() { return kd71::clock::now(); }  // the program's real clock

void BM_QueryRoundTrip(benchmark::State& state) {
  const int fd = connect_to(program_port());
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
    const int fd = flooding ? connect_to(port) : -1;
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
    const std::vector<double> periods = tick_periods(from, to);
    double sum = 0.0;
    for (double p : periods) sum += p;
    const double mean = periods.empty() ? 0.0 : sum / static_cast<double>(periods.size());
    const double worst = percentile(periods, 1.0);
    state.counters["ticks"] = static_cast<double>(periods.size());
    state.counters["mean_period_ms"] = mean * 1e3;
    state.counters["worst_period_ms"] = worst * 1e3;
    state.counters["mean_over_nominal"] = mean / kTickPeriod;
    state.counters["worst_over_nominal"] = worst / kTickPeriod;
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

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  stop_program();
  benchmark::Shutdown();
  return 0;
}
