// The test report of timed tests on the simulated board with the virtual
// clock: the spread of the errors it tells, a board absent all along, and
// a day-long run whose report stays small.
#include "report/test_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/startup.h"
#include "eye_scan/eye_scan_report.h"
#include "platform/ui_runtime/ui_store.h"
#include "program/eye_scan_command.h"
#include "program/timed_test.h"
#include "report/report_svg.h"
#include "report/run_tally.h"
#include "results/run_verdict.h"
#include "sim/sim_board.h"
#include "tests/support/console_program_fixture.h"

namespace kd71::test {
namespace {

class TestReportRun : public ConsoleProgramTest<TimedTestFrontEnd> {
 protected:
  // A timed test of `seconds` on `scenario` to its end, with its report.
  int run(const sim::Scenario& scenario, int seconds) {
    timed_test_begin(seconds);
    std::string error;
    EXPECT_TRUE(timed_test_report_to(path(), &error)) << error;
    sim::install_simulated_board(scenario);
    EXPECT_EQ(run_program(), 0);
    return timed_test_end_of_program();
  }
  std::string path() const { return (folder_.path() / "report.html").string(); }
  std::string report() const { return folder_.read("report.html"); }
};

sim::TimedEvent noise(double at, double mv) {
  sim::TimedEvent e;
  e.kind = sim::TimedEvent::Kind::ChannelChange;
  e.at_s = at;
  e.channel = 1;
  e.change = [mv](sim::ChannelScenario& c) { c.noise_mv = mv; };
  return e;
}

TEST_F(TestReportRun, TheSpreadOfTheErrorsTellsASpellFromRandomErrorsAndFromNone) {
  struct Case {
    const char* name;
    std::vector<sim::TimedEvent> events;
    bool all_errored, one_burst, random;
  };
  const Case cases[] = {
      // Errors all along at one level: every sample errored, counts spread as
      // chance spreads them.
      {"steady noise", {noise(0.0, 12.0)}, true, true, true},
      // A spell in the middle: one burst between two clean stretches, the
      // counts far more spread than chance spreads them.
      {"spell", {noise(20.0, 14.0), noise(30.0, 4.0)}, false, true, false},
  };
  for (const Case& c : cases) {
    restart();
    sim::Scenario s;
    s.events = c.events;
    set_target_ber(1e-3);
    run(s, 50);
    const RunTally& t = run_tally(1);
    ASSERT_GT(t.samples, 20u) << c.name;
    EXPECT_EQ(t.errored == t.samples, c.all_errored) << c.name;
    EXPECT_EQ(t.bursts, 1u) << c.name;
    EXPECT_EQ(t.longest_burst, t.errored) << c.name;
    const double d = dispersion_index(t);
    EXPECT_EQ(d > 0.3 && d < 3.0, c.random) << c.name << ": " << d;
    if (!c.all_errored) {
      EXPECT_GT(t.longest_clean_samples, 3u) << c.name;
      EXPECT_LT(t.errored, t.samples - t.longest_clean_samples) << c.name;
    }
    // Channel 2 had none: no dispersion, the whole run one clean stretch.
    const RunTally& clean = run_tally(2);
    EXPECT_EQ(clean.errored, 0u);
    EXPECT_TRUE(std::isnan(dispersion_index(clean)));
    EXPECT_EQ(clean.longest_clean_samples, clean.samples);
    const std::string html = report();
    EXPECT_NE(html.find(std::to_string(t.errored) + " of " + std::to_string(t.samples)),
              std::string::npos)
        << c.name;
    EXPECT_NE(html.find("none: no errors"), std::string::npos) << c.name;
  }
}

// Its counted bits pass a loose target, but the board was off the bus for
// a second of the run: not a pass, on the console nor in the report.
TEST_F(TestReportRun, ARunDuringWhichTheLinkWasLostFailsThoughItsBitsPass) {
  sim::Scenario s;
  sim::TimedEvent unplug;
  unplug.at_s = 20.0;
  unplug.for_s = 1.0;
  s.events = {unplug};
  set_target_ber(0.5);
  testing::internal::CaptureStdout();
  EXPECT_EQ(run(s, 40), kExitFailed);
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_NE(printed.find("(95 %) link lost 1 time during the run: FAIL\nCH2"), std::string::npos)
      << printed;
  EXPECT_EQ(printed.find("PASS"), std::string::npos) << printed;
  const std::string html = report();
  const std::string lost = "the link was lost 1 time during the run";
  const std::size_t first = html.find(lost);
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(html.find(lost, first + 1), std::string::npos) << "both channels";
  EXPECT_EQ(html.find("verdict PASS"), std::string::npos);
}

TEST_F(TestReportRun, ABoardUnpluggedAllAlongFailsAndSaysSoInsteadOfPassingOnNoErrors) {
  EXPECT_EQ(run(sim::Scenario::no_board(), 10), kExitNoBoard);
  const std::string html = report();
  EXPECT_NE(html.find("Result: <span class=\"verdict FAIL\">"), std::string::npos);
  EXPECT_EQ(html.find("verdict PASS"), std::string::npos);
  EXPECT_NE(html.find("no board connected within 30 s"), std::string::npos);
  EXPECT_NE(html.find("No sample of a run: no chart."), std::string::npos);
}

TEST_F(TestReportRun, ATestStoppedBeforeItsEndIsReportedAsStoppedNotAsPassed) {
  timed_test_begin(60);
  std::string error;
  ASSERT_TRUE(timed_test_report_to(path(), &error)) << error;
  EXPECT_NE(report().find("FAIL: the timed test has not ended."), std::string::npos);
  sim::install_simulated_board({});
  ASSERT_EQ(start_program(), 0);
  ui::run_until(20.0);
  EXPECT_EQ(timed_test_end_of_program(), kExitFailed);
  const std::string html = report();
  EXPECT_NE(html.find("Result: <span class=\"verdict FAIL\">"), std::string::npos);
  EXPECT_NE(html.find("(95 %); stopped before its end"), std::string::npos);
  EXPECT_EQ(html.find("verdict PASS"), std::string::npos);
}

// A day of samples: the report's charts keep their size, whatever the
// run's length. The file stays for the page-load measurement.
TEST_F(TestReportRun, ADayLongRunsReportStaysSmallAndPasses) {
  set_target_ber(1e-12);
  EXPECT_EQ(run({}, 86400), kExitPassed);
  EXPECT_GT(run_tally(2).samples, 100000u);
  const auto size = std::filesystem::file_size(path());
  EXPECT_LT(size, 2u << 20);
  std::filesystem::create_directories(KD71_ARTIFACT_DIR);
  std::filesystem::copy_file(path(), KD71_ARTIFACT_DIR "/report_24h.html",
                             std::filesystem::copy_options::overwrite_existing);
  const std::string html = report();
  EXPECT_NE(html.find("Result: <span class=\"verdict PASS\">"), std::string::npos);
  EXPECT_NE(html.find("24:00:00"), std::string::npos);
}

// An eye scan of the program's life shows in the report of the window as a
// picture of its points with its summary.
TEST_F(TestReportRun, AChannelsLastEyeScanShowsAsItsBathtubOrItsEye) {
  for (const bool two_d : {false, true}) {
    restart();
    EyeScanRequest q;
    q.two_d = two_d;
    q.delay_steps = 32;
    std::string error;
    ASSERT_TRUE(eye_scan_command_begin(q, (folder_.path() / "eye.csv").string(), &error));
    sim::install_simulated_board({});
    ASSERT_EQ(run_program(), 0);
    ASSERT_EQ(eye_scan_command_end_of_program(), 0);
    const std::string html = test_report_html(window_report_run());
    const EyeScanResult& r = eye_scan_result();
    EXPECT_NE(html.find(two_d ? "<title id=\"eye1-t\">Channel 1 eye</title>"
                              : "<title id=\"eye1-t\">Channel 1 bathtub</title>"),
              std::string::npos);
    EXPECT_NE(html.find(eye_summary(r, eye_report(r))), std::string::npos);
    EXPECT_EQ(html.find("id=\"eye2-t\""), std::string::npos) << "channel 2 was not scanned";
    // Points with errors drawn: rings of the bathtub's, shaded cells of the eye's.
    EXPECT_NE(html.find(two_d ? "class=\"s8\"" : "class=\"err\""), std::string::npos);
    std::filesystem::create_directories(KD71_ARTIFACT_DIR);
    std::ofstream(std::string(KD71_ARTIFACT_DIR) +
                  (two_d ? "/report_eye.html" : "/report_bathtub.html"))
        << html;
  }
}

}  // namespace
}  // namespace kd71::test

namespace kd71::test {
namespace {

// Points that carry no ratio (no bits, NaN) or an infinite one (a denormal
// count of bits) draw on the scale's ends: the pictures end, and no
// coordinate is infinite or undefined.
TEST(ReportPictures, PointsWithoutAFiniteRatioDrawOnTheScalesEnds) {
  for (const bool two_d : {false, true}) {
    EyeScanResult r;
    r.request.channel = 1;
    r.request.two_d = two_d;
    const double odd_bits[] = {0.0, 5e-324, std::nan(""), -1e9, 1e12};
    for (int i = 0; i < 5; ++i)
      r.points.push_back({0.1f * static_cast<float>(i), 0.0f, 3, odd_bits[i], 1, false});
    const std::string svg = eye_scan_svg(r);
    EXPECT_NE(svg.find("</svg>"), std::string::npos) << two_d;
    EXPECT_EQ(svg.find("nan"), std::string::npos) << two_d;
    EXPECT_EQ(svg.find("inf"), std::string::npos) << two_d;
  }
}

}  // namespace
}  // namespace kd71::test
