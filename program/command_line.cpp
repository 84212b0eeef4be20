#include "program/command_line.h"

#include <charconv>
#include <cstring>

#include "platform/bridge/board_description.h"
#include "eye_scan/jitter_fit.h"
#include "platform/os/c_locale.h"
#include "results/run_verdict.h"

namespace {

constexpr int kLongestTimedTest = 8640000;  // the test interval's range, seconds
constexpr int kLargestPort = 65535;

// The options of the measurement log and the timed test. Returns the
// number of arguments taken at argv[i] (0: not one of them).
int measurement_option(CommandLine& cl, int argc, char* argv[], int i) {
  const char* arg = argv[i];
  const bool log = std::strcmp(arg, "--log") == 0;
  const bool timed = std::strcmp(arg, "--timed-test") == 0;
  const bool target = std::strcmp(arg, "--target-ber") == 0;
  const bool confidence = std::strcmp(arg, "--confidence") == 0;
  const bool report = std::strcmp(arg, "--report") == 0;
  if (!log && !timed && !target && !confidence && !report) return 0;
  if (i + 1 >= argc || (report && argv[i + 1][0] == '\0')) {
    cl.error = std::string(arg) + (log || report ? " needs a file name" : " needs a value");
    return 1;
  }
  const std::string_view value = argv[i + 1];
  if (log) {
    cl.log = value;
  } else if (report) {
    cl.report = value;
  } else if (timed) {
    int seconds = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (ec != std::errc() || end != value.data() + value.size() || seconds < 1 ||
        seconds > kLongestTimedTest)
      cl.error = "--timed-test needs whole seconds from 1 to 8640000";
    else
      cl.timed_test = seconds;
  } else if (target) {
    if (!parse_target_ber(value, &cl.target_ber))
      cl.error = "--target-ber needs a ratio between 0 and 1, such as 1e-12";
  } else if (!parse_confidence_percent(value, &cl.confidence_pct)) {
    cl.error = "--confidence needs a percentage from 50 to below 100, such as 95";
  }
  return 2;
}

// A whole number from `lo` to `hi`.
bool whole_number(std::string_view text, int lo, int hi, int* value) {
  long long v = 0;
  if (!kd71::c_locale::parse_integer(text, &v) || v < lo || v > hi) return false;
  *value = static_cast<int>(v);
  return true;
}

// "LO..HI" in mV.
bool threshold_range(std::string_view text, double* lo, double* hi) {
  const std::size_t dots = text.find("..");
  return dots != std::string_view::npos && kd71::c_locale::parse_double(text.substr(0, dots), lo) &&
         kd71::c_locale::parse_double(text.substr(dots + 2), hi);
}

// The options of the eye scan. Returns the number of arguments taken at
// argv[i] (0: not one of them).
int eye_option(CommandLine& cl, int argc, char* argv[], int i) {
  const std::string_view arg = argv[i];
  if (arg == "--eye-2d" || arg == "--eye-adaptive") {
    (arg == "--eye-2d" ? cl.eye.two_d : cl.eye.adaptive) = true;
    cl.eye_options = true;
    return 1;
  }
  const bool report = arg == "--eye-report", ratio = arg == "--eye-ratio";
  const bool mask = arg == "--eye-mask";
  if (report || ratio || mask) {
    cl.eye_options = true;
    if (i + 1 >= argc) {
      cl.error = std::string(arg) + (ratio ? " needs a value" : " needs a file name");
      return 1;
    }
    const std::string_view value = argv[i + 1];
    if (report)
      cl.eye_report = value;
    else if (mask)
      cl.eye_mask = value;
    else if (!kd71::c_locale::parse_double(value, &cl.eye_report_ratio) ||
             !(cl.eye_report_ratio >= kd71::eye::kMinReportRatio &&
               cl.eye_report_ratio <= kd71::eye::kMaxReportRatio))
      cl.error = "--eye-ratio needs a ratio from 1e-15 to 1e-9, such as 1e-12";
    return 2;
  }
  const bool scan = arg == "--eye-scan", out = arg == "--eye-out";
  const bool steps = arg == "--eye-delay-steps", span = arg == "--eye-span";
  const bool points = arg == "--eye-thresholds", range = arg == "--eye-threshold-range";
  const bool ber = arg == "--eye-ber";
  if (!scan && !out && !steps && !span && !points && !range && !ber) return 0;
  if (i + 1 >= argc) {
    cl.error = std::string(arg) + (out ? " needs a file name" : " needs a value");
    return 1;
  }
  const std::string_view value = argv[i + 1];
  cl.eye_options = cl.eye_options || !scan;
  if (scan) {
    cl.eye_scan = true;
    if (value != "1" && value != "2") cl.error = "--eye-scan needs a channel, 1 or 2";
    cl.eye.channel = value == "2" ? 2 : 1;
  } else if (out) {
    cl.eye_out = value;
  } else if (steps) {
    if (!whole_number(value, kEyeMinDelaySteps, kEyeMaxDelaySteps, &cl.eye.delay_steps))
      cl.error = kd71::c_locale::format("--eye-delay-steps needs a count from %d to %d",
                                        kEyeMinDelaySteps, kEyeMaxDelaySteps);
  } else if (span) {
    if (value == "bit")
      cl.eye.span = DelaySpan::BitPeriod;
    else if (value == "range")
      cl.eye.span = DelaySpan::WholeRange;
    else
      cl.error = "--eye-span needs bit or range";
  } else if (points) {
    if (!whole_number(value, kEyeMinThresholdPoints, kEyeMaxThresholdPoints,
                      &cl.eye.threshold_points))
      cl.error = kd71::c_locale::format("--eye-thresholds needs a count from %d to %d",
                                        kEyeMinThresholdPoints, kEyeMaxThresholdPoints);
  } else if (range) {
    if (!threshold_range(value, &cl.eye.threshold_lo_mv, &cl.eye.threshold_hi_mv))
      cl.error = "--eye-threshold-range needs LO..HI in mV, such as -40..40";
  } else if (!parse_target_ber(value, &cl.eye.resolve_ratio)) {
    cl.error = "--eye-ber needs a ratio between 0 and 1, such as 1e-10";
  }
  return 2;
}

// The eye scan's options together.
std::string eye_problem(const CommandLine& cl) {
  if (!cl.eye_scan) return cl.eye_options ? "the --eye-* options work only with --eye-scan" : "";
  if (!cl.headless) return "--eye-scan works only with --headless";
  if (cl.eye_out.empty()) return "--eye-scan needs --eye-out FILE";
  if (cl.timed_test > 0) return "--eye-scan and --timed-test cannot run together";
  const std::string problem = eye_scan_request_problem(cl.eye);
  return problem.empty() ? "" : "--eye-scan: " + problem;
}

// The options of the SCPI server. Returns the number of arguments taken at
// argv[i] (0: not one of them). The port after --scpi may be left out.
int scpi_option(CommandLine& cl, int argc, char* argv[], int i) {
  const char* arg = argv[i];
  if (std::strcmp(arg, "--scpi-listen") == 0) {
    if (i + 1 >= argc || argv[i + 1][0] == '\0') {
      cl.error = "--scpi-listen needs an address, such as 0.0.0.0";
      return 1;
    }
    cl.scpi_address = argv[i + 1];
    if (cl.scpi_port < 0) cl.scpi_port = kDefaultScpiPort;
    return 2;
  }
  if (std::strcmp(arg, "--scpi") != 0) return 0;
  cl.scpi_port = kDefaultScpiPort;
  // The next argument is the port unless it is the next option.
  const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
  if (!next || (next[0] == '-' && !kd71::c_locale::ascii_digit(next[1]))) return 1;
  const std::string_view value = argv[i + 1];
  int port = -1;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), port);
  if (ec != std::errc() || end != value.data() + value.size() || port < 0 || port > kLargestPort)
    cl.error = "--scpi needs a port from 0 to 65535 (0: a free one)";
  else
    cl.scpi_port = port;
  return 2;
}

