// The measurement log, the bound of a run and the timed test on the
// simulated board with the virtual clock: the log against what the panel
// showed, sample for sample, and timed tests from their start to the exit
// code.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/startup.h"
#include "app/statistics.h"
#include "platform/ui_runtime/ui_store.h"
#include "program/console_status.h"
#include "program/timed_test.h"
#include "results/measurement_log.h"
#include "results/ratio_history.h"
#include "results/run_verdict.h"
#include "sim/sim_board.h"
#include "tests/support/csv_rows.h"
#include "tests/support/fresh_state.h"
#include "tests/support/scripted_frontend.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace {

using kd71::sim::Scenario;
using kd71::test::csv_number;
using kd71::test::csv_rows;
using kd71::test::CsvRow;

// A channel's figures as the panel showed them for one sample: read when
// its ones count, the last figure a sample writes, was set.
struct Shown {
  int channel;
  double time;
  float bit_rate, ratio;
  double errors, ones;
  int bound;
};

class Watch : public kd71::test::ScriptedFrontEnd {
 public:
  std::vector<Shown> shown;
  bool timed_test = false;

  void control_changed(int panel, int control, kd71::ui::Change what) override {
    if (what != kd71::ui::Change::Value || panel != panelHandle) return;
    const int n = control == PANELMAIN_ONES_CNT_CH1 ? 1 : control == PANELMAIN_ONES_CNT_CH2 ? 2 : 0;
    if (n == 0) return;
    auto value = [panel](int c) { return kd71::ui::numeric_value(panel, c); };
    int bound = -1;
    GetCtrlAttribute(panel, n == 1 ? PANELMAIN_TEXTMSG_LT_ER_CH1 : PANELMAIN_TEXTMSG_LT_ER_CH2,
                     ATTR_VISIBLE, &bound);
    shown.push_back(
        {n, Timer(),
         static_cast<float>(
             value(n == 1 ? PANELMAIN_CLOCK_FREQUENCY_CH1 : PANELMAIN_CLOCK_FREQUENCY_CH2)),
         static_cast<float>(value(n == 1 ? PANELMAIN_ERROR_RATIO_CH1 : PANELMAIN_ERROR_RATIO_CH2)),
         value(n == 1 ? PANELMAIN_ERROR_COUNT_CH1 : PANELMAIN_ERROR_COUNT_CH2),
         value(n == 1 ? PANELMAIN_ONES_CNT_CH1 : PANELMAIN_ONES_CNT_CH2), bound});
  }
  void pump_input() override {
    ScriptedFrontEnd::pump_input();
    if (timed_test) timed_test_poll();
  }
};

class MeasurementLogEndToEnd : public kd71::test::FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    kd71::ui::set_front_end(&watch_);
  }
  kd71::sim::SimBoard* start(const Scenario& scenario = {}) {
    kd71::sim::SimBoard* board = kd71::sim::install_simulated_board(scenario);
    EXPECT_EQ(start_program(), 0);
    return board;
  }
  bool log_to(const char* name) {
    std::string error;
    return start_measurement_log((folder_.path() / name).string(), &error);
  }
  std::vector<CsvRow> rows_of(const char* name, const char* event = nullptr) const {
    std::vector<CsvRow> rows = csv_rows(folder_.read(name));
    if (!event) return rows;
    std::vector<CsvRow> picked;
    for (const CsvRow& r : rows)
      if (r.size() > 2 && r[2] == event) picked.push_back(r);
    return picked;
  }
  // Runs a timed test of `seconds` to its end; returns the exit code.
  int timed_test(int seconds) {
    timed_test_begin(seconds);
    watch_.timed_test = true;
    start();
    kd71::ui::run_until(kd71::ui::kForever);  // until the test's quit
    EXPECT_TRUE(timed_test_over());
    return timed_test_exit_code();
  }

  Watch watch_;
  kd71::test::WorkFolder folder_;
};

