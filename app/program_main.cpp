// Entry point of the kd71 program: command line, bridge backend, front-end,
// signals; then the program proper (kd71_main).
#include <csignal>
#include <cstdio>

#include "app/bridge_choice.h"
#include "app/command_line.h"
#include "app/startup.h"
#include "app/version.h"
#include "platform/ui_frontend.h"
#include "platform/ui_store.h"
#include "ui/main_uir.h"

namespace {

volatile std::sig_atomic_t g_stop_signal = 0;

void on_stop_signal(int) { g_stop_signal = 1; }

void install_stop_signals() {
  struct sigaction action = {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

// Without a window: a stop signal acts as the quit button.
class ConsoleFrontEnd : public kd71::ui::FrontEnd {
 public:
  void pump_input() override {
    if (g_stop_signal && !quit_posted_ && panelHandle > 0) {
      quit_posted_ = true;
      kd71::ui::post_event(panelHandle, PANELMAIN_CMDQUIT, EVENT_COMMIT);
    }
  }

 private:
  bool quit_posted_ = false;
};

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

  if (!install_bridge(cl.simulate ? "sim" : "ftdi", cl.i2c_trace))
    std::fprintf(stderr, "kd71: no %s bridge backend is available; the board cannot be reached\n",
                 cl.simulate ? "simulated" : "USB");

  install_stop_signals();
  ConsoleFrontEnd console;
  kd71::ui::set_front_end(&console);
  const int result = kd71_main(argc, argv);
  kd71::ui::set_front_end(nullptr);
  return result;
}
