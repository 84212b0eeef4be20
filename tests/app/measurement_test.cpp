#include "app/measurement.h"

#include <gtest/gtest.h>

#include "app/channel_config.h"
#include "app/panel_handles.h"
#include "app/saved_settings.h"
#include "app/statistics.h"
#include "hardware/i2c_comms.h"
#include "hardware/lowlevel.h"
#include "tests/support/app_fixture.h"

namespace {

using kd71::bridge::Fn;

// Ticks against the recording bridge, with the link already up and applied.
class MeasurementTest : public kd71::test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    prevLinkState = 1;  // connected: the tick goes straight to the channels
    channelStats[1].sampleLength = channelStats[2].sampleLength = kStartSampleLength;
  }
  void tick() { CBTimer(panelHandle, PANELMAIN_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0); }
  // Both channels' replies of one tick.
  void replies(int seq1, int seq2, std::uint64_t errors = 0) {
    reply_routine(10000, 128, 0x80, errors, 0, 1, seq1);
    reply_routine(28000, 128, 0x80, 0, 0, 1, seq2);
  }
  std::vector<UCHAR> polls() const {
    std::vector<UCHAR> out;
    for (const auto& c : bus->calls_of(Fn::Write))
      if (c.data.size() == 1 && (c.data[0] & 0x0F) == 0x07) out.push_back(c.data[0]);
    return out;
  }
};

TEST_F(MeasurementTest, ANewSampleIsShownOnlyWhenItsSequenceNumberChanges) {
  replies(1, 1, 5);
  tick();
  EXPECT_EQ(polls(), (std::vector<UCHAR>{0x57, 0xD7}));
  EXPECT_EQ(kd71::ui::numeric_value(panelHandle, PANELMAIN_ERROR_COUNT_CH1), 5.0);
  EXPECT_FLOAT_EQ(
      static_cast<float>(kd71::ui::numeric_value(panelHandle, PANELMAIN_CLOCK_FREQUENCY_CH2)),
      28.0f);
  EXPECT_EQ(kd71::ui::numeric_value(panelHandle, PANELMAIN_RETRIES), 0.0);
  EXPECT_EQ(fill(PANELMAIN_RETRIES), 0xFFFFFF);

  replies(1, 1, 9);  // same sample again
  tick();
  EXPECT_EQ(kd71::ui::numeric_value(panelHandle, PANELMAIN_ERROR_COUNT_CH1), 5.0);
}

TEST_F(MeasurementTest, MissedSamplesTurnTheRetryCountPurple) {
  measurement.prevSeqNo[1] = measurement.prevSeqNo[2] = 14;
  replies(15, 15);
  tick();
  EXPECT_EQ(fill(PANELMAIN_RETRIES), 0xFFFFFF);
  replies(0, 0);  // 15 to 0 is the next one
  tick();
  EXPECT_EQ(fill(PANELMAIN_RETRIES), 0xFFFFFF);
  replies(1, 3);  // channel 2 skipped two
  tick();
  EXPECT_EQ(fill(PANELMAIN_RETRIES), 0x800080);
}

TEST_F(MeasurementTest, FailedPollsAreCountedAndTheErrorCountGreysWithoutSync) {
  measurement.prevSeqNo[1] = 1;
  reply_routine(10000, 128, 0x40, 0, 0, 0, 1);  // not running, no new sample to recolour it
  // Channel 2: nothing answers.
  tick();
  EXPECT_EQ(fill(PANELMAIN_ERROR_COUNT_CH1), 0xC0C0C0);
  EXPECT_EQ(kd71::ui::numeric_value(panelHandle, PANELMAIN_RETRIES), 10.0);  // channel 2's stands
  EXPECT_EQ(fill(PANELMAIN_RETRIES), 0xFF0000);
}

TEST_F(MeasurementTest, AShutOffChannelIsNotPolledButItsIntervalStillEnds) {
  SetCtrlVal(panelHandle, PANELMAIN_DATA_SELECT_CH2, 99u);
  ChannelStats& s = channelStats[2];
  s.totalsRunning = 1;
  s.testInterval = 1;
  SetCtrlVal(panelHandle, PANELMAIN_COM_TOT_ERR_CNT_CH2, 1);
  for (int i = 0; i < 5; ++i) {
    reply_routine(10000, 128, 0x80, 0, 0, 1, i + 1);
    tick();
  }
  EXPECT_EQ(polls(), std::vector<UCHAR>(5, 0x57));
  EXPECT_EQ(s.testTicks, 5);
  EXPECT_EQ(s.totalsRunning, 0);
  int toggle = -1;
  GetCtrlVal(panelHandle, PANELMAIN_COM_TOT_ERR_CNT_CH2, &toggle);
  EXPECT_EQ(toggle, 0);
}

