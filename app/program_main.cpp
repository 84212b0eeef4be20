// Entry point of the kd71 program: command line, bridge backend, front-end
// (the window, or the console when there is no display or --headless asks
// for none), stop signals; then the program proper (kd71_main).
#include <cstdio>

#include "app/bridge_choice.h"
#include "app/command_line.h"
#include "app/console_front_end.h"
#include "app/startup.h"
#include "app/stop_signal.h"
#include "app/version.h"
#include "app/window_close.h"
#include "platform/ui_store.h"
#include "ui/qt/window_session.h"

namespace {

int run_windowed(int& argc, char* argv[]) {
  kd71::qt::WindowHooks hooks;
  hooks.close_requested = close_panel_window;
  hooks.poll = [] {
    quit_on_stop_signal();
    return stop_signal_seen();
  };
  kd71::qt::WindowSession session(argc, argv, hooks);
  kd71::ui::set_front_end(&session.front_end());
  const int result = kd71_main(argc, argv);
  kd71::ui::set_front_end(nullptr);
  return result;
}

int run_headless(int argc, char* argv[]) {
  ConsoleFrontEnd console;
  kd71::ui::set_front_end(&console);
  const int result = kd71_main(argc, argv);
  kd71::ui::set_front_end(nullptr);
  return result;
}

}  // namespace

int main(int argc, char* argv[]) {
  const CommandLine cl = parse_command_line(argc, argv);
  if (!cl.error.empty()) {
    std::fprintf(stderr, "kd71: %s\n%s", cl.error.c_str(), usage_text());
    return 2;
  }
  if (cl.help) {
    std::printf("%s", usage_text());
    return 0;
  }
  if (cl.version) {
    std::printf("%s (built %s)\n", kVersionText, build_stamp());
    return 0;
  }

  std::string error;
  const BridgeResult bridge =
      install_bridge({cl.simulate ? "sim" : "ftdi", cl.i2c_trace, cl.sim_scenario}, &error);
  if (bridge == BridgeResult::BadScenario) {  // before anything is touched
    std::fprintf(stderr, "kd71: %s\n", error.c_str());
    return 2;
  }
  if (bridge == BridgeResult::Unavailable)
    std::fprintf(stderr, "kd71: no %s bridge backend is available; the board cannot be reached\n",
                 cl.simulate ? "simulated" : "USB");

  install_stop_signals();
  bool windowed = !cl.headless;
  if (windowed && !kd71::qt::display_available()) {
    std::printf("kd71: no display available; running headless\n");
    std::fflush(stdout);
    windowed = false;
  }
  return windowed ? run_windowed(argc, argv) : run_headless(argc, argv);
}
