// The program's command line.
#pragma once

#include <string>
#include <vector>

// A button pressed once the board is connected: "init" (--init CH) or
// "auto-search" (--auto-search CH) of channel 1 or 2.
struct ButtonPress {
  std::string button;
  int channel;
};

struct CommandLine {
  bool simulate = false;  // attach the simulated board instead of the USB bridge
  bool headless = false;  // no window
  bool version = false;
  bool help = false;
  std::string i2c_trace;             // with --simulate: VCD file of the board's I2C lines
  std::vector<ButtonPress> presses;  // in the order given
  std::string error;                 // set when the command line is not understood
};

CommandLine parse_command_line(int argc, char* argv[]);
const char* usage_text();
