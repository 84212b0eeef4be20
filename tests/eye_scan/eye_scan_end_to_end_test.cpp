// The eye scan on the simulated board, with the virtual clock: the
// bathtub's width and centre against the scenario's jitter at 10 and 28
// Gb/s, the default board's bathtub falling off over several points, the
// two-dimensional eye's height against the signal's swing and noise, the
// channel given back as it was after a scan, a stop and a stop signal, a
// scan of a channel in automatic mode, the bridge exchanges a scan makes,
// the reasons a scan does not start, the file of its points and the centre
// applied to the channel.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <functional>
#include <string>

#include "app/channel_config.h"
#include "app/channel_init.h"
#include "app/saved_settings.h"
#include "app/slider_state.h"
#include "app/startup.h"
#include "app/statistics.h"
#include "app/stop_signal.h"
#include "app/threshold_search.h"
#include "eye_scan/eye_scan.h"
#include "eye_scan/eye_scan_report.h"
#include "hardware/analog_scale.h"
#include "hardware/lowlevel_packets.h"
#include "platform/ui_runtime/ui_store.h"
#include "program/console_front_end.h"
#include "sim/signal_physics.h"
#include "sim/sim_board.h"
#include "tests/support/comma_locale.h"
#include "tests/support/console_program_fixture.h"
#include "tests/support/csv_rows.h"
#include "tests/support/default_signals.h"
#include "tests/support/eye_scan_fixture.h"
#include "tests/support/fresh_state.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

using kd71::sim::Scenario;
using kd71::sim::SimBoard;


EyeScanRequest bathtub(int channel, DelaySpan span = DelaySpan::BitPeriod) {
  EyeScanRequest q;
  q.channel = channel;
  q.span = span;
  return q;
}

// How far `v` lies from the scenario's eye centre, modulo the bit period, V.
double off_centre_v(const sim::ChannelScenario& s, double v) {
  const double period_v = delay_volts(1e6 / s.rate_mhz);
  const double d = std::fmod(v - s.eye_centre_v, period_v);
  return std::fabs(d - period_v * std::round(d / period_v));
}

// Width and centre within a step (and a delay code) of the jitter's eye at
// 0.01 to 4 errors a point, between which a point's errors are chance.
void expect_eye(const EyeReport& e, const EyeScanResult& r, const sim::ChannelScenario& s) {
  const double bits = bits_per_count(r.rate_mhz) * r.counts_per_point;
  const double in = sim::eye_opening_ps(s, 0.01 / bits), out = sim::eye_opening_ps(s, 4 / bits);
  const double step = delay_ps(r.delays.step_v) + delay_ps(kDelayVoltsPerStep);
  EXPECT_NEAR(e.width_ps, (in + out) / 2, (out - in) / 2 + step) << r.rate_mhz;
  EXPECT_LE(off_centre_v(s, e.centre_v), delay_volts(step + (out - in) / 4)) << e.centre_v;
}

// ---- The bathtub and the eye against the signal -----------------------------------------

TEST_F(EyeScanTest, TheBathtubsWidthAndCentreAreTheScenariosEyeWithinOneDelayStep) {
  struct Case {
    int channel, rate_mhz;
    double width_ui, centre_v;
    DelaySpan span;
  };
  // Eyes centred far off the sweep's middle make their windows wrap round
  // the period's ends; the whole range at 28 Gb/s holds three periods.
  const Case cases[] = {{1, 10000, 0.6, 1.2, DelaySpan::BitPeriod},
                        {1, 10000, 0.45, 0.3, DelaySpan::BitPeriod},
                        {2, 28000, 0.6, 1.2, DelaySpan::BitPeriod},
                        {2, 28000, 0.5, 2.55, DelaySpan::BitPeriod},
                        {2, 28000, 0.35, 0.8, DelaySpan::WholeRange}};
  for (const Case& c : cases) {
    restart();
    Scenario s;
    s.channel(c.channel).rate_mhz = c.rate_mhz;
    s.channel(c.channel).eye_width_ui = c.width_ui;
    s.channel(c.channel).eye_centre_v = c.centre_v;
    start(s, {c.channel});
    const EyeScanResult& r = scan(bathtub(c.channel, c.span));
    ASSERT_EQ(r.state, EyeScanState::Finished) << r.message;
    EXPECT_EQ(r.rate_mhz, c.rate_mhz);
    const EyeReport e = eye_report(r);
    ASSERT_TRUE(e.found);
    EXPECT_TRUE(e.width_bounded);
    expect_eye(e, r, s.channel(c.channel));
    EXPECT_GE(e.centre_v, 0.0);
    EXPECT_LE(e.centre_v, 2.7);
  }
}

