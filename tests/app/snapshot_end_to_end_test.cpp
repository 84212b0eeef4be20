// The debug panel with the program on the simulated board and the virtual
// clock: what each transmitted pattern looks like, wrong selections,
// inverted inputs, line errors in the error map, and the long routines with
// their progress and a stop signal.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "app/debug_panel.h"
#include "app/snapshot_analysis.h"
#include "app/startup.h"
#include "app/stop_signal.h"
#include "hardware/MCP4728.h"
#include "platform/os/clock.h"
#include "platform/ui_runtime/ui_store.h"
#include "sim/sim_board.h"
#include "tests/support/fresh_state.h"
#include "tests/support/scripted_frontend.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace {

namespace ui = kd71::ui;

// Turns a stop signal into the quit button as the window and the console
// do, and raises SIGTERM when a routine first shows a progress text that
// begins with `raise_at`.
class SignallingFrontEnd : public kd71::test::ScriptedFrontEnd {
 public:
  std::string raise_at;
  void pump_input() override { quit_on_stop_signal(); }
  void routine_progress(const std::string& text) override {
    progress.push_back(text);
    if (raise_at.empty() || text.rfind(raise_at, 0) != 0) return;
    raise_at.clear();
    std::raise(SIGTERM);
  }
};

class DebugPanelOnTheBoard : public kd71::test::FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    ui::set_front_end(&fe_);
    board_ = kd71::sim::install_simulated_board();
    ASSERT_EQ(start_program(), 0);
    Debug(GetPanelMenuBar(panelHandle), MENUBAR_ITEM1, nullptr, panelHandle);
    run_for(1.0);
  }
  void TearDown() override {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    FreshState::TearDown();
  }
  void run_for(double seconds) { ui::run_until(kd71::clock::now() + seconds); }
  void transmit(int pattern, bool inverted = false) {
    auto c = board_->channel(1);
    c.pattern = pattern;
    c.inverted = inverted;
    board_->set_channel(1, c);
  }
  void select_pattern(unsigned pattern) {
    SetCtrlVal(panelHandle, PANELMAIN_DATA_SELECT_CH1, pattern);
    ui::post_event(panelHandle, PANELMAIN_DATA_SELECT_CH1, EVENT_COMMIT);
    run_for(0.5);
  }
  void set(int control, int value) { SetCtrlVal(debugPanelHandle, control, value); }
  int get(int control) const {
    return static_cast<int>(ui::numeric_value(debugPanelHandle, control));
  }
  // Presses the snapshot button; the debug output it wrote.
  std::string snapshot() {
    const std::size_t seen = ui::text_value(debugPanelHandle, PANELDEBUG_DEBUG_OUTPUT).size();
    ui::post_event(debugPanelHandle, PANELDEBUG_SNAPSHOT_BUTTON, EVENT_COMMIT);
    run_for(0.3);
    return ui::text_value(debugPanelHandle, PANELDEBUG_DEBUG_OUTPUT).substr(seen);
  }
  // The routine chosen with "Run Debug Routines", run by a commit of
  // another of the callback's controls.
  void run_routine(int routine) {
    set(PANELDEBUG_CHECKBOX_DEBUG, 1);
    set(routine, 1);
    CB_Debug(debugPanelHandle, PANELDEBUG_SMOOTH, EVENT_COMMIT, nullptr, 0, 0);
  }
  std::uint64_t i2c_transactions() const { return board_->counters().i2c.stops; }

  SignallingFrontEnd fe_;
  kd71::test::WorkFolder folder_;
  kd71::sim::SimBoard* board_ = nullptr;
};

TEST_F(DebugPanelOnTheBoard, EachTransmittedPatternIsCheckedAndRecognised) {
  for (int pattern = 0; pattern < kPatternCount; ++pattern) {
    transmit(pattern);
    select_pattern(static_cast<unsigned>(pattern));
    const std::string name = pattern_name(pattern);
    const std::string checks = std::to_string(kSnapshotBits - prbs_definition(pattern)->n);
    EXPECT_EQ(snapshot(), "received pattern: " + name + ", 0 errors in " + checks + " bits\n");
    EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_PRBS_ERRS), 0) << name;
    EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_BAD_READS), 0) << name;
  }
  transmit(3);  // PRBS15, while the channel looks for PRBS31
  select_pattern(8);
  EXPECT_EQ(snapshot(),
            "received pattern: PRBS15, 0 errors in 241 bits; channel 1 is set to PRBS31\n");
  EXPECT_GT(get(PANELDEBUG_SNAPSHOT_PRBS_ERRS), 0);
}

TEST_F(DebugPanelOnTheBoard, ReadingADacBackShowsEachRegistersCode) {
  dac_write(5, 1.0f, 1);  // channel 1's sampling delay: 0x61 B
  const int shown[4] = {PANELDEBUG_DATA_THRESH_CH1_P_IND, PANELDEBUG_SAMP_DLY_CH1_IND,
                        PANELDEBUG_DATA_THRESH_CH1_N_IND, PANELDEBUG_CLK_DUTY_CH1_IND};
  for (const bool answered : {true, false}) {  // unanswered: the codes stay, the log says why
    board_->set_i2c_nack(0x61, !answered);
    CB_ReadDAC(debugPanelHandle, PANELDEBUG_CH1_READ, EVENT_COMMIT, nullptr, 0, 0);
    for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(get(shown[ch]), board_->dac(1, ch).input.code) << ch;
  }
  EXPECT_NE(ui::text_value(debugPanelHandle, PANELDEBUG_DEBUG_OUTPUT)
                .find("Read Ch1 DAC: the DAC at 0x61 did not answer; codes not updated\n"),
            std::string::npos);
}

