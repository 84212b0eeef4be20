#include "bench/program_on_board.h"

#include <string>

#include "app/channel_config.h"
#include "app/measurement.h"
#include "app/startup.h"
#include "platform/os/clock.h"
#include "platform/ui_runtime/ui_frontend.h"
#include "platform/ui_runtime/ui_store.h"
#include "results/measurement_extras.h"
#include "sim/sim_board.h"
#include "ui/main_uir.h"

namespace {

class Silent : public kd71::ui::FrontEnd {
  void message_popup(const std::string&, const std::string&) override {}
  void routine_progress(const std::string&) override {}
};

}  // namespace

void start_program_on_board(const kd71::sim::Scenario& scenario) {
  static Silent silent;
  kd71::clock::use_virtual(0.0);
  kd71::ui::set_front_end(&silent);
  kd71::sim::install_simulated_board(scenario);
  attach_results_to_measurement();
  start_program();  // connects on its first tick
  for (int i = 0; i < 10; ++i) {
    kd71::clock::spend(0.2);
    CBTimer(panelHandle, PANELMAIN_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
  }
}

void set_manual_mode(int channel, int on) {
  const int box = channel == 1 ? PANELMAIN_CKBX_MANUAL_MD_CH1 : PANELMAIN_CKBX_MANUAL_MD_CH2;
  SetCtrlVal(panelHandle, box, on);
  general_purpose_IO(panelHandle, box, EVENT_COMMIT, nullptr, 0, 0);
}

bool start_once_behind_full_speed_usb() {
  static bool started = false;
  if (started) return false;
  started = true;
  kd71::sim::Scenario scenario;
  scenario.latency = kd71::sim::Latency::usb_full_speed();
  start_program_on_board(scenario);
  return true;
}