TEST_F(MeasurementLogEndToEnd, ASimulatedMinuteLogsEverySampleThePanelShowed) {
  ASSERT_TRUE(log_to("minute.csv"));
  kd71::sim::SimBoard* board = start();
  kd71::ui::run_until(30.0);
  board->unplug();
  kd71::ui::run_until(31.0);
  board->plug();
  kd71::ui::run_until(60.0);
  stop_measurement_log();

  const std::vector<CsvRow> all = rows_of("minute.csv");
  ASSERT_GE(all.size(), 3u);
  EXPECT_EQ(all[0].size(), static_cast<std::size_t>(kLogColumns));
  EXPECT_EQ(all[1][2], "link up");  // the first tick connects
  // The link rows where the link changed: at the first tick, and on the
  // first tick after the unplugging and after the plugging back.
  std::vector<std::pair<std::string, double>> links;
  for (const CsvRow& r : all)
    if (r[2] != "sample" && r[2] != "event") links.emplace_back(r[2], csv_number(r[1]));
  ASSERT_EQ(links.size(), 3u);
  EXPECT_EQ(links[0].first, "link up");
  EXPECT_LT(links[0].second, 0.5);
  EXPECT_EQ(links[1].first, "link down");
  EXPECT_GT(links[1].second, 30.0);
  EXPECT_LE(links[1].second, 30.21);
  EXPECT_EQ(links[2].first, "link up");
  EXPECT_GT(links[2].second, 31.0);
  EXPECT_LE(links[2].second, 31.8);
  const std::vector<CsvRow> samples = rows_of("minute.csv", "sample");
  ASSERT_EQ(samples.size(), watch_.shown.size());
  EXPECT_GT(samples.size(), 120u);  // about 35 of channel 1 and 95 of channel 2
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const CsvRow& r = samples[i];
    const Shown& s = watch_.shown[i];
    ASSERT_EQ(r.size(), static_cast<std::size_t>(kLogColumns)) << i;
    EXPECT_EQ(csv_number(r[3]), s.channel) << i;
    EXPECT_NEAR(csv_number(r[1]), s.time, 0.0005) << i;
    EXPECT_EQ(static_cast<float>(csv_number(r[4]) / 1000.0), s.bit_rate) << i;
    EXPECT_EQ(csv_number(r[6]), s.errors) << i;
    EXPECT_EQ(static_cast<float>(csv_number(r[7])), s.ratio) << i;
    EXPECT_EQ(csv_number(r[8]), s.bound) << i;
    EXPECT_EQ(csv_number(r[9]), s.ones) << i;
    EXPECT_EQ(r[5], "17179869184");
  }
  // The history holds the same samples, and the two link markers.
  EXPECT_EQ(history_samples(1) + history_samples(2), samples.size());
  EXPECT_EQ(static_cast<std::size_t>(history_size(1)), history_samples(1) + 3);
}