TEST_F(MeasurementTest, ManualModePhasesFollowRateMovesOfMoreThanFiveMegahertz) {
  manual_mode_ch1 = 1;
  measurement.trackedFrequency[1] = 10000;
  measurement.prevSeqNo[2] = 1;
  auto tick_at = [&](int frequency, int seq) {
    reply_routine(frequency, 128, 0x80, 0, 0, 1, seq);
    reply_routine(28000, 128, 0x80, 0, 0, 1, 1);
  };
  tick_at(10005, 1);
  tick();
  EXPECT_EQ(measurement.trackedFrequency[1], 10000);
  EXPECT_TRUE(bus->transactions.empty());

  tick_at(10006, 2);
  reply({0x25, 0x00, kTrailer, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});  // 9340 phase 2, 9372 phase 0
  tick();
  EXPECT_EQ(measurement.trackedFrequency[1], 10006);
  EXPECT_EQ(polls().back(), 0x17);  // the read-back of channel 1
  // 9340 bit 0 on chip 7 pin 7, bit 1 on pin 8, the 9372 on chip 6 pin 6.
  EXPECT_EQ(board_writes(),
            (std::vector<std::string>{"I2C 57 F0 00", "I2C 57 F2 00", "I2C 57 F1 01",
                                      "I2C 57 F3 01", "I2C 56 F0 00", "I2C 56 F2 00"}));
  EXPECT_NEAR(channelConfig[1].delayCode, 0x500, 0);
}

TEST_F(MeasurementTest, TheFirstTickOfAManualChannelUpdatesItsPhases) {
  manual_mode_ch2 = 1;
  replies(1, 1);
  tick();
  EXPECT_EQ(measurement.trackedFrequency[2], 28000);
  EXPECT_EQ(polls().back(), 0x97);
}

TEST_F(MeasurementTest, AnOpenI2cTransactionHoldsTheTickBack) {
  i2cBusy = 1;
  testing::internal::CaptureStdout();
  tick();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "I2C Collision did happen\n");
  EXPECT_NEAR(Timer(), 0.1, 1e-9);
  EXPECT_TRUE(bus->calls.empty());
}

TEST_F(MeasurementTest, FirmwareVersionShowsInHexOnRedUpTo201F) {
  reply({0x20, 0x1F, kTrailer});
  ReadMgmtPacket();
  EXPECT_EQ(text(PANELMAIN_FIRMWARE_VER_NO), "201f");
  EXPECT_EQ(fill(PANELMAIN_FIRMWARE_VER_NO), 0xFF0000);
  EXPECT_EQ(bus->calls_of(Fn::Write).at(0).data, std::vector<UCHAR>{0x77});

  // A version of 0 is asked for once more.
  bus->clear_calls();
  reply({0x00, 0x00, kTrailer});
  reply({0x21, 0x05, kTrailer});
  ReadMgmtPacket();
  EXPECT_EQ(text(PANELMAIN_FIRMWARE_VER_NO), "2105");
  EXPECT_EQ(fill(PANELMAIN_FIRMWARE_VER_NO), 0xFFFFFF);
  EXPECT_EQ(measurement.firmwareVersion, 0x2105);
}

TEST_F(MeasurementTest, TheDebugPanelGetsStateSequenceLagAndHeartbeat) {
  debugPanelHandle = LoadPanel(0, "main.uir", PANELDEBUG);
  debugPanelOpen = 1;
  Delay(0.2);
  replies(3, 4);
  tick();
  const int d = debugPanelHandle;
  EXPECT_EQ(kd71::ui::numeric_value(d, PANELDEBUG_CHANNEL_STATE_CH1), 0x80);
  EXPECT_EQ(kd71::ui::numeric_value(d, PANELDEBUG_SEQ_NO_CH2), 4.0);
  EXPECT_EQ(kd71::ui::numeric_value(d, PANELDEBUG_SYNC_LED_CH1), 1.0);
  EXPECT_EQ(kd71::ui::numeric_value(d, PANELDEBUG_HB), 1.0);
  EXPECT_NEAR(kd71::ui::numeric_value(d, PANELDEBUG_LAG_NO), Timer(), 1e-9);
  const double first = Timer();
  Delay(0.2);
  tick();
  EXPECT_NEAR(kd71::ui::numeric_value(d, PANELDEBUG_LAG_NO), Timer() - first, 1e-9);
  EXPECT_EQ(kd71::ui::numeric_value(d, PANELDEBUG_HB), 0.0);
}

TEST_F(MeasurementTest, OnlyTheTickEventRunsTheCycle) {
  EXPECT_EQ(CBTimer(panelHandle, PANELMAIN_TIMER, EVENT_COMMIT, nullptr, 0, 0), 0);
  EXPECT_TRUE(bus->calls.empty());
}

}  // namespace
