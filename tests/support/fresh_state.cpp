#include "tests/support/fresh_state.h"

#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/analog_controls.h"
#include "app/calibration_progress.h"
#include "app/channel_config.h"
#include "app/debug_panel.h"
#include "app/measurement.h"
#include "app/routine_guard.h"
#include "app/routine_progress.h"
#include "app/settings_file.h"
#include "app/snapshot_analysis.h"
#include "app/startup.h"
#include "app/statistics.h"
#include "app/stop_signal.h"
#include "app/threshold_search.h"
#include "eye_scan/eye_scan.h"
#include "hardware/debug_flags.h"
#include "hardware/i2c_comms.h"
#include "hardware/lowlevel.h"
#include "monitoring/metrics_server.h"
#include "monitoring/sample_tally.h"
#include "platform/bridge/bridge_backend.h"
#include "platform/os/clock.h"
#include "platform/ui_runtime/ui_store.h"
#include "program/button_presses.h"
#include "program/console_status.h"
#include "program/eye_scan_command.h"
#include "program/own_input.h"
#include "program/timed_test.h"
#include "remote/scpi_server.h"
#include "report/run_tally.h"
#include "report/test_report.h"
#include "results/measurement_extras.h"
#include "results/measurement_log.h"
#include "results/ratio_history.h"
#include "results/run_verdict.h"
#include "ui/main_uir_panels.h"

namespace kd71::test {

// The program's own settings: a folder of this test process, removed by each reset.
void fresh_config_folder() {
  static const std::string folder =
      std::filesystem::temp_directory_path() / ("kd71-config-" + std::to_string(getpid()));
  std::filesystem::remove_all(folder);
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
}

void reset_all() {
  fresh_config_folder();
  kd71::ui::reset();
  kd71::uir::register_main_uir();
  kd71::bridge::reset();
  kd71::clock::reset();
  kd71::clock::use_virtual(0.0);
  startup_reset();
  stop_signal_reset();
  console_status_reset();
  debug_panel_reset();
  eye_scan_reset();
  eye_scan_command_reset();
  analog_controls_reset();
  button_presses_reset();
  calibration_progress_reset();
  channel_config_reset();
  measurement_reset();
  attach_results_to_measurement();
  attach_console_status_to_measurement();
  attach_run_tally_to_measurement();
  measurement_extras_reset();
  measurement_log_reset();
  ratio_history_reset();
  run_tally_reset();
  test_report_reset();
  run_verdict_reset();
  scpi_server_reset();
  metrics_server_reset();
  own_input_reset();
  kd71::metrics::sample_tally_reset();
  timed_test_reset();
  routine_guard_reset();
  routine_progress_reset();
  settings_reset();
  snapshot_analysis_reset();
  statistics_reset();
  threshold_search_reset();
  debug_flags_reset();
  i2c_reset();
  lowlevel_reset();
}

}  // namespace kd71::test
