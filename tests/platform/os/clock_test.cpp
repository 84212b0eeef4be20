#include "platform/os/clock.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/ui_runtime/userint.h"
#include "tests/support/fresh_state.h"

namespace {

using ClockTest = kd71::test::FreshState;

TEST_F(ClockTest, DelayAndTimerShareTheVirtualClock) {
  EXPECT_DOUBLE_EQ(Timer(), 0.0);
  Delay(2.5);
  EXPECT_DOUBLE_EQ(Timer(), 2.5);
  kd71::clock::wait_until(4.0);
  EXPECT_DOUBLE_EQ(kd71::clock::now(), 4.0);
  kd71::clock::wait_until(1.0);  // already past: no time passes
  EXPECT_DOUBLE_EQ(Timer(), 4.0);
}

TEST_F(ClockTest, NegativeAndNonFiniteDelaysSpendNothing) {
  Delay(-1.0);
  Delay(std::nan(""));
  Delay(INFINITY);
  EXPECT_DOUBLE_EQ(Timer(), 0.0);
}

TEST_F(ClockTest, RealClockAdvancesOnItsOwn) {
  kd71::clock::use_real();
  const double before = Timer();
  Delay(0.002);
  EXPECT_GE(Timer() - before, 0.002);
  EXPECT_FALSE(kd71::clock::is_virtual());
}

}  // namespace
