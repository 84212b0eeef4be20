#include "app/startup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/panel_handles.h"
#include "platform/os/instance_lock.h"
#include "platform/ui_runtime/ui_store.h"
#include "tests/support/fresh_state.h"
#include "tests/support/scripted_frontend.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace {

// Presses the quit button once the virtual clock passes `quit_at`.
class QuitLater : public kd71::test::ScriptedFrontEnd {
 public:
  explicit QuitLater(double quit_at) : quit_at_(quit_at) {}
  void pump_input() override {
    if (!posted_ && Timer() >= quit_at_ && panelHandle > 0) {
      posted_ = true;
      kd71::ui::post_event(panelHandle, PANELMAIN_CMDQUIT, EVENT_COMMIT);
    }
  }

 private:
  double quit_at_;
  bool posted_ = false;
};

class StartupTest : public kd71::test::FreshState {
 protected:
  void TearDown() override {
    kd71::instance::release();
    FreshState::TearDown();
  }
  kd71::test::WorkFolder folder_;  // settings.cfg and the lock file go there
};

TEST_F(StartupTest, ShowsTheMainPanelRunsTheLoopAndQuits) {
  QuitLater fe(1.0);
  kd71::ui::set_front_end(&fe);
  char name[] = "kd71";
  char* argv[] = {name, nullptr};
  EXPECT_EQ(kd71_main(1, argv), 0);

  ASSERT_GT(panelHandle, 0);
  EXPECT_TRUE(kd71::ui::panel_displayed(panelHandle));
  std::string title;
  GetPanelAttribute(panelHandle, ATTR_TITLE, &title);
  EXPECT_EQ(title, "Error Detector - KOLVIDRA                           V 1.0.8");
  std::string text;
  GetCtrlVal(panelHandle, PANELMAIN_VER, &text);
  EXPECT_EQ(text, "V 1.0.8");
  GetCtrlAttribute(panelHandle, PANELMAIN_VER, ATTR_TOOLTIP_TEXT, &text);
  // "Feb 28 2017 16:54:02": month, day, year and time.
  EXPECT_EQ(text.size(), 20u);
  EXPECT_EQ(text[3], ' ');
  EXPECT_EQ(text[14], ':');
  EXPECT_GE(Timer(), 1.0);
  EXPECT_FALSE(kd71::instance::held());  // released at the end
}

TEST_F(StartupTest, ASecondInstanceIsRefusedAfterTwoSeconds) {
  ASSERT_EQ(kd71::instance::acquire(kInstanceLockName), kd71::instance::Guard::Acquired);
  // The lock is per open file: a second open in this process behaves like a
  // second program.
  kd71::instance::release();
  const pid_t pid = fork();
  if (pid == 0) {
    kd71::instance::acquire(kInstanceLockName);
    pause();
    _exit(0);
  }
  // Wait until the child holds the lock.
  for (int i = 0;
       i < 2000 && kd71::instance::acquire(kInstanceLockName) == kd71::instance::Guard::Acquired;
       ++i) {
    kd71::instance::release();
    usleep(1000);
  }
  testing::internal::CaptureStdout();
  char name[] = "kd71";
  char* argv[] = {name, nullptr};
  const int result = kd71_main(1, argv);
  const std::string out = testing::internal::GetCapturedStdout();
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);

  EXPECT_EQ(result, 1);
  EXPECT_EQ(out, "Program Already Running...\nMultiple Executions are Disallowed.\n");
  EXPECT_DOUBLE_EQ(Timer(), 2.0);
  EXPECT_TRUE(kd71::ui::panel_handles().empty());  // no window
}

TEST_F(StartupTest, QuitPanelClosesTheDebugPanelOnlyOnCommit) {
  kd71_bind_callbacks();
  debugPanelHandle = LoadPanel(0, "main.uir", PANELDEBUG);
  debugPanelOpen = 1;
  EXPECT_EQ(
      quit_panel(debugPanelHandle, PANELDEBUG_CLOSEPANELDEBUG, EVENT_VAL_CHANGED, nullptr, 0, 0),
      0);
  EXPECT_TRUE(kd71::ui::panel_exists(debugPanelHandle));
  EXPECT_EQ(debugPanelOpen, 1);
  EXPECT_EQ(quit_panel(debugPanelHandle, PANELDEBUG_CLOSEPANELDEBUG, EVENT_COMMIT, nullptr, 0, 0),
            0);
  EXPECT_FALSE(kd71::ui::panel_exists(debugPanelHandle));
  EXPECT_EQ(debugPanelOpen, 0);
}

TEST_F(StartupTest, EveryCallbackThePanelsNameIsBuilt) {
  kd71_bind_callbacks();
  EXPECT_EQ(kd71::ui::unbound_callback_names(), std::vector<std::string>{});
}

}  // namespace
