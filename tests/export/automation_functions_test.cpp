// Each exported function's rule: what reaches the board, what comes back,
// how long it blocks, and what an invalid channel or value gives.
#include <cmath>
#include <limits>

#include "platform/ui_runtime/ui_store.h"
#include "tests/export/automation_fixture.h"
#include "ui/main_uir.h"

extern int panelHandle;

namespace {

using kd71::sim::Scenario;
using kd71::sim::SimBoard;

constexpr double kEpsilon = 1e-9;
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

class AutomationFunctionsTest : public kd71::test::AutomationTest {
 protected:
  double panel(int control) const { return kd71::ui::numeric_value(panelHandle, control); }
  // Both channels on the transmitted PRBS31, until channel 1's first sample.
  void measure() {
    DataSel(1, 8);
    DataSel(2, 8);
    for (int i = 0; i < 20 && panel(PANELMAIN_CLOCK_FREQUENCY_CH1) == 0.0; ++i) {
      kd71::clock::spend(0.2);
      GetBitRate(1);
    }
    EXPECT_NE(panel(PANELMAIN_CLOCK_FREQUENCY_CH1), 0.0);
  }
  static std::uint64_t i2c_bytes(SimBoard* board) { return board->counters().i2c.bytes_written; }
};

TEST_F(AutomationFunctionsTest, ReadingsTickThenReturnTheChannelsFigures) {
  SimBoard* board = open();
  measure();
  const auto polls = board->counters().polls;
  EXPECT_EQ(GetBitRate(2), 28000);
  EXPECT_EQ(GetSyncStatus(1), 1);
  const int ones = GetOnes(1);
  EXPECT_EQ(ones, static_cast<int>(panel(PANELMAIN_ONES_CNT_CH1)));
  EXPECT_TRUE(ones > 10 && ones < 246) << ones;
  for (int channel : {0, 3}) {  // the tick runs, then the error value
    EXPECT_EQ(GetBitRate(channel), -1);
    EXPECT_EQ(GetOnes(channel), -1);
    EXPECT_EQ(GetSyncStatus(channel), -1);
  }
  EXPECT_EQ(board->counters().polls[5], polls[5] + 9);  // channel 1's routine poll, each tick
  ASSERT_EQ(DataSel(2, 99), 1);                         // switched off: no longer polled
  const auto off = board->counters().polls[13];
  GetBitRate(2);
  EXPECT_EQ(board->counters().polls[13], off);
}

TEST_F(AutomationFunctionsTest, ErrorReadingsWaitForTwoSamplesAtChannel1sRate) {
  SimBoard* board = open();
  const double tick = seconds_of([] { GetBitRate(1); });
  // 2^35 bits at 10 Gb/s in single precision, whatever channel is read.
  const double wait = static_cast<double>(34359738368.0f / 1e10f) + tick;
  // The first sample is waited for (at most two windows), then a sample's time.
  DataSel(1, 8);
  const double first = seconds_of([] { EXPECT_EQ(GetErrorRatio(1), 1.0f / 17179869184.0f); });
  EXPECT_TRUE(first > wait && first < wait + 2 * board->window_seconds(1) + 0.4) << first;
  measure();

  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(GetErrorCount(2), 0u); }), wait, kEpsilon);
  // No errors: the bound 1 / 2^34, the start-up sample length.
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(GetErrorRatio(1), 1.0f / 17179869184.0f); }), wait,
              kEpsilon);
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(GetErrorCount(3), 0u); }), wait, kEpsilon);
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(GetErrorRatio(0), -1.0f); }), wait, kEpsilon);
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(GetFastErrorCount(1), 0); }), 0.1 + tick, kEpsilon);
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(GetFastErrorCount(3), -1); }), 0.1 + tick, kEpsilon);

  // At 155 Mb/s a sample takes minutes, and they are waited for.
  kd71::sim::ChannelScenario slow = board->channel(1);
  slow.rate_mhz = 155;
  board->set_channel(1, slow);
  kd71::clock::spend(2 * board->window_seconds(1));
  GetBitRate(1);
  const float gbps = static_cast<float>(panel(PANELMAIN_CLOCK_FREQUENCY_CH1));
  EXPECT_NEAR(seconds_of([] { GetErrorRatio(2); }),
              static_cast<double>(34359738368.0f / (gbps * 1e9f)) + tick, 1e-6);
}

