// A Maxim DS4520 nine-bit I/O expander on the board's I2C bus.
//
// Registers: 0xF0/0xF1 pull-up enable (pins 0-7, pin 8), 0xF2/0xF3 I/O
// control (1 = output released, 0 = pulled low), 0xF4 configuration (bit 0
// set: writes stay out of the EEPROM), 0xF8/0xF9 I/O status (the pin levels),
// 0xFA-0xFF scratch SRAM, 0x00-0x3F user EEPROM. The first byte of a write
// sets the register pointer; reads and writes then move it up by one per byte.
// A pin is high when its pull-up and its I/O control bits are both 1 (nothing
// else on the board pulls the pins up), low otherwise.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "sim/i2c_bus.h"

namespace kd71::sim {

inline constexpr int kExpanderPins = 9;

class Ds4520 : public I2cDevice {
 public:
  explicit Ds4520(std::uint8_t address) : address_(address) { power_on(); }

  // Power-up: the nonvolatile registers come back from the EEPROM.
  void power_on();

  std::uint16_t pins() const;  // pin levels, pin 8 in bit 8
  bool pin(int n) const { return (pins() >> n) & 1u; }
  std::uint16_t pullup() const;
  std::uint16_t io_control() const;
  std::uint8_t config() const { return mem_[kConfig]; }

  // Called after a write that changed the pin levels.
  std::function<void()> on_pins_changed;

  std::uint8_t address() const override { return address_; }
  bool select(bool read) override;
  bool write(std::uint8_t byte) override;
  std::uint8_t read() override;
  void bus_start() override { expect_pointer_ = true; }
  void bus_stop() override;

  static constexpr std::uint8_t kPullupLow = 0xF0;
  static constexpr std::uint8_t kPullupHigh = 0xF1;
  static constexpr std::uint8_t kIoControlLow = 0xF2;
  static constexpr std::uint8_t kIoControlHigh = 0xF3;
  static constexpr std::uint8_t kConfig = 0xF4;
  static constexpr std::uint8_t kStatusLow = 0xF8;
  static constexpr std::uint8_t kStatusHigh = 0xF9;
  static constexpr std::uint8_t kScratchFirst = 0xFA;
  static constexpr std::uint8_t kUserEepromLast = 0x3F;

 private:
  std::uint8_t read_register(std::uint8_t reg) const;
  void write_register(std::uint8_t reg, std::uint8_t value);

  std::uint8_t address_;
  std::array<std::uint8_t, 256> mem_{};
  std::array<std::uint8_t, 5> eeprom_{};  // 0xF0..0xF4
  bool eeprom_pending_ = false;
  bool expect_pointer_ = true;
  std::uint8_t pointer_ = 0;
};

}  // namespace kd71::sim
