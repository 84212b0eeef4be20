#include "sim/ds4520.h"

namespace kd71::sim {
namespace {

constexpr std::uint8_t kPin8Bit = 0x01;
// Configuration bit 0 (SEEB) keeps writes of 0xF0-0xF4 out of the EEPROM.
constexpr std::uint8_t kSkipEepromBit = 0x01;

bool nonvolatile(std::uint8_t reg) { return reg >= Ds4520::kPullupLow && reg <= Ds4520::kConfig; }

}  // namespace

void Ds4520::power_on() {
  for (int i = 0; i < static_cast<int>(eeprom_.size()); ++i) mem_[kPullupLow + i] = eeprom_[i];
  for (int r = kScratchFirst; r <= 0xFF; ++r) mem_[r] = 0;
  eeprom_pending_ = false;
  expect_pointer_ = true;
  pointer_ = 0;
}

std::uint16_t Ds4520::pullup() const {
  return static_cast<std::uint16_t>(mem_[kPullupLow] | (mem_[kPullupHigh] & kPin8Bit) << 8);
}

std::uint16_t Ds4520::io_control() const {
  return static_cast<std::uint16_t>(mem_[kIoControlLow] | (mem_[kIoControlHigh] & kPin8Bit) << 8);
}

std::uint16_t Ds4520::pins() const { return pullup() & io_control(); }

std::uint8_t Ds4520::read_register(std::uint8_t reg) const {
  if (reg == kStatusLow) return static_cast<std::uint8_t>(pins() & 0xFF);
  if (reg == kStatusHigh) return static_cast<std::uint8_t>(pins() >> 8);
  if (reg <= kUserEepromLast || nonvolatile(reg) || reg >= kScratchFirst) return mem_[reg];
  return 0x00;  // reserved
}

void Ds4520::write_register(std::uint8_t reg, std::uint8_t value) {
  if (reg == kPullupHigh || reg == kIoControlHigh) value &= kPin8Bit;
  if (reg <= kUserEepromLast || reg >= kScratchFirst) {
    mem_[reg] = value;
  } else if (nonvolatile(reg)) {
    const std::uint16_t before = pins();
    mem_[reg] = value;
    eeprom_pending_ = true;
    if (pins() != before && on_pins_changed) on_pins_changed();
  }
  // Status and reserved registers ignore writes.
}

bool Ds4520::select(bool /*read*/) { return true; }

bool Ds4520::write(std::uint8_t byte) {
  if (expect_pointer_) {
    pointer_ = byte;
    expect_pointer_ = false;
  } else {
    write_register(pointer_++, byte);
  }
  return true;
}

std::uint8_t Ds4520::read() { return read_register(pointer_++); }

void Ds4520::bus_stop() {
  expect_pointer_ = true;
  // The EEPROM copy is written at the end of the transfer unless SEEB is set.
  if (eeprom_pending_ && !(mem_[kConfig] & kSkipEepromBit))
    for (int i = 0; i < static_cast<int>(eeprom_.size()); ++i) eeprom_[i] = mem_[kPullupLow + i];
  eeprom_pending_ = false;
}

}  // namespace kd71::sim