TEST_F(AutomationFunctionsTest, PinSettingsWriteThePinsAloneAndAlwaysWait) {
  SimBoard* board = open();
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(InputClock(1, 3), 1); }), 0.07, kEpsilon);  // bit 0
  EXPECT_EQ(InputClock(2, 0), 1);
  EXPECT_EQ(board->expander(7).pins & 0x60, 0x20);
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(DataSel(2, 0x106), 1); }), 0.07, kEpsilon);  // low byte
  EXPECT_EQ(board->pattern_code(2), 6);
  EXPECT_EQ(panel(PANELMAIN_RING_IN_CLK_CH1), 1.0);  // the ring keeps its value
  EXPECT_EQ(panel(PANELMAIN_DATA_SELECT_CH2), 6.0);  // for the channel initialisation
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(ManualMode(2, 1), 1); }), 0.03, kEpsilon);
  EXPECT_EQ(panel(PANELMAIN_CKBX_MANUAL_MD_CH2), 1.0);

  // Invalid channels write nothing and still wait; a code that names no
  // pattern does nothing at once.
  const std::uint64_t bytes = i2c_bytes(board);
  EXPECT_NEAR(seconds_of([] {
                EXPECT_EQ(InputClock(3, 1), 1);
                EXPECT_EQ(DataSel(0, 5), 1);
                EXPECT_EQ(ManualMode(3, 1), 1);
                for (int code : {9, 16, 98, 100, -1}) EXPECT_EQ(DataSel(1, code), 0) << code;
              }),
              0.09, kEpsilon);
  EXPECT_EQ(i2c_bytes(board), bytes);  // and manual mode reached no pin
  EXPECT_FALSE(board->manual_mode(2));
}

TEST_F(AutomationFunctionsTest, AnalogSettingsAreClampedAndRefuseNonFiniteValues) {
  SimBoard* board = open();
  EXPECT_EQ(DataThreshold(1, 10.0f), 1);
  EXPECT_NEAR(board->threshold(1).mv, 10.0, 0.1);
  EXPECT_EQ(DataThreshold(2, -200.0f), 1);  // the slider's range
  EXPECT_NEAR(board->threshold(2).mv, -KD71_THRESHOLD_MAX_MV, 0.1);
  // Sampling delays: channel 1 on position 5 (0x61 B), channel 2 on 1 (0x60 B).
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(SampingDelay(1, 3.0f), 1); }), 0.06, 0.001);
  EXPECT_EQ(board->dac(1, 1).eeprom.code, 3351);  // 2.7 V
  EXPECT_EQ(SampingDelay(2, -0.5f), 1);
  EXPECT_EQ(board->dac(0, 1).input.code, 0);
  EXPECT_EQ(panel(PANELMAIN_CH1_SAMPDEL), 0.0);

  const auto writes = board->counters().register_writes;
  const std::uint64_t bytes = i2c_bytes(board);
  for (float bad : {kNan, kInf, -kInf}) EXPECT_EQ(DataThreshold(1, bad), 0);
  EXPECT_EQ(DataThreshold(3, 5.0f), 0);
  EXPECT_EQ(SampingDelay(0, 1.0f), 0);
  EXPECT_EQ(board->counters().register_writes, writes);
  EXPECT_EQ(i2c_bytes(board), bytes);
  EXPECT_FLOAT_EQ(static_cast<float>(panel(PANELMAIN_CH1_THRES)), 10.0f);
}

TEST_F(AutomationFunctionsTest, ResyncInitialisesTheChannelAndKeepsTheCallersSettings) {
  Scenario scenario;
  scenario.channel(1).pattern = 3;       // PRBS15
  scenario.channel(1).offset_mv = 20.0;  // the threshold must move to find it
  SimBoard* board = open(scenario);
  ASSERT_EQ(DataSel(1, 3), 1);
  ASSERT_EQ(DataThreshold(1, -60.0f), 1);
  EXPECT_EQ(ReSync(1), 1);
  EXPECT_EQ(board->pattern_code(1), 3);  // re-selected, not the panel's default
  EXPECT_NEAR(board->threshold(1).mv, 20.0, 30.0);
  EXPECT_NEAR(panel(PANELMAIN_CH1_THRES), board->threshold(1).mv, 0.05);
  EXPECT_EQ(GetSyncStatus(1), 1);
  // The caller's next threshold is applied, not swallowed.
  EXPECT_EQ(DataThreshold(1, 15.0f), 1);
  EXPECT_NEAR(board->threshold(1).mv, 15.0, 0.1);

  // An invalid channel: no initialisation, still the wait.
  const auto writes = board->counters().register_writes;
  const auto polls = board->counters().polls;
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(ReSync(3), 1); }), 0.03, kEpsilon);
  EXPECT_EQ(board->counters().register_writes, writes);
  EXPECT_EQ(board->counters().polls, polls);
}

}  // namespace
