// The program on the simulated board with the virtual clock: start-up, the
// event loop's ticks, connection and disconnection, live figures.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/channel_config.h"
#include "app/measurement.h"
#include "app/panel_handles.h"
#include "app/saved_settings.h"
#include "app/slider_state.h"
#include "app/statistics.h"
#include "hardware/lowlevel.h"
#include "platform/ui_runtime/ui_store.h"
#include "sim/sim_board.h"
#include "tests/support/fresh_state.h"
#include "tests/support/scripted_frontend.h"
#include "tests/support/sim_program_fixture.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace {

using kd71::sim::Call;
using kd71::sim::Scenario;
using kd71::sim::SimBoard;

class EndToEndTest : public kd71::test::SimProgramTest {};

TEST_F(EndToEndTest, PlugInMeasureUnplugAndPlugBack) {
  SimBoard* board = start(Scenario::no_board());
  ASSERT_EQ(fe_.popups.size(), 1u);  // no settings file yet
  EXPECT_EQ(fe_.popups[0], std::make_pair(std::string("Restore Error"),
                                          std::string("Unable to find Restore File")));

  // No board: every tick only asks for the device list.
  run_until(1.0);
  EXPECT_EQ(text(PANELMAIN_NOTIFY_USER), "USB NOT CONNECTED");
  EXPECT_EQ(board->calls().of(Call::Write), 0u);
  EXPECT_GE(board->calls().of(Call::ListDevices), 5u);
  EXPECT_EQ(attribute(PANELMAIN_CH1_THRES, ATTR_DIMMED), 1);

  // Plugged in: the next tick connects and applies the whole settings set.
  board->plug();
  run_until(1.21);
  EXPECT_EQ(text(PANELMAIN_NOTIFY_USER), "USB CONNECTED");
  EXPECT_EQ(attribute(PANELMAIN_NOTIFY_USER, ATTR_TEXT_COLOR), 0x008000);
  EXPECT_EQ(text(PANELMAIN_DEVICE_SN), board->serial());
  EXPECT_EQ(text(PANELMAIN_FIRMWARE_VER_NO), "2104");
  EXPECT_EQ(attribute(PANELMAIN_FIRMWARE_VER_NO, ATTR_FILL_COLOR), 0xFFFFFF);
  const auto applied = board->counters();
  for (int reg : {3, 11, 5, 13}) EXPECT_EQ(applied.register_writes[reg], 1u) << "register " << reg;
  EXPECT_EQ(board->pattern_code(1), 8);
  EXPECT_EQ(board->pattern_code(2), 8);
  EXPECT_EQ(board->threshold(1).code_p, 2047);
  EXPECT_FALSE(board->threshold(1).lock);
  EXPECT_EQ(board->dac(0, 0).input.code, 2047);  // the 1.65 V references
  EXPECT_EQ(board->dac(1, 0).input.code, 2047);
  // Automatic mode on both channels: Init operable, the delay and its search not.
  EXPECT_EQ(attribute(PANELMAIN_CH1_THRES, ATTR_DIMMED), 0);
  EXPECT_EQ(attribute(PANELMAIN_INIT_CH1, ATTR_DIMMED), 0);
  EXPECT_EQ(attribute(PANELMAIN_CH1_SAMPDEL, ATTR_DIMMED), 1);
  EXPECT_EQ(attribute(PANELMAIN_CH2_AUTOSEARCH, ATTR_DIMMED), 1);

  // Samples arrive: the figures are what the board sent.
  run_until(6.0);
  for (int n = 1; n <= 2; ++n) {
    EXPECT_EQ(packets[n].seq_no, board->seq_no(n)) << n;
    EXPECT_GE(board->seq_no(n), 2) << n;
    EXPECT_EQ(packets[n].channel_state, 0x80) << n;
    EXPECT_TRUE(board->pattern_sync(n)) << n;
    EXPECT_EQ(board->clock_config(n), 0x00) << n;  // "Clock", the panel's default
  }
  EXPECT_EQ(number(PANELMAIN_RETRIES), 0.0);
  EXPECT_EQ(number(PANELMAIN_ERROR_COUNT_CH1), static_cast<double>(packets[1].error_count));
  EXPECT_FLOAT_EQ(static_cast<float>(number(PANELMAIN_CLOCK_FREQUENCY_CH1)), 10.0f);
  EXPECT_FLOAT_EQ(static_cast<float>(number(PANELMAIN_CLOCK_FREQUENCY_CH2)), 28.0f);
  EXPECT_FLOAT_EQ(static_cast<float>(number(PANELMAIN_BIT_TIME_CH2)), 1e6f / 28000);
  EXPECT_GT(number(PANELMAIN_ONES_CNT_CH1), 10.0);  // a live signal, near half of 256
  EXPECT_LT(number(PANELMAIN_ONES_CNT_CH1), 246.0);
  EXPECT_GT(number(PANELMAIN_ERROR_FREE_CH1), 0.0);
  EXPECT_EQ(number(PANELMAIN_NO_ERR_IND_CH1), 0x00FF00);

  // Unplugged: dark red notice, settings dimmed.
  const auto threshold_writes = board->counters().register_writes[5];
  board->unplug();
  run_until(6.21);
  EXPECT_EQ(text(PANELMAIN_NOTIFY_USER), "USB NOT CONNECTED");
  EXPECT_EQ(attribute(PANELMAIN_NOTIFY_USER, ATTR_TEXT_COLOR), 0x800000);
  EXPECT_EQ(attribute(PANELMAIN_CH1_THRES, ATTR_DIMMED), 1);
  EXPECT_EQ(attribute(PANELMAIN_DATA_SELECT_CH2, ATTR_DIMMED), 1);

  // Back: the connection sequence repeats.
  board->plug();
  run_until(6.61);
  EXPECT_EQ(text(PANELMAIN_NOTIFY_USER), "USB CONNECTED");
  EXPECT_EQ(board->counters().register_writes[5], threshold_writes + 1);  // the set is sent again
  EXPECT_EQ(board->threshold(1).code_p, 2047);
  EXPECT_EQ(attribute(PANELMAIN_CH1_THRES, ATTR_DIMMED), 0);
  run_until(9.0);
  EXPECT_TRUE(board->pattern_sync(1));
}

