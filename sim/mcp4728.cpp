#include "sim/mcp4728.h"

#include <algorithm>

#include "platform/os/clock.h"

namespace kd71::sim {
namespace {

constexpr double kVddV = 3.3;
constexpr double kInternalRefV = 2.048;
constexpr int kCodeSpan = 4096;
constexpr double kEepromWriteS = 0.05;
constexpr int kReadBytesPerChannel = 6;
constexpr int kReadBytes = kDacChannels * kReadBytesPerChannel;

constexpr std::uint8_t kFastWriteMask = 0xC0, kFastWrite = 0x00;
constexpr std::uint8_t kCommandMask = 0xF8;
constexpr std::uint8_t kMultiWrite = 0x40, kSequentialWrite = 0x50, kSingleWrite = 0x58;
constexpr std::uint8_t kSelectMask = 0xE0;
constexpr std::uint8_t kVrefSelect = 0x80, kPowerDownSelect = 0xA0, kGainSelect = 0xC0;

constexpr std::uint8_t kRefBit = 0x8, kGainBit = 0x1, kPowerDownBits = 0x6;
constexpr std::uint8_t kReadyBit = 0x80, kPowerOnBit = 0x40;

int channel_of(std::uint8_t command) { return (command >> 1) & 3; }
bool udac(std::uint8_t command) { return command & 1; }

// Config bits and code from the two data bytes of a write.
Mcp4728::Register from_bytes(std::uint8_t high, std::uint8_t low) {
  return {static_cast<std::uint16_t>((high & 0x0F) << 8 | low),
          static_cast<std::uint8_t>(high >> 4)};
}

}  // namespace

void Mcp4728::power_on() {
  input_ = eeprom_;
  output_ = eeprom_;
  command_.clear();
  busy_until_ = 0.0;
}

double Mcp4728::volts(int ch) const {
  const Register r = output_.at(ch);
  if (r.config & kPowerDownBits) return 0.0;
  const double fraction = static_cast<double>(r.code) / kCodeSpan;
  if (!(r.config & kRefBit)) return fraction * kVddV;
  return std::min(kVddV, fraction * kInternalRefV * ((r.config & kGainBit) ? 2.0 : 1.0));
}

bool Mcp4728::busy() const { return kd71::clock::now() < busy_until_; }

bool Mcp4728::select(bool read) {
  if (read) read_index_ = 0;
  command_.clear();
  eeprom_started_ = false;
  return true;
}

bool Mcp4728::write(std::uint8_t byte) {
  command_.push_back(byte);
  return true;
}

std::uint8_t Mcp4728::read() {
  const int i = read_index_++ % kReadBytes;
  const int ch = i / kReadBytesPerChannel;
  const bool from_eeprom = (i / 3) % 2;
  const Register r = from_eeprom ? eeprom_[ch] : input_[ch];
  switch (i % 3) {
    case 0:
      return static_cast<std::uint8_t>((busy() ? 0 : kReadyBit) | kPowerOnBit | ch << 4 |
                                       (address_ & 7));
    case 1:
      return static_cast<std::uint8_t>(r.config << 4 | r.code >> 8);
    default:
      return static_cast<std::uint8_t>(r.code & 0xFF);
  }
}

void Mcp4728::update_output(int ch) {
  const Register before = output_[ch];
  output_[ch] = input_[ch];
  if ((before.code != output_[ch].code || before.config != output_[ch].config) && on_output_changed)
    on_output_changed(ch);
}

void Mcp4728::set_input(int ch, Register r, bool update, bool to_eeprom) {
  input_[ch] = r;
  if (to_eeprom && (!busy() || eeprom_started_)) {
    eeprom_[ch] = r;
    eeprom_started_ = true;
  }
  if (update) update_output(ch);
}

// Carries out the command collected since the address byte.
void Mcp4728::execute() {
  const std::vector<std::uint8_t> b = std::move(command_);
  command_.clear();
  if (b.empty()) return;
  const std::uint8_t c = b[0];
  const std::size_t n = b.size();
  if ((c & kFastWriteMask) == kFastWrite) {
    for (std::size_t i = 0; i + 1 < n && i / 2 < kDacChannels; i += 2) {
      const int ch = static_cast<int>(i / 2);
      Register r = from_bytes(b[i], b[i + 1]);
      r.config = static_cast<std::uint8_t>((input_[ch].config & ~kPowerDownBits) |
                                           ((b[i] >> 3) & kPowerDownBits));
      set_input(ch, r, true, false);
    }
  } else if ((c & kCommandMask) == kMultiWrite) {
    for (std::size_t i = 0; i + 2 < n; i += 3)
      set_input(channel_of(b[i]), from_bytes(b[i + 1], b[i + 2]), !udac(b[i]), false);
  } else if ((c & kCommandMask) == kSequentialWrite) {
    int ch = channel_of(c);
    for (std::size_t i = 1; i + 1 < n && ch < kDacChannels; i += 2, ++ch)
      set_input(ch, from_bytes(b[i], b[i + 1]), !udac(c), true);
  } else if ((c & kCommandMask) == kSingleWrite) {
    if (n >= 3) set_input(channel_of(c), from_bytes(b[1], b[2]), !udac(c), true);
  } else if ((c & kSelectMask) == kVrefSelect || (c & kSelectMask) == kGainSelect) {
    const std::uint8_t bit = (c & kSelectMask) == kVrefSelect ? kRefBit : kGainBit;
    for (int ch = 0; ch < kDacChannels; ++ch) {
      Register r = input_[ch];
      r.config =
          static_cast<std::uint8_t>((c >> (3 - ch)) & 1 ? (r.config | bit) : (r.config & ~bit));
      set_input(ch, r, true, false);
    }
  } else if ((c & kSelectMask) == kPowerDownSelect && n >= 2) {
    const unsigned bits = static_cast<unsigned>((c & 0x0F) << 4 | b[1] >> 4);  // PD of A, B, C, D
    for (int ch = 0; ch < kDacChannels; ++ch) {
      Register r = input_[ch];
      const unsigned pd = (bits >> (6 - 2 * ch)) & 3u;
      r.config = static_cast<std::uint8_t>((r.config & ~kPowerDownBits) | pd << 1);
      set_input(ch, r, true, false);
    }
  }
  // Address-bit writes and the rest are not used on this board: ignored.
  if (eeprom_started_) busy_until_ = kd71::clock::now() + kEepromWriteS;
  eeprom_started_ = false;
}

}  // namespace kd71::sim
