#include "app/bridge_choice.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/bridge_backend.h"
#include "tests/support/fresh_state.h"

namespace {

using BridgeChoiceTest = kd71::test::FreshState;

TEST_F(BridgeChoiceTest, TheEnvironmentNamesTheAutomationLibrarysBackend) {
  unsetenv("KD71_BRIDGE");
  EXPECT_EQ(bridge_from_environment(), "ftdi");
  setenv("KD71_BRIDGE", "", 1);
  EXPECT_EQ(bridge_from_environment(), "ftdi");
  setenv("KD71_BRIDGE", "sim", 1);
  EXPECT_EQ(bridge_from_environment(), "sim");
  unsetenv("KD71_BRIDGE");
}

TEST_F(BridgeChoiceTest, NamedBackendsInstallAndUnknownOnesLeaveNone) {
  ASSERT_TRUE(install_bridge("sim"));
  ASSERT_NE(kd71::bridge::installed(), nullptr);
  DWORD n = 0;
  EXPECT_EQ(FT_CreateDeviceInfoList(&n), FT_OK);
  EXPECT_EQ(n, 1u);
  EXPECT_FALSE(install_bridge("usb3000"));
  EXPECT_EQ(kd71::bridge::installed(), nullptr);
  EXPECT_EQ(FT_CreateDeviceInfoList(&n), FT_DEVICE_NOT_FOUND);
}

}  // namespace
