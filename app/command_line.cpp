#include "app/command_line.h"

#include <cstring>

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
    else if (std::strcmp(arg, "--i2c-trace") == 0) {
      if (i + 1 >= argc) {
        cl.error = "--i2c-trace needs a file name";
        return cl;
      }
      cl.i2c_trace = argv[++i];
    } else {
      cl.error = std::string("unknown option: ") + arg;
      return cl;
    }
  }
  if (!cl.i2c_trace.empty() && !cl.simulate) cl.error = "--i2c-trace works only with --simulate";
  return cl;
}

const char* usage_text() {
  return "Usage: kd71 [--simulate] [--headless] [--i2c-trace FILE] [--version] [--help]\n"
         "Control and monitoring program of the KD71 two-channel error detector.\n"
         "\n"
         "  --simulate         run on the built-in simulated board instead of the USB bridge\n"
         "  --headless         run without a window; print a status line every second\n"
         "  --i2c-trace FILE   with --simulate: record the board's I2C lines as a VCD file\n"
         "  --version          print the version and the build stamp\n"
         "  --help             print this text\n";
}
