// A recording bridge with simple I2C register devices on its bit-bang pins,
// for byte-exact tests of the I2C drivers. The simulated board's bus engine
// follows the lines from the recorded direction masks; every address gets a
// listener that logs the transaction, and only the addresses in `devices`
// acknowledge.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <vector>

#include "platform/bridge/bridge_double.h"
#include "sim/i2c_bus.h"

namespace kd71::test {

struct I2cTransaction {
  int address = -1;  // 7-bit address of the first byte
  bool read = false;
  std::vector<unsigned char> bytes;  // bytes after the address byte
  std::size_t call_index = 0;        // position among the recorded bridge calls
};

class I2cResponder : public kd71::bridge::RecordingBridge {
 public:
  // A register file: the first byte written sets the pointer, the others
  // and every read move it up.
  struct Device {
    std::array<unsigned char, 256> regs{};
    int pointer = 0;
  };

  I2cResponder();
  ~I2cResponder() override;

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
  class Listener;
  kd71::sim::I2cBus bus_;
  std::vector<std::unique_ptr<Listener>> listeners_;
};

}  // namespace kd71::test
