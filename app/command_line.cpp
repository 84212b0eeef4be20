#include "app/command_line.h"

#include <cstring>

namespace {

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
    } else {
      cl.error = std::string("unknown option: ") + arg;
      return cl;
    }
  }
  if (!cl.i2c_trace.empty() && !cl.simulate) cl.error = "--i2c-trace works only with --simulate";
  if (!cl.sim_scenario.empty() && !cl.simulate)
    cl.error = "--sim-scenario works only with --simulate";
  return cl;
}

const char* usage_text() {
  return "Usage: kd71 [--simulate] [--headless] [--i2c-trace FILE] [--sim-scenario FILE]\n"
         "            [--version] [--help]\n"
         "Control and monitoring program of the KD71 two-channel error detector.\n"
         "\n"
         "  --simulate           run on the built-in simulated board instead of the USB bridge\n"
         "  --headless           run without a window; print a status line every second\n"
         "  --i2c-trace FILE     with --simulate: record the board's I2C lines as a VCD file\n"
         "  --sim-scenario FILE  with --simulate: the simulated board's signals, firmware,\n"
         "                       devices and timed events, from a scenario file\n"
         "  --version            print the version and the build stamp\n"
         "  --help               print this text\n";
}
