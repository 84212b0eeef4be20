// The debug panel's snapshot and routines with the program on the simulated
// board and the virtual clock: what each transmitted pattern looks like,
// wrong selections, inverted inputs, line errors in the error map, the
// sample window, and the long routines with their progress and a stop
// signal.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/debug_panel.h"
#include "app/prbs_analysis.h"
#include "app/snapshot_analysis.h"
#include "app/startup.h"
#include "app/statistics.h"
#include "app/stop_signal.h"
#include "platform/clock.h"
#include "platform/ui_store.h"
#include "sim/sim_board.h"
#include "tests/support/fresh_state.h"
#include "tests/support/scripted_frontend.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace {

using kd71::sim::Scenario;
using kd71::sim::SimBoard;

// A front-end whose input pump turns a stop signal into the quit button, as
// the window and the console do, and that can raise SIGTERM when a routine
// shows a given progress text.
class SignallingFrontEnd : public kd71::test::ScriptedFrontEnd {
 public:
  std::string raise_at;  // a progress text

  void pump_input() override {
    ++pumps;
    quit_on_stop_signal();
  }
  void routine_progress(const std::string& text) override {
    progress.push_back(text);
    if (!raise_at.empty() && text.rfind(raise_at, 0) == 0) {
      raise_at.clear();
      std::raise(SIGTERM);
    }
  }
};

struct DefaultSignals {
  ~DefaultSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
  }
};

class DebugPanelOnTheBoard : public kd71::test::FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    kd71::ui::set_front_end(&fe_);
  }
  SimBoard* start(const Scenario& scenario = {}) {
    board_ = kd71::sim::install_simulated_board(scenario);
    EXPECT_EQ(start_program(), 0);
    Debug(GetPanelMenuBar(panelHandle), MENUBAR_ITEM1, nullptr, panelHandle);
    EXPECT_EQ(debugPanelOpen, 1);
    run_for(1.0);
    return board_;
  }
  void run_for(double seconds) { kd71::ui::run_until(kd71::clock::now() + seconds); }
  void select_pattern(int channel, unsigned pattern) {
    const int ring = channel == 1 ? PANELMAIN_DATA_SELECT_CH1 : PANELMAIN_DATA_SELECT_CH2;
    SetCtrlVal(panelHandle, ring, pattern);
    kd71::ui::post_event(panelHandle, ring, EVENT_COMMIT);
    run_for(0.5);
  }
  void transmit(int channel, int pattern, bool inverted = false) {
    auto c = board_->channel(channel);
    c.pattern = pattern;
    c.inverted = inverted;
    board_->set_channel(channel, c);
  }
  void set(int control, int value) { SetCtrlVal(debugPanelHandle, control, value); }
  int get(int control) const {
    int v = 0;
    GetCtrlVal(debugPanelHandle, control, &v);
    return v;
  }
  void press(int control) {
    kd71::ui::post_event(debugPanelHandle, control, EVENT_COMMIT);
    run_for(0.3);
  }
  // The debug output written since the last call.
  std::string new_log() {
    const std::string all = kd71::ui::text_value(debugPanelHandle, PANELDEBUG_DEBUG_OUTPUT);
    std::string fresh = all.substr(log_seen_);
    log_seen_ = all.size();
    return fresh;
  }
  // The last 288 characters of the snapshot box: the last text shown.
  std::string last_shown() const {
    const std::string all = kd71::ui::text_value(debugPanelHandle, PANELDEBUG_SNAPSHOT);
    return all.size() >= 288 ? all.substr(all.size() - 288) : all;
  }

  SignallingFrontEnd fe_;
  kd71::test::WorkFolder folder_;
  SimBoard* board_ = nullptr;
  std::size_t log_seen_ = 0;
};

TEST_F(DebugPanelOnTheBoard, EachTransmittedPatternIsCheckedAndRecognised) {
  start();
  new_log();  // what the connection wrote
  for (int pattern = 0; pattern < kPatternCount; ++pattern) {
    transmit(1, pattern);
    select_pattern(1, static_cast<unsigned>(pattern));
    press(PANELDEBUG_SNAPSHOT_BUTTON);
    const char* name = pattern_name(pattern);
    EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_BAD_READS), 0) << name;
    EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_PRBS_ERRS), 0) << name;
    const int checks = kSnapshotBits - prbs_definition(pattern)->n;
    EXPECT_EQ(new_log(), std::string("received pattern: ") + name + ", 0 errors in " +
                             std::to_string(checks) + " bits\n");
  }
}