TEST_F(EyeScanTest, TheDefaultBoardsBathtubFallsOffOverSeveralPointsOnEachSide) {
  // Points with errors below the counter's top either side of the centre,
  // at one 20 ms count a point: where the box's cliff had one at most.
  int sloped_points = 0;
  for (std::uint64_t seed = 1; seed <= 4; ++seed) {
    restart();
    Scenario s;
    s.seed = seed;
    start(s, {1});
    const EyeScanResult& r = scan(bathtub(1));
    int sloped[2] = {0, 0};
    for (const EyePoint& p : r.points)
      sloped[p.delay_v > eye_report(r).centre_v] += p.errors > 0 && !p.saturated;
    EXPECT_GE(std::min(sloped[0], sloped[1]), 2) << "seed " << seed;
    sloped_points += sloped[0] + sloped[1];
  }
  EXPECT_GE(sloped_points, 20) << "two and a half a side or more";
}

// The span of thresholds over which the signal's levels and noise give
// fewer than `errors` errors expected in `bits` bits.
double span_mv(const sim::ChannelScenario& s, double bits, double errors) {
  auto edge = [&](double inside, double outside) {
    for (int i = 0; i < 60; ++i) {
      const double mid = (inside + outside) / 2.0;
      (sim::threshold_ber(s, mid) * bits < errors ? inside : outside) = mid;
    }
    return inside;
  };
  return edge(s.offset_mv, s.offset_mv + 200.0) - edge(s.offset_mv, s.offset_mv - 200.0);
}

TEST_F(EyeScanTest, TheFirstTimeEstimateOfATwoDimensionalScanIsNearItsLength) {
  start();  // channel 1 in automatic mode: the take-over adds to the first point
  double first_end = -1.0, left = 0.0;
  fe_->at_progress = [&](const std::string& text) {
    const auto at = text.find(", about ");
    if (first_end < 0.0 && at != text.npos && std::sscanf(&text[at], ", about %lf", &left) == 1)
      first_end = Timer() + left;
  };
  EyeScanRequest q = bathtub(1);
  q.two_d = true;
  ASSERT_EQ(scan(q).state, EyeScanState::Finished);
  EXPECT_NEAR(first_end / Timer(), 1.0, 0.25);
}

TEST_F(EyeScanTest, TheTwoDimensionalEyesHeightFollowsTheSwingAndTheNoiseWithinOneStep) {
  struct Case {
    double amplitude_mv, noise_mv;
    bool after_init;  // the thresholds of the last initialisation's range
  };
  for (const Case& c : {Case{80.0, 4.0, false}, Case{120.0, 2.0, false}, Case{60.0, 3.0, false},
                        Case{80.0, 3.0, true}})
    for (std::uint64_t seed = 1; seed <= 3; ++seed) {
      reset_all();
      ui::set_front_end(fe_.get());
      Scenario s;
      s.seed = seed;
      s.channel(1).amplitude_mv = c.amplitude_mv;
      s.channel(1).noise_mv = c.noise_mv;
      start(s, c.after_init ? std::initializer_list<int>{} : std::initializer_list<int>{1});
      if (c.after_init) {
        CB_InitChan(panelHandle, PANELMAIN_INIT_CH1, EVENT_COMMIT, nullptr, 0, 0);
        set_mode(1, 1);
        ui::run_until(Timer() + 1.0);
      }
      EyeScanRequest q = bathtub(1);
      q.two_d = true;
      const EyeScanResult& r = scan(q);
      ASSERT_EQ(r.state, EyeScanState::Finished) << r.message;
      EXPECT_EQ(r.planned_points(), 64 * 32);
      if (c.after_init) {
        EXPECT_NEAR(r.thresholds.first_mv,
                    std::min(thresholdRange[1].rangeLo, thresholdRange[1].rangeHi), 1e-4);
        EXPECT_LT(r.thresholds.step_mv, 3.0);
      } else {
        EXPECT_NEAR(r.thresholds.first_mv, -89.45, 1e-4);
      }
      const EyeReport e = eye_report(r);
      ASSERT_TRUE(e.height_found);
      EXPECT_TRUE(e.height_bounded);
      // Within a step of the span where a point counts no error, the band at
      // its edges aside where that is a matter of chance: more than three
      // chances in four to count none inside it (0.25 errors expected), fewer
      // than one in fifty outside it (4 errors).
      const double bits = bits_per_count(r.rate_mhz) * r.counts_per_point;
      const double step = r.thresholds.step_mv;
      EXPECT_GE(e.height_mv, span_mv(s.channel(1), bits, 0.25) - step)
          << c.amplitude_mv << " mV, " << c.noise_mv << " mV rms";
      EXPECT_LE(e.height_mv, span_mv(s.channel(1), bits, 4.0) + step)
          << c.amplitude_mv << " mV, " << c.noise_mv << " mV rms";
      EXPECT_NEAR(e.centre_mv, s.channel(1).offset_mv, r.thresholds.step_mv);
      expect_eye(e, r, s.channel(1));
    }
}

