// The program's measurement cycle on the simulated board, from a fresh start
// with no settings file: it connects, pushes its settings and both channels
// lock and measure.
#include <gtest/gtest.h>

#include <string>

#include "app/apply_settings.h"
#include "app/measurement.h"
#include "app/startup.h"
#include "app/statistics.h"
#include "hardware/lowlevel.h"
#include "platform/clock.h"
#include "platform/userint.h"
#include "sim/sim_board.h"
#include "tests/support/fresh_state.h"
#include "ui/main_uir.h"

namespace {

class SimProgramTest : public kd71::test::FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    kd71_bind_callbacks();
    panelHandle = LoadPanel(0, "main.uir", PANELMAIN);
    ASSERT_GT(panelHandle, 0);
    channelStats[1].sampleLength = channelStats[2].sampleLength = kStartSampleLength;
    SetAllAttribsMain(1);
    board = kd71::sim::install_simulated_board();
  }
  // Timer ticks every 0.2 s for `seconds`.
  void run(double seconds) {
    for (double t = 0.0; t < seconds; t += 0.2) {
      const double due = kd71::clock::now() + 0.2;
      CBTimer(panelHandle, PANELMAIN_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
      kd71::clock::wait_until(due);
    }
  }
  std::string text(int control) {
    std::string value;
    GetCtrlVal(panelHandle, control, &value);
    return value;
  }
  float number(int control) {
    float value = 0.0f;
    GetCtrlVal(panelHandle, control, &value);
    return value;
  }
  kd71::sim::SimBoard* board = nullptr;
};

TEST_F(SimProgramTest, AFreshStartConnectsAndBothChannelsLock) {
  run(0.2);
  EXPECT_EQ(text(PANELMAIN_NOTIFY_USER), "USB CONNECTED");
  EXPECT_EQ(text(PANELMAIN_DEVICE_SN), board->serial());
  EXPECT_EQ(text(PANELMAIN_FIRMWARE_VER_NO), "2104");
  run(4.0);  // past two sample windows of 2^34 bits at 10 Gb/s
  for (int n = 1; n <= 2; ++n) {
    EXPECT_TRUE(board->pattern_sync(n)) << n;
    EXPECT_EQ(board->pattern_code(n), 8) << n;
    EXPECT_EQ(board->clock_config(n), 0x00) << n;
    EXPECT_EQ(packets[n].channel_state, 0x80) << n;
    EXPECT_EQ(packets[n].error_count, 0u) << n;
  }
  EXPECT_FLOAT_EQ(number(PANELMAIN_CLOCK_FREQUENCY_CH1), 10.0f);
  EXPECT_FLOAT_EQ(number(PANELMAIN_CLOCK_FREQUENCY_CH2), 28.0f);
  unsigned int retries = 99;
  GetCtrlVal(panelHandle, PANELMAIN_RETRIES, &retries);
  EXPECT_EQ(retries, 0u);
}

TEST_F(SimProgramTest, UnplugAndReplugReconnectAndReapplyTheSettings) {
  run(1.0);
  board->unplug();
  run(0.2);
  EXPECT_EQ(text(PANELMAIN_NOTIFY_USER), "USB NOT CONNECTED");
  board->plug();  // powers up with the expanders back at their stored pins
  run(0.2);
  EXPECT_EQ(text(PANELMAIN_NOTIFY_USER), "USB CONNECTED");
  run(2.0);
  EXPECT_TRUE(board->pattern_sync(1));
  EXPECT_EQ(packets[1].channel_state, 0x80);
}

}  // namespace
