// Each exported function's rule on the simulated board with the virtual
// clock: what reaches the board, what comes back, how long it blocks, and
// what an invalid channel or value gives.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/ui_store.h"
#include "tests/export/automation_fixture.h"
#include "ui/main_uir.h"

extern int panelHandle;

namespace {

using kd71::sim::ChannelScenario;
using kd71::sim::Scenario;
using kd71::sim::SimBoard;

constexpr double kTimeEpsilon = 1e-9;
constexpr double kPinWriteSeconds = 0.04;  // the expander's two 20 ms pauses
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

class AutomationFunctionsTest : public kd71::test::AutomationTest {
 protected:
  double panel(int control) const { return kd71::ui::numeric_value(panelHandle, control); }
  // Opens the instrument with both channels on the transmitted PRBS31.
  SimBoard* open_in_sync(const Scenario& scenario = {}) {
    SimBoard* board = open(scenario);
    EXPECT_EQ(DataSel(1, 8), 1);
    EXPECT_EQ(DataSel(2, 8), 1);
    return board;
  }
  // Ticks until channel 1's first sample has come in.
  void first_sample() {
    for (int i = 0; i < 200 && panel(PANELMAIN_CLOCK_FREQUENCY_CH1) == 0.0; ++i) {
      kd71::clock::spend(0.2);
      GetBitRate(1);
    }
    ASSERT_NE(panel(PANELMAIN_CLOCK_FREQUENCY_CH1), 0.0);
  }
  static std::uint64_t i2c_bytes(SimBoard* board) { return board->counters().i2c.bytes_written; }
};

TEST_F(AutomationFunctionsTest, ReadingsTickAndReturnTheChannelsFigures) {
  SimBoard* board = open_in_sync();
  first_sample();
  const auto polls = board->counters().polls;

  EXPECT_EQ(GetBitRate(1), 10000);
  EXPECT_EQ(GetBitRate(2), 28000);
  EXPECT_EQ(GetSyncStatus(1), 1);
  const int ones = GetOnes(1);
  EXPECT_EQ(ones, static_cast<int>(panel(PANELMAIN_ONES_CNT_CH1)));
  EXPECT_GT(ones, 10);
  EXPECT_LT(ones, 246);
  EXPECT_EQ(board->counters().polls[5], polls[5] + 4);  // one routine poll per tick

  // An invalid channel: the tick runs, then the error value.
  for (int channel : {0, 3, -1}) {
    EXPECT_EQ(GetBitRate(channel), -1);
    EXPECT_EQ(GetOnes(channel), -1);
    EXPECT_EQ(GetSyncStatus(channel), -1);
  }
  EXPECT_EQ(board->counters().polls[13], polls[13] + 13);
}

TEST_F(AutomationFunctionsTest, ErrorReadingsWaitForTwoSamplesAtChannel1sRate) {
  open_in_sync();
  // No rate shown yet on channel 1: no wait.
  const double tick = seconds_of([] { GetBitRate(1); });
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(GetErrorRatio(1), 0.0f); }), tick, kTimeEpsilon);
  first_sample();

  // 2^35 bits at 10 Gb/s, in single precision, whatever channel 2's rate.
  const double wait = static_cast<double>(34359738368.0f / 1e10f) + tick;
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(GetErrorCount(2), 0u); }), wait, kTimeEpsilon);
  // A sample without errors: the bound 1 / sample length (2^34).
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(GetErrorRatio(1), 1.0f / 17179869184.0f); }), wait,
              kTimeEpsilon);
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(GetErrorCount(3), 0u); }), wait, kTimeEpsilon);
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(GetErrorRatio(0), -1.0f); }), wait, kTimeEpsilon);

  // The 20 ms count waits 0.1 s.
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(GetFastErrorCount(1), 0); }), 0.1 + tick, kTimeEpsilon);
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(GetFastErrorCount(3), -1); }), 0.1 + tick, kTimeEpsilon);
}

TEST_F(AutomationFunctionsTest, ErrorReadingsAtAFewMbpsWaitTheStatedMaximum) {
  Scenario scenario;
  scenario.channel(1).rate_mhz = 4;
  SimBoard* board = open(scenario);
  // One sample window of 2^34 bits at 4 Mb/s takes over an hour.
  kd71::clock::spend(board->window_seconds(1) + 1.0);
  GetBitRate(1);
  ASSERT_FLOAT_EQ(static_cast<float>(panel(PANELMAIN_CLOCK_FREQUENCY_CH1)), 0.004f);
  const double tick = seconds_of([] { GetBitRate(1); });
  EXPECT_NEAR(seconds_of([] { GetErrorRatio(2); }), KD71_MAX_SAMPLE_WAIT_S + tick, kTimeEpsilon);
}

