#include "app/debug_panel.h"

#include <gtest/gtest.h>

#include "app/channel_config.h"
#include "app/saved_settings.h"
#include "hardware/lowlevel.h"
#include "tests/support/app_fixture.h"
#include "tests/support/hardware_fixture.h"
#include "ui/main_uir.h"

namespace {

using kd71::bridge::Fn;

class DebugPanelTest : public kd71::test::HardwareTest {};

TEST_F(DebugPanelTest, UsbResetClosesTheLinkAndForcesAReconnect) {
  auto* b = install();
  ASSERT_EQ(init_usb(), 1);
  prevLinkState = 1;
  EXPECT_EQ(UsbReset(0, PANELDEBUG_USB_RESET, EVENT_VAL_CHANGED, nullptr, 0, 0), 0);
  EXPECT_TRUE(b->calls_of(Fn::Close).empty());
  EXPECT_EQ(UsbReset(0, PANELDEBUG_USB_RESET, EVENT_COMMIT, nullptr, 0, 0), 0);
  EXPECT_EQ(b->calls_of(Fn::Close).size(), 1u);
  EXPECT_EQ(prevLinkState, 0);
  EXPECT_NE(usb_handle, nullptr);  // close does not clear the handle
}

class DebugPanelPhasesTest : public kd71::test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    debugPanelHandle = LoadPanel(0, "main.uir", PANELDEBUG);
    debugPanelOpen = 1;
  }
  void commit(int control, int value) {
    SetCtrlVal(debugPanelHandle, control, value);
    general_purpose_IO_DebugPanel(debugPanelHandle, control, EVENT_COMMIT, nullptr, 0, 0);
  }
};

TEST_F(DebugPanelPhasesTest, EachRingWritesItsOwnChannelsPhasePinsAndIsSaved) {
  using Writes = std::vector<std::string>;
  commit(PANELDEBUG_RINGSLIDE_9340PHS_CH2, 3);  // chip 6 pins 4 and 5
  commit(PANELDEBUG_RINGSLIDE_9372PHS_CH2, 1);  // chip 6 pin 7
  commit(PANELDEBUG_RINGSLIDE_9372PHS_CH1, 1);  // chip 6 pin 6
  EXPECT_EQ(board_writes(),
            (Writes{"I2C 56 F0 10", "I2C 56 F2 10", "I2C 56 F0 20", "I2C 56 F2 20", "I2C 56 F0 80",
                    "I2C 56 F2 80", "I2C 56 F0 40", "I2C 56 F2 40"}));
  EXPECT_EQ(ringslide_9240phs_ch2, 3);
  EXPECT_EQ(ringslide_9372phs_ch2, 1);
  EXPECT_EQ(ringslide_9372phs_ch1, 1);
  EXPECT_EQ(ringslide_9240phs_ch1, 0);
}

TEST_F(DebugPanelPhasesTest, KeepingThePhasesEnablesOnlyThatChannelsRings) {
  commit(PANELDEBUG_CKBX_MANUAL_MD_CH1, 1);
  EXPECT_EQ(channelConfig[1].keepPhases, 1);
  EXPECT_EQ(channelConfig[2].keepPhases, 0);
  EXPECT_EQ(dimmed(PANELDEBUG_RINGSLIDE_9340PHS_CH1, debugPanelHandle), 0);
  commit(PANELDEBUG_CKBX_MANUAL_MD_CH2, 0);
  EXPECT_EQ(dimmed(PANELDEBUG_RINGSLIDE_9372PHS_CH2, debugPanelHandle), 1);
  EXPECT_EQ(dimmed(PANELDEBUG_RINGSLIDE_9372PHS_CH1, debugPanelHandle), 0);
  EXPECT_TRUE(bus->calls.empty());  // nothing goes to the board
}

}  // namespace
