// Entry point of the kd71 program: command line (and the board list, which
// opens no board), stop signals, the single-instance guard of the board,
// then the bridge backend and the front-end (the window, or the console
// when --headless asks for none or no display can be opened), and the
// program proper (run_program).
//
// The guard comes before anything else is touched, so that a second copy
// that is refused leaves the first one's trace file, board and settings
// alone, and refuses the same way whatever the display.
#include <cstdio>
#include <string>

#include "app/bridge_choice.h"
#include "app/startup.h"
#include "app/stop_signal.h"
#include "app/version.h"
#include "app/window_close.h"
#include "gui/own_settings.h"
#include "gui/window_session.h"
#include "monitoring/metrics_server.h"
#include "monitoring/sample_tally.h"
#include "platform/os/instance_lock.h"
#include "platform/ui_runtime/ui_store.h"
#include "program/board_list.h"
#include "program/button_presses.h"
#include "program/command_line.h"
#include "program/console_front_end.h"
#include "program/console_status.h"
#include "program/eye_scan_command.h"
#include "program/own_input.h"
#include "program/timed_test.h"
#include "remote/scpi_server.h"
#include "report/run_tally.h"
#include "report/test_report.h"
#include "results/measurement_extras.h"
#include "results/measurement_log.h"
#include "results/run_verdict.h"

