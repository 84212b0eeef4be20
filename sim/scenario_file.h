// Scenario files: the simulated board described in plain text, so that a
// run of kd71 --simulate can show any signal, board or fault from the
// command line.
//
// One setting per line, "key value"; '#' starts a comment; blank lines are
// ignored. Settings (each at most once):
//   firmware_version N      the FPGA firmware version (0x2104; hex with 0x)
//   devices PRESET          board | no_board | board_and_foreign | two_boards | many_devices
//   devices board:SERIAL ...  one board per word, with that serial number ("board" alone:
//                           the default serial of its place), in list order
//   seed N                  the random seed
//   latency PROFILE         none | usb_full_speed
//   chN.KEY VALUE           channel N (1 or 2): rate_mhz, clock_present, clock_mode
//                           (clock | clock_half | div4), data_present, pattern (PRBS7 ..
//                           PRBS31), inverted, offset_mv, amplitude_mv, noise_mv,
//                           eye_width_ui, eye_centre_v, rj_ps, dj_ps, transition_density,
//                           good_phases (auto or a mask); switches take yes/no, on/off
//                           or true/false. A file that gives any of a channel's
//                           eye_width_ui, rj_ps and dj_ps gives its eye afresh: those it
//                           leaves out take a channel's defaults (0.6, 1 ps, the DJ
//                           that opens the width at 1e-12), not the board's.
// Timed events ("at" and "from" mean the same; SECONDS from the start):
//   at SECONDS unplug for SECONDS
//   at SECONDS chN.KEY VALUE
//   from SECONDS nack ADDRESS [for SECONDS]
//   from SECONDS sda_stuck [for SECONDS]
//   from SECONDS drop_replies COUNT [type T]
//   from SECONDS cut_replies COUNT [bytes B] [type T]
//   from SECONDS corrupt_trailers COUNT [type T]
// Numbers take the decimal point whatever the locale.
#pragma once

#include <string>

#include "sim/scenario.h"

namespace kd71::sim {

// Reads the scenario file `path` over the defaults. False, with `error`
// saying "PATH:LINE: what is wrong" (or "PATH: ..." when the file cannot be
// read), at the first fault; `scenario` is then left as it was.
bool read_scenario_file(const std::string& path, Scenario* scenario, std::string* error);

// The same for a scenario's text; `name` stands for the file in messages.
bool parse_scenario(const std::string& text, const std::string& name, Scenario* scenario,
                    std::string* error);

}  // namespace kd71::sim
