#include "app/debug_panel.h"

#include <gtest/gtest.h>

#include "hardware/lowlevel.h"
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

}  // namespace