TEST_F(EyeScanTest, AChannelRestoredInManualModeFromTheSettingsIsScannedInManualMode) {
  // The settings applied at the connection tick the check box but leave
  // the board's pin as it powered up, in automatic mode.
  folder_.write("settings.cfg",
                "VORN_KD71_2CH Configuration Data\nCh1_SamplingDelay 1.000000\n"
                "Ch2_SamplingDelay 1.000000\nCh1_Threshold 0.000000\nCh2_Threshold 0.000000\n"
                "data_select_ch1 8\ndata_select_ch2 8\nring_in_clk_ch1 1\nring_in_clk_ch2 1\n"
                "ringslide_9240phs_ch1 2\nringslide_9240phs_ch2 0\nringslide_9372phs_ch1 0\n"
                "ringslide_9372phs_ch2 0\nmanual_mode_ch1 1\nmanual_mode_ch2 0");
  SimBoard* board = start();
  ASSERT_EQ(manual_mode_ch1, 1);
  ASSERT_FALSE(board->manual_mode(1));
  const EyeScanResult& r = scan(bathtub(1));
  EXPECT_TRUE(board->manual_mode(1));
  const EyeReport e = eye_report(r);
  EXPECT_TRUE(e.width_bounded) << "the delays the scan set were honoured";
  expect_eye(e, r, board->channel(1));
}

// ---- The channel given back -------------------------------------------------------------

struct ChannelAsFound {
  double threshold_mv, delay_v, board_delay_v;
  bool lock, manual;
  float slider_threshold, slider_delay, saved_threshold, saved_delay, previous;
  int dims[4];
};

class EyeScanRestoreTest : public EyeScanTest {
 protected:
  ChannelAsFound as_found(SimBoard* board, int n) {
    ChannelAsFound f{};
    f.threshold_mv = board->threshold(n).mv;
    f.lock = board->threshold(n).lock;
    f.board_delay_v = board->sampling_delay_v(n);
    f.manual = board->manual_mode(n);
    f.slider_threshold = static_cast<float>(value(kThreshold[n]));
    f.slider_delay = static_cast<float>(value(kDelay[n]));
    f.saved_threshold = n == 1 ? Ch1_Threshold : Ch2_Threshold;
    f.saved_delay = n == 1 ? Ch1_SamplingDelay : Ch2_SamplingDelay;
    f.previous = previousThreshold[n];
    const int dim_of[4] = {kManualBox[n], kThreshold[n], kDelay[n],
                           n == 1 ? PANELMAIN_INIT_CH1 : PANELMAIN_INIT_CH2};
    for (int i = 0; i < 4; ++i) f.dims[i] = dimmed(dim_of[i]);
    return f;
  }
  void expect_as_found(SimBoard* board, int n, const ChannelAsFound& f) {
    const ChannelAsFound now = as_found(board, n);
    EXPECT_NEAR(now.threshold_mv, f.threshold_mv, 0.05);
    EXPECT_EQ(now.lock, f.lock);
    EXPECT_NEAR(now.board_delay_v, f.board_delay_v, 0.001) << "one delay code";
    EXPECT_EQ(now.manual, f.manual);
    EXPECT_EQ(value(kManualBox[n]), f.manual ? 1.0 : 0.0);
    EXPECT_FLOAT_EQ(now.slider_threshold, f.slider_threshold);
    EXPECT_FLOAT_EQ(now.slider_delay, f.slider_delay);
    EXPECT_FLOAT_EQ(now.saved_threshold, f.saved_threshold) << "the settings file keeps its own";
    EXPECT_FLOAT_EQ(now.saved_delay, f.saved_delay);
    EXPECT_FLOAT_EQ(now.previous, f.previous) << "a double click's sweep starts where it did";
    for (int i = 0; i < 4; ++i) EXPECT_EQ(now.dims[i], f.dims[i]) << i;
  }
};