TEST_F(EndToEndTest, MissedSamplesTurnTheRetryCountPurple) {
  start();
  run_until(2.0);
  EXPECT_NE(attribute(PANELMAIN_RETRIES, ATTR_FILL_COLOR), 0x800080);
  // A routine that holds the thread for five seconds: several windows pass.
  Delay(5.0);
  tick();
  EXPECT_EQ(attribute(PANELMAIN_RETRIES, ATTR_FILL_COLOR), 0x800080);
}

TEST_F(EndToEndTest, AShutOffChannelIsNotPolledButItsTestIntervalEnds) {
  SimBoard* board = start();
  run_until(1.0);
  SetCtrlVal(panelHandle, PANELMAIN_TEST_INTERVAL_CH2, 2u);
  commit(PANELMAIN_DATA_SELECT_CH2, 99);
  commit(PANELMAIN_COM_TOT_ERR_CNT_CH2, 1);
  channelStats[2].totalsRunning = 1;  // as a run that was already going
  run_until(1.1);
  EXPECT_EQ(board->pattern_code(2), 3);  // only the pattern pins moved
  const auto polls_before = board->counters().polls[13];
  run_until(4.0);
  EXPECT_EQ(board->counters().polls[13], polls_before);
  EXPECT_GT(board->counters().polls[5], 0u);
  EXPECT_EQ(channelStats[2].totalsRunning, 0);
  int toggle = -1;
  GetCtrlVal(panelHandle, PANELMAIN_COM_TOT_ERR_CNT_CH2, &toggle);
  EXPECT_EQ(toggle, 0);
}

TEST_F(EndToEndTest, ManualModePhasesFollowTheRate) {
  Scenario s;
  s.channel(1).rate_mhz = 10000;
  SimBoard* board = start(s);
  run_until(1.0);
  commit(PANELMAIN_CKBX_MANUAL_MD_CH1, 1);
  run_until(2.0);
  EXPECT_TRUE(board->manual_mode(1));
  EXPECT_EQ(measurement.trackedFrequency[1], 10000);  // the first tick in manual mode updates
  const auto updates = board->counters().polls[1];

  auto moved = board->channel(1);
  moved.rate_mhz = 10004;
  board->set_channel(1, moved);
  run_until(3.0);
  EXPECT_EQ(measurement.trackedFrequency[1], 10000);  // within 5 MHz: no update
  EXPECT_EQ(board->counters().polls[1], updates);

  moved.rate_mhz = 10006;
  board->set_channel(1, moved);
  run_until(4.0);
  EXPECT_EQ(measurement.trackedFrequency[1], 10006);
  EXPECT_GT(board->counters().polls[1], updates);
  EXPECT_EQ(board->phase_in_use(1), board->proposed_phase(1));  // the proposal reached the pins
}

TEST_F(EndToEndTest, AnOldFirmwareVersionShowsOnRed) {
  Scenario s;
  s.firmware_version = 0x201F;
  start(s);
  EXPECT_EQ(text(PANELMAIN_FIRMWARE_VER_NO), "201f");
  EXPECT_EQ(attribute(PANELMAIN_FIRMWARE_VER_NO, ATTR_FILL_COLOR), 0xFF0000);
}

TEST_F(EndToEndTest, SettingsSurviveARestart) {
  start();
  run_until(1.0);
  SetCtrlVal(panelHandle, PANELMAIN_CH1_THRES, 12.5);
  kd71::ui::post_event(panelHandle, PANELMAIN_CH1_THRES, EVENT_VAL_CHANGED);
  commit(PANELMAIN_DATA_SELECT_CH2, 6);
  kd71::ui::post_event(panelHandle, PANELMAIN_CMDQUIT, EVENT_COMMIT, 0, 0, 1.5);
  run_until(kd71::ui::kForever);  // until the quit button ends the loop
  EXPECT_TRUE(std::filesystem::exists("settings.cfg"));

  // A fresh program in the same folder.
  kd71::test::reset_all();
  kd71::ui::set_front_end(&fe_);
  fe_.popups.clear();
  SimBoard* board = start();
  EXPECT_TRUE(fe_.popups.empty());
  EXPECT_FLOAT_EQ(static_cast<float>(number(PANELMAIN_CH1_THRES)), 12.5f);
  EXPECT_EQ(board->pattern_code(2), 6);
  EXPECT_EQ(board->threshold(1).code_p, threshold_code_p(12.5f));
}

}  // namespace
