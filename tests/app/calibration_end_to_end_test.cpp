// Calibration on the simulated board, as an engineer meets it: "Init"
// brings an off-centre channel to its threshold, the auto search parks the
// sampling delay in the eye, the stop buttons, a stop signal and a closed
// window stop it, and the phase trial keeps the best-surrounded phase. The
// virtual clock runs the routines' waits.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "app/analog_controls.h"
#include "app/channel_config.h"
#include "app/channel_init.h"
#include "app/debug_panel.h"
#include "app/phase_trial.h"
#include "app/saved_settings.h"
#include "app/startup.h"
#include "app/statistics.h"
#include "app/stop_signal.h"
#include "app/threshold_search.h"
#include "app/window_close.h"
#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel.h"
#include "hardware/packet_codec.h"
#include "platform/ui_runtime/ui_store.h"
#include "program/button_presses.h"
#include "program/console_front_end.h"
#include "program/console_status.h"
#include "sim/scenario_file.h"
#include "sim/signal_physics.h"
#include "sim/sim_board.h"
#include "tests/support/console_program_fixture.h"
#include "tests/support/default_signals.h"
#include "tests/support/fresh_state.h"
#include "tests/support/sample_settings.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

using kd71::sim::Scenario;
using kd71::sim::SimBoard;

// Delay step of the auto search at `mhz`: a sixty-fourth of the bit period.
double delay_step(int mhz) { return static_cast<float>(1e6 / mhz) * 0.015625 / 0.0328 * 0.000806; }

class CalibrationTest : public ConsoleProgramTest<WatchingFrontEnd> {
 protected:
  // The program started on a board with `scenario`, one second of ticks run.
  SimBoard* start(const Scenario& scenario = {}) {
    SimBoard* board = sim::install_simulated_board(scenario);
    EXPECT_EQ(start_program(), 0);
    ui::run_until(1.0);
    return board;
  }
  void commit(int control, int value) {
    SetCtrlVal(panelHandle, control, value);
    general_purpose_IO(panelHandle, control, EVENT_COMMIT, nullptr, 0, 0);
  }
  // The user presses `control`: its callback runs from the event loop.
  void press(int control) {
    ui::post_event(panelHandle, control, EVENT_COMMIT);
    ui::run_until(Timer());
  }
  double value(int control) const { return ui::numeric_value(panelHandle, control); }
  int attribute(int control, int attr) const {
    int v = -1;
    GetCtrlAttribute(panelHandle, control, attr, &v);
    return v;
  }
  bool progress_has(const std::string& pattern) const {
    const std::regex re(pattern);
    for (const std::string& text : fe_->progress)
      if (std::regex_match(text, re)) return true;
    return false;
  }
  // The number of moves the auto search made.
  int moves() const {
    int n = 0;
    for (const std::string& text : fe_->progress) {
      int move = 0;
      if (std::sscanf(text.c_str(), "CH%*d auto search: %*f V, move %d", &move) == 1) n = move;
    }
    return n;
  }
};

// ---- Init -------------------------------------------------------------------------------

// A channel whose signal sits 20 mV off zero: 80 mV peak to peak, 4 mV rms
// of noise. At 0 mV it counts errors.
Scenario off_zero(std::uint64_t seed = 1) {
  Scenario s;
  s.seed = seed;
  s.channel(1).offset_mv = 20.0;
  s.channel(1).noise_mv = 4.0;
  return s;
}

