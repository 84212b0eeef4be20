#include "sim/sim_board.h"

#include <stdexcept>
#include <utility>

#include "platform/os/clock.h"
#include "sim/signal_physics.h"

namespace kd71::sim {
namespace {

// The sampling-delay DAC of each channel: channel B of 0x61 (channel 1) and
// of 0x60 (channel 2).
constexpr int kDelayDacChannel = 1;
// Expander pins (chip 7 / chip 6).
constexpr std::uint16_t kPatternPins = 0x0F;
constexpr int kCh1ManualPin = 4;      // chip 7
constexpr int kCh2ManualPin = 8;      // chip 6
constexpr int kCh1Phase9340Pin0 = 7;  // chip 7, bits 0 and 1 on pins 7 and 8
constexpr int kCh1Phase9340Pin1 = 8;
constexpr int kCh1Phase9372Pin = 6;   // chip 6
constexpr int kCh2Phase9340Pin0 = 4;  // chip 6, bits 0 and 1 on pins 4 and 5
constexpr int kCh2Phase9340Pin1 = 5;
constexpr int kCh2Phase9372Pin = 7;  // chip 6
constexpr UCHAR kSclBit = 0x01;
constexpr UCHAR kSdaBit = 0x02;

// Independent random streams per board and purpose (SplitMix64 finaliser).
std::uint64_t stream_seed(std::uint64_t seed, int board, int stream) {
  std::uint64_t z =
      seed + 0x9E3779B97F4A7C15ull * static_cast<std::uint64_t>(1 + board * 8 + stream);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

int bit(bool level, int shift) { return (level ? 1 : 0) << shift; }

}  // namespace

SimBoard::SimBoard(BusControl& bus, const Scenario& scenario, int board_index)
    : bus_(bus),
      firmware_version_(scenario.firmware_version),
      models_{ChannelModel(scenario.channels[0], stream_seed(scenario.seed, board_index, 1),
                           kd71::clock::now()),
              ChannelModel(scenario.channels[1], stream_seed(scenario.seed, board_index, 2),
                           kd71::clock::now())},
      junk_(stream_seed(scenario.seed, board_index, 0)) {
  i2c_.attach(&chip6_);
  i2c_.attach(&chip7_);
  i2c_.attach(&dac0_);
  i2c_.attach(&dac1_);
  chip6_.on_pins_changed = [this] { on_pins_changed(); };
  chip7_.on_pins_changed = [this] { on_pins_changed(); };
  dac0_.on_output_changed = [this](int ch) { on_dac_changed(0, ch); };
  dac1_.on_output_changed = [this](int ch) { on_dac_changed(1, ch); };
  power_on();
}

SimBoard::~SimBoard() = default;

void SimBoard::power_on() {
  const double now = kd71::clock::now();
  chip6_.power_on();
  chip7_.power_on();
  dac0_.power_on();
  dac1_.power_on();
  i2c_.reset();
  stream_.reset();
  registers_ = {};
  fpga_settings_ = {};
  fpga_settings_[0].manual_delay_v = dac1_.volts(kDelayDacChannel);
  fpga_settings_[1].manual_delay_v = dac0_.volts(kDelayDacChannel);
  loop_lock_ = {};
  loopback_ = {};
  port.rx.clear();
  for (auto& history : pattern_history_) history.clear();
  for (int n = 1; n <= 2; ++n) {
    model(n).power_on(now);
    apply_settings(n, true);
  }
}

// Hands channel n what its FPGA registers and expander pins now say.
void SimBoard::apply_settings(int n, bool power_up) {
  ChannelSettings s = fpga_settings_[n - 1];
  if (n == 1) {
    s.pattern_code = chip7_.pins() & kPatternPins;
    s.manual_mode = chip7_.pin(kCh1ManualPin);
    s.manual_phase = bit(chip7_.pin(kCh1Phase9340Pin0), 0) | bit(chip7_.pin(kCh1Phase9340Pin1), 1) |
                     bit(chip6_.pin(kCh1Phase9372Pin), 2);
  } else {
    s.pattern_code = chip6_.pins() & kPatternPins;
    s.manual_mode = chip6_.pin(kCh2ManualPin);
    s.manual_phase = bit(chip6_.pin(kCh2Phase9340Pin0), 0) | bit(chip6_.pin(kCh2Phase9340Pin1), 1) |
                     bit(chip6_.pin(kCh2Phase9372Pin), 2);
  }
  // Each new pattern code makes the checker select its pattern afresh.
  std::vector<int>& history = pattern_history_[n - 1];
  if (power_up || s.pattern_code != model(n).settings().pattern_code) {
    if (history.size() >= kPatternHistoryLength) history.erase(history.begin());
    history.push_back(s.pattern_code);
  }
  // Entering manual mode keeps the delay the board was sampling with.
  if (!power_up && s.manual_mode && !model(n).settings().manual_mode) {
    s.manual_delay_v = model(n).delay_in_use_v();
    fpga_settings_[n - 1].manual_delay_v = s.manual_delay_v;
  }
  model(n).set_settings(s, kd71::clock::now());
}

void SimBoard::on_pins_changed() {
  apply_settings(1);
  apply_settings(2);
}

void SimBoard::on_dac_changed(int device, int channel) {
  if (channel != kDelayDacChannel) return;
  const int n = device == 1 ? 1 : 2;
  fpga_settings_[n - 1].manual_delay_v = (device == 1 ? dac1_ : dac0_).volts(channel);
  apply_settings(n);
}

// ---- Signals ------------------------------------------------------------------

const ChannelScenario& SimBoard::channel(int n) const { return model(n).scenario(); }

void SimBoard::set_channel(int n, const ChannelScenario& scenario) {
  model(n).set_scenario(scenario, kd71::clock::now());
}

// ---- USB ----------------------------------------------------------------------

void SimBoard::unplug() {
  if (!plugged) return;
  plugged = false;
  ++generation;
  port.open = false;
  port.rx.clear();
}

void SimBoard::plug() {
  if (plugged) return;
  plugged = true;
  power_on();
}

void SimBoard::unplug_after_calls(std::uint64_t calls) { bus_.schedule_unplug(this, calls); }

void SimBoard::on_each_call(std::function<void()> hook) { bus_.set_call_hook(std::move(hook)); }

const CallCounters& SimBoard::calls() const { return bus_.calls(); }

UCHAR SimBoard::pins() const {
  const UCHAR others = UsbDevice::pins() & static_cast<UCHAR>(~(kSclBit | kSdaBit));
  return static_cast<UCHAR>(others | (i2c_.scl() ? kSclBit : 0) | (i2c_.sda() ? kSdaBit : 0));
}

void SimBoard::opened() {
  // A freshly opened bridge has every pin as an input: it lets both lines go.
  stream_.reset();
  i2c_.bridge_drive(false, false);
}

void SimBoard::lines_changed() {
  if (port.mode != FT_BITMODE_ASYNC_BITBANG) return;  // byte mode never reaches the I2C devices
  const bool scl_low = (port.mask & kSclBit) && !(port.latch & kSclBit);
  const bool sda_low = (port.mask & kSdaBit) && !(port.latch & kSdaBit);
  i2c_.bridge_drive(scl_low, sda_low);
}

void SimBoard::bytes_received(const UCHAR* data, DWORD size) {
  for (DWORD i = 0; i < size; ++i)
    if (auto command = stream_.feed(data[i])) execute(*command);
}

void SimBoard::call_ended(std::uint64_t step, bool pins_sampled) {
  trace_.record(step, i2c_.scl(), i2c_.sda(), pins_sampled);
}

// ---- Faults and trace -----------------------------------------------------------

void SimBoard::drop_replies(int count, int request_type) {
  faults_.add({ReplyFault::Kind::Drop, count, request_type});
}

void SimBoard::cut_replies(int count, int bus_bytes, int request_type) {
  faults_.add({ReplyFault::Kind::Cut, count, request_type, bus_bytes});
}

void SimBoard::corrupt_trailers(int count, int request_type) {
  faults_.add({ReplyFault::Kind::CorruptTrailer, count, request_type});
}

void SimBoard::flip_snapshot_bits(int n, std::vector<int> bits) {
  model(n).set_snapshot_errors(std::move(bits));
}

void SimBoard::set_i2c_nack(std::uint8_t address, bool on) { i2c_.set_nack(address, on); }

void SimBoard::nack_next_i2c(std::uint8_t address, int count) { i2c_.nack_next(address, count); }

void SimBoard::set_sda_stuck(bool on) { i2c_.set_sda_stuck(on); }

bool SimBoard::start_i2c_trace(const std::string& path, std::string* error) {
  return trace_.open(path, i2c_.scl(), i2c_.sda(), error);
}

// ---- State ------------------------------------------------------------------------

BoardCounters SimBoard::counters() const {
  return {polls_, register_writes_, replies_, i2c_.counters(), faults_.counters()};
}

ExpanderState SimBoard::expander(int chip) const {
  if (chip != 6 && chip != 7) throw std::invalid_argument("expander chip must be 6 or 7");
  const Ds4520& c = chip == 6 ? chip6_ : chip7_;
  return {c.pins(), c.pullup(), c.io_control(), c.config()};
}

DacChannelState SimBoard::dac(int device, int channel) const {
  if (device != 0 && device != 1) throw std::invalid_argument("DAC device must be 0 or 1");
  const Mcp4728& d = device == 0 ? dac0_ : dac1_;
  return {d.input(channel), d.eeprom(channel), d.volts(channel)};
}

std::vector<std::uint8_t> SimBoard::fpga_register(int reg) const { return registers_.at(reg); }

ThresholdState SimBoard::threshold(int n) const {
  const ChannelSettings& s = fpga_settings_.at(n - 1);
  return {s.code_p, s.code_n, s.threshold_lock, threshold_mv(s.code_p, s.code_n)};
}

int SimBoard::delay_code(int n) const { return kd71::sim::delay_code(model(n).delay_in_use_v()); }

double SimBoard::window_seconds(int n) const {
  const ChannelScenario& s = model(n).scenario();
  if (!s.clock_present || s.rate_mhz <= 0) return 0.0;
  return model(n).window_bits() / (static_cast<double>(s.rate_mhz) * 1e6);
}

int SimBoard::seq_no(int n) {
  model(n).advance(kd71::clock::now());
  return model(n).seq_no();
}

std::uint64_t SimBoard::error_count(int n) {
  model(n).advance(kd71::clock::now());
  return model(n).error_count();
}

int SimBoard::channel_state(int n) {
  model(n).advance(kd71::clock::now());
  return model(n).state();
}

bool SimBoard::pattern_sync(int n) {
  model(n).advance(kd71::clock::now());
  return model(n).synced();
}

}  // namespace kd71::sim