TEST_F(DebugPanelOnTheBoard, AWrongSelectionStillNamesWhatArrives) {
  start();
  transmit(2, 3);  // PRBS15, while the channel looks for PRBS31
  set(PANELDEBUG_SNAPSHOT_CH, 2);
  press(PANELDEBUG_SNAPSHOT_BUTTON);
  EXPECT_GT(get(PANELDEBUG_SNAPSHOT_PRBS_ERRS), 0);
  EXPECT_NE(new_log().find("received pattern: PRBS15, 0 errors in 241 bits; channel 2 is set to "
                           "PRBS31\n"),
            std::string::npos);
  EXPECT_FALSE(board_->pattern_sync(2)) << "the board hunts for the selected pattern";
}

TEST_F(DebugPanelOnTheBoard, InvertedInputsGiveTheHint) {
  start();
  transmit(1, 0, true);
  select_pattern(1, 0);
  new_log();
  press(PANELDEBUG_SNAPSHOT_BUTTON);
  EXPECT_EQ(new_log(),
            "Check for inversion e.g. reversed inputs P/N\n"
            "received pattern: PRBS7 inverted, 0 errors in 249 bits\n");

  // The longer patterns show no hint in the PRBS7 search; the recognition says it.
  transmit(1, 8, true);
  select_pattern(1, 8);
  press(PANELDEBUG_SNAPSHOT_BUTTON);
  EXPECT_EQ(new_log(), "received pattern: PRBS31 inverted, 0 errors in 225 bits\n");
}

TEST_F(DebugPanelOnTheBoard, LineErrorsShowInTheErrorMap) {
  start();
  new_log();
  set(PANELDEBUG_SHOW_ERRS, 1);
  board_->flip_snapshot_bits(1, {60, 130, 201});
  press(PANELDEBUG_SNAPSHOT_BUTTON);  // PRBS31, the default
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_PRBS_ERRS), 3);
  const std::string map = last_shown();
  int marked = 0;
  for (char c : map) marked += c == '0' || c == '1';
  EXPECT_EQ(marked, 3) << map;
  for (int bit : {60, 130, 201}) {
    const char expected = snapshot_bit(snapshotStore, bit) ? '1' : '0';
    EXPECT_EQ(map[bit / 8 * 9 + bit % 8], expected) << bit << "\n" << map;
  }
  EXPECT_EQ(new_log(), "received pattern: PRBS31, 9 errors in 225 bits\n");

  transmit(1, 0);
  select_pattern(1, 0);
  press(PANELDEBUG_SNAPSHOT_BUTTON);
  EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_PRBS_ERRS), 3);
  const std::string prbs7_map = last_shown();
  for (int bit : {60, 130, 201}) EXPECT_NE(prbs7_map[bit / 8 * 9 + bit % 8], '.') << bit;
}

TEST_F(DebugPanelOnTheBoard, TheSampleLengthBecomesTheBoardsWindow) {
  start();
  SetCtrlVal(debugPanelHandle, PANELDEBUG_SAMPLE_LEN, 28000000000LL);  // 1 s at 28 Gb/s
  set(PANELDEBUG_SNAPSHOT_CH, 2);
  press(PANELDEBUG_SNAPSHOT_CH);
  EXPECT_EQ(board_->window_bits(2), 28000000000.0);
  EXPECT_EQ(channelStats[2].sampleLength, 28000000000ULL);
  EXPECT_EQ(board_->window_bits(1), 17179869184.0) << "channel 1 keeps its window";
  int colour = 0;
  GetCtrlAttribute(debugPanelHandle, PANELDEBUG_SAMPLE_LEN, ATTR_FILL_COLOR, &colour);
  EXPECT_EQ(colour, 0xFFFFFF);
}

// ---- The debug routines ---------------------------------------------------------

class DebugRoutinesOnTheBoard : public DebugPanelOnTheBoard {
 protected:
  // Checks the routine's box and "Run Debug Routines"; the next commit of
  // any CB_Debug control runs it.
  void choose(int routine) {
    set(PANELDEBUG_CHECKBOX_DEBUG, 1);
    set(routine, 1);
  }
  std::uint64_t i2c_transactions() const { return board_->counters().i2c.stops; }
};

