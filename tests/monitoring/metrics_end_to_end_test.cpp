// The metrics page as a scraper gets it over a real socket, from the
// program on the simulated board on the virtual clock: the counters follow
// every sample aligned to its pattern and never go down, the gauges leave with a switched-off
// channel or a lost board, gaps in the sequence numbers are counted, and
// what is no scrape is answered, closed and changes nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "app/measurement.h"
#include "hardware/packet_codec.h"
#include "monitoring/metrics_server.h"
#include "monitoring/sample_tally.h"
#include "platform/os/clock.h"
#include "tests/support/scpi_fixture.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

constexpr double kSampleBits = 17179869184.0;  // the start-up sample length, 2^34

// What a test sees of the samples, apart from the program.
double g_seen_errors[3];
int g_seen_samples[3];
void count_sample(int channel, const PacketRecord& r) {
  g_seen_errors[channel] += static_cast<double>(r.error_count);
  ++g_seen_samples[channel];
}

int g_ticks = 0;
int counting_tick(int panel, int control, int event, void* data, int d1, int d2) {
  ++g_ticks;
  return CBTimer(panel, control, event, data, d1, d2);
}

class MetricsTest : public ScpiTest {
 protected:
  void TearDown() override {
    metrics_server_reset();
    ScpiTest::TearDown();
  }
  sim::SimBoard* start_metrics(const sim::Scenario& scenario = {}) {
    for (int n : {1, 2}) g_seen_errors[n] = g_seen_samples[n] = 0;
    metrics::attach_metrics_to_measurement();
    add_measurement_listener({.new_sample = count_sample});
    std::string error;
    EXPECT_TRUE(metrics_server_start("127.0.0.1", 0, &error)) << error;
    return start(scenario);
  }
  // The user sets a control, as with the mouse.
  static void commit(int control, unsigned value) {
    SetCtrlVal(panelHandle, control, value);
    ui::post_event(panelHandle, control, EVENT_COMMIT);
  }
  // The whole response to `request`; the connection is closed by the server.
  static std::string exchange(const std::string& request) {
    ScpiClient c(metrics_server_port());
    c.send(request);
    std::string response;
    EXPECT_TRUE(c.wait_closed(turn, &response)) << request;
    return response;
  }
  // Each series of the page by its name and labels, as written.
  static std::map<std::string, double> scrape() {
    const std::string response = exchange("GET /metrics HTTP/1.1\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(response.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << response;
    EXPECT_NE(response.find("Content-Type: text/plain; version=0.0.4"), std::string::npos);
    std::map<std::string, double> series;
    std::istringstream lines(response.substr(response.find("\r\n\r\n") + 4));
    for (std::string line; std::getline(lines, line);) {
      if (line.empty() || line[0] == '#') continue;
      const std::size_t space = line.rfind(' ');
      series[line.substr(0, space)] = std::stod(line.substr(space + 1));
    }
    return series;
  }
  static std::string of(const char* name, int channel, const char* serial = "KD71SIM000001") {
    return std::string(name) + "{channel=\"" + std::to_string(channel) + "\",serial=\"" + serial +
           "\"}";
  }
};

TEST_F(MetricsTest, CountersFollowEverySampleAndNeverGoDownAcrossAnUnplug) {
  sim::Scenario scenario;
  scenario.channel(1).noise_mv = 12.0;  // errors in every sample
  sim::SimBoard* board = start_metrics(scenario);
  run_for(6.0);
  auto page = scrape();
  EXPECT_EQ(page["kd71_link_up{serial=\"KD71SIM000001\"}"], 1.0);
  // Every sample is in the bits or among those that spanned the pattern's
  // alignment, as the first after the board is configured does: channel 2's
  // counted 1.3e9 errors, which must not read as an alarm at every start.
  for (int n : {1, 2}) {
    ASSERT_GT(g_seen_samples[n], 1) << n;
    const double aligning = page[of("kd71_samples_aligning_total", n)];
    EXPECT_GE(aligning, 1.0) << n;
    EXPECT_EQ(page[of("kd71_bits_total", n)], (g_seen_samples[n] - aligning) * kSampleBits) << n;
    EXPECT_LE(page[of("kd71_errors_total", n)], g_seen_errors[n]) << n;
    EXPECT_EQ(page[of("kd71_samples_missed_total", n)], 0.0) << n;
  }
  EXPECT_GT(g_seen_errors[2], 1e9) << "the start-up sample";
  EXPECT_EQ(page[of("kd71_errors_total", 2)], 0.0) << "a clean channel";
  EXPECT_GT(page[of("kd71_errors_total", 1)], 0.0);
  EXPECT_EQ(page[of("kd71_bit_rate_bits_per_second", 1)], 10e9);
  EXPECT_EQ(page[of("kd71_error_ratio_is_bound", 1)], 0.0);
  EXPECT_NEAR(page[of("kd71_error_ratio", 1)], value(PANELMAIN_ERROR_RATIO_CH1), 1e-9);

  board->unplug();
  run_for(2.0);
  const auto unplugged = scrape();
  EXPECT_EQ(unplugged.at("kd71_link_up{serial=\"KD71SIM000001\"}"), 0.0);
  EXPECT_EQ(unplugged.count(of("kd71_bit_rate_bits_per_second", 1)), 0u) << "no figure, no zero";
  EXPECT_EQ(unplugged.at(of("kd71_errors_total", 1)), page[of("kd71_errors_total", 1)]);

  board->plug();
  run_for(6.0);
  const auto back = scrape();
  EXPECT_GT(back.at(of("kd71_errors_total", 1)), unplugged.at(of("kd71_errors_total", 1)));
  EXPECT_EQ(back.at(of("kd71_errors_total", 2)), 0.0) << "no spike at the replug";
  EXPECT_GT(back.at(of("kd71_samples_aligning_total", 2)),
            unplugged.at(of("kd71_samples_aligning_total", 2)));
  EXPECT_EQ(back.at(of("kd71_samples_missed_total", 1)), 0.0)
      << "the board powered up afresh is no gap";
}

TEST_F(MetricsTest, ASwitchedOffChannelHasNoGaugesAndSkippedSamplesAreCounted) {
  start_metrics();
  commit(PANELMAIN_DATA_SELECT_CH2, 99);  // "Shut Off"
  run_for(4.0);
  auto page = scrape();
  for (const char* gauge :
       {"kd71_bit_rate_bits_per_second", "kd71_error_ratio", "kd71_error_ratio_is_bound",
        "kd71_pattern_sync", "kd71_error_free_seconds", "kd71_timed_test_running"}) {
    EXPECT_EQ(page.count(of(gauge, 2)), 0u) << gauge;
    EXPECT_EQ(page.count(of(gauge, 1)), 1u) << gauge;
  }
  EXPECT_EQ(page.count(of("kd71_errors_total", 2)), 1u) << "a counter stays";

  // The loop held for 6 s (as a routine holds it): channel 1 published
  // about three samples meanwhile, which no tick read.
  commit(PANELMAIN_DATA_SELECT_CH2, 8);
  kd71::clock::spend(6.0);
  run_for(4.0);
  page = scrape();
  EXPECT_GE(page[of("kd71_samples_missed_total", 1)], 2.0);
  EXPECT_EQ(page[of("kd71_samples_missed_total", 2)], 0.0) << "switched off is no gap";
}

TEST_F(MetricsTest, ATimedTestShowsItsBoundAtTheConfidenceLevel) {
  start_metrics();
  commit(PANELMAIN_COM_TOT_ERR_CNT_CH1, 1);
  run_for(8.0);
  auto page = scrape();
  EXPECT_EQ(page[of("kd71_timed_test_running", 1)], 1.0);
  EXPECT_EQ(page[of("kd71_timed_test_running", 2)], 0.0);
  const std::string bound =
      "kd71_timed_test_ber_bound{channel=\"1\",confidence=\"95\",serial=\"KD71SIM000001\"}";
  ASSERT_EQ(page.count(bound), 1u);
  EXPECT_GT(page[bound], 0.0);
  EXPECT_LT(page[bound], 1e-9);
}

struct BadRequest {
  const char* what;
  std::string bytes;
  const char* status;  // the status line it gets
};

TEST_F(MetricsTest, WhatIsNoScrapeIsAnsweredAndClosedWhileTheMeasurementTicks) {
  start_metrics();
  g_ticks = 0;
  ui::bind_callback("CBTimer", counting_tick);
  const double from = Timer();
  const BadRequest cases[] = {
      {"no version", "GET /metrics\r\n\r\n", "HTTP/1.1 400 Bad Request"},
      {"binary junk", std::string("\x16\x03\x01\x02\0\x01\r\n\r\n", 10),
       "HTTP/1.1 400 Bad Request"},
      {"a body", "GET /metrics HTTP/1.1\r\nContent-Length: 4\r\n\r\nkd71",
       "HTTP/1.1 400 Bad Request"},
      {"a header without colon", "GET /metrics HTTP/1.1\r\nHost\r\n\r\n",
       "HTTP/1.1 400 Bad Request"},
      {"another page", "GET /settings HTTP/1.1\r\n\r\n", "HTTP/1.1 404 Not Found"},
      {"another method", "POST /metrics HTTP/1.1\r\n\r\n", "HTTP/1.1 405 Method Not Allowed"},
      {"a head too long", "GET /metrics HTTP/1.1\r\nX: " + std::string(9000, 'a') + "\r\n\r\n",
       "HTTP/1.1 431 Request Header Fields Too Large"},
  };
  for (const BadRequest& c : cases) {
    const std::string response = exchange(c.bytes);
    EXPECT_EQ(response.substr(0, response.find("\r\n")), c.status) << c.what;
    EXPECT_EQ(response.find("kd71_"), std::string::npos) << c.what;
  }

  // A request cut short, then silence: closed once its time is up.
  ScpiClient slow(metrics_server_port());
  slow.send("GET /metr");
  std::string response;
  EXPECT_TRUE(slow.wait_closed([] { run_for(1.0); }, &response));
  EXPECT_EQ(response.rfind("HTTP/1.1 408 Request Timeout", 0), 0u) << response;

  // A megabyte of request, sent from a thread while the loop runs.
  ScpiClient big(metrics_server_port());
  std::thread sender([&big] { big.send(std::string(1 << 20, 'A')); });
  response.clear();
  EXPECT_TRUE(big.wait_closed(turn, &response));
  sender.join();
  EXPECT_EQ(response.find("kd71_"), std::string::npos);

  // A thousand connections opened and dropped, a few between two turns.
  for (int i = 0; i < 1000; ++i) {
    ScpiClient dropped(metrics_server_port());
    EXPECT_TRUE(dropped.connected()) << i;
    if (i % 4 == 3) turn();
  }
  run_for(1.0);

  EXPECT_GE(g_ticks, static_cast<int>((Timer() - from) / 0.2) - 1) << "every tick ran";
  EXPECT_EQ(scrape()["kd71_link_up{serial=\"KD71SIM000001\"}"], 1.0) << "scrapes still served";
}

}  // namespace
}  // namespace kd71::test
