#include "app/bridge_choice.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/bridge/bridge_backend.h"
#include "sim/sim_board.h"
#include "tests/support/fresh_state.h"
#include "tests/support/work_folder.h"

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

TEST_F(BridgeChoiceTest, TheAutomationLibraryFindsItsScenarioInTheEnvironment) {
  setenv("KD71_BRIDGE", "sim", 1);
  setenv("KD71_SIM_SCENARIO", "/lab/replug.txt", 1);
  const BridgeChoice choice = bridge_choice_from_environment();
  EXPECT_EQ(choice.backend, "sim");
  EXPECT_EQ(choice.scenario_file, "/lab/replug.txt");
  unsetenv("KD71_SIM_SCENARIO");
  unsetenv("KD71_BRIDGE");
  EXPECT_EQ(bridge_choice_from_environment().scenario_file, "");
}

TEST_F(BridgeChoiceTest, AScenarioFileDescribesTheSimulatedBoard) {
  kd71::test::WorkFolder folder;
  folder.write("board.txt", "firmware_version 0x1F03\nch2.rate_mhz 25000\n");
  std::string error;
  ASSERT_EQ(install_bridge({"sim", "", "board.txt", nullptr}, &error), BridgeResult::Installed)
      << error;
  kd71::sim::SimBoard* board = kd71::sim::simulated_board();
  ASSERT_NE(board, nullptr);
  EXPECT_EQ(board->firmware_version(), 0x1F03);
  EXPECT_EQ(board->channel(2).rate_mhz, 25000);
}

TEST_F(BridgeChoiceTest, AWrongScenarioInstallsNothingAndTouchesNothing) {
  kd71::test::WorkFolder folder;
  folder.write("bad.txt", "seed 2\nch1.nosie_mv 8\n");
  std::string error;
  EXPECT_EQ(install_bridge({"sim", "trace.vcd", "bad.txt", nullptr}, &error),
            BridgeResult::BadScenario);
  EXPECT_EQ(error, "bad.txt:2: unknown key \"ch1.nosie_mv\"");
  EXPECT_EQ(kd71::bridge::installed(), nullptr);
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "trace.vcd"));

  folder.write("good.txt", "seed 2\n");
  EXPECT_EQ(install_bridge({"ftdi", "", "good.txt", nullptr}, &error), BridgeResult::BadScenario);
  EXPECT_EQ(error, "good.txt: a scenario file is for the simulated board only");
  EXPECT_EQ(kd71::bridge::installed(), nullptr);
}

}  // namespace
