#include "app/channel_config.h"

#include <gtest/gtest.h>

#include "app/panel_handles.h"
#include "app/saved_settings.h"
#include "hardware/lowlevel.h"
#include "tests/support/app_fixture.h"

namespace {

using Writes = std::vector<std::string>;

class ChannelConfigTest : public kd71::test::AppTest {
 protected:
  void commit(int control, int value) {
    SetCtrlVal(panelHandle, control, value);
    general_purpose_IO(panelHandle, control, EVENT_COMMIT, nullptr, 0, 0);
  }
  // The automatic settings read-back: 9340 phase, 9372 phase, delay code.
  void reply_readback(int p9340, int p9372, int code) {
    reply({static_cast<UCHAR>((p9372 << 6) | (p9340 << 4) | (code >> 8)),
           static_cast<UCHAR>(code & 0xFF), kTrailer, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  }
};

TEST_F(ChannelConfigTest, ShutOffDimsTheChannelsFiguresAndSetsOnlyThePatternPins) {
  bus->devices[0x56].regs[0xF8] = 0xF0;
  manual_mode_ch2 = 0;
  commit(PANELMAIN_DATA_SELECT_CH2, 99);
  EXPECT_EQ(board_writes(), (Writes{"I2C 56 F0 F3", "I2C 56 F2 F3"}));
  EXPECT_EQ(data_select_ch2, 99);
  for (int c : {PANELMAIN_COM_TOT_ERR_CNT_CH2, PANELMAIN_ERROR_HIST_BAR_CH2, PANELMAIN_CH2_THRES,
                PANELMAIN_ERROR_COUNT_CH2, PANELMAIN_RING_IN_CLK_CH2, PANELMAIN_ELAPSED_TIME_CH2})
    EXPECT_EQ(dimmed(c), 1) << c;
  EXPECT_EQ(dimmed(PANELMAIN_CH2_SAMPDEL), 1);      // automatic mode
  EXPECT_EQ(dimmed(PANELMAIN_ERROR_COUNT_CH1), 0);  // the other channel untouched

  manual_mode_ch2 = 1;
  commit(PANELMAIN_DATA_SELECT_CH2, 99);
  EXPECT_EQ(dimmed(PANELMAIN_CH2_SAMPDEL), 0);  // enabled exactly in manual mode
  EXPECT_EQ(dimmed(PANELMAIN_INIT_CH2), 1);
  commit(PANELMAIN_DATA_SELECT_CH2, 3);
  EXPECT_EQ(dimmed(PANELMAIN_CH2_THRES), 0);
}

TEST_F(ChannelConfigTest, InputClockGoesToTheFpgaInBitsFourAndFive) {
  channelConfig[1].clockConfig = 0x4F;   // other bits stay
  packets[1].bytes[1] = 0x5A;            // sent unchanged
  commit(PANELMAIN_RING_IN_CLK_CH1, 2);  // "Div /4"
  EXPECT_EQ(channelConfig[1].clockConfig, 0x7F);
  commit(PANELMAIN_RING_IN_CLK_CH1, 0);  // "Clock/2"
  EXPECT_EQ(channelConfig[1].clockConfig, 0x5F);
  commit(PANELMAIN_RING_IN_CLK_CH1, 1);  // "Clock"
  EXPECT_EQ(channelConfig[1].clockConfig, 0x4F);
  EXPECT_EQ(board_writes(), (Writes{"REG 3 7F 5A", "REG 3 5F 5A", "REG 3 4F 5A"}));
  EXPECT_EQ(ring_in_clk_ch1, 1);

  debugPanelHandle = LoadPanel(0, "main.uir", PANELDEBUG);
  debugPanelOpen = 1;
  commit(PANELMAIN_RING_IN_CLK_CH2, 1);
  EXPECT_EQ(ring_in_clk_ch2, 1);
  EXPECT_EQ(kd71::ui::numeric_value(debugPanelHandle, PANELDEBUG_FULL_RATE_LED_CH2), 1.0);
  EXPECT_EQ(board_writes().back(), "REG 11 00 00");
}

TEST_F(ChannelConfigTest, ManualModeShowsTheBoardsDelayUnlessTheLastRunWasClean) {
  // Off with errors in the last sample, then on: the slider shows the board's code.
  packets[1].error_count = 3;
  reply_readback(2, 1, 2047);
  commit(PANELMAIN_CKBX_MANUAL_MD_CH1, 0);
  reply_readback(2, 1, 2047);
  SetCtrlVal(panelHandle, PANELMAIN_CH1_SAMPDEL, 0.25);
  commit(PANELMAIN_CKBX_MANUAL_MD_CH1, 1);
  float delay = 0;
  GetCtrlVal(panelHandle, PANELMAIN_CH1_SAMPDEL, &delay);
  EXPECT_FLOAT_EQ(delay, static_cast<float>(2047 * (1.0 / 4096) * 3.3));
  EXPECT_EQ(manual_mode_ch1, 1);
  EXPECT_EQ(channelConfig[1].phase9340, 2);
  EXPECT_EQ(channelConfig[1].phase9372, 1);

  // Off after an error-free sample, then on: the user's delay stands.
  packets[1].error_count = 0;
  reply_readback(0, 0, 100);
  commit(PANELMAIN_CKBX_MANUAL_MD_CH1, 0);
  SetCtrlVal(panelHandle, PANELMAIN_CH1_SAMPDEL, 0.25);
  reply_readback(0, 0, 100);
  commit(PANELMAIN_CKBX_MANUAL_MD_CH1, 1);
  GetCtrlVal(panelHandle, PANELMAIN_CH1_SAMPDEL, &delay);
  EXPECT_FLOAT_EQ(delay, 0.25f);
  EXPECT_EQ(dimmed(PANELMAIN_INIT_CH1), 1);
  EXPECT_EQ(dimmed(PANELMAIN_CH1_AUTOSEARCH), 0);
}

TEST_F(ChannelConfigTest, WithTheDebugPanelClosedOnlyTheManualModePinIsWritten) {
  reply_readback(3, 1, 0);
  commit(PANELMAIN_CKBX_MANUAL_MD_CH2, 1);
  EXPECT_EQ(board_writes(), (Writes{"I2C 56 F1 01", "I2C 56 F3 01"}));  // chip 6 pin 8
}

TEST_F(ChannelConfigTest, WithTheDebugPanelOpenTheProposedPhasesAreWritten) {
  debugPanelHandle = LoadPanel(0, "main.uir", PANELDEBUG);
  debugPanelOpen = 1;
  reply_readback(2, 1, 0);
  commit(PANELMAIN_CKBX_MANUAL_MD_CH1, 1);
  // Manual pin, then 9340 bit 0 (chip 7 pin 7), bit 1 (chip 7 pin 8), 9372 (chip 6 pin 6).
  EXPECT_EQ(board_writes(),
            (Writes{"I2C 57 F0 10", "I2C 57 F2 10", "I2C 57 F0 00", "I2C 57 F2 00", "I2C 57 F1 01",
                    "I2C 57 F3 01", "I2C 56 F0 40", "I2C 56 F2 40"}));
  EXPECT_EQ(ringslide_9240phs_ch1, 2);
  EXPECT_EQ(ringslide_9372phs_ch1, 1);
  EXPECT_EQ(dimmed(PANELDEBUG_CKBX_MANUAL_MD_CH1, debugPanelHandle), 0);

  reply_readback(0, 0, 0);
  commit(PANELMAIN_CKBX_MANUAL_MD_CH1, 0);
  EXPECT_EQ(dimmed(PANELDEBUG_RINGSLIDE_9340PHS_CH1, debugPanelHandle), 1);
  EXPECT_EQ(dimmed(PANELDEBUG_CKBX_MANUAL_MD_CH1, debugPanelHandle), 1);
}

TEST_F(ChannelConfigTest, ReadBackFailuresShowOnTheRetryCount) {
  UpdateManualMode(2);  // nothing answers
  EXPECT_EQ(kd71::ui::numeric_value(panelHandle, PANELMAIN_RETRIES), 10.0);
  EXPECT_EQ(fill(PANELMAIN_RETRIES), 0xFF0000);
  EXPECT_EQ(bus->calls_of(kd71::bridge::Fn::Write).at(0).data, std::vector<UCHAR>{0x97});
}

TEST_F(ChannelConfigTest, OtherEventsChangeNothing) {
  SetCtrlVal(panelHandle, PANELMAIN_DATA_SELECT_CH1, 99u);
  EXPECT_EQ(
      general_purpose_IO(panelHandle, PANELMAIN_DATA_SELECT_CH1, EVENT_VAL_CHANGED, nullptr, 0, 0),
      0);
  EXPECT_TRUE(bus->calls.empty());
  EXPECT_EQ(data_select_ch1, 0);
}

}  // namespace
