// What the simulated board is given to measure and how it is attached: the
// signals on its two inputs, its firmware, the USB devices around it, the
// call latency and the random seed. Included by sim/sim_board.h, which is the
// header tests and the program use.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sim/reply_faults.h"

namespace kd71::sim {

// The clock the source delivers beside its data. The input-clock setting of
// the channel (FPGA register 3/11, bits 4-5) must name the same for the
// channel's clock path to lock.
enum class ClockMode : std::uint8_t {
  Clock = 0x00,      // full-rate clock ("Clock")
  ClockHalf = 0x10,  // half-rate clock ("Clock/2")
  Div4 = 0x30,       // quarter-rate clock ("Div /4")
};

// The signal on one input.
struct ChannelScenario {
  int rate_mhz = 10000;  // bit rate; the board reports it rounded down to an even value
  bool clock_present = true;
  ClockMode clock_mode = ClockMode::Clock;
  bool data_present = true;
  int pattern = 8;             // transmitted PRBS as a pattern code, 0 (PRBS7) .. 8 (PRBS31)
  bool inverted = false;       // P and N swapped at the input
  double offset_mv = 3.0;      // where the centre of the swing sits on the threshold scale
  double amplitude_mv = 80.0;  // peak-to-peak swing
  double noise_mv = 4.0;       // rms noise
  // The eye in time: the sampling delay in volts at which one eye is
  // centred (eyes repeat every bit period: 1e6 / rate_mhz ps, about 40.7 ps
  // per volt), and the jitter on the data's crossings by the dual-Dirac
  // model (sim/signal_physics.h, jitter()): a random part of rj_ps RMS, a
  // deterministic part of dj_ps peak to peak (0 up to one bit period), on a
  // share transition_density of the bits (the bits that differ from the one
  // before; 0.5 for a PRBS). Unset, RJ is 1 ps and DJ opens the eye
  // eye_width_ui (a fraction of the bit period, 0..1) wide at an error ratio
  // of 1e-12.
  double eye_width_ui = 0.6;
  double eye_centre_v = 1.2;
  std::optional<double> rj_ps;
  std::optional<double> dj_ps;
  double transition_density = 0.5;
  // Which of the eight phase combinations (bit p for combination p: bits 0-1
  // the 9340 setting, bit 2 the 9372 setting) run error-free. Unset: three
  // neighbouring combinations chosen by the bit rate.
  std::optional<std::uint8_t> good_phases;
};

// A USB device in the list the bridge driver enumerates.
enum class Attached {
  Board,    // a KD71 board ("VORN_KD71_2CH")
  Foreign,  // someone else's FTDI adapter ("FT232R USB UART")
};

// Cost of each bridge call on the shared clock.
struct Latency {
  double control_s = 0.0;   // mode, pin, status, purge and setting calls
  double bulk_s = 0.0;      // each FT_Write and FT_Read
  double per_byte_s = 0.0;  // added per byte written or read
  double reply_s = 0.0;     // from a poll reaching the FPGA to its reply being readable
  // Longest time FT_Read waits for bytes that have not arrived.
  double read_timeout_s = 0.02;

  // A full-speed USB bridge: every call is at least one 1 ms frame.
  static Latency usb_full_speed();
};

// Something that happens to every board at a time of the run, counted
// in seconds from the start of the simulation (when the bus is installed).
// Each takes effect with the first bridge call made at or after its time:
// the board's state is seen only through those calls.
struct TimedEvent {
  enum class Kind {
    Unplug,         // off the bus for `for_s` seconds, then plugged in again (powered up afresh)
    ChannelChange,  // `change` applied to channel `channel`'s signal
    ReplyFault,     // `fault` added to the FPGA's replies
    I2cNack,        // the device at `address` stops acknowledging, for `for_s` (0: for good)
    SdaStuck,       // a device holds SDA low, for `for_s` (0: for good)
  };
  Kind kind = Kind::Unplug;
  double at_s = 0.0;
  double for_s = 0.0;
  int channel = 1;
  std::function<void(ChannelScenario&)> change;
  ReplyFault fault;
  std::uint8_t address = 0;
  std::string text;  // what happens, in the scenario file's words, for the board's log
};

struct Scenario {
  // Channel 1 runs at 10 Gb/s with 4 ps of random jitter and an eye of
  // 0.4 UI at 1e-12 (DJ 3.7 ps), so that its bathtub falls off over several
  // of the eye scan's steps; channel 2 at 28 Gb/s (above the auto search's
  // high-rate limit) with a channel's defaults (RJ 1 ps, 0.6 UI).
  std::array<ChannelScenario, 2> channels = {[] {
                                               ChannelScenario c;
                                               c.rj_ps = 4.0;
                                               c.eye_width_ui = 0.4;
                                               return c;
                                             }(),
                                             [] {
                                               ChannelScenario c;
                                               c.rate_mhz = 28000;
                                               return c;
                                             }()};
  int firmware_version = 0x2104;
  std::vector<Attached> devices = {Attached::Board};
  // The serial number of each board, in the order the boards are listed;
  // a board past its end, or with an empty one, is KD71SIM000001,
  // KD71SIM000002, ... by its place among the boards.
  std::vector<std::string> board_serials;
  bool plugged = true;  // false: the boards start unplugged (no board listed)
  std::uint64_t seed = 1;
  Latency latency;
  std::string i2c_trace_path;  // non-empty: record the first opened board's I2C lines as VCD
  // In time order or not; each logs one line to standard error when it takes
  // effect, and while there are any the board also logs the program's opens
  // and closes.
  std::vector<TimedEvent> events;

  ChannelScenario& channel(int n) { return channels.at(n - 1); }
  const ChannelScenario& channel(int n) const { return channels.at(n - 1); }

  // Device-list presets.
  static Scenario no_board();           // the board exists but is not plugged in
  static Scenario board_and_foreign();  // a foreign adapter listed before the board
  static Scenario two_boards();         // two boards, both listed
  static Scenario many_devices();       // twelve devices, the board fourth
};

}  // namespace kd71::sim
