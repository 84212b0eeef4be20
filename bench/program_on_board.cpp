#include "bench/program_on_board.h"

#include <string>

#include "app/measurement.h"
#include "app/startup.h"
#include "platform/clock.h"
#include "platform/ui_frontend.h"
#include "platform/ui_store.h"
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
  start_program();  // connects on its first tick
  for (int i = 0; i < 10; ++i) {
    kd71::clock::spend(0.2);
    CBTimer(panelHandle, PANELMAIN_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
  }
}
