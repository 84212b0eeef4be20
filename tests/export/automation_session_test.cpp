// Opening and closing the instrument: what usb_init does and leaves undone,
// why it fails, and every call out of order.
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/bridge/bridge_backend.h"
#include "platform/bridge/ftd2xx.h"
#include "platform/ui_runtime/ui_store.h"
#include "tests/export/automation_fixture.h"
#include "tests/support/sample_settings.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

extern int panelHandle;

namespace {

using kd71::sim::Call;
using kd71::sim::Scenario;
using kd71::sim::SimBoard;

class AutomationSessionTest : public kd71::test::AutomationTest {};

TEST_F(AutomationSessionTest, OpenLoadsHiddenPanelsAndSendsOnlyTheReferences) {
  kd71::test::WorkFolder folder;
  folder.write("settings.cfg", kd71::test::kSampleSettings);  // not for the library
  SimBoard* board = kd71::sim::install_simulated_board();
  EXPECT_NEAR(seconds_of([] { EXPECT_EQ(usb_init(), 1); }), 0.12, 0.001);
  const auto panels = kd71::ui::panel_handles();
  ASSERT_EQ(panels.size(), 2u);
  EXPECT_EQ(kd71::ui::panel_resource_id(panels[0]), PANELMAIN);
  EXPECT_EQ(kd71::ui::panel_resource_id(panels[1]), PANELDEBUG);
  for (int p : panels) EXPECT_FALSE(kd71::ui::panel_displayed(p));
  EXPECT_EQ(kd71::ui::numeric_value(panelHandle, PANELMAIN_CH1_THRES), 0.0);
  for (int device : {0, 1}) EXPECT_EQ(board->dac(device, 0).eeprom.code, 2047);  // 1.65 V

  // The first ticks neither open the bridge again nor send the panel's
  // defaults over what the caller set.
  ASSERT_EQ(DataSel(1, 3), 1);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(GetBitRate(1), 10000);
  EXPECT_EQ(board->calls().of(Call::Open), 1u);
  EXPECT_EQ(board->counters().register_writes, decltype(board->counters().register_writes){});
  EXPECT_EQ(board->pattern_code(1), 3);
}

TEST_F(AutomationSessionTest, CallsOutOfOrderHaveDefinedResults) {
  // Before usb_init: nothing is done, no time passes, no backend is chosen.
  EXPECT_EQ(seconds_of([] {
              EXPECT_EQ(usb_close(), 1);
              for (int r : {InputClock(1, 1), DataSel(1, 8), ManualMode(1, 1),
                            DataThreshold(1, 5.0f), SampingDelay(1, 1.0f)})
                EXPECT_EQ(r, 0);
              for (int r : {GetBitRate(1), GetOnes(1), GetSyncStatus(1), GetFastErrorCount(1)})
                EXPECT_EQ(r, -1);
              EXPECT_EQ(GetErrorCount(1), 0u);
              EXPECT_EQ(GetErrorRatio(1), -1.0f);
            }),
            0.0);
  EXPECT_EQ(kd71::bridge::installed(), nullptr);

  // Open twice is open once; close twice is closed; then open again.
  SimBoard* board = open();
  EXPECT_EQ(usb_init(), 1);
  EXPECT_EQ(board->calls().of(Call::Open), 1u);
  EXPECT_EQ(usb_close(), 1);
  EXPECT_FALSE(board->is_open());
  EXPECT_TRUE(kd71::ui::panel_handles().empty());
  EXPECT_EQ(usb_close(), 1);
  EXPECT_EQ(GetBitRate(1), -1);
  ASSERT_EQ(usb_init(), 1);
  EXPECT_EQ(GetBitRate(2), 28000);
}

// A fork while another thread waits inside a call: the child starts closed
// and answers at once (its alarm ends it, should it hang).
TEST_F(AutomationSessionTest, AChildForkedDuringAnotherThreadsCallStartsClosed) {
  kd71::clock::use_real();  // the other thread sleeps in its call's wait
  open();
  std::atomic<pid_t> caller{0};
  std::atomic<bool> done{false};
  std::thread other([&] {
    caller = gettid();
    while (!done) GetFastErrorCount(1);
  });
  while (caller == 0) std::this_thread::yield();
  const std::string stat = "/proc/self/task/" + std::to_string(caller) + "/stat";
  for (std::string s; s.find(") S ") == s.npos;) std::getline(std::ifstream(stat), s);
  const pid_t child = fork();
  if (child == 0) alarm(5), _exit(GetBitRate(1) == -1 ? 0 : 1);
  done = true;
  other.join();
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(GetBitRate(2), 28000) << "the parent keeps the board";
}

TEST_F(AutomationSessionTest, AFailedOpenSaysWhyAndLeavesNothingOpen) {
  Scenario unplugged;
  unplugged.plugged = false;
  SimBoard* board = kd71::sim::install_simulated_board(unplugged);
  errno = 0;
  EXPECT_EQ(usb_init(), 0);
  EXPECT_EQ(errno, ENODEV);
  EXPECT_TRUE(kd71::ui::panel_handles().empty());

  // Listed, but held open elsewhere.
  board->plug();
  DWORD count = 0;
  FT_HANDLE other = nullptr;
  ASSERT_EQ(FT_CreateDeviceInfoList(&count), FT_OK);
  ASSERT_EQ(FT_Open(0, &other), FT_OK);
  errno = 0;
  EXPECT_EQ(usb_init(), 0);
  EXPECT_EQ(errno, EBUSY);
  EXPECT_EQ(GetBitRate(1), -1);
  FT_Close(other);
  EXPECT_EQ(usb_init(), 1);
}

TEST_F(AutomationSessionTest, TheBackendAndScenarioComeFromTheEnvironment) {
  kd71::test::WorkFolder folder;
  folder.write("fast.txt", "ch1.rate_mhz 40000\n");
  folder.write("wrong.txt", "ch1.rate_mhz fast\n");
  const auto init_with = [](const char* bridge, const char* scenario) {
    setenv("KD71_BRIDGE", bridge, 1);
    setenv("KD71_SIM_SCENARIO", scenario, 1);
    errno = 0;
    const int result = usb_init();
    unsetenv("KD71_BRIDGE");
    unsetenv("KD71_SIM_SCENARIO");
    return result;
  };
  EXPECT_EQ(init_with("parallel-port", ""), 0);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(init_with("sim", "wrong.txt"), 0);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(kd71::bridge::installed(), nullptr);
  EXPECT_EQ(init_with("sim", "fast.txt"), 1);
  EXPECT_EQ(GetBitRate(1), 40000);
}

}  // namespace

namespace {

TEST_F(AutomationSessionTest, KD71SerialChoosesOneBoardOfSeveral) {
  struct Case {
    const char* serial;  // nullptr: unset
    int result;
    int error;
    int opened;  // the board left open, -1 none
  };
  for (const Case& c :
       {Case{nullptr, 1, 0, 1}, Case{"KD71SIM000001", 1, 0, 0}, Case{"KD71SIM000002", 1, 0, 1},
        Case{"KD71SIM000003", 0, ENODEV, -1}, Case{"a/b", 0, EINVAL, -1}}) {
    kd71::sim::install_simulated_board(Scenario::two_boards());
    if (c.serial) setenv("KD71_SERIAL", c.serial, 1);
    errno = 0;
    EXPECT_EQ(usb_init(), c.result) << (c.serial ? c.serial : "unset");
    EXPECT_EQ(errno, c.error) << (c.serial ? c.serial : "unset");
    unsetenv("KD71_SERIAL");
    for (int b : {0, 1})
      EXPECT_EQ(kd71::sim::simulated_board(b)->is_open(), b == c.opened)
          << (c.serial ? c.serial : "unset") << " board " << b;
    usb_close();
  }
}

}  // namespace
