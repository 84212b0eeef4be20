// The program's command line.
#pragma once

#include <string>

struct CommandLine {
  bool simulate = false;  // attach the simulated board instead of the USB bridge
  bool headless = false;  // no window
  bool version = false;
  bool help = false;
  std::string i2c_trace;     // with --simulate: VCD file of the board's I2C lines
  std::string sim_scenario;  // with --simulate: the simulated board's scenario file
  std::string error;         // set when the command line is not understood
};

CommandLine parse_command_line(int argc, char* argv[]);
const char* usage_text();
