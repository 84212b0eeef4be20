// The simulated KD71 board: a two-channel error detector behind an FTDI
// bridge, reached by the program only through the FT_* calls.
//
// Install it as the bridge backend with install_simulated_board() and steer
// it through the returned SimBoard: the signals on its inputs, plugging and
// unplugging, faults, and read access to everything the program wrote
// (expander pins, DAC registers, FPGA registers). kd71::bridge::reset()
// removes it again.
//
// Time comes from kd71::clock: virtual in tests (a long routine runs in
// milliseconds), real in the program. All randomness comes from the
// scenario's seed, so the same seed and the same calls give the same figures.
//
// What the board does, in the instrument's terms:
// - Byte mode: poll requests (type << 4 | 0x7) are answered with the packet
//   of that type, nibble-coded with junk in the low four bits; register
//   writes ((register << 4) | 0xF, then two bus bytes per data byte) set the
//   sampling delay (1/9), input clock (3/11), sample window (4/12),
//   threshold (5/13), loop lock (7/15) and loopback pattern (8).
// - Bit-bang mode: the direction mask and latch drive the open-drain I2C
//   lines (bit 0 SCL, bit 1 SDA) of two DS4520 expanders (0x56 chip 6, 0x57
//   chip 7) and two MCP4728 DACs (0x60, 0x61). Nothing answers at 0x64.
// - Each channel locks when the input-clock setting matches the source's
//   clock, syncs on its pattern when the expander's pattern code matches the
//   transmitted PRBS and the threshold sits inside the swing, and counts
//   errors drawn from the bit error ratio that the threshold, the sampling
//   delay and the phase settings give. Each completed sample window
//   publishes its error count and advances seq_no.
// - In automatic mode (manual-mode pin low) the board picks the phase
//   combination that suits the rate and samples in the centre of the eye
//   itself. In manual mode it uses the expander's phase pins and the
//   sampling delay the program set last (register 1/9 or the channel's DAC:
//   channel 1 on 0x61 channel B, channel 2 on 0x60 channel B); on switching
//   to manual mode it keeps the delay it was using until the program sets one.
// - Plugging the board back in powers it up afresh: FPGA registers at their
//   start values, expanders and DACs loaded from their EEPROMs.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/channel_model.h"
#include "sim/ds4520.h"
#include "sim/fpga_stream.h"
#include "sim/i2c_bus.h"
#include "sim/mcp4728.h"
#include "sim/reply_faults.h"
#include "sim/rng.h"
#include "sim/scenario.h"
#include "sim/usb_device.h"
#include "sim/vcd_trace.h"

namespace kd71::sim {

// What reached the board.
struct BoardCounters {
  std::array<std::uint64_t, 16> polls{};            // poll requests received, by type
  std::array<std::uint64_t, 16> register_writes{};  // complete register writes, by register
  std::uint64_t replies = 0;                        // replies sent (after faults)
  I2cCounters i2c;
  ReplyFaultCounters faults;
};

struct ThresholdState {
  int code_p = 0;
  int code_n = 0;
  bool lock = false;
  double mv = 0.0;  // the decision level the codes give
};

struct ExpanderState {
  std::uint16_t pins = 0;  // pin levels, pin 8 in bit 8
  std::uint16_t pullup = 0;
  std::uint16_t io_control = 0;
  std::uint8_t config = 0;
};

struct DacChannelState {
  Mcp4728::Register input;   // DAC register
  Mcp4728::Register eeprom;  // its EEPROM copy
  double volts = 0.0;        // output
};

class SimBoard : public UsbDevice {
 public:
  SimBoard(BusControl& bus, const Scenario& scenario, int board_index);
  ~SimBoard() override;

  // ---- Signals and firmware ---------------------------------------------
  const ChannelScenario& channel(int n) const;  // n = 1 or 2
  // Takes effect at the present clock time.
  void set_channel(int n, const ChannelScenario& scenario);
  int firmware_version() const { return firmware_version_; }
  void set_firmware_version(int version) { firmware_version_ = version; }

  // ---- USB ----------------------------------------------------------------
  // Unplugging drops the board from the device list; every call on a handle
  // opened before fails. Plugging back powers it up; it needs a new open.
  void unplug();
  void plug();
  // Unplugs the board once `calls` more bridge calls (of any kind) are made.
  void unplug_after_calls(std::uint64_t calls);
  // Runs `hook` at the start of every later bridge call (of any kind), before
  // the call reaches the board: a fault injector can unplug or replug the
  // board, or start and end faults, at any call of a tick or a routine. An
  // empty function removes it.
  void on_each_call(std::function<void()> hook);
  bool is_plugged() const { return plugged; }
  bool is_open() const { return port.open; }
  const std::string& serial() const { return info.serial; }
  const UsbPort& usb_port() const { return port; }
  // Every bridge call of the process.
  const CallCounters& calls() const;

