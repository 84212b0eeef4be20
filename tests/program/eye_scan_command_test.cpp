// The eye scan of the command line: its options and their checks, and the
// headless run that scans once the board is connected (after the buttons
// the command line presses), writes the points, prints the summary, quits
// and tells by its exit code how it went.
#include "program/eye_scan_command.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "app/startup.h"
#include "app/threshold_search.h"
#include "eye_scan/eye_scan_report.h"
#include "platform/ui_runtime/ui_store.h"
#include "program/button_presses.h"
#include "program/command_line.h"
#include "program/console_front_end.h"
#include "sim/sim_board.h"
#include "tests/support/console_program_fixture.h"
#include "tests/support/csv_rows.h"
#include "tests/support/fresh_state.h"
#include "tests/support/parsed_command_line.h"
#include "tests/support/work_folder.h"

namespace kd71::test {
namespace {

TEST(EyeScanOptions, TheOptionsDescribeTheScanAndWrongOnesAreRefusedWithTheirReason) {
  const CommandLine cl =
      parse({"--headless", "--eye-scan", "2", "--eye-out", "e.csv", "--eye-2d", "--eye-delay-steps",
             "128", "--eye-span", "range", "--eye-thresholds", "40", "--eye-threshold-range",
             "-30.5..25", "--eye-ber", "1e-10"});
  ASSERT_EQ(cl.error, "");
  EXPECT_TRUE(cl.eye_scan);
  EXPECT_EQ(cl.eye_out, "e.csv");
  EXPECT_EQ(cl.eye.channel, 2);
  EXPECT_TRUE(cl.eye.two_d);
  EXPECT_EQ(cl.eye.delay_steps, 128);
  EXPECT_EQ(cl.eye.span, DelaySpan::WholeRange);
  EXPECT_EQ(cl.eye.threshold_points, 40);
  EXPECT_DOUBLE_EQ(cl.eye.threshold_lo_mv, -30.5);
  EXPECT_DOUBLE_EQ(cl.eye.threshold_hi_mv, 25.0);
  EXPECT_DOUBLE_EQ(cl.eye.resolve_ratio, 1e-10);

  const std::pair<std::vector<std::string>, std::string> wrong[] = {
      {{"--headless", "--eye-scan", "1"}, "--eye-scan needs --eye-out FILE"},
      {{"--eye-scan", "1", "--eye-out", "e.csv"}, "--eye-scan works only with --headless"},
      {{"--headless", "--eye-2d"}, "the --eye-* options work only with --eye-scan"},
      {{"--headless", "--eye-scan", "1", "--eye-out", "e.csv", "--eye-threshold-range", "-30"},
       "--eye-threshold-range needs LO..HI in mV, such as -40..40"},
      {{"--headless", "--eye-scan", "1", "--eye-out", "e.csv", "--eye-2d", "--eye-threshold-range",
        "30..-30"},
       "--eye-scan: the thresholds run from a lower to a higher one within -89.45 .. 89.45 mV"},
      {{"--headless", "--eye-scan", "1", "--eye-out", "e.csv", "--timed-test", "10"},
       "--eye-scan and --timed-test cannot run together"},
      {{"--headless", "--eye-scan", "1", "--eye-out", "e.csv", "--eye-ratio", "1e-6"},
       "--eye-ratio needs a ratio from 1e-15 to 1e-9, such as 1e-12"},
  };
  for (const auto& [args, error] : wrong) EXPECT_EQ(parse(args).error, error) << args.back();
}

class EyeScanCommandTest : public ConsoleProgramTest<ConsoleFrontEnd> {
 protected:
  // The program's run until it quits, its standard output kept.
  std::string run(const sim::Scenario& scenario, const EyeScanRequest& request,
                  const std::string& report = "") {
    std::string error;
    EXPECT_TRUE(eye_scan_command_begin(request, path(), &error, {report, 1e-12, ""})) << error;
    sim::install_simulated_board(scenario);
    testing::internal::CaptureStdout();
    EXPECT_EQ(run_program(), 0);
    exit_code_ = eye_scan_command_end_of_program();
    return testing::internal::GetCapturedStdout();
  }
  std::string path() const { return (folder_.path() / "eye.csv").string(); }