TEST_F(CalibrationTest, InitBringsAChannelOffZeroToTheCentreOfItsSignal) {
  SimBoard* board = start(off_zero());
  int dimmed_while_running = -1;
  fe_->at_progress = [&](const std::string&) {
    if (dimmed_while_running < 0)
      dimmed_while_running = attribute(PANELMAIN_ERROR_COUNT_CH1, ATTR_DIMMED);
  };
  const auto before = board->counters();
  CB_InitChan(panelHandle, PANELMAIN_INIT_CH1, EVENT_COMMIT, nullptr, 0, 0);
  const auto after = board->counters();

  // Every packet good: one exchange per measurement, 23 + 32, and one
  // threshold write each, the ones midpoint and the result; the two
  // pattern switches are three expander transactions each. Nothing else.
  std::uint64_t polls = 0, writes = 0;
  for (int type = 0; type < 16; ++type) {
    polls += after.polls[type] - before.polls[type];
    writes += after.register_writes[type] - before.register_writes[type];
  }
  EXPECT_EQ(after.polls[5] - before.polls[5], 23u + 32u);
  EXPECT_EQ(polls, 23u + 32u);
  EXPECT_EQ(after.register_writes[5] - before.register_writes[5], 23u + 1u + 32u + 1u);
  EXPECT_EQ(writes, 23u + 1u + 32u + 1u) << "no sample window without the automatic sample size";
  EXPECT_EQ(after.i2c.stops - before.i2c.stops, 6u);

  // The FPGA holds the threshold with the lock clear; the slider shows it.
  EXPECT_FALSE(board->threshold(1).lock);
  EXPECT_NEAR(value(PANELMAIN_CH1_THRES), board->threshold(1).mv, 0.05);

  // PRBS31, PRBS29 and back (each switch steps through code 0 as the
  // expander's pull-up register changes before its I/O register).
  const std::vector<int>& history = board->pattern_history(1);
  ASSERT_GE(history.size(), 4u);
  EXPECT_EQ(std::vector<int>(history.end() - 4, history.end()), (std::vector<int>{0, 7, 0, 8}));
  EXPECT_EQ(value(PANELMAIN_DATA_SELECT_CH1), 8.0);

  EXPECT_EQ(dimmed_while_running, 1);
  EXPECT_EQ(attribute(PANELMAIN_ERROR_COUNT_CH1, ATTR_DIMMED), 0);
  EXPECT_TRUE(progress_has("CH1 initialisation: ones search 1 of 23.*"));
  EXPECT_TRUE(progress_has("CH1 initialisation: error sweep 12 of 32.*"));
  EXPECT_EQ(fe_->progress.back(), "");
}

TEST_F(CalibrationTest, InitEndsWithinAboutOneSweepStepOfTheSignalsCentre) {
  // The error sweep takes the middle of its error-free steps, the upper of
  // the two middles when their count is even; noise can take a point at one
  // edge of the zone. On forty boards nearly every threshold lies within one
  // step of the centre, and none more than a quarter step beyond.
  int within_one_step = 0;
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    restart();
    SimBoard* board = start(off_zero(seed));
    CB_InitChan(panelHandle, PANELMAIN_INIT_CH1, EVENT_COMMIT, nullptr, 0, 0);
    const double step = (thresholdRange[1].rangeHi - thresholdRange[1].rangeLo) / 32.0;
    EXPECT_GT(step, 2.0) << seed;
    const double off = std::fabs(board->threshold(1).mv - 20.0) / step;
    EXPECT_LT(off, 1.25) << "seed " << seed;
    if (off <= 1.0) ++within_one_step;
  }
  EXPECT_GE(within_one_step, 34);
}

