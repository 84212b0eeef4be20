#include "sim/fpga_stream.h"

namespace kd71::sim {
namespace {

constexpr std::uint8_t kPollTag = 0x7;
constexpr std::uint8_t kWriteTag = 0xF;
constexpr std::uint8_t kDataTag = 0xB;

}  // namespace

int register_data_length(int reg) {
  // 1/9 sampling delay code, 3/11 input clock, 4/12 sample window count,
  // 5/13 threshold codes and lock flag, 7/15 loop lock, 8 loopback pattern.
  static constexpr int kLength[16] = {0, 2, 0, 2, 4, 4, 0, 1, 2, 2, 0, 2, 4, 4, 0, 1};
  return reg >= 0 && reg < 16 ? kLength[reg] : 0;
}

std::optional<FpgaCommand> FpgaStream::feed(std::uint8_t byte) {
  const std::uint8_t tag = byte & 0x0F;
  const int high = byte >> 4;
  if (tag == kDataTag) {
    if (!pending_) return std::nullopt;  // data with no write open: ignored
    std::uint8_t& d = write_.data[nibbles_ / 2];
    d = (nibbles_ % 2 == 0) ? static_cast<std::uint8_t>(high << 4)
                            : static_cast<std::uint8_t>(d | high);
    if (++nibbles_ < 2 * write_.length) return std::nullopt;
    pending_ = false;
    return write_;
  }
  pending_ = false;
  if (tag == kPollTag) {
    FpgaCommand poll;
    poll.code = high;
    return poll;
  }
  if (tag == kWriteTag && register_data_length(high) > 0) {
    write_ = FpgaCommand{};
    write_.kind = FpgaCommand::Kind::Write;
    write_.code = high;
    write_.length = register_data_length(high);
    nibbles_ = 0;
    pending_ = true;
  }
  return std::nullopt;
}

}  // namespace kd71::sim
