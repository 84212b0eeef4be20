// The program's command line.
#pragma once

#include <string>
#include <vector>

#include "eye_scan/eye_scan.h"

// A button pressed once the board is connected: "init" (--init CH) or
// "auto-search" (--auto-search CH) of channel 1 or 2.
struct ButtonPress {
  std::string button;
  int channel;
};

inline constexpr int kDefaultScpiPort = 5025;
inline constexpr const char* kScpiLoopback = "127.0.0.1";
inline constexpr const char* kMetricsLoopback = "127.0.0.1";

struct CommandLine {
  bool simulate = false;  // attach the simulated board instead of the USB bridge
  bool headless = false;  // no window
  bool version = false;
  bool help = false;
  std::string i2c_trace;             // with --simulate: VCD file of the board's I2C lines
  std::string sim_scenario;          // with --simulate: the simulated board's scenario file
  std::vector<ButtonPress> presses;  // --init, --auto-search: in the order given
  std::string error;                 // set when the command line is not understood

  // The measurement log and the timed production test.
  std::string log;              // --log FILE
  int timed_test = 0;           // --timed-test SECONDS (headless); 0: none
  double target_ber = 0.0;      // --target-ber R; 0: the default
  double confidence_pct = 0.0;  // --confidence PERCENT; 0: the default
  std::string report;           // --report FILE: the timed test's report

  // The SCPI server: --scpi [PORT] on the loopback address, --scpi-listen
  // ADDRESS (which implies --scpi) on another.
  int scpi_port = -1;  // -1: no server; 0: a free port
  std::string scpi_address = kScpiLoopback;
  // Several boards: --list-boards lists them and quits; --serial SN runs for
  // that board alone, with its own guard and settings file (--settings FILE
  // names another).
  bool list_boards = false;
  std::string serial;
  std::string settings_file;
  // The metrics page for a lab's monitoring: --metrics [ADDRESS:]PORT.
  int metrics_port = -1;  // -1: no server; 0: a free port
  std::string metrics_address = kMetricsLoopback;
  // The eye scan (headless): --eye-scan CH --eye-out FILE and its options.
  bool eye_scan = false;
  EyeScanRequest eye;
  std::string eye_out;
  std::string eye_report;          // --eye-report FILE: the JSON report
  std::string eye_mask;            // --eye-mask FILE: the mask tested against the eye
  double eye_report_ratio = 1e-12;  // --eye-ratio R: the ratio it also gives TJ and width at
  bool eye_options = false;  // an --eye-* option other than --eye-scan was given
};

CommandLine parse_command_line(int argc, char* argv[]);
const char* usage_text();
