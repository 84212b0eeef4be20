// The FPGA's decoder of the byte stream it receives while the bridge is in
// byte mode. The low nibble of each byte says what it is: 0x7 a poll request
// (type in the high nibble), 0xF a register-write header (register in the
// high nibble), 0xB a data byte carrying one nibble in its high half (high
// nibble first, two per data byte).
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace kd71::sim {

inline constexpr int kMaxRegisterBytes = 4;

struct FpgaCommand {
  enum class Kind { Poll, Write };
  Kind kind = Kind::Poll;
  int code = 0;  // request type of a poll, register of a write
  std::array<std::uint8_t, kMaxRegisterBytes> data{};
  int length = 0;
};

// Data bytes a write to `reg` carries; 0 for registers the FPGA does not have.
int register_data_length(int reg);

class FpgaStream {
 public:
  // Takes one byte; returns the command it completes, if any. A write cut
  // short by a byte that is not a data byte is dropped.
  std::optional<FpgaCommand> feed(std::uint8_t byte);
  void reset() { pending_ = false; }

 private:
  bool pending_ = false;  // a write to a known register is collecting data
  FpgaCommand write_;
  int nibbles_ = 0;
};

}  // namespace kd71::sim
