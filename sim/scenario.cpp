#include "sim/scenario.h"

namespace kd71::sim {

Latency Latency::usb_full_speed() {
  Latency l;
  l.control_s = 0.001;    // a vendor request takes one 1 ms frame
  l.bulk_s = 0.001;       // a bulk transfer waits for the next frame
  l.per_byte_s = 1.0e-6;  // about 1 MB/s of payload
  l.reply_s = 0.0005;     // the FPGA answers within half a frame
  return l;
}

Scenario Scenario::no_board() {
  Scenario s;
  s.plugged = false;
  return s;
}

Scenario Scenario::board_and_foreign() {
  Scenario s;
  s.devices = {Attached::Foreign, Attached::Board};
  return s;
}

Scenario Scenario::two_boards() {
  Scenario s;
  s.devices = {Attached::Board, Attached::Board};
  return s;
}

Scenario Scenario::many_devices() {
  Scenario s;
  s.devices.assign(12, Attached::Foreign);
  s.devices[3] = Attached::Board;
  return s;
}

}  // namespace kd71::sim