// "[ADDRESS:]PORT", an IPv6 address in brackets: "[::1]:9471".
bool metrics_endpoint(std::string_view text, std::string* address, int* port) {
  std::string_view port_text = text;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find("]:");
    if (close == std::string_view::npos || close == 1) return false;
    *address = text.substr(1, close - 1);
    port_text = text.substr(close + 2);
  } else if (const std::size_t colon = text.find(':'); colon != std::string_view::npos) {
    if (colon == 0 || text.find(':', colon + 1) != std::string_view::npos) return false;
    *address = text.substr(0, colon);
    port_text = text.substr(colon + 1);
  }
  return !port_text.empty() && kd71::c_locale::ascii_digit(port_text.front()) &&
         whole_number(port_text, 0, kLargestPort, port);
}

// The options of several boards and of the metrics. Returns the number of
// arguments taken at argv[i] (0: not one of them).
int board_option(CommandLine& cl, int argc, char* argv[], int i) {
  const std::string_view arg = argv[i];
  if (arg == "--list-boards") {
    cl.list_boards = true;
    return 1;
  }
  const bool serial = arg == "--serial", settings = arg == "--settings";
  const bool metrics = arg == "--metrics";
  if (!serial && !settings && !metrics) return 0;
  if (i + 1 >= argc || argv[i + 1][0] == '\0') {
    cl.error = std::string(arg) + (serial     ? " needs a board's serial number"
                                   : settings ? " needs a file name"
                                              : " needs a port, or ADDRESS:PORT");
    return 1;
  }
  const std::string_view value = argv[i + 1];
  if (serial) {
    cl.serial = value;
    if (const std::string problem = kd71::serial_problem(value); !problem.empty())
      cl.error = "--serial " + cl.serial + ": " + problem;
  } else if (settings) {
    cl.settings_file = value;
  } else if (!metrics_endpoint(value, &cl.metrics_address, &cl.metrics_port)) {
    cl.error =
        "--metrics needs a port from 0 to 65535 (0: a free one), or ADDRESS:PORT such as "
        "0.0.0.0:9471 or [::1]:9471";
  }
  return 2;
}

