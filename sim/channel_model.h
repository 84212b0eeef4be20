// One receive channel of the board: its clock path, decision threshold,
// sampling point, pattern checker and error counters, driven by the signal
// of the scenario and the settings the board's registers and pins give it.
//
// Time comes from the caller (the shared clock): before any change the model
// integrates the bits received and the errors expected since the last call,
// and each completed sample window publishes a new error count and advances
// the sequence number.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "sim/rng.h"
#include "sim/scenario.h"

namespace kd71::sim {

// What the FPGA registers and the expander pins set for one channel.
struct ChannelSettings {
  int code_p = 2047;  // threshold codes of register 5/13
  int code_n = 2047;
  bool threshold_lock = false;       // holds the data test and the alignment state machine
  std::uint8_t clock_config = 0x00;  // register 3/11 byte 0; bits 4-5 name the input clock
  int pattern_code = 0;              // expander pattern pins
  bool manual_mode = false;          // manual-mode pin
  int manual_phase = 0;              // phase pins: bits 0-1 the 9340, bit 2 the 9372 setting
  double manual_delay_v = 0.0;       // sampling delay the program set (register 1/9 or its DAC)
};

// Channel states the routine packet reports.
enum ChannelState : int {
  kStateNoClock = 0x00,
  kStateClockUnlocked = 0x08,  // clock present, input-clock setting does not match it
  kStateNoData = 0x10,         // no data, or the threshold outside the swing
  kStateHunting = 0x20,        // data present, no pattern sync
  kStateHeld = 0x40,           // threshold lock set, no pattern sync
  kStateRunning = 0x80,        // pattern sync
};

struct RoutineFields {
  int frequency_mhz = 0;
  int ones = 0;
  int state = 0;
  std::uint64_t error_count = 0;
  int fast_errors = 0;
  int sync_flags = 0;
  int seq_no = 0;
};

inline constexpr int kSubchannels = 32;
// Bits in a ones count, in the snapshot and in the default window unit.
inline constexpr int kBlockBits = 256;
inline constexpr std::uint32_t kStartWindowCount = 0x03FFFFFF;  // 2^34 bits

class ChannelModel {
 public:
  ChannelModel(const ChannelScenario& scenario, std::uint64_t seed, double now);

  // Back to the power-on state: default settings, start window, no samples.
  void power_on(double now);
  // Integrates bits and errors up to `now`.
  void advance(double now);
  void set_scenario(const ChannelScenario& scenario, double now);
  void set_settings(const ChannelSettings& settings, double now);
  // A new window of (count + 1) x 256 bits starts now.
  void set_window_count(std::uint32_t count, double now);

  // The routine fields, with the ones count and the 20 ms error count taken now.
  RoutineFields routine(double now);
  // 256 consecutive received bits, most significant bit of byte 0 first:
  // the transmitted PRBS with the line's bit errors, inverted when the
  // input is.
  std::array<std::uint8_t, 32> snapshot(double now);
  // Every later snapshot also arrives with these bits (0..255) flipped, as
  // line errors at known places; an empty list ends it.
  void set_snapshot_errors(std::vector<int> bits) { snapshot_errors_ = std::move(bits); }
  // Errors of a 20 ms sample per subchannel, and each subchannel's vernier phase.
  void subchannels(double now, std::array<std::uint8_t, kSubchannels>& errors,
                   std::array<std::uint8_t, kSubchannels>& vernier);

  // The phase combination that suits the current rate.
  int proposed_phase() const;
  int phase_in_use() const { return phase_; }
  double delay_in_use_v() const { return delay_v_; }

  const ChannelScenario& scenario() const { return scenario_; }
  const ChannelSettings& settings() const { return settings_; }
  std::uint32_t window_count() const { return window_count_; }
  double window_bits() const { return window_bits_; }
  int seq_no() const { return seq_no_; }
  std::uint64_t error_count() const { return error_count_; }
  bool synced() const { return synced_; }
  int state() const { return state_; }
  double line_ber() const { return line_ber_; }
  double counted_ber() const { return counted_ber_; }
  double expected_ones_fraction() const { return ones_fraction_; }

 private:
  void recompute();
  void publish(double mean_errors);
  double bits_per_second() const;

  ChannelScenario scenario_;
  ChannelSettings settings_;
  Rng rng_;
  std::array<int, kSubchannels> vernier_spread_{};

  // Derived from scenario and settings.
  bool clock_flows_ = false;
  double delay_v_ = 0.0;
  int phase_ = 0;
  double ones_fraction_ = 0.0;
  double line_ber_ = 0.0;     // errors on the wire
  double counted_ber_ = 0.0;  // errors the checker counts (1/2 without sync)
  bool synced_ = false;
  int state_ = kStateNoClock;

  // Sample windows.
  std::uint32_t window_count_ = kStartWindowCount;
  double window_bits_ = 0.0;
  double bits_done_ = 0.0;     // bits of the current window received so far
  double pending_mean_ = 0.0;  // errors expected in them
  double last_time_ = 0.0;
  std::uint64_t error_count_ = 0;
  int seq_no_ = 0;
  std::vector<int> snapshot_errors_;
};

}  // namespace kd71::sim