TEST_F(MeasurementLogEndToEnd, ATenSecondTestAtTenGigabitsWithoutErrorsShowsTheBound) {
  ASSERT_TRUE(log_to("test.csv"));
  testing::internal::CaptureStdout();
  const int exit_code = timed_test(10);
  const std::string printed = testing::internal::GetCapturedStdout();

  const ChannelStats& s = channelStats[1];
  EXPECT_EQ(s.totalErrors, 0u);
  EXPECT_EQ(s.testTicks, 50);
  ASSERT_GE(s.totalSamples, 5);
  const double bits = s.totalSamples * 17179869184.0;
  const RunVerdict v = run_verdict(1);
  EXPECT_EQ(v.bits, bits);
  EXPECT_NEAR(v.judgement.bound * bits, 2.996, 0.0005);
  EXPECT_DOUBLE_EQ(v.judgement.bound, -std::log(0.05) / bits);

  char bound[kBerText];
  bound_text(v.judgement.bound, 95.0, bound);
  char line[200];
  std::snprintf(line, sizeof line,
                "CH1 timed test: errors 0 bits %.0f in 00:00:10 %s FAIL at 1e-12", bits, bound);
  EXPECT_NE(printed.find(line), std::string::npos) << printed;
  EXPECT_NE(printed.find("CH2 timed test: errors 0 bits "), std::string::npos) << printed;
  EXPECT_EQ(exit_code, kExitFailed);  // 10 s cannot show 1e-12
  EXPECT_NE(console_status_line(panelHandle).find(std::string("test 00:00:10 ") + bound),
            std::string::npos)
      << console_status_line(panelHandle);

  // The log's last row of channel 1 in the run carries the same.
  const std::vector<CsvRow> rows = rows_of("test.csv", "sample");
  const CsvRow* last = nullptr;
  for (const CsvRow& r : rows)
    if (r[3] == "1" && !r[13].empty()) last = &r;
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(csv_number((*last)[13]), bits);
  EXPECT_NEAR(csv_number((*last)[15]), 2.995732 / bits, 1e-5 / bits);
  EXPECT_EQ((*last)[18], "not yet");
  EXPECT_NEAR(csv_number((*last)[19]), -std::log(0.05) / 1e-12 - bits, 1.0);
}

TEST_F(MeasurementLogEndToEnd, ALooseTargetPassesAndAShutOffChannelIsSkipped) {
  folder_.write("settings.cfg",
                "VORN_KD71_2CH Configuration Data\n"
                "Ch1_SamplingDelay 0.000000\nCh2_SamplingDelay 0.000000\n"
                "Ch1_Threshold 0.000000\nCh2_Threshold 0.000000\n"
                "data_select_ch1 8\ndata_select_ch2 99\nring_in_clk_ch1 1\nring_in_clk_ch2 1\n"
                "ringslide_9240phs_ch1 0\nringslide_9240phs_ch2 0\n"
                "ringslide_9372phs_ch1 0\nringslide_9372phs_ch2 0\n"
                "manual_mode_ch1 0\nmanual_mode_ch2 0");
  ASSERT_TRUE(set_target_ber(1e-9));
  testing::internal::CaptureStdout();
  const int exit_code = timed_test(5);
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(exit_code, kExitPassed) << printed;
  EXPECT_NE(printed.find("CH1 timed test: errors 0 bits "), std::string::npos) << printed;
  EXPECT_NE(printed.find(" PASS at 1e-09\n"), std::string::npos) << printed;
  EXPECT_NE(printed.find("CH2 timed test: skipped (Shut Off)\n"), std::string::npos) << printed;
  EXPECT_EQ(channelStats[2].totalSamples, 0);
  EXPECT_TRUE(std::filesystem::exists("settings.cfg"));  // quit as with the Quit button
}

TEST_F(MeasurementLogEndToEnd, ABoardThatNeverConnectsEndsTheTestWithFour) {
  timed_test_begin(10);
  watch_.timed_test = true;
  testing::internal::CaptureStdout();
  start(Scenario::no_board());
  kd71::ui::run_until(kd71::ui::kForever);
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(timed_test_exit_code(), kExitNoBoard);
  EXPECT_NEAR(Timer(), kBoardWait, 0.5);
  EXPECT_EQ(printed, "kd71: no board connected within 30 s; the timed test did not run\n");
}

TEST_F(MeasurementLogEndToEnd, ATestCutShortFails) {
  timed_test_begin(60);
  watch_.timed_test = true;
  start();
  kd71::ui::run_until(20.0);
  EXPECT_FALSE(timed_test_over());
  testing::internal::CaptureStdout();
  EXPECT_EQ(timed_test_end_of_program(), kExitFailed);
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed.rfind("kd71: the timed test was stopped before its end\n", 0), 0u) << printed;
  EXPECT_NE(printed.find("(cut short) BER < "), std::string::npos) << printed;
}

}  // namespace
