// Opening and closing the instrument through the exported functions: what
// usb_init does and leaves undone, its failures, and every call out of order.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>

#include "platform/bridge_backend.h"
#include "platform/ftd2xx.h"
#include "platform/ui_store.h"
#include "tests/export/automation_fixture.h"
#include "tests/support/sample_settings.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

extern int panelHandle;

namespace {

using kd71::sim::Call;
using kd71::sim::Scenario;
using kd71::sim::SimBoard;
using kd71::test::ScopedEnvironment;

class AutomationSessionTest : public kd71::test::AutomationTest {};

TEST_F(AutomationSessionTest, OpenLoadsHiddenPanelsAndWritesOnlyTheReferences) {
  kd71::test::WorkFolder folder;
  folder.write("settings.cfg", kd71::test::kSampleSettings);  // must not be read
  SimBoard* board = kd71::sim::install_simulated_board();
  const std::uint8_t pins7 = board->expander(7).pins & 0xFF;

  ASSERT_EQ(usb_init(), 1);
  const auto panels = kd71::ui::panel_handles();
  ASSERT_EQ(panels.size(), 2u);
  EXPECT_EQ(kd71::ui::panel_resource_id(panels[0]), PANELMAIN);
  EXPECT_EQ(kd71::ui::panel_resource_id(panels[1]), PANELDEBUG);
  for (int p : panels) EXPECT_FALSE(kd71::ui::panel_displayed(p));
  EXPECT_EQ(kd71::ui::numeric_value(panelHandle, PANELMAIN_CH1_THRES), 0.0);

  // The two 1.65 V references, with their EEPROM; nothing else reaches the
  // board: no register, no pattern.
  for (int device : {0, 1}) {
    EXPECT_EQ(board->dac(device, 0).input.code, 2047) << device;
    EXPECT_EQ(board->dac(device, 0).eeprom.code, 2047) << device;
  }
  EXPECT_EQ(board->calls().of(Call::Open), 1u);

  // The first ticks do not connect again, so the panel's defaults are not
  // sent over what the caller sets.
  ASSERT_EQ(DataSel(1, 3), 1);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(GetBitRate(1), 10000);
  EXPECT_EQ(board->calls().of(Call::Open), 1u);
  const auto sent = board->counters();
  for (int reg = 0; reg < 16; ++reg) EXPECT_EQ(sent.register_writes[reg], 0u) << "register " << reg;
  EXPECT_EQ(board->pattern_code(1), 3);
  EXPECT_EQ(board->expander(7).pins & 0xF0, pins7 & 0xF0);
  EXPECT_EQ(folder.read("settings.cfg"), kd71::test::kSampleSettings);
}

TEST_F(AutomationSessionTest, CallsOutOfOrderHaveDefinedResults) {
  // Before usb_init (and with no backend yet): nothing is done, no time passes.
  const double spent = seconds_of([] {
    EXPECT_EQ(usb_close(), 1);
    EXPECT_EQ(InputClock(1, 1), 0);
    EXPECT_EQ(DataSel(1, 8), 0);
    EXPECT_EQ(DataThreshold(1, 5.0f), 0);
    EXPECT_EQ(SampingDelay(1, 1.0f), 0);
    EXPECT_EQ(ManualMode(1, 1), 0);
    EXPECT_EQ(GetBitRate(1), -1);
    EXPECT_EQ(GetOnes(1), -1);
    EXPECT_EQ(GetSyncStatus(1), -1);
    EXPECT_EQ(GetErrorCount(1), 0u);
    EXPECT_EQ(GetFastErrorCount(1), -1);
    EXPECT_EQ(GetErrorRatio(1), -1.0f);
  });
  EXPECT_EQ(spent, 0.0);
  EXPECT_EQ(kd71::bridge::installed(), nullptr);

  // Twice open is once open; twice closed is closed.
  SimBoard* board = open();
  EXPECT_EQ(usb_init(), 1);
  EXPECT_EQ(board->calls().of(Call::Open), 1u);
  EXPECT_EQ(kd71::ui::panel_handles().size(), 2u);
  EXPECT_EQ(usb_close(), 1);
  EXPECT_FALSE(board->is_open());
  EXPECT_TRUE(kd71::ui::panel_handles().empty());
  EXPECT_EQ(usb_close(), 1);
  EXPECT_EQ(GetBitRate(1), -1);
  EXPECT_EQ(board->calls().of(Call::Open), 1u);

  // Open again, on the same board.
  ASSERT_EQ(usb_init(), 1);
  EXPECT_TRUE(board->is_open());
  EXPECT_EQ(GetBitRate(2), 28000);
}

TEST_F(AutomationSessionTest, AFailedOpenSaysWhyAndLeavesNothingOpen) {
  Scenario unplugged;
  unplugged.plugged = false;
  SimBoard* board = kd71::sim::install_simulated_board(unplugged);
  errno = 0;
  EXPECT_EQ(usb_init(), 0);
  EXPECT_EQ(errno, ENODEV);
  EXPECT_TRUE(kd71::ui::panel_handles().empty());
  EXPECT_EQ(GetBitRate(1), -1);

  // Listed, but held open elsewhere.
  board->plug();
  DWORD count = 0;
  FT_HANDLE other = nullptr;
  ASSERT_EQ(FT_CreateDeviceInfoList(&count), FT_OK);
  ASSERT_EQ(FT_Open(0, &other), FT_OK);
  errno = 0;
  EXPECT_EQ(usb_init(), 0);
  EXPECT_EQ(errno, EBUSY);
  EXPECT_TRUE(kd71::ui::panel_handles().empty());

  // Free again: the next usb_init opens it.
  FT_Close(other);
  EXPECT_EQ(usb_init(), 1);
}

TEST_F(AutomationSessionTest, TheBackendComesFromTheEnvironmentAtTheFirstOpen) {
  {
    ScopedEnvironment bridge("KD71_BRIDGE", "usb-over-carrier-pigeon");
    errno = 0;
    EXPECT_EQ(usb_init(), 0);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(kd71::bridge::installed(), nullptr);
  }
  {
    ScopedEnvironment bridge("KD71_BRIDGE", "sim");
    EXPECT_EQ(usb_init(), 1);
  }
  SimBoard* board = kd71::sim::simulated_board();
  ASSERT_NE(board, nullptr);
  EXPECT_TRUE(board->is_open());
  EXPECT_EQ(GetBitRate(1), 10000);
}

TEST_F(AutomationSessionTest, TheSimulatedBoardTakesItsScenarioFromTheEnvironment) {
  kd71::test::WorkFolder folder;
  folder.write("fast.txt", "ch1.rate_mhz 40000\n");
  folder.write("wrong.txt", "ch1.rate_mhz fast\n");
  ScopedEnvironment bridge("KD71_BRIDGE", "sim");
  {
    ScopedEnvironment scenario("KD71_SIM_SCENARIO", "wrong.txt");
    errno = 0;
    EXPECT_EQ(usb_init(), 0);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(kd71::bridge::installed(), nullptr);
  }
  ScopedEnvironment scenario("KD71_SIM_SCENARIO", "fast.txt");
  EXPECT_EQ(usb_init(), 1);
  EXPECT_EQ(GetBitRate(1), 40000);
}

TEST_F(AutomationSessionTest, AReplugReconnectsAtTheNextReading) {
  SimBoard* board = open();
  EXPECT_EQ(GetBitRate(1), 10000);
  board->unplug();
  EXPECT_EQ(GetBitRate(1), 10000);  // the last packet's field
  board->plug();
  EXPECT_EQ(GetBitRate(1), 10000);
  EXPECT_EQ(board->calls().of(Call::Open), 2u);
  EXPECT_TRUE(board->is_open());
  EXPECT_EQ(board->pattern_code(1), 8);  // the panel's settings were sent
}

}  // namespace
