#include "tests/support/i2c_responder.h"

namespace kd71::test {

// Stands at one address: logs what the master does there and answers from
// the register file when a device of that address is present.
class I2cResponder::Listener : public kd71::sim::I2cDevice {
 public:
  Listener(I2cResponder& owner, std::uint8_t address) : owner_(owner), address_(address) {}

  std::uint8_t address() const override { return address_; }

  bool select(bool read) override {
    owner_.transactions.push_back({address_, read, {}, owner_.calls.size()});
    return device() != nullptr;
  }

  bool write(std::uint8_t byte) override {
    owner_.transactions.back().bytes.push_back(byte);
    Device& d = *device();
    if (owner_.transactions.back().bytes.size() == 1)
      d.pointer = byte;
    else
      d.regs[d.pointer++ & 0xFF] = byte;
    return true;
  }

  std::uint8_t read() override {
    Device& d = *device();
    last_read_ = d.regs[d.pointer++ & 0xFF];
    return last_read_;
  }

  void read_answered(bool) override { owner_.transactions.back().bytes.push_back(last_read_); }

 private:
  Device* device() {
    auto it = owner_.devices.find(address_);
    return it == owner_.devices.end() ? nullptr : &it->second;
  }

  I2cResponder& owner_;
  std::uint8_t address_;
  std::uint8_t last_read_ = 0;
};

I2cResponder::I2cResponder() {
  for (int address = 0; address < 128; ++address) {
    listeners_.push_back(std::make_unique<Listener>(*this, static_cast<std::uint8_t>(address)));
    bus_.attach(listeners_.back().get());
  }
}

I2cResponder::~I2cResponder() = default;

std::vector<std::vector<int>> I2cResponder::writes() const {
  std::vector<std::vector<int>> out;
  for (const I2cTransaction& t : transactions) {
    if (t.read || t.bytes.size() < 2) continue;
    std::vector<int> w{t.address};
    w.insert(w.end(), t.bytes.begin(), t.bytes.end());
    out.push_back(w);
  }
  return out;
}

FT_STATUS I2cResponder::set_bit_mode(int token, UCHAR mask, UCHAR mode) {
  const FT_STATUS status = RecordingBridge::set_bit_mode(token, mask, mode);
  // An output pin drives its latch, which the I2C master keeps at 0.
  if (status == FT_OK && mode == FT_BITMODE_ASYNC_BITBANG)
    bus_.bridge_drive(mask & 0x01, mask & 0x02);
  return status;
}

FT_STATUS I2cResponder::get_bit_mode(int token, UCHAR* pins) {
  default_pins = static_cast<UCHAR>((bus_.scl() ? 0x01 : 0) | (bus_.sda() ? 0x02 : 0));
  return RecordingBridge::get_bit_mode(token, pins);
}

}  // namespace kd71::test