TEST_F(EyeScanRestoreTest, AfterAScanAndAfterAStopTheChannelIsAsItWas) {
  for (bool stop : {false, true}) {
    restart();
    SimBoard* board = start({}, {1});
    // A threshold left by a double click's sweep: on the slider and the
    // board, not in the saved settings.
    SetCtrlVal(panelHandle, PANELMAIN_CH1_THRES, 6.5);
    WriteThreshold(1, 6.5f, 0);
    const ChannelAsFound before = as_found(board, 1);
    int locked = -1;
    bool board_locked = false;
    fe_->at_progress = [&](const std::string& text) {
      if (text.find("point 10 of") == std::string::npos) return;
      locked = dimmed(PANELMAIN_CH1_SAMPDEL) + dimmed(PANELMAIN_DATA_SELECT_CH1);
      board_locked = board->threshold(1).lock;
      if (stop) eye_scan_stop();
    };
    EyeScanRequest q = bathtub(1);
    q.two_d = true;
    q.threshold_points = 32;
    const EyeScanResult& r = scan(q);
    EXPECT_EQ(locked, 2) << "the channel's controls are dimmed while it is scanned";
    EXPECT_TRUE(board_locked) << "the threshold holds the pattern alignment";
    if (stop) {
      EXPECT_EQ(r.state, EyeScanState::Stopped);
      EXPECT_EQ(r.points.size(), 10u);
      EXPECT_EQ(r.message, "stopped after 10 of 2048 points");
    } else {
      EXPECT_EQ(r.state, EyeScanState::Finished);
    }
    expect_as_found(board, 1, before);
    EXPECT_EQ(dimmed(PANELMAIN_CH1_AUTOSEARCH), 0) << "manual mode's controls";
  }
}

TEST_F(EyeScanRestoreTest, AStopSignalEndsTheScanAtItsNextPointThenTheProgramQuits) {
  DefaultSignals restore;
  install_stop_signals();
  SimBoard* board = start({}, {2});
  const ChannelAsFound before = as_found(board, 2);
  fe_->at_progress = [](const std::string& text) {
    if (text.find("point 5 of") != std::string::npos) std::raise(SIGTERM);
  };
  ASSERT_TRUE(eye_scan_start(bathtub(2)));
  ui::run_until(Timer() + 5.0);
  EXPECT_EQ(eye_scan_result().state, EyeScanState::Stopped);
  EXPECT_EQ(eye_scan_result().points.size(), 5u);
  expect_as_found(board, 2, before);
  EXPECT_TRUE(ui::quit_requested()) << "the program quits as the Quit button does";
  EXPECT_NE(folder_.read("settings.cfg").find("manual_mode_ch2 1"), std::string::npos);
}

TEST_F(EyeScanRestoreTest, AChannelInAutomaticModeIsScannedInManualModeAndGivenBackInAutomatic) {
  Scenario s;
  s.channel(1).eye_centre_v = 1.0;
  SimBoard* board = start(s);
  channelConfig[1].cleanExit = 1;
  const ChannelAsFound before = as_found(board, 1);
  ASSERT_FALSE(before.manual);
  bool manual_during = false;
  int phase_during = -1;
  fe_->at_progress = [&](const std::string& text) {
    if (text.find("point 3 of") == std::string::npos) return;
    manual_during = board->manual_mode(1);
    phase_during = board->phase_in_use(1);
  };
  const EyeScanResult& r = scan(bathtub(1));
  ASSERT_EQ(r.state, EyeScanState::Finished) << r.message;
  EXPECT_TRUE(r.automatic_mode);
  EXPECT_TRUE(manual_during);
  EXPECT_EQ(phase_during, board->proposed_phase(1)) << "the board's phases applied";
  EXPECT_NEAR(r.anchor_v, sim::auto_delay_v(s.channel(1)), 0.001)
      << "around where the board sampled";
  const EyeReport e = eye_report(r);
  expect_eye(e, r, s.channel(1));
  expect_as_found(board, 1, before);
  EXPECT_EQ(channelConfig[1].cleanExit, 1) << "the scan's visit to manual mode is not the user's";
  EXPECT_EQ(dimmed(PANELMAIN_CH1_SAMPDEL), 1) << "automatic mode's dimming";
}

