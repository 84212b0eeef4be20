// Progress of the long routines: estimates from the measured pace, texts to
// the window, and at most one console line a second headless.
#include "app/routine_progress.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/ui_runtime/ui_store.h"
#include "platform/ui_runtime/userint.h"
#include "tests/support/fresh_state.h"
#include "tests/support/scripted_frontend.h"

namespace {

class RoutineProgressTest : public kd71::test::FreshState {};

TEST_F(RoutineProgressTest, EstimateFollowsTheMeasuredPace) {
  begin_routine_progress();
  EXPECT_LT(routine_seconds_left(0, 10), 0.0);  // nothing measured yet
  Delay(2.0);
  EXPECT_DOUBLE_EQ(routine_seconds_left(4, 6), 3.0);  // 0.5 s a step, 6 to go
  EXPECT_DOUBLE_EQ(routine_seconds_left(4, -1), 0.0);
}

TEST_F(RoutineProgressTest, TextsReachTheWindowAndTheEndClearsThem) {
  kd71::test::ScriptedFrontEnd window;
  kd71::ui::set_front_end(&window);
  show_routine_progress("CH%d auto search: %.3f V, move %d", 1, 1.153, 41);
  end_routine_progress();
  ASSERT_EQ(window.progress.size(), 2u);
  EXPECT_EQ(window.progress[0], "CH1 auto search: 1.153 V, move 41");
  EXPECT_EQ(window.progress[1], "");
}

TEST_F(RoutineProgressTest, HeadlessPrintsAtMostOneLineASecond) {
  testing::internal::CaptureStdout();
  for (int i = 0; i < 5; ++i) {
    show_routine_progress("step %d", i);
    Delay(0.1);
  }
  Delay(0.6);  // one second after the first line
  show_routine_progress("step 5");
  end_routine_progress();
  show_routine_progress("next routine");  // shows at once
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "step 0\nstep 5\nnext routine\n");
}

}  // namespace
