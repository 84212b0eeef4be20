// The exported functions on the simulated board with the virtual clock, each
// test from the start state with the instrument closed.
#pragma once

#include <gtest/gtest.h>

#include "export/kd71.h"
#include "platform/os/clock.h"
#include "sim/sim_board.h"
#include "tests/support/fresh_state.h"

namespace kd71::test {

class AutomationTest : public FreshState {
 protected:
  void SetUp() override {
    usb_close();  // whatever an earlier test left open
    FreshState::SetUp();
  }
  void TearDown() override {
    usb_close();
    FreshState::TearDown();
  }
  kd71::sim::SimBoard* open(const kd71::sim::Scenario& scenario = {}) {
    kd71::sim::SimBoard* board = kd71::sim::install_simulated_board(scenario);
    EXPECT_EQ(usb_init(), 1);
    return board;
  }
  // Virtual seconds that `call` takes.
  template <typename Call>
  static double seconds_of(Call call) {
    const double start = kd71::clock::now();
    call();
    return kd71::clock::now() - start;
  }
};

}  // namespace kd71::test