// ---- Exchanges ----------------------------------------------------------------------------

std::uint64_t sum(const std::array<std::uint64_t, 16>& after,
                  const std::array<std::uint64_t, 16>& before) {
  std::uint64_t n = 0;
  for (int i = 0; i < 16; ++i)
    n += after[static_cast<std::size_t>(i)] - before[static_cast<std::size_t>(i)];
  return n;
}

TEST_F(EyeScanTest, AScanMakesTheExchangesItsPointsNeedAndNoMore) {
  SimBoard* board = start({}, {1});
  struct Case {
    bool two_d;
    double resolve;
  };
  for (const Case& c : {Case{false, 0.0}, Case{true, 0.0}, Case{false, 1e-9}}) {
    ui::run_until(Timer());  // the ticks due now
    const auto before = board->counters();
    EyeScanRequest q = bathtub(1);
    q.delay_steps = 32;
    q.two_d = c.two_d;
    q.resolve_ratio = c.resolve;
    const EyeScanResult& r = scan(q);
    const auto after = board->counters();
    ASSERT_EQ(r.state, EyeScanState::Finished);
    std::uint64_t counts = 0;
    for (const EyePoint& p : r.points) {
      counts += static_cast<std::uint64_t>(p.counts);
      // Counted until its bits resolve the ratio, or it showed errors.
      if (p.errors == 0) {
        EXPECT_EQ(p.counts, r.counts_per_point);
      } else {
        EXPECT_LE(p.counts, r.counts_per_point);
      }
    }
    EXPECT_EQ(r.counts_per_point, c.resolve > 0.0 ? 5 : 1);
    const std::uint64_t points = r.points.size();
    EXPECT_EQ(points, c.two_d ? 32u * 32u : 32u);
    // The read-back of the delay the board uses, one routine poll for the
    // rate and one per count; one delay write per delay and one to give it
    // back; the thresholds of a 2-D scan, or the bathtub's locked one, and
    // the one given back.
    EXPECT_EQ(after.polls[1] - before.polls[1], 1u);
    EXPECT_EQ(after.polls[5] - before.polls[5], 1 + counts);
    EXPECT_EQ(sum(after.polls, before.polls), 2 + counts) << "no other poll";
    EXPECT_EQ(after.register_writes[1] - before.register_writes[1], 32u + 1u);
    EXPECT_EQ(after.register_writes[5] - before.register_writes[5], (c.two_d ? points : 1u) + 1u);
    EXPECT_EQ(sum(after.register_writes, before.register_writes),
              32u + 1u + (c.two_d ? points : 1u) + 1u);
    EXPECT_EQ(after.i2c.stops - before.i2c.stops, 4u)
        << "the manual-mode pin set: one expander write of four transactions, nothing else";
  }
}

// ---- Starting, the file, the centre -------------------------------------------------------

TEST_F(EyeScanTest, AScanStartsOnlyWhereItCanRunAndSaysWhyNot) {
  auto refused = [](const EyeScanRequest& q) {
    std::string why;
    EXPECT_FALSE(eye_scan_start(q, &why));
    return why;
  };
  EXPECT_EQ(refused(bathtub(1)), "no board is connected");
  EXPECT_EQ(refused(bathtub(3)), "the channel is 1 or 2");
  EyeScanRequest q = bathtub(1);
  q.delay_steps = 16;
  EXPECT_EQ(refused(q), "the delay takes 32 to 256 steps per bit period");
  q = bathtub(1);
  q.two_d = true;
  q.threshold_lo_mv = 20.0;
  q.threshold_hi_mv = -20.0;
  EXPECT_EQ(refused(q),
            "the thresholds run from a lower to a higher one within -89.45 .. 89.45 mV");

  start();
  SetCtrlVal(panelHandle, PANELMAIN_DATA_SELECT_CH2, 99u);
  EXPECT_EQ(refused(bathtub(2)), "channel 2 is switched off (\"Shut Off\")");
  channelStats[1].startCountdown = 1;
  EXPECT_EQ(refused(bathtub(1)), "the timed test of channel 1 runs");
  channelStats[1].startCountdown = 0;
  ASSERT_TRUE(eye_scan_start(bathtub(1)));
  EXPECT_TRUE(eye_scan_busy());
  EXPECT_EQ(refused(bathtub(1)), "an eye scan is already under way");
  std::string why;
  EXPECT_FALSE(eye_scan_apply(1, 1.0, 0.0, &why));
  EXPECT_EQ(why, "an eye scan is under way");
  // Stopped before it ran: the channel is not touched.
  const auto writes = sim::simulated_board()->counters().register_writes;
  eye_scan_stop();
  ui::run_until(Timer());
  EXPECT_EQ(eye_scan_result().state, EyeScanState::Stopped);
  EXPECT_EQ(sim::simulated_board()->counters().register_writes, writes);
}

