// Drives the simulated board through the FT_* calls directly, the way the
// bridge would be driven, with hand-built bus bytes and I2C bit sequences:
// independent of the program's own protocol layers.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/bridge/ftd2xx.h"
#include "sim/sim_board.h"
#include "tests/support/fresh_state.h"

namespace kd71::test {

class SimHarness : public FreshState {
 protected:
  // Installs a board with `scenario` and opens the first listed instrument.
  kd71::sim::SimBoard* start(const kd71::sim::Scenario& scenario = {});

  // ---- Byte mode ----------------------------------------------------------
  void send(const std::vector<std::uint8_t>& bytes);
  // Raw reply bus bytes of a poll (byte mode for the request, bit-bang for the read).
  std::vector<std::uint8_t> poll_raw(int type, DWORD expect = 256);
  // The packet bytes of a poll's reply, high nibble first from the upper halves.
  std::vector<std::uint8_t> poll(int type);
  void write_register(int reg, const std::vector<std::uint8_t>& data);
  void write_threshold(int channel, int code_p, int code_n, bool lock);
  // Routine packet of a channel.
  std::vector<std::uint8_t> routine(int channel) { return poll(channel * 8 - 3); }

  // ---- Bit-bang I2C master --------------------------------------------------
  void lines(bool scl_low, bool sda_low);  // one line change: FT_SetBitMode in mode 1
  std::uint8_t sample();                   // FT_GetBitMode
  void i2c_start();
  void i2c_stop();
  bool i2c_write(std::uint8_t byte);  // true when acknowledged
  std::uint8_t i2c_read(bool ack);
  // start, address, bytes..., stop; true when every byte was acknowledged.
  bool i2c_transfer(std::uint8_t address7, const std::vector<std::uint8_t>& bytes);
  // start, address|1, n reads (the last not acknowledged), stop.
  std::vector<std::uint8_t> i2c_read_bytes(std::uint8_t address7, int n);
  // A DS4520 register read: pointer write, repeated start, one byte.
  std::uint8_t expander_read(std::uint8_t address7, std::uint8_t reg);

  kd71::sim::SimBoard* board = nullptr;
  FT_HANDLE handle = nullptr;
};

}  // namespace kd71::test
