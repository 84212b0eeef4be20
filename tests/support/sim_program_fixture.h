// Fixture for the program on the simulated board with the virtual clock:
// start-up as `kd71 --simulate` does it, the event loop's ticks, and the
// controls as the user sets and reads them.
#pragma once

#include <string>

#include "app/measurement.h"
#include "app/startup.h"
#include "platform/ui_runtime/ui_store.h"
#include "sim/sim_board.h"
#include "tests/support/fresh_state.h"
#include "tests/support/scripted_frontend.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace kd71::test {

class SimProgramTest : public FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    kd71::ui::set_front_end(&fe_);
  }
  kd71::sim::SimBoard* start(const kd71::sim::Scenario& scenario = {}) {
    kd71::sim::SimBoard* board = kd71::sim::install_simulated_board(scenario);
    EXPECT_EQ(start_program(), 0);
    return board;
  }
  // Runs the event loop, ticks and all, until the virtual clock reaches `t`.
  void run_until(double t) { kd71::ui::run_until(t); }
  void tick() { CBTimer(panelHandle, PANELMAIN_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0); }
  void commit(int control, int value) {
    SetCtrlVal(panelHandle, control, value);
    kd71::ui::post_event(panelHandle, control, EVENT_COMMIT);
  }
  // A slider moved to `value`.
  void slide(int control, double value) {
    SetCtrlVal(panelHandle, control, value);
    kd71::ui::post_event(panelHandle, control, EVENT_VAL_CHANGED);
  }

  std::string text(int control) const {
    std::string v;
    GetCtrlVal(panelHandle, control, &v);
    return v;
  }
  double number(int control) const { return kd71::ui::numeric_value(panelHandle, control); }
  int attribute(int control, int attr) const {
    int v = -1;
    GetCtrlAttribute(panelHandle, control, attr, &v);
    return v;
  }

  ScriptedFrontEnd fe_;
  WorkFolder folder_;  // settings.cfg goes there
};

}  // namespace kd71::test