  // ---- Faults -------------------------------------------------------------
  void drop_replies(int count = 1, int request_type = -1);
  void cut_replies(int count = 1, int bus_bytes = 24, int request_type = -1);
  void corrupt_trailers(int count = 1, int request_type = -1);
  // Every later snapshot of channel n arrives with these bits (0..255)
  // flipped, as line errors at known places; an empty list ends it.
  void flip_snapshot_bits(int n, std::vector<int> bits);
  // The I2C device at a 7-bit address stops acknowledging (or answers again).
  void set_i2c_nack(std::uint8_t address, bool on = true);
  // The I2C device at a 7-bit address misses its next `count` addressings.
  void nack_next_i2c(std::uint8_t address, int count = 1);
  // A device holds SDA low.
  void set_sda_stuck(bool on = true);

  // ---- I2C trace ----------------------------------------------------------
  bool start_i2c_trace(const std::string& path, std::string* error = nullptr);
  void stop_i2c_trace() { trace_.close(); }

  // ---- What the program set -------------------------------------------------
  BoardCounters counters() const;
  ExpanderState expander(int chip) const;  // chip 6 or 7
  DacChannelState dac(int device, int channel) const;  // device 0 (0x60) or 1 (0x61), channel 0..3
  // Data bytes of the last write to an FPGA register; empty if never written.
  std::vector<std::uint8_t> fpga_register(int reg) const;
  ThresholdState threshold(int n) const;
  std::uint8_t clock_config(int n) const { return model(n).settings().clock_config; }
  int pattern_code(int n) const { return model(n).settings().pattern_code; }
  // The pattern codes the channel's checker was given since power-up, each
  // a fresh selection that restarts its pattern alignment: the pins'
  // steps as the expander's two registers change one after the other
  // included, the latest last (the last 64 at most).
  const std::vector<int>& pattern_history(int n) const { return pattern_history_.at(n - 1); }
  bool manual_mode(int n) const { return model(n).settings().manual_mode; }
  std::uint8_t loop_lock(int n) const { return loop_lock_.at(n - 1); }
  std::array<std::uint8_t, 2> loopback() const { return loopback_; }

  // ---- The channel as it runs -------------------------------------------
  double sampling_delay_v(int n) const { return model(n).delay_in_use_v(); }
  int delay_code(int n) const;
  int phase_in_use(int n) const { return model(n).phase_in_use(); }
  int proposed_phase(int n) const { return model(n).proposed_phase(); }
  std::uint32_t window_count(int n) const { return model(n).window_count(); }
  double window_bits(int n) const { return model(n).window_bits(); }
  // Seconds one sample window lasts at the channel's rate (0 without a clock).
  double window_seconds(int n) const;
  // Brought up to the present clock time.
  int seq_no(int n);
  std::uint64_t error_count(int n);
  int channel_state(int n);
  bool pattern_sync(int n);
  double line_ber(int n) const { return model(n).line_ber(); }

  // ---- UsbDevice ------------------------------------------------------------
  UCHAR pins() const override;
  void opened() override;
  void lines_changed() override;
  void bytes_received(const UCHAR* data, DWORD size) override;
  void call_ended(std::uint64_t step, bool pins_sampled) override;

 private:
  ChannelModel& model(int n) { return models_.at(n - 1); }
  const ChannelModel& model(int n) const { return models_.at(n - 1); }
  void power_on();
  void apply_settings(int n, bool power_up = false);
  void on_pins_changed();
  void on_dac_changed(int device, int channel);
  void execute(const FpgaCommand& command);
  void apply_register(const FpgaCommand& command);
  void answer_poll(int type);

  BusControl& bus_;
  int firmware_version_;
  std::array<ChannelModel, 2> models_;
  Rng junk_;

  I2cBus i2c_;
  Ds4520 chip6_{0x56};
  Ds4520 chip7_{0x57};
  Mcp4728 dac0_{0x60};
  Mcp4728 dac1_{0x61};

  // FPGA state.
  FpgaStream stream_;
  std::array<std::vector<std::uint8_t>, 16> registers_;
  std::array<ChannelSettings, 2> fpga_settings_{};  // threshold, clock, delay set by the program
  std::array<std::uint8_t, 2> loop_lock_{};
  std::array<std::uint8_t, 2> loopback_{};
  static constexpr std::size_t kPatternHistoryLength = 64;
  std::array<std::vector<int>, 2> pattern_history_;
  std::array<std::uint64_t, 16> polls_{};
  std::array<std::uint64_t, 16> register_writes_{};
  std::uint64_t replies_ = 0;
  ReplyFaults faults_;
  std::vector<std::uint8_t> reply_;

  VcdTrace trace_;
};

// Installs a bus with the scenario's devices as the bridge backend and
// returns its first board (nullptr when the scenario lists none).
SimBoard* install_simulated_board(const Scenario& scenario = {});
// The i-th board of the installed simulation (in device-list order), or
// nullptr when the installed backend is not the simulation or has no such board.
SimBoard* simulated_board(int index = 0);

}  // namespace kd71::sim