// The button an option presses ("--init" presses "init"), or nullptr.
const char* pressed_button(const char* arg) {
  if (std::strcmp(arg, "--init") == 0) return "init";
  if (std::strcmp(arg, "--auto-search") == 0) return "auto-search";
  return nullptr;
}

// Where an option that takes a file name keeps it; nullptr for other options.
std::string* file_option(CommandLine& cl, const char* arg) {
  if (std::strcmp(arg, "--i2c-trace") == 0) return &cl.i2c_trace;
  if (std::strcmp(arg, "--sim-scenario") == 0) return &cl.sim_scenario;
  return nullptr;
}

}  // namespace

CommandLine parse_command_line(int argc, char* argv[]) {
  CommandLine cl;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--simulate") == 0)
      cl.simulate = true;
    else if (std::strcmp(arg, "--headless") == 0)
      cl.headless = true;
    else if (std::strcmp(arg, "--version") == 0)
      cl.version = true;
    else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)
      cl.help = true;
    else if (std::string* file = file_option(cl, arg)) {
      if (i + 1 >= argc) {
        cl.error = std::string(arg) + " needs a file name";
        return cl;
      }
      *file = argv[++i];
    } else if (const char* button = pressed_button(arg)) {
      const char* channel = i + 1 < argc ? argv[i + 1] : "";
      if (std::strcmp(channel, "1") != 0 && std::strcmp(channel, "2") != 0) {
        cl.error = std::string(arg) + " needs a channel, 1 or 2";
        return cl;
      }
      cl.presses.push_back({button, channel[0] - '0'});
      ++i;
    } else if (const int taken = measurement_option(cl, argc, argv, i)) {
      if (!cl.error.empty()) return cl;
      i += taken - 1;
    } else if (const int taken = scpi_option(cl, argc, argv, i)) {
      if (!cl.error.empty()) return cl;
      i += taken - 1;
    } else if (const int taken = board_option(cl, argc, argv, i)) {
      if (!cl.error.empty()) return cl;
      i += taken - 1;
    } else if (const int eye_taken = eye_option(cl, argc, argv, i)) {
      if (!cl.error.empty()) return cl;
      i += eye_taken - 1;
    } else {
      cl.error = std::string("unknown option: ") + arg;
      return cl;
    }
  }
  if (cl.timed_test > 0 && !cl.headless) cl.error = "--timed-test works only with --headless";
  if (!cl.report.empty() && cl.timed_test == 0) cl.error = "--report works only with --timed-test";
  if (!cl.i2c_trace.empty() && !cl.simulate) cl.error = "--i2c-trace works only with --simulate";
  if (!cl.sim_scenario.empty() && !cl.simulate)
    cl.error = "--sim-scenario works only with --simulate";
  if (cl.error.empty()) cl.error = eye_problem(cl);
  return cl;
}

