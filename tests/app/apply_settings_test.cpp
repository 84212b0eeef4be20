#include "app/apply_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/panel_handles.h"
#include "app/saved_settings.h"
#include "app/slider_state.h"
#include "platform/ui_runtime/panel_def_types.h"
#include "tests/support/app_fixture.h"
#include "ui/main_uir_panels.h"

namespace {

using Writes = std::vector<std::string>;

class ApplySettingsTest : public kd71::test::AppTest {
 protected:
  void set_modes(int m1, int m2) {
    manual_mode_ch1 = m1;
    manual_mode_ch2 = m2;
    SetCtrlVal(panelHandle, PANELMAIN_CKBX_MANUAL_MD_CH1, m1);
    SetCtrlVal(panelHandle, PANELMAIN_CKBX_MANUAL_MD_CH2, m2);
  }
};

TEST_F(ApplySettingsTest, TheWholeSetGoesOutInOrder) {
  SetCtrlVal(panelHandle, PANELMAIN_DATA_SELECT_CH1, 6u);
  SetCtrlVal(panelHandle, PANELMAIN_DATA_SELECT_CH2, 2u);
  SetCtrlVal(panelHandle, PANELMAIN_RING_IN_CLK_CH1, 2);
  SetCtrlVal(panelHandle, PANELMAIN_RING_IN_CLK_CH2, 0);
  SetCtrlVal(panelHandle, PANELMAIN_CH1_THRES, 10.0);
  SetCtrlVal(panelHandle, PANELMAIN_CH2_SAMPDEL, 1.65);
  set_modes(0, 1);
  LoadSettingsIntoHardware();
  const Writes w = board_writes();
  const Writes expected_start = {
      "I2C 57 F0 06",      "I2C 57 F2 06",        // channel 1 pattern
      "I2C 56 F0 02",      "I2C 56 F2 02",        // channel 2 pattern
      "REG 3 30 00",       "REG 11 10 00",        // input clocks
      "I2C 61 58 17 FF",   "I2C 60 58 17 FF",     // 1.65 V references, with EEPROM
      "REG 5 08 E4 07 1B", "REG 13 07 FF 07 FF",  // thresholds, lock clear
  };
  ASSERT_GE(w.size(), expected_start.size());
  EXPECT_EQ(Writes(w.begin(), w.begin() + expected_start.size()), expected_start);
  // Channel 2 in manual mode: its delay goes to the FPGA (smooth delay on).
  EXPECT_EQ(w.back(), "REG 9 07 FF");
  EXPECT_EQ(ring_in_clk_ch1, 2);
  EXPECT_FLOAT_EQ(Ch1_Threshold, 10.0f);
  EXPECT_FLOAT_EQ(Ch2_SamplingDelay, 1.65f);
  // Four 20 ms pauses and two 60 ms EEPROM writes at least.
  EXPECT_GE(Timer(), 0.2);
}

TEST_F(ApplySettingsTest, ManualModeDecidesWhatIsOperable) {
  set_modes(1, 1);
  LoadSettingsIntoHardware();
  for (int c : {PANELMAIN_INIT_CH1, PANELMAIN_INIT_CH2}) EXPECT_EQ(dimmed(c), 1);
  for (int c : {PANELMAIN_CH1_AUTOSEARCH, PANELMAIN_CH2_AUTOSEARCH, PANELMAIN_CH1_AUTOSEARCH_STOP,
                PANELMAIN_CH2_AUTOSEARCH_STOP, PANELMAIN_CH1_SAMPDEL, PANELMAIN_CH2_SAMPDEL})
    EXPECT_EQ(dimmed(c), 0);

  set_modes(0, 0);
  LoadSettingsIntoHardware();
  for (int c : {PANELMAIN_INIT_CH1, PANELMAIN_INIT_CH2}) EXPECT_EQ(dimmed(c), 0);
  for (int c : {PANELMAIN_CH1_AUTOSEARCH, PANELMAIN_CH2_AUTOSEARCH, PANELMAIN_CH1_AUTOSEARCH_STOP,
                PANELMAIN_CH2_AUTOSEARCH_STOP, PANELMAIN_CH1_SAMPDEL, PANELMAIN_CH2_SAMPDEL})
    EXPECT_EQ(dimmed(c), 1);
}

TEST_F(ApplySettingsTest, ALeftOverSuppressFlagDoesNotSwallowTheThreshold) {
  suppressNextChange = 1;  // as a channel initialisation leaves it
  SetCtrlVal(panelHandle, PANELMAIN_CH1_THRES, 10.0);
  LoadSettingsIntoHardware();
  const Writes w = board_writes();
  EXPECT_NE(std::find(w.begin(), w.end(), "REG 5 08 E4 07 1B"), w.end());
}

TEST_F(ApplySettingsTest, TheLogLineGoesToAnOpenDebugPanelOnly) {
  LoadSettingsIntoHardware();  // closed: nothing to write, nothing fails
  debugPanelHandle = LoadPanel(0, "main.uir", PANELDEBUG);
  debugPanelOpen = 1;
  LoadSettingsIntoHardware();
  EXPECT_EQ(text(PANELDEBUG_DEBUG_OUTPUT, debugPanelHandle), "USB came on -- Initialized\n");
}

TEST_F(ApplySettingsTest, DimmingSweepCoversExactlyTheControlsThatNeedABoard) {
  SetAllAttribsMain(1);
  std::set<int> dimmed_now;
  for (const auto& c : kd71::uir::find_panel("main.uir", PANELMAIN)->controls)
    if (dimmed(c.id) == 1) dimmed_now.insert(c.id);
  EXPECT_EQ(dimmed_now.size(), 52u);
  for (int never : {PANELMAIN_CMDQUIT, PANELMAIN_NOTIFY_USER, PANELMAIN_TIMER, PANELMAIN_RETRIES,
                    PANELMAIN_ERROR_FREE_CH1_2, PANELMAIN_ERROR_FREE_CH2_2, PANELMAIN_VER})
    EXPECT_EQ(dimmed_now.count(never), 0u) << never;
  SetAllAttribsMain(0);
  for (int c : dimmed_now) EXPECT_EQ(dimmed(c), 0);
}

}  // namespace
