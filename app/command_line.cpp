#include "app/command_line.h"

#include <cstring>

namespace {

// The button an option presses ("--init" presses "init"), or nullptr.
const char* pressed_button(const char* arg) {
  if (std::strcmp(arg, "--init") == 0) return "init";
  if (std::strcmp(arg, "--auto-search") == 0) return "auto-search";
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
    else if (std::strcmp(arg, "--i2c-trace") == 0) {
      if (i + 1 >= argc) {
        cl.error = "--i2c-trace needs a file name";
        return cl;
      }
      cl.i2c_trace = argv[++i];
    } else if (const char* button = pressed_button(arg)) {
      const char* channel = i + 1 < argc ? argv[i + 1] : "";
      if (std::strcmp(channel, "1") != 0 && std::strcmp(channel, "2") != 0) {
        cl.error = std::string(arg) + " needs a channel, 1 or 2";
        return cl;
      }
      cl.presses.push_back({button, channel[0] - '0'});
      ++i;
    } else {
      cl.error = std::string("unknown option: ") + arg;
      return cl;
    }
  }
  if (!cl.i2c_trace.empty() && !cl.simulate) cl.error = "--i2c-trace works only with --simulate";
  return cl;
}

const char* usage_text() {
  return "Usage: kd71 [--simulate] [--headless] [--i2c-trace FILE] [--init CH]\n"
         "            [--auto-search CH] [--version] [--help]\n"
         "Control and monitoring program of the KD71 two-channel error detector.\n"
         "\n"
         "  --simulate         run on the built-in simulated board instead of the USB bridge\n"
         "  --headless         run without a window; print a status line every second\n"
         "  --i2c-trace FILE   with --simulate: record the board's I2C lines as a VCD file\n"
         "  --init CH          once the board is connected, press channel CH's \"Init\"\n"
         "  --auto-search CH   once the board is connected, press channel CH's \"Sampling Delay\n"
         "                     Auto Search\" (in manual mode); both may repeat, in order\n"
         "  --version          print the version and the build stamp\n"
         "  --help             print this text\n";
}