TEST_F(CalibrationTest, InitReselectsEveryPatternThroughItsNeighbourButNotShutOffOrManualMode) {
  SimBoard* board = start();
  commit(PANELMAIN_DATA_SELECT_CH2, 0);  // PRBS7: through PRBS9
  auto stops = board->counters().i2c.stops;
  press(PANELMAIN_INIT_CH2);
  const std::vector<int>& history = board->pattern_history(2);
  EXPECT_EQ(std::vector<int>(history.end() - 2, history.end()), (std::vector<int>{1, 0}));
  EXPECT_EQ(board->counters().i2c.stops - stops, 6u);

  for (bool shut_off : {true, false}) {
    if (shut_off)
      commit(PANELMAIN_DATA_SELECT_CH2, 99);
    else
      commit(PANELMAIN_CKBX_MANUAL_MD_CH2, 1);
    stops = board->counters().i2c.stops;
    const auto polls = board->counters().polls[13];
    CB_InitChan(panelHandle, PANELMAIN_INIT_CH2, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(board->counters().i2c.stops, stops) << "no pattern switch, shut off " << shut_off;
    EXPECT_EQ(board->counters().polls[13] - polls, 55u) << "both searches still run";
  }
}

TEST_F(CalibrationTest, TheAutomaticSampleSizeSetsAHalfSecondWindowFromTheBitRate) {
  SimBoard* board = start();
  autoSampleSize = 1;
  AutoSpeed(1);
  EXPECT_EQ(channelStats[1].sampleLength, 5000000000u);
  EXPECT_EQ(board->fpga_register(4), (std::vector<std::uint8_t>{0x01, 0x2A, 0x05, 0xF1}));
  EXPECT_DOUBLE_EQ(board->window_seconds(1), 0.5);

  // Without a bit rate nothing changes: no window of -1, no sample length of 0.
  const auto windows = board->counters().register_writes[12];
  packets[2].frequency = 0;
  AutoSpeed(2);
  EXPECT_EQ(channelStats[2].sampleLength, kStartSampleLength);
  EXPECT_EQ(board->counters().register_writes[12], windows);
}

// ---- The auto search ----------------------------------------------------------------------

class AutoSearchTest : public CalibrationTest {
 protected:
  SimBoard* start_manual(int channel, const Scenario& scenario = {}) {
    SimBoard* board = start(scenario);
    commit(channel == 1 ? PANELMAIN_CKBX_MANUAL_MD_CH1 : PANELMAIN_CKBX_MANUAL_MD_CH2, 1);
    ui::run_until(2.0);
    return board;
  }
  // The auto-search panel as a search leaves it: nothing locked.
  void expect_restored() {
    for (int control : {PANELMAIN_ERROR_COUNT_CH2, PANELMAIN_CH1_THRES, PANELMAIN_DATA_SELECT_CH1,
                        PANELMAIN_COM_TOT_ERR_CNT_CH2, PANELMAIN_ELAPSED_TIME_CH1})
      EXPECT_EQ(attribute(control, ATTR_DIMMED), 0) << control;
    for (int control : {PANELMAIN_CH1_AUTOSEARCH, PANELMAIN_CH2_AUTOSEARCH})
      EXPECT_EQ(attribute(control, ATTR_VISIBLE), 1) << control;
    for (int control : {PANELMAIN_CH1_SAMPDEL, PANELMAIN_CH2_SAMPDEL})
      EXPECT_EQ(attribute(control, ATTR_CTRL_MODE), 1) << control;
    EXPECT_EQ(fe_->progress.back(), "");
  }
};

TEST_F(AutoSearchTest, At10GbpsTheDelayEndsInTheCentreOfTheErrorFreeWindow) {
  // The eye around 1.2 V: its edges lie where a fast count (2e8 bits) has
  // 0.01 to 4 errors expected, near 0.55 and 1.85 V. (With 4 ps of random
  // jitter about one search in 25 parks on a stray error inside the top
  // edge; seed 1's does not.)
  SimBoard* board = start_manual(1);
  Debug(GetPanelMenuBar(panelHandle), MENUBAR_ITEM1, nullptr, panelHandle);
  const double s = delay_step(10000);
  std::vector<int> locked;
  fe_->at_progress = [&](const std::string&) {
    if (!locked.empty()) return;
    locked = {attribute(PANELMAIN_CH2_THRES, ATTR_DIMMED),
              attribute(PANELMAIN_CKBX_MANUAL_MD_CH1, ATTR_DIMMED),
              attribute(PANELMAIN_CH2_AUTOSEARCH, ATTR_VISIBLE),
              attribute(PANELMAIN_CH1_SAMPDEL, ATTR_CTRL_MODE),
              attribute(PANELMAIN_CH1_AUTOSEARCH_STOP, ATTR_DIMMED)};
  };
  press(PANELMAIN_CH1_AUTOSEARCH);

  EXPECT_NEAR(board->sampling_delay_v(1), 1.2, s);
  EXPECT_NEAR(value(PANELMAIN_CH1_SAMPDEL), board->sampling_delay_v(1), 0.001);
  const double lo = ui::numeric_value(debugPanelHandle, PANELDEBUG_LEFTNOERROR);
  const double hi = ui::numeric_value(debugPanelHandle, PANELDEBUG_RIGHTNOERROR);
  const auto half_v = [&](double errors) {
    return sim::eye_opening_ps(board->channel(1), errors / 2e8) / 2 / sim::kPsPerDelayVolt;
  };
  const double in = half_v(0.01), out = half_v(4.0);
  EXPECT_NEAR(hi - 1.2, (in + out) / 2, (out - in) / 2 + s);
  EXPECT_NEAR(1.2 - lo, (in + out) / 2, (out - in) / 2 + s);
  EXPECT_NEAR(ui::numeric_value(debugPanelHandle, PANELDEBUG_DELTAV), hi - lo, 1e-6);
  // Locked while it ran, the stop buttons operable; restored at its end.
  EXPECT_EQ(locked, (std::vector<int>{1, 1, 0, 0, 0}));
  expect_restored();
  EXPECT_TRUE(progress_has("CH1 auto search: 2\\.662 V, move 1, about [0-9]+ s left"));
  EXPECT_TRUE(progress_has("CH1 auto search: centred at 1\\.[12][0-9]* V"));

  ui::run_until(Timer() + 5.0);
  EXPECT_EQ(packets[1].error_count, 0u) << "error-free at the chosen delay";
  EXPECT_EQ(packets[1].channel_state, kStateRunning);
}

TEST_F(AutoSearchTest, At28GbpsItChoosesTheWindowBelowTheNextErroredBand) {
  // The eye repeats every bit period (0.878 V at 28 Gb/s): windows around
  // 2.078 V and 1.2 V with an errored band between them. The board's
  // sample window is shorter than a move, so that its error count tells
  // of the delay just set. Sharp edges: at a jittery one the search can stop
  // where the window count has no errors but the fast count has.
  Scenario sharp;
  sharp.channel(2).rj_ps = 0.0;
  SimBoard* board = start_manual(2, sharp);
  const int count = encode_sample_window(packets[2].bytes, sample_window_count(28000000000LL / 20));
  writePacket(2, channel_code(2, kWindowRegister), count);
  press(PANELMAIN_CH2_AUTOSEARCH);
  EXPECT_NEAR(board->sampling_delay_v(2), 1.2, delay_step(28000));
  expect_restored();
}

TEST_F(AutoSearchTest, WithNoErrorsAnywhereTheSearchEndsAtTheFloor) {
  Scenario s;  // a signal without jitter
  s.channel(1).rj_ps = 0.0;
  s.channel(1).dj_ps = 0.0;
  SimBoard* board = start_manual(1, s);
  const double step = delay_step(10000);
  press(PANELMAIN_CH1_AUTOSEARCH);
  EXPECT_LE(board->sampling_delay_v(1), 0.02 + 0.001);  // one DAC code
  EXPECT_GT(value(PANELMAIN_CH1_SAMPDEL), 0.02 - step);
  EXPECT_LE(value(PANELMAIN_CH1_SAMPDEL), 0.02);
  EXPECT_EQ(moves(), static_cast<int>(std::ceil((2.7 - 0.02) / step)));
  EXPECT_FALSE(progress_has("CH1 auto search: centred.*"));
  expect_restored();
}

TEST_F(AutoSearchTest, EitherStopButtonStopsARunningSearchAfterTheCurrentMove) {
  for (int stop : {PANELMAIN_CH1_AUTOSEARCH_STOP, PANELMAIN_CH2_AUTOSEARCH_STOP}) {
    restart();
    fe_->progress.clear();
    start_manual(1);
    const double pressed_at = Timer() + 3.0;
    ui::post_event(panelHandle, stop, EVENT_COMMIT, 0, 0, pressed_at);
    double last_move_at = 0.0;
    float last_move_delay = 0.0f;
    fe_->at_progress = [&](const std::string&) {
      last_move_at = Timer();
      last_move_delay = static_cast<float>(value(PANELMAIN_CH1_SAMPDEL));
    };
    press(PANELMAIN_CH1_AUTOSEARCH);
    EXPECT_GT(last_move_at, pressed_at) << stop;
    EXPECT_LT(last_move_at - pressed_at, 0.3) << "the move under way when it was pressed";
    EXPECT_FLOAT_EQ(static_cast<float>(value(PANELMAIN_CH1_SAMPDEL)), last_move_delay)
        << "the delay stays where the move left it";
    EXPECT_GT(last_move_delay, 2.0f) << "nothing is centred";
    expect_restored();
  }
}

TEST_F(AutoSearchTest, ABoardUnpluggedDuringASearchIsShownGoneAtOnceAndReconnectedAfter) {
  SimBoard* board = start_manual(1);
  int reports = 0;
  std::vector<std::string> notices, lines;
  fe_->at_progress = [&](const std::string&) {
    if (++reports == 2) board->unplug();
    if (reports == 3) {
      notices.push_back(ui::text_value(panelHandle, PANELMAIN_NOTIFY_USER));
      lines.push_back(console_status_line(panelHandle));
    }
  };
  press(PANELMAIN_CH1_AUTOSEARCH);
  ASSERT_EQ(notices.size(), 1u) << "the search reported once after the loss";
  EXPECT_EQ(notices[0], "USB NOT CONNECTED") << "while the search still held the thread";
  EXPECT_EQ(lines[0], "USB NOT CONNECTED | CH1 -- | CH2 --");
  expect_restored();

  board->plug();
  ui::run_until(Timer() + 4.0);
  EXPECT_EQ(ui::text_value(panelHandle, PANELMAIN_NOTIFY_USER), "USB CONNECTED");
  EXPECT_EQ(console_status_line(panelHandle).rfind("USB CONNECTED | CH1 10.000 Gbps", 0), 0u);
}

TEST_F(AutoSearchTest, TheQuitButtonDuringASearchIsTakenAndDropped) {
  start_manual(1);
  ui::post_event(panelHandle, PANELMAIN_CMDQUIT, EVENT_COMMIT, 0, 0, Timer() + 2.0);
  press(PANELMAIN_CH1_AUTOSEARCH);
  EXPECT_TRUE(progress_has("CH1 auto search: centred at .*")) << "the search ran to its end";
  ui::run_until(Timer() + 2.0);
  EXPECT_FALSE(ui::quit_requested());
  EXPECT_EQ(folder_.read("settings.cfg"), "") << "nothing quit, nothing saved";
}

TEST_F(AutoSearchTest, AStopSignalEndsTheSearchAfterItsMoveAndThenTheProgram) {
  DefaultSignals restore;
  install_stop_signals();
  start_manual(1);
  fe_->at_progress = [](const std::string& text) {
    if (text.find("move 5,") != std::string::npos) std::raise(SIGTERM);
  };
  press(PANELMAIN_CH1_AUTOSEARCH);
  EXPECT_EQ(moves(), 5);
  expect_restored();
  ui::run_until(Timer() + 1.0);
  EXPECT_TRUE(ui::quit_requested()) << "the program quits as the Quit button does";
  float stopped_at = 2.7f;
  for (int move = 0; move < 5; ++move)
    stopped_at = static_cast<float>(stopped_at - delay_step(10000));
  char saved[64];
  std::snprintf(saved, sizeof saved, "Ch1_SamplingDelay %f\n", stopped_at);
  EXPECT_NE(folder_.read("settings.cfg").find(saved), std::string::npos)
      << folder_.read("settings.cfg");
}

TEST_F(AutoSearchTest, AWindowClosedWhileASearchWaitsToStartStopsItAndStillQuits) {
  start_manual(1);
  ui::post_event(panelHandle, PANELMAIN_CH1_AUTOSEARCH, EVENT_COMMIT);
  close_panel_window(panelHandle);  // its quit waits behind the search
  ui::run_until(Timer() + 5.0);
  EXPECT_EQ(moves(), 1) << "the first stop check ends it";
  EXPECT_TRUE(ui::quit_requested()) << "the quit the search dropped is queued again";
  EXPECT_NE(folder_.read("settings.cfg").find("manual_mode_ch1 1"), std::string::npos);
}

TEST_F(AutoSearchTest, WithoutABitRateTheSearchEndsBeforeItsFirstMove) {
  Scenario s;
  s.channel(1).clock_present = false;
  SimBoard* board = start_manual(1, s);
  const auto delay_writes = board->counters().register_writes[1];
  const double started = Timer();
  press(PANELMAIN_CH1_AUTOSEARCH);
  EXPECT_EQ(moves(), 0);
  EXPECT_LT(Timer() - started, 0.1);
  EXPECT_EQ(board->counters().register_writes[1] - delay_writes, 1u) << "2.7 V only";
  EXPECT_TRUE(std::isfinite(value(PANELMAIN_CH1_SAMPDEL)));
  expect_restored();
}

TEST_F(AutoSearchTest, AtHighRatesTheFloorEndsTheSearchForTheNextBandToo) {
  // At 28 Gb/s, past the bottom of the first window, the eye opens wide:
  // no further errors come, and the floor ends the walk.
  SimBoard* board = start_manual(2);
  const double step = delay_step(28000);
  int stage = 0;  // 0 first band, 1 first window, 2 below it
  fe_->at_progress = [&](const std::string&) {
    const bool errors = packets[2].fast_error_count != 0;
    if (stage == 0 && errors) stage = 1;
    if (stage == 1 && !errors) stage = 2;
    if (stage == 2 && errors) {
      auto open = board->channel(2);  // the jitter gone
      open.rj_ps = 0.0;
      open.dj_ps = 0.0;
      board->set_channel(2, open);
      stage = 3;
    }
    // Should the floor not hold, a stop ends the test's search.
    if (moves() == 400) ui::post_event(panelHandle, PANELMAIN_CH2_AUTOSEARCH_STOP, EVENT_COMMIT);
  };
  press(PANELMAIN_CH2_AUTOSEARCH);
  EXPECT_EQ(stage, 3);
  EXPECT_LT(moves(), 400);
  EXPECT_LE(value(PANELMAIN_CH2_SAMPDEL), 0.02);
  EXPECT_GT(value(PANELMAIN_CH2_SAMPDEL), 0.02 - step);
  EXPECT_FALSE(progress_has("CH2 auto search: centred.*"));
  expect_restored();
}

// ---- The README's demo ----------------------------------------------------------------------

TEST_F(AutoSearchTest, TheDemoChannelStartsWithErrorsAndInitAndTheSearchMakeItErrorFree) {
  Scenario s;
  std::string error;
  ASSERT_TRUE(
      sim::read_scenario_file(KD71_SOURCE_DIR "/sim/scenarios/off_centre_channel.txt", &s, &error))
      << error;
  SimBoard* board = start(s);
  ui::run_until(3.0);
  EXPECT_GT(packets[1].error_count, 0u) << "at 0 mV";
  press(PANELMAIN_INIT_CH1);
  ui::run_until(Timer() + 4.0);
  EXPECT_EQ(packets[1].error_count, 0u) << "after Init";
  EXPECT_NEAR(value(PANELMAIN_CH1_THRES), 20.0, 3.0);

  commit(PANELMAIN_CKBX_MANUAL_MD_CH1, 1);
  // A drag: each of its value changes reaches the board.
  for (double v : {2.6, 2.5}) {
    SetCtrlVal(panelHandle, PANELMAIN_CH1_SAMPDEL, v);
    CB_DAC(panelHandle, PANELMAIN_CH1_SAMPDEL, EVENT_VAL_CHANGED, nullptr, 0, 0);
  }
  EXPECT_NEAR(board->sampling_delay_v(1), 2.5, 0.001);
  ui::run_until(Timer() + 4.0);
  EXPECT_GT(packets[1].error_count, 0u) << "at 2.5 V";
  press(PANELMAIN_CH1_AUTOSEARCH);
  EXPECT_NEAR(board->sampling_delay_v(1), 0.9, delay_step(10000));
  ui::run_until(Timer() + 4.0);
  EXPECT_EQ(packets[1].error_count, 0u) << "after the search";
}

// ---- The phase trial ----------------------------------------------------------------------

TEST_F(CalibrationTest, ThePhaseTrialShowsTheErrorFreePhasesAndKeepsTheBestSurrounded) {
  Scenario s;
  s.channel(1).good_phases = 0b00111000;  // 3, 4, 5
  s.channel(2).good_phases = 0b11000001;  // 6, 7, 0
  SimBoard* board = start(s);
  for (int control : {PANELMAIN_CKBX_MANUAL_MD_CH1, PANELMAIN_CKBX_MANUAL_MD_CH2})
    commit(control, 1);
  for (int control : {PANELMAIN_CH1_SAMPDEL, PANELMAIN_CH2_SAMPDEL}) {
    SetCtrlVal(panelHandle, control, 1.2);  // the eye's centre
    CB_DAC(panelHandle, control, EVENT_VAL_CHANGED, nullptr, 0, 0);
  }
  Debug(GetPanelMenuBar(panelHandle), MENUBAR_ITEM1, nullptr, panelHandle);
  const int ring_before =
      static_cast<int>(ui::numeric_value(debugPanelHandle, PANELDEBUG_RINGSLIDE_9340PHS_CH1));
  const int saved_before = ringslide_9240phs_ch1;

  struct Case {
    int channel;
    const char* shown;
    int kept;
  };
  for (const Case& c : {Case{1, "xxx...xx", 4}, Case{2, ".xxxxx..", 7}}) {
    EXPECT_EQ(board->phase_in_use(c.channel), 0) << "the expander's start value";
    SetCtrlVal(debugPanelHandle, PANELDEBUG_SNAPSHOT_CH, c.channel);
    ui::post_event(debugPanelHandle, PANELDEBUG_TRY_PHASES, EVENT_COMMIT);
    ui::run_until(Timer());
    EXPECT_EQ(ui::text_value(debugPanelHandle, PANELDEBUG_ERRFREE_BY_PHASE), c.shown);
    EXPECT_EQ(board->phase_in_use(c.channel), c.kept);
  }
  EXPECT_TRUE(progress_has("CH2 phase trial: phase 8 of 8"));
  EXPECT_EQ(ui::numeric_value(debugPanelHandle, PANELDEBUG_RINGSLIDE_9340PHS_CH1), ring_before);
  EXPECT_EQ(ringslide_9240phs_ch1, saved_before);
}

TEST(PhaseScoring, TheFirstPhaseWithTheMostErrorFreeNeighboursOnTheRingWins) {
  EXPECT_EQ(best_surrounded_phase("xx...xxx"), 3);
  EXPECT_EQ(best_surrounded_phase("...x...x"), 1);  // 1 and 5 tie
  EXPECT_EQ(best_surrounded_phase("..xx...."), 0);  // 7 and 1 surround 0
  EXPECT_EQ(best_surrounded_phase("xxxxxxxx"), 0);
  EXPECT_EQ(best_surrounded_phase("x.xxxxxx"), 1);
  EXPECT_EQ(best_surrounded_phase("........"), 0);
}

// ---- Buttons pressed from the command line --------------------------------------------------

TEST_F(CalibrationTest, CommandLinePressesWaitForTheBoardAndRespectTheChannelsMode) {
  folder_.write("settings.cfg", kSampleSettings);  // channel 1 in manual mode, 2 automatic
  EXPECT_FALSE(queue_button_press("init", 3));
  EXPECT_FALSE(queue_button_press("calibrate", 1));
  ASSERT_TRUE(queue_button_press("auto-search", 1));
  ASSERT_TRUE(queue_button_press("auto-search", 2));
  ASSERT_TRUE(queue_button_press("init", 2));
  Scenario s;
  s.plugged = false;
  SimBoard* board = sim::install_simulated_board(s);
  ASSERT_EQ(start_program(), 0);
  ui::run_until(1.0);
  EXPECT_EQ(moves(), 0) << "no board yet";
  board->plug();
  testing::internal::CaptureStderr();
  ui::run_until(40.0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "kd71: --auto-search 2 skipped: channel 2 is in automatic mode; the auto search "
            "needs manual mode\n");
  // The search's step comes from the bit rate it reads, not from the
  // phase read-back that the tick before it left in the channel's record.
  EXPECT_TRUE(progress_has("CH1 auto search: 2\\.662 V, move 1, .*"));
  EXPECT_GT(moves(), 10) << "the search ran";
  EXPECT_TRUE(progress_has("CH2 initialisation: error sweep 32 of 32.*")) << "Init ran after it";
}

}  // namespace
}  // namespace kd71::test