namespace {

int run_windowed(int& argc, char* argv[]) {
  kd71::qt::WindowHooks hooks;
  hooks.close_requested = close_panel_window;
  hooks.poll = [] {
    press_queued_buttons();
    return poll_stop_signal();
  };
  kd71::qt::WindowSession session(argc, argv, hooks);
  if (own_input_descriptor() >= 0) session.serve_input({own_input_descriptor(), serve_own_input});
  kd71::ui::set_front_end(&session.front_end());
  const int result = run_program();
  kd71::ui::set_front_end(nullptr);
  return result;
}

int run_headless(bool timed_test) {
  ConsoleFrontEnd console;
  TimedTestFrontEnd tester;
  kd71::ui::set_front_end(timed_test ? &tester : &console);
  const int result = run_program();
  kd71::ui::set_front_end(nullptr);
  return result;
}

// The criteria of the bound and the measurement log from the command line.
// False, with a line said, when the log cannot be opened.
bool set_up_measurement(const CommandLine& cl) {
  if (cl.target_ber > 0.0) set_target_ber(cl.target_ber);
  if (cl.confidence_pct > 0.0) set_confidence_percent(cl.confidence_pct);
  if (cl.timed_test > 0) timed_test_begin(cl.timed_test);
  std::string error;
  if (!cl.report.empty() && !timed_test_report_to(cl.report, &error)) {
    std::fprintf(stderr, "kd71: cannot write the report to %s (%s)\n", cl.report.c_str(),
                 error.c_str());
    return false;
  }
  if (cl.log.empty()) return true;
  if (start_measurement_log(cl.log, &error)) return true;
  std::fprintf(stderr, "kd71: cannot log to %s (%s)\n", cl.log.c_str(), error.c_str());
  return false;
}

// The SCPI server, when the command line asks for one. False, with a line
// said, when it cannot listen.
bool start_scpi_server(const CommandLine& cl) {
  if (cl.scpi_port < 0) return true;
  std::string error;
  if (!scpi_server_start(cl.scpi_address, cl.scpi_port, &error)) {
    std::fprintf(stderr, "kd71: cannot take SCPI commands on %s port %d (%s)\n",
                 cl.scpi_address.c_str(), cl.scpi_port, error.c_str());
    return false;
  }
  const std::string endpoint = scpi_server_endpoint();
  std::printf("kd71: SCPI server listening on %s\n", endpoint.c_str());
  std::fflush(stdout);
  if (endpoint.rfind("127.", 0) != 0 && endpoint.rfind("[::1]", 0) != 0)
    std::fprintf(stderr,
                 "kd71: SCPI has no authentication: whoever reaches %s controls the instrument\n",
                 endpoint.c_str());
  return true;
}

// The metrics server, when the command line asks for one. False, with a
// line said, when it cannot listen.
bool start_metrics_server(const CommandLine& cl) {
  if (cl.metrics_port < 0) return true;
  std::string error;
  if (!metrics_server_start(cl.metrics_address, cl.metrics_port, &error)) {
    std::fprintf(stderr, "kd71: cannot serve metrics on %s port %d (%s)\n",
                 cl.metrics_address.c_str(), cl.metrics_port, error.c_str());
    return false;
  }
  kd71::metrics::attach_metrics_to_measurement();
  std::printf("kd71: metrics served on http://%s/metrics\n", metrics_server_endpoint().c_str());
  std::fflush(stdout);
  return true;
}

// The eye scan of the command line, its file written once to know that it
// can be. False, with a line said, when it cannot.
bool set_up_eye_scan(const CommandLine& cl) {
  std::string error;
  if (!cl.eye_scan ||
      eye_scan_command_begin(cl.eye, cl.eye_out, &error,
                             {cl.eye_report, cl.eye_report_ratio, cl.eye_mask}))
    return true;
  std::fprintf(stderr, "kd71: %s\n", error.c_str());
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  const CommandLine cl = parse_command_line(argc, argv);
  if (!cl.error.empty()) {
    std::fprintf(stderr, "kd71: %s\ntry 'kd71 --help'\n", cl.error.c_str());
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

  // A wrong scenario file stops the program before it touches anything.
  BridgeChoice bridge{cl.simulate ? "sim" : "ftdi", cl.i2c_trace, cl.sim_scenario, nullptr};
  std::string error;
  if (!read_bridge_scenario(&bridge, &error)) {
    std::fprintf(stderr, "kd71: %s\n", error.c_str());
    return 2;
  }

  if (cl.list_boards) {
    if (install_bridge(bridge, &error) != BridgeResult::Installed) {
      std::fprintf(stderr, "kd71: no %s bridge backend is available; no board can be listed\n",
                   cl.simulate ? "simulated" : "USB");
      return 1;
    }
    return list_boards(stdout, cl.serial);
  }

  run_for_board(cl.serial, cl.settings_file);
  attach_results_to_measurement();
  attach_run_tally_to_measurement();
  report_note_program(shell_command(argc, argv),
                      cl.simulate ? "simulated board" + (cl.sim_scenario.empty()
                                                             ? std::string()
                                                             : " (scenario " + cl.sim_scenario + ")")
                                  : "USB");
  attach_console_status_to_measurement();
  for (const ButtonPress& press : cl.presses)
    queue_button_press(press.button.c_str(), press.channel);
  install_stop_signals();
  if (const int refused = take_instance_guard()) return refused;
  if (!start_scpi_server(cl) || !start_metrics_server(cl)) {
    scpi_server_stop();
    kd71::instance::release();
    return 2;
  }
  // The user's own choices of earlier runs; the command line's are for this run.
  kd71::qt::restore_own_criteria(cl.target_ber > 0.0, cl.confidence_pct > 0.0);
  if (!set_up_measurement(cl) || !set_up_eye_scan(cl)) {
    scpi_server_stop();
    metrics_server_stop();
    kd71::instance::release();
    return 2;
  }

  if (install_bridge(bridge, &error) != BridgeResult::Installed)
    std::fprintf(stderr, "kd71: no %s bridge backend is available; the board cannot be reached\n",
                 cl.simulate ? "simulated" : "USB");

  bool windowed = !cl.headless;
  if (windowed) {
    const std::string problem = kd71::qt::display_problem();
    if (!problem.empty()) {
      std::printf("kd71: %s; running headless\n", problem.c_str());
      std::fflush(stdout);
      windowed = false;
    }
  }
  const int result = windowed ? run_windowed(argc, argv) : run_headless(cl.timed_test > 0);
  kd71::qt::save_own_criteria(cl.target_ber > 0.0, cl.confidence_pct > 0.0);
  stop_measurement_log();
  scpi_server_stop();
  metrics_server_stop();
  if (cl.eye_scan && result == 0) return eye_scan_command_end_of_program();
  return cl.timed_test > 0 && result == 0 ? timed_test_end_of_program() : result;
}