TEST_F(AutomationFunctionsTest, InputClockAndPatternWriteThePinsAlone) {
  SimBoard* board = open();
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(InputClock(1, 1), 1); }), kPinWriteSeconds + 0.03,
              kTimeEpsilon);
  EXPECT_EQ(InputClock(2, 3), 1);  // bit 0 only
  EXPECT_EQ(board->expander(7).pins & 0x60, 0x60);
  EXPECT_EQ(InputClock(1, 2), 1);
  EXPECT_EQ(board->expander(7).pins & 0x60, 0x40);
  EXPECT_EQ(panel(PANELMAIN_RING_IN_CLK_CH1), 1.0);  // the ring keeps its value

  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(DataSel(2, 6), 1); }), kPinWriteSeconds + 0.03,
              kTimeEpsilon);
  EXPECT_EQ(board->pattern_code(2), 6);
  EXPECT_EQ(DataSel(1, 0x100 | 2), 1);  // the low byte
  EXPECT_EQ(board->pattern_code(1), 2);
  EXPECT_EQ(panel(PANELMAIN_DATA_SELECT_CH1), 8.0);

  // Invalid channels write nothing and still wait; codes that are no
  // pattern would reach the other pins: nothing, no wait, 0.
  const std::uint64_t bytes = i2c_bytes(board);
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(InputClock(3, 1), 1); }), 0.03, kTimeEpsilon);
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(DataSel(0, 5), 1); }), 0.03, kTimeEpsilon);
  EXPECT_NEAR(seconds_of([] {
                for (int code : {9, 16, 98, 100, 0xFF, -1}) EXPECT_EQ(DataSel(1, code), 0) << code;
              }),
              0.0, kTimeEpsilon);
  EXPECT_EQ(i2c_bytes(board), bytes);

  // "Shut Off" goes to the pattern field alone.
  const int others = board->expander(7).pins & 0x1F0;
  EXPECT_EQ(DataSel(1, 99), 1);
  EXPECT_EQ(board->expander(7).pins & 0x1F0, others);
  EXPECT_EQ(board->expander(7).pins & 0x0F, 99 & 0x0F);
}

TEST_F(AutomationFunctionsTest, ThresholdGoesThroughTheSliderAndRefusesNonFiniteValues) {
  SimBoard* board = open();
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(DataThreshold(1, 10.0f), 1); }), 0.0, kTimeEpsilon);
  EXPECT_NEAR(board->threshold(1).mv, 10.0, 0.1);
  EXPECT_FALSE(board->threshold(1).lock);
  EXPECT_FLOAT_EQ(static_cast<float>(panel(PANELMAIN_CH1_THRES)), 10.0f);
  EXPECT_EQ(DataThreshold(2, -200.0f), 1);  // the slider's range
  EXPECT_FLOAT_EQ(static_cast<float>(panel(PANELMAIN_CH2_THRES)), -KD71_THRESHOLD_MAX_MV);
  EXPECT_NEAR(board->threshold(2).mv, -KD71_THRESHOLD_MAX_MV, 0.1);

  const auto writes = board->counters().register_writes;
  for (float bad : {kNan, kInfinity, -kInfinity}) EXPECT_EQ(DataThreshold(1, bad), 0);
  EXPECT_EQ(DataThreshold(3, 5.0f), 0);
  EXPECT_EQ(board->counters().register_writes, writes);
  EXPECT_FLOAT_EQ(static_cast<float>(panel(PANELMAIN_CH1_THRES)), 10.0f);
}

TEST_F(AutomationFunctionsTest, SamplingDelayIsClampedOntoTheChannelsDac) {
  SimBoard* board = open();
  // Channel 1 is position 5 (0x61, B), channel 2 position 1 (0x60, B).
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(SampingDelay(1, 3.0f), 1); }), 0.06, 0.001);
  EXPECT_EQ(board->dac(1, 1).input.code, 3351);  // 2.7 V
  EXPECT_EQ(board->dac(1, 1).eeprom.code, 3351);
  EXPECT_EQ(SampingDelay(2, -0.5f), 1);
  EXPECT_EQ(board->dac(0, 1).input.code, 0);
  EXPECT_EQ(SampingDelay(2, 0.5f), 1);
  EXPECT_EQ(board->dac(0, 1).input.code, 620);
  EXPECT_EQ(panel(PANELMAIN_CH1_SAMPDEL), 0.0);

  const std::uint64_t bytes = i2c_bytes(board);
  for (float bad : {kNan, kInfinity, -kInfinity}) EXPECT_EQ(SampingDelay(1, bad), 0);
  EXPECT_EQ(SampingDelay(0, 1.0f), 0);
  EXPECT_EQ(i2c_bytes(board), bytes);
}

TEST_F(AutomationFunctionsTest, ManualModeSetsTheCheckBoxAlone) {
  SimBoard* board = open();
  const std::uint64_t bytes = i2c_bytes(board);
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(ManualMode(2, 1), 1); }), 0.03, kTimeEpsilon);
  EXPECT_EQ(panel(PANELMAIN_CKBX_MANUAL_MD_CH2), 1.0);
  EXPECT_EQ(panel(PANELMAIN_CKBX_MANUAL_MD_CH1), 0.0);
  EXPECT_EQ(i2c_bytes(board), bytes);
  EXPECT_FALSE(board->manual_mode(2));
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(ManualMode(3, 1), 1); }), 0.03, kTimeEpsilon);
}

}  // namespace