  int exit_code_ = -1;
};

TEST_F(EyeScanCommandTest, AfterTheCommandLinesInitTheScanRunsWritesItsPointsAndQuits) {
  queue_button_press("init", 1);
  EyeScanRequest q;
  q.two_d = true;
  q.delay_steps = 32;
  const std::string out = run({}, q);
  EXPECT_EQ(exit_code_, 0);
  EXPECT_NE(out.find("CH1 eye at 5.0e-09: width "), std::string::npos) << out;
  EXPECT_NE(out.find("CH1 eye scan: 1024 points written to " + path()), std::string::npos) << out;
  EXPECT_EQ(csv_rows(folder_.read("eye.csv")).size(), 1u + 1024u);
  // Init ran first: the scan took the ones-density range it found.
  const EyeScanResult& r = eye_scan_result();
  EXPECT_NEAR(r.thresholds.first_mv, std::min(thresholdRange[1].rangeLo, thresholdRange[1].rangeHi),
              1e-4);
  EXPECT_NE(folder_.read("settings.cfg"), "") << "quit as the Quit button does";
}

TEST_F(EyeScanCommandTest, AnAdaptiveBathtubsReportHoldsItsFiguresAndSaysWhyTheOthersAreNull) {
  sim::Scenario s;
  s.channel(1).rj_ps = 2.5;
  s.channel(1).dj_ps = 25;
  EyeScanRequest q;
  q.adaptive = true;
  const std::string report = (folder_.path() / "eye.json").string();
  const std::string out = run(s, q, report);
  EXPECT_EQ(exit_code_, 0);
  EXPECT_NE(out.find("; RJ 2."), std::string::npos) << out;
  const nlohmann::json j = nlohmann::json::parse(folder_.read("eye.json"));
  for (const char* key : {"channel", "rate_mbps", "rj_ps", "dj_ps", "tj_1e12_ps", "width_1e12_ps",
                          "fit_r2", "q_factor", "height_1e12_mv", "centre_delay_v",
                          "centre_threshold_mv", "points", "scan_s", "mask", "notes"})
    EXPECT_TRUE(j.contains(key)) << key;
  EXPECT_EQ(j["channel"], 1);
  EXPECT_EQ(j["rate_mbps"], 10000);
  EXPECT_NEAR(j["rj_ps"].get<double>(), 2.5, 0.15 * 2.5);
  EXPECT_NEAR(j["tj_1e12_ps"].get<double>() + j["width_1e12_ps"].get<double>(), 100.0, 1e-9);
  EXPECT_TRUE(j["height_1e12_mv"].is_null()) << "a bathtub sweeps no threshold";
  EXPECT_TRUE(j["q_factor"].is_null());
  EXPECT_EQ(j["notes"]["vertical"], "a bathtub sweeps no threshold");
  EXPECT_TRUE(j["mask"].is_null());
  EXPECT_EQ(j["points"].get<std::size_t>() + 1, csv_rows(folder_.read("eye.csv")).size());
  EXPECT_GT(j["scan_s"].get<double>(), 1.0);
  EXPECT_LT(j["scan_s"].get<double>(), 20.0);
}

TEST_F(EyeScanCommandTest, AMaskFileThatIsNoMaskStopsTheCommandBeforeTheScanWithItsReason) {
  const std::pair<std::string, std::string> wrong[] = {
      {"{\"ratio\": 1e-12, \"polygon\": [[-15, 0], [0, 8]", "the mask is no JSON object"},
      {"{\"ratio\": 1e-3, \"polygon\": [[-15, 0], [0, 8], [15, 0]]}",
       "the mask's ratio lies from 1e-15 to 1e-6"},
      {"{\"ratio\": 1e-12, \"polygon\": [[-15, 0], [0, \"8\"], [15, 0]]}",
       "each corner of the mask's \"polygon\" is [ps, mV]"},
      {"{\"ratio\": 1e-12, \"polygon\": [[5, 5], [6, 6], [7, 5]]}",
       "the mask's polygon does not enclose the eye's centre"}};
  for (const auto& [text, why] : wrong) {
    folder_.write("mask.json", text);
    const std::string mask = (folder_.path() / "mask.json").string();
    std::string error;
    EXPECT_FALSE(eye_scan_command_begin(EyeScanRequest{}, path(), &error, {"", 1e-12, mask}));
    EXPECT_EQ(error, "the eye mask " + mask + ": " + why);
  }
}

TEST_F(EyeScanCommandTest, WithoutABoardOrABitRateItEndsWithItsExitCode) {
  const std::string none = run(sim::Scenario::no_board(), EyeScanRequest{});
  EXPECT_EQ(exit_code_, 4);
  EXPECT_NE(none.find("kd71: no board connected within 30 s; the eye scan did not run"),
            std::string::npos)
      << none;
  EXPECT_GE(Timer(), 30.0);

  restart();
  sim::Scenario s;
  s.channel(2).clock_present = false;
  EyeScanRequest q;
  q.channel = 2;
  const std::string failed = run(s, q);
  EXPECT_EQ(exit_code_, 3);
  EXPECT_NE(failed.find("CH2 eye scan failed: channel 2 measures no bit rate"), std::string::npos)
      << failed;
  EXPECT_EQ(folder_.read("eye.csv"), std::string(kEyeCsvHeader) + "\r\n") << "no points";
}

}  // namespace
}  // namespace kd71::test
