// Fixture for the eye scan on the simulated board, with the virtual clock:
// the program started on a scenario and connected, channels switched to
// manual mode, scans run to their end.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "app/channel_config.h"
#include "app/panel_handles.h"
#include "app/startup.h"
#include "eye_scan/eye_scan.h"
#include "platform/ui_runtime/ui_store.h"
#include "platform/ui_runtime/userint.h"
#include "program/console_front_end.h"
#include "sim/sim_board.h"
#include "tests/support/console_program_fixture.h"
#include "ui/main_uir.h"

namespace kd71::test {

inline constexpr int kManualBox[3] = {0, PANELMAIN_CKBX_MANUAL_MD_CH1,
                                       PANELMAIN_CKBX_MANUAL_MD_CH2};
inline constexpr int kThreshold[3] = {0, PANELMAIN_CH1_THRES, PANELMAIN_CH2_THRES};
inline constexpr int kDelay[3] = {0, PANELMAIN_CH1_SAMPDEL, PANELMAIN_CH2_SAMPDEL};

class EyeScanTest : public ConsoleProgramTest<WatchingFrontEnd> {
 protected:
  // The program on a board with `scenario`, connected; `manual` channels in
  // manual mode, their phases applied by the ticks.
  sim::SimBoard* start(const sim::Scenario& scenario = {}, std::initializer_list<int> manual = {}) {
    sim::SimBoard* board = sim::install_simulated_board(scenario);
    EXPECT_EQ(start_program(), 0);
    ui::run_until(1.0);
    for (int n : manual) set_mode(n, 1);
    ui::run_until(2.0);
    return board;
  }
  void set_mode(int n, int manual) {
    SetCtrlVal(panelHandle, kManualBox[n], manual);
    general_purpose_IO(panelHandle, kManualBox[n], EVENT_COMMIT, nullptr, 0, 0);
  }
  // Starts a scan and runs the loop until it has ended.
  const EyeScanResult& scan(const EyeScanRequest& request) {
    std::string why;
    EXPECT_TRUE(eye_scan_start(request, &why)) << why;
    ui::run_until(Timer());
    EXPECT_FALSE(eye_scan_busy());
    return eye_scan_result();
  }
  double value(int control) const { return ui::numeric_value(panelHandle, control); }
  int dimmed(int control) const {
    int v = -1;
    GetCtrlAttribute(panelHandle, control, ATTR_DIMMED, &v);
    return v;
  }
};

}  // namespace kd71::test
