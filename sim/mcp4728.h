// A Microchip MCP4728 quad 12-bit DAC on the board's I2C bus (VDD 3.3 V).
//
// Write commands (first byte after the address): fast write (00xx xxxx),
// multi-write (0100 0 DAC1 DAC0 UDAC, then config|code high, code low, per
// channel), sequential write with EEPROM (0101 0 ...), single write with
// EEPROM (0101 1 DAC1 DAC0 UDAC), and the reference, gain and power-down
// selects. Outputs change at the STOP that ends the command (unless UDAC is
// set); an EEPROM write keeps the part busy for 50 ms, during which further
// EEPROM writes are ignored. A read returns, per channel A..D, the DAC
// register and then its EEPROM copy, three bytes each: status (RDY, POR,
// channel, address bits), config bits 7-4 with code bits 11-8, code bits 7-0.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "sim/i2c_bus.h"

namespace kd71::sim {

inline constexpr int kDacChannels = 4;

class Mcp4728 : public I2cDevice {
 public:
  // config: bit 3 reference (1 internal 2.048 V), bits 2-1 power-down, bit 0 gain x2.
  struct Register {
    std::uint16_t code = 0;
    std::uint8_t config = 0;
  };

  explicit Mcp4728(std::uint8_t address) : address_(address) { power_on(); }

  // Power-up: DAC registers and outputs load from the EEPROM.
  void power_on();

  Register input(int ch) const { return input_.at(ch); }
  Register output(int ch) const { return output_.at(ch); }
  Register eeprom(int ch) const { return eeprom_.at(ch); }
  double volts(int ch) const;
  bool busy() const;

  // Called when an output register changed.
  std::function<void(int channel)> on_output_changed;

  std::uint8_t address() const override { return address_; }
  bool select(bool read) override;
  bool write(std::uint8_t byte) override;
  std::uint8_t read() override;
  void bus_start() override { execute(); }
  void bus_stop() override { execute(); }

 private:
  void execute();
  void set_input(int ch, Register r, bool update_output, bool to_eeprom);
  void update_output(int ch);

  std::uint8_t address_;
  std::array<Register, kDacChannels> input_{}, output_{}, eeprom_{};
  std::vector<std::uint8_t> command_;
  int read_index_ = 0;
  double busy_until_ = 0.0;
  bool eeprom_started_ = false;  // an EEPROM write began in this command
};

}  // namespace kd71::sim
