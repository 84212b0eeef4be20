#include "bench/served_program.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <future>
#include <mutex>
#include <thread>

#include "app/measurement.h"
#include "app/startup.h"
#include "platform/os/clock.h"
#include "platform/ui_runtime/ui_store.h"
#include "program/console_front_end.h"
#include "sim/sim_board.h"
#include "ui/main_uir.h"

namespace kd71::bench {
namespace {

std::atomic<bool> g_stop{false};
std::mutex g_ticks_mutex;
std::vector<double> g_tick_times;  // clock time of each measurement tick
std::thread g_program;
int g_port = 0;

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

void run_program(ServedBy server, std::promise<int> port) {
  BenchFrontEnd front_end;
  kd71::ui::set_front_end(&front_end);
  kd71::sim::Scenario scenario;
  scenario.latency = kd71::sim::Latency::usb_full_speed();
  kd71::sim::install_simulated_board(scenario);
  if (server.before_start) server.before_start();
  start_program();
  kd71::ui::bind_callback("CBTimer", timed_tick);
  std::string error;
  if (!server.start("127.0.0.1", 0, &error)) {
    std::fprintf(stderr, "%s: %s\n", server.name, error.c_str());
    port.set_value(0);
    return;
  }
  kd71::ui::run_until(kd71::clock::now() + 2.0);  // connected, first samples
  port.set_value(server.port());
  while (!g_stop.load()) kd71::ui::run_until(kd71::clock::now() + 3600.0);
  server.stop();
  kd71::ui::set_front_end(nullptr);
}

}  // namespace

int served_program_port(const ServedBy& server) {
  if (!g_program.joinable()) {
    std::promise<int> port;
    std::future<int> ready = port.get_future();
    g_program = std::thread(run_program, server, std::move(port));
    g_port = ready.get();
  }
  return g_port;
}

void stop_served_program() {
  if (!g_program.joinable()) return;
  g_stop = true;  // seen by the loop within its poll slice
  g_program.join();
}

int connect_loopback(int port) {
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

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

std::vector<double> tick_periods(double from, double to) {
  std::lock_guard<std::mutex> lock(g_ticks_mutex);
  std::vector<double> periods;
  for (std::size_t i = 1; i < g_tick_times.size(); ++i)
    if (g_tick_times[i - 1] >= from && g_tick_times[i] <= to)
      periods.push_back(g_tick_times[i] - g_tick_times[i - 1]);
  return periods;
}

void count_tick_periods(benchmark::State& state, double from, double to) {
  // The measurement timer's interval, seconds.
  constexpr double kTickPeriod = 0.2;
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
}

int served_benchmark_main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  stop_served_program();
  benchmark::Shutdown();
  return 0;
}

}  // namespace kd71::bench
