// A recording bridge with simple I2C register devices on its bit-bang pins,
// for byte-exact tests of the I2C drivers. It follows the resolved
// open-drain lines from the recorded direction masks, decodes START, STOP and
// bits on SCL edges, acknowledges its devices' addresses and written bytes,
// and drives read bits on SDA while SCL is low.
#pragma once

#include <array>
#include <map>
#include <vector>

#include "platform/bridge_double.h"

namespace kd71::test {

struct I2cTransaction {
  int address = -1;  // 7-bit address of the first byte
  bool read = false;
  std::vector<unsigned char> bytes;  // bytes after the address byte
  std::size_t call_index = 0;        // position among the recorded bridge calls
};

class I2cResponder : public kd71::bridge::RecordingBridge {
 public:
  struct Device {
    std::array<unsigned char, 256> regs{};
    int pointer = 0;
  };

  // Devices by 7-bit address; a missing address is not acknowledged.
  std::map<int, Device> devices;
  // Every addressed transaction, one per START.
  std::vector<I2cTransaction> transactions;
  // Transactions that wrote bytes (excluding those that only set the pointer
  // before a read), as {address, bytes...}.
  std::vector<std::vector<int>> writes() const;

  FT_STATUS set_bit_mode(int token, UCHAR mask, UCHAR mode) override;
  FT_STATUS get_bit_mode(int token, UCHAR* pins) override;

 private:
  enum class State { Idle, Address, Write, Read, Ignore };
  bool scl() const { return !(mask_ & 0x01); }
  bool sda() const { return !(mask_ & 0x02) && !pull_; }
  void on_start();
  void on_rising(bool sda_level);
  void on_falling();
  void drive_read_bit();

  UCHAR mask_ = 0x00;
  bool pull_ = false;
  State state_ = State::Idle;
  int clocks_ = 0;  // SCL rising edges in the current 9-clock frame
  unsigned char shift_ = 0;
  bool ack_ = false;
  bool master_ack_ = false;
  int address_ = -1;
  unsigned char out_ = 0;
};

}  // namespace kd71::test
