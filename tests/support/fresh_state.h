// Every test starts from the program's start state: no panels, no events,
// no backend, the virtual clock at 0 and all module globals at their start
// values.
#pragma once

#include <gtest/gtest.h>

namespace kd71::test {

// Puts every module back to its start state and switches to the virtual clock.
void reset_all();

class FreshState : public ::testing::Test {
 protected:
  void SetUp() override { reset_all(); }
  void TearDown() override { reset_all(); }
};

}  // namespace kd71::test