TEST_F(DebugPanelOnTheBoard, InvertedInputsGiveTheHint) {
  transmit(0, true);
  select_pattern(0);
  EXPECT_EQ(snapshot(),
            "Check for inversion e.g. reversed inputs P/N\n"
            "received pattern: PRBS7 inverted, 0 errors in 249 bits\n");
  transmit(8, true);  // the PRBS7 search shows no hint here; the recognition does
  select_pattern(8);
  EXPECT_EQ(snapshot(), "received pattern: PRBS31 inverted, 0 errors in 225 bits\n");
}

TEST_F(DebugPanelOnTheBoard, LineErrorsShowInTheErrorMap) {
  set(PANELDEBUG_SHOW_ERRS, 1);
  const int errors[] = {60, 130, 201};
  board_->flip_snapshot_bits(1, {60, 130, 201});
  for (int pattern : {8, 0}) {
    transmit(pattern);
    select_pattern(static_cast<unsigned>(pattern));
    snapshot();
    EXPECT_EQ(get(PANELDEBUG_SNAPSHOT_PRBS_ERRS), 3) << pattern;
    const std::string all = ui::text_value(debugPanelHandle, PANELDEBUG_SNAPSHOT);
    const std::string map = all.substr(all.size() - 288);
    EXPECT_EQ(map.find_first_not_of(". \n"), 60u / 8 * 9 + 60 % 8) << map;
    for (int bit : errors)
      EXPECT_EQ(map[bit / 8 * 9 + bit % 8], snapshot_bit(snapshotStore, bit) ? '1' : '0') << bit;
    EXPECT_EQ(map.find_last_not_of(". \n"), 201u / 8 * 9 + 201 % 8) << map;
  }
}

TEST_F(DebugPanelOnTheBoard, TheLoopbackTestEchoesAHundredWords) {
  testing::internal::CaptureStdout();
  run_routine(PANELDEBUG_CHECKBOX_LOOPBACK);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(board_->counters().register_writes[8], 100u);
  // The generator from 0x7F: its first byte is 0xFE, sent after its complement.
  EXPECT_EQ(out.substr(0, out.find('\n') + 1), "n:  1fe  rb:  1fe buf:  1 fe aa\n");
  EXPECT_TRUE(out.ends_with("foundErrFlag: 0\n")) << out;
  ASSERT_EQ(fe_.progress.size(), 101u);
  EXPECT_EQ(fe_.progress[0], "loopback test: pass 0 of 100");
  EXPECT_EQ(fe_.progress[50], "loopback test: pass 50 of 100, 5 s left");  // 0.11 s a pass
  EXPECT_EQ(fe_.progress.back(), "");

  board_->drop_replies(10, 2);  // an echo that never comes
  testing::internal::CaptureStdout();
  run_routine(PANELDEBUG_CHECKBOX_LOOPBACK);
  EXPECT_TRUE(testing::internal::GetCapturedStdout().ends_with("foundErrFlag: 1\n"));
}

TEST_F(DebugPanelOnTheBoard, AStopSignalQuitsWhenTheRoutineEnds) {
  install_stop_signals();
  set(PANELDEBUG_CHECKBOX_DEBUG, 1);
  set(PANELDEBUG_CHECKBOX_LOOPBACK, 1);
  fe_.raise_at = "loopback test: pass 10 of 100";
  testing::internal::CaptureStdout();
  ui::post_event(debugPanelHandle, PANELDEBUG_SMOOTH, EVENT_COMMIT);
  ui::run_until(kd71::clock::now() + 3600.0);
  EXPECT_TRUE(testing::internal::GetCapturedStdout().ends_with("foundErrFlag: 0\n"));
  EXPECT_TRUE(ui::quit_requested()) << "the quit button ended the loop";
  EXPECT_EQ(board_->counters().register_writes[8], 100u) << "all passes ran first";
  EXPECT_FALSE(board_->is_open());
  EXPECT_FALSE(folder_.read("settings.cfg").empty()) << "saved as on a normal quit";
}

TEST_F(DebugPanelOnTheBoard, AStopSignalEndsTheDacSweepAfterItsPassAndSkipsTheRest) {
  install_stop_signals();
  set(PANELDEBUG_CHECKBOX_DAC_Sweep, 1);
  fe_.raise_at = "DAC sweep: pass 2 of 1000";
  const std::uint64_t before = i2c_transactions();
  testing::internal::CaptureStdout();
  run_routine(PANELDEBUG_CHECKBOX_LOOPBACK);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "DAC sweep stopped after 3 of 1000 sweeps: the program quits\n");
  EXPECT_EQ(i2c_transactions() - before, 3u * 34u) << "the pass under way ran to its end";
  EXPECT_EQ(board_->dac(1, 3).input.code, 4095);  // position 7 (0x61 D), last at 3.3 V
  EXPECT_EQ(board_->dac(1, 3).eeprom.code, 4095) << "written with its EEPROM";
  EXPECT_EQ(fe_.progress[1].rfind("DAC sweep: pass 1 of 1000, ", 0), 0u) << fe_.progress[1];
  EXPECT_EQ(board_->counters().register_writes[8], 0u) << "the loopback test did not start";
}

}  // namespace