TEST_F(DebugRoutinesOnTheBoard, TheLoopbackTestEchoesAHundredWords) {
  start();
  choose(PANELDEBUG_CHECKBOX_LOOPBACK);
  const double t0 = kd71::clock::now();
  testing::internal::CaptureStdout();
  CB_Debug(debugPanelHandle, PANELDEBUG_SMOOTH, EVENT_COMMIT, nullptr, 0, 0);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_GE(kd71::clock::now() - t0, 10.0);
  EXPECT_EQ(board_->counters().register_writes[8], 100u);
  // The generator from 0x7F: its first byte is 0xFE, the complement first.
  EXPECT_EQ(out.substr(0, out.find('\n') + 1), "n:  1fe  rb:  1fe buf:  1 fe aa\n");
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 101);
  EXPECT_TRUE(out.ends_with("foundErrFlag: 0\n")) << out;
  EXPECT_EQ(board_->loopback()[1], static_cast<unsigned char>(~board_->loopback()[0]));

  ASSERT_GE(fe_.progress.size(), 101u);
  EXPECT_EQ(fe_.progress.front(), "loopback test: pass 0 of 100");
  // Half done after about 5.5 s: as long again to go.
  int done = 0, total = 0;
  double left = -1.0;
  ASSERT_EQ(std::sscanf(fe_.progress[50].c_str(), "loopback test: pass %d of %d, %lf s left", &done,
                        &total, &left),
            3)
      << fe_.progress[50];
  EXPECT_EQ(done, 50);
  EXPECT_EQ(total, 100);
  EXPECT_GE(left, 5.0);
  EXPECT_LE(left, 6.0);
  EXPECT_EQ(fe_.progress.back(), "");

  // An echo that never comes sets the flag.
  board_->drop_replies(10, 2);
  testing::internal::CaptureStdout();
  CB_Debug(debugPanelHandle, PANELDEBUG_SMOOTH, EVENT_COMMIT, nullptr, 0, 0);
  EXPECT_TRUE(testing::internal::GetCapturedStdout().ends_with("foundErrFlag: 1\n"));
}

TEST_F(DebugRoutinesOnTheBoard, TheDacSweepWritesPosition7ThousandTimesUpTo3V3) {
  start();
  choose(PANELDEBUG_CHECKBOX_DAC_Sweep);
  const std::uint64_t before = i2c_transactions();
  const double t0 = kd71::clock::now();
  CB_Debug(debugPanelHandle, PANELDEBUG_SMOOTH, EVENT_COMMIT, nullptr, 0, 0);
  EXPECT_EQ(i2c_transactions() - before, 1000u * 34u);
  const auto d = board_->dac(1, 3);  // position 7: 0x61 channel D
  EXPECT_EQ(d.input.code, 4095);
  EXPECT_EQ(d.eeprom.code, 4095) << "written with its EEPROM";
  EXPECT_GE(kd71::clock::now() - t0, 34000 * 0.06) << "each write waits for its EEPROM";
  ASSERT_EQ(fe_.progress.size(), 1001u);
  EXPECT_EQ(fe_.progress[0], "DAC sweep: pass 0 of 1000");
  EXPECT_EQ(fe_.progress[500].rfind("DAC sweep: pass 500 of 1000, ", 0), 0u);
  EXPECT_TRUE(fe_.progress[500].ends_with(" s left"));
  EXPECT_EQ(fe_.progress.back(), "");
}

TEST_F(DebugRoutinesOnTheBoard, AStopSignalEndsTheSweepAfterItsPassAndThenQuits) {
  DefaultSignals restore;
  install_stop_signals();
  start();
  choose(PANELDEBUG_CHECKBOX_DAC_Sweep);
  set(PANELDEBUG_CHECKBOX_LOOPBACK, 1);
  fe_.raise_at = "DAC sweep: pass 2 of 1000";
  const std::uint64_t before = i2c_transactions();
  testing::internal::CaptureStdout();
  kd71::ui::post_event(debugPanelHandle, PANELDEBUG_SMOOTH, EVENT_COMMIT);
  kd71::ui::run_until(kd71::clock::now() + 3600.0);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(kd71::ui::quit_requested()) << "the quit button ended the loop";
  EXPECT_EQ(i2c_transactions() - before, 3u * 34u) << "the pass under way ran to its end";
  EXPECT_NE(out.find("DAC sweep stopped after 3 of 1000 sweeps: the program quits\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(board_->counters().register_writes[8], 0u) << "the loopback test did not start";
  EXPECT_FALSE(board_->is_open());
  EXPECT_FALSE(folder_.read("settings.cfg").empty()) << "saved as on a normal quit";
}

TEST_F(DebugRoutinesOnTheBoard, AStopSignalDuringTheLoopbackTestQuitsWhenItEnds) {
  DefaultSignals restore;
  install_stop_signals();
  start();
  choose(PANELDEBUG_CHECKBOX_LOOPBACK);
  fe_.raise_at = "loopback test: pass 10 of 100";
  testing::internal::CaptureStdout();
  kd71::ui::post_event(debugPanelHandle, PANELDEBUG_SMOOTH, EVENT_COMMIT);
  kd71::ui::run_until(kd71::clock::now() + 3600.0);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(kd71::ui::quit_requested());
  EXPECT_EQ(board_->counters().register_writes[8], 100u);
  EXPECT_TRUE(out.ends_with("foundErrFlag: 0\n")) << out;
  EXPECT_FALSE(board_->is_open());
  EXPECT_FALSE(folder_.read("settings.cfg").empty());
}

}  // namespace