const char* usage_text() {
  return "Usage: kd71 [--simulate] [--headless] [--i2c-trace FILE] [--sim-scenario FILE]\n"
         "            [--init CH] [--auto-search CH] [--version] [--help]\n"
         "            [--log FILE] [--timed-test SECONDS] [--target-ber R] [--confidence PERCENT]\n"
         "            [--report FILE]\n"
         "            [--eye-scan CH --eye-out FILE [--eye-2d] [--eye-delay-steps N]\n"
         "             [--eye-span bit|range] [--eye-thresholds N] [--eye-threshold-range LO..HI]\n"
         "             [--eye-ber R] [--eye-adaptive] [--eye-report FILE] [--eye-ratio R]\n"
         "             [--eye-mask FILE]]\n"
         "            [--scpi [PORT]] [--scpi-listen ADDRESS]\n"
         "            [--list-boards] [--serial SN] [--settings FILE] [--metrics [ADDRESS:]PORT]\n"
         "Control and monitoring program of the KD71 two-channel error detector.\n"
         "\n"
         "  --simulate           run on the built-in simulated board instead of the USB bridge\n"
         "  --headless           run without a window; print a status line every second\n"
         "  --i2c-trace FILE     with --simulate: record the board's I2C lines as a VCD file\n"
         "  --sim-scenario FILE  with --simulate: the simulated board's signals, firmware,\n"
         "                       devices and timed events, from a scenario file\n"
         "  --init CH            once the board is connected, press channel CH's \"Init\"\n"
         "  --auto-search CH     once the board is connected, press channel CH's \"Sampling\n"
         "                       Delay Auto Search\" (manual mode); both may repeat, in order\n"
         "  --version            print the version and the build stamp\n"
         "  --help               print this text\n"
         "\n"
         "Measurement log and timed test:\n"
         "  --log FILE              append a CSV row for every sample to FILE\n"
         "  --timed-test SECONDS    with --headless: run a timed test on each channel that is\n"
         "                          not \"Shut Off\", print one summary line per channel and\n"
         "                          exit 0 when all pass, 3 when one does not, 4 when no\n"
         "                          board is connected within 30 s\n"
         "  --target-ber R          the ratio a test must stay below (default 1e-12)\n"
         "  --confidence PERCENT    the confidence of the bound (default 95)\n"
         "  --report FILE           with --timed-test: write the test report, one HTML file\n"
         "                          with the verdicts and charts (replaced; exit 2 when it\n"
         "                          cannot be written)\n"
         "\n"
         "Eye scan (with --headless):\n"
         "  --eye-scan CH           once the board is connected, scan channel CH's eye, write\n"
         "                          its points to the --eye-out file and quit; exit 0 when it\n"
         "                          ran to its end, 3 when it did not, 4 without a board\n"
         "  --eye-out FILE          the CSV file of the points (replaced)\n"
         "  --eye-2d                scan the threshold too (default: a bathtub at the\n"
         "                          channel's threshold)\n"
         "  --eye-delay-steps N     delay steps per bit period, 32 to 256 (default 64)\n"
         "  --eye-span bit|range    one bit period around the sampling point (default), or\n"
         "                          the delay's whole range\n"
         "  --eye-thresholds N      thresholds of a 2-D scan, 32 to 256 (default 32)\n"
         "  --eye-threshold-range LO..HI\n"
         "                          their range in mV (default: that of the channel's last\n"
         "                          Init, else -89.45..89.45)\n"
         "  --eye-ber R             the ratio each point resolves (default: one 20 ms count)\n"
         "  --eye-adaptive          points where the outcome is uncertain: each wall's edge,\n"
         "                          then its tail, for the jitter (RJ, DJ, TJ) and Q-factor\n"
         "  --eye-report FILE       also write the scan's report as JSON\n"
         "  --eye-ratio R           the report's ratio, 1e-15 to 1e-9 (default 1e-12)\n"
         "  --eye-mask FILE         test the eye mask in FILE (JSON) against the eye's contour\n"
         "\n"
         "Remote control:\n"
         "  --scpi [PORT]           take SCPI commands over TCP on 127.0.0.1, port PORT\n"
         "                          (default 5025; 0: a free port, printed at start-up)\n"
         "  --scpi-listen ADDRESS   listen on ADDRESS instead (0.0.0.0: every network);\n"
         "                          SCPI has no authentication: whoever reaches the port\n"
         "                          controls the instrument\n"
         "\n"
         "Several boards and lab monitoring:\n"
         "  --list-boards           list the attached KD71 boards (serial number, description,\n"
         "                          USB path, whether you may open it) and quit; exit 1 when\n"
         "                          there is none\n"
         "  --serial SN             run for the board with serial number SN alone: one copy may\n"
         "                          run per board, and its settings are settings-SN.cfg\n"
         "  --settings FILE         the settings file read at start-up and written at the quit\n"
         "                          (default settings.cfg, or settings-SN.cfg with --serial)\n"
         "  --metrics [ADDRESS:]PORT\n"
         "                          serve GET /metrics in the Prometheus text format on\n"
         "                          127.0.0.1 (or ADDRESS), port PORT (0: a free one, printed\n"
         "                          at start-up)\n";
}