class EyeScanFileTest : public CommaLocaleTest {};

TEST_F(EyeScanFileTest, ThePointsFileHasOneRowPerPointWithDecimalPointsUnderACommaLocale) {
  WatchingFrontEnd fe(nullptr);
  ui::set_front_end(&fe);
  WorkFolder folder;
  sim::install_simulated_board({});
  ASSERT_EQ(start_program(), 0);
  ui::run_until(1.0);
  EyeScanRequest q = bathtub(2);
  q.two_d = true;
  q.delay_steps = 32;
  ASSERT_TRUE(eye_scan_start(q));
  ui::run_until(Timer());
  const EyeScanResult& r = eye_scan_result();
  ASSERT_EQ(r.state, EyeScanState::Finished);

  std::string error;
  ASSERT_TRUE(write_eye_scan_csv((folder.path() / "eye.csv").string(), r, &error)) << error;
  const std::vector<CsvRow> rows = csv_rows(folder.read("eye.csv"));
  ASSERT_EQ(rows.size(), 1 + r.points.size());
  EXPECT_EQ(rows[0], (CsvRow{"delay_v", "delay_ps", "threshold_mv", "errors", "bits", "ratio",
                             "ratio_is_bound", "saturated"}));
  int bounds = 0, saturated = 0;
  for (std::size_t i = 0; i < r.points.size(); ++i) {
    const CsvRow& row = rows[i + 1];
    const EyePoint& p = r.points[i];
    ASSERT_EQ(row.size(), 8u);
    EXPECT_NEAR(csv_number(row[1]), p.delay_v / 0.000806 * 0.0328, 0.005);
    EXPECT_NEAR(csv_number(row[2]), p.threshold_mv, 0.005);
    EXPECT_EQ(csv_number(row[4]), 5.6e8) << "20 ms at 28 Gb/s";
    EXPECT_NEAR(csv_number(row[5]), point_ratio(p), point_ratio(p) * 1e-4);
    bounds += row[6] == "1";
    saturated += row[7] == "1";
  }
  EXPECT_GT(bounds, 100) << "the eye's inside";
  EXPECT_GT(saturated, 100) << "beyond it the fast count stops at 255";
  ui::set_front_end(nullptr);
}

TEST_F(EyeScanTest, TheCentreIsAppliedThroughTheSlidersEvenRightAfterAnInitialisation) {
  Scenario s;
  s.channel(1).offset_mv = 10.0;
  s.channel(1).eye_centre_v = 0.9;
  SimBoard* board = start(s);
  EyeScanRequest q = bathtub(1);
  q.two_d = true;
  const EyeScanResult& r = scan(q);
  const EyeReport e = eye_report(r);
  ASSERT_TRUE(e.height_found);
  suppressNextChange = 1;  // as a channel initialisation leaves it
  ASSERT_TRUE(eye_scan_apply(1, e.centre_v, e.centre_mv));
  ui::run_until(Timer() + 1.0);
  EXPECT_TRUE(board->manual_mode(1)) << "the board honours the delay in manual mode";
  EXPECT_EQ(manual_mode_ch1, 1);
  EXPECT_NEAR(value(PANELMAIN_CH1_SAMPDEL), e.centre_v, 0.001);
  EXPECT_NEAR(board->sampling_delay_v(1), e.centre_v, 0.001);
  EXPECT_FLOAT_EQ(Ch1_SamplingDelay, static_cast<float>(value(PANELMAIN_CH1_SAMPDEL)));
  EXPECT_NEAR(board->threshold(1).mv, e.centre_mv, 0.05);
  EXPECT_NEAR(e.centre_mv, 10.0, r.thresholds.step_mv);
  expect_eye(e, r, s.channel(1));
  ui::run_until(Timer() + 3.0);
  EXPECT_EQ(packets[1].error_count, 0u) << "error-free at the centre";
}

}  // namespace
}  // namespace kd71::test
