// How many bridge calls each operation of the board link costs, on the
// simulated board: every I2C line change and sample is a call of its own.
#include <gtest/gtest.h>

#include "hardware/DS4520.h"
#include "hardware/MCP4728.h"
#include "hardware/lowlevel.h"
#include "sim/sim_board.h"
#include "tests/support/fresh_state.h"

namespace {

using kd71::sim::Call;

// Calls of the I2C steps on a free bus.
constexpr std::uint64_t kStart = 6;  // release, one sample, four line steps
constexpr std::uint64_t kStop = 4;
constexpr std::uint64_t kByteOut = 52;  // six per bit, four for the acknowledge
constexpr std::uint64_t kByteIn = 38;   // four per bit, six for the last byte's no-acknowledge

class CallCountTest : public kd71::test::FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    board = kd71::sim::install_simulated_board();
    linkUp = static_cast<unsigned char>(usb_aliveQ());
    ASSERT_EQ(init_usb(), 1);
  }
  template <typename Op>
  std::uint64_t calls_of(Op op) {
    const std::uint64_t before = board->calls().total();
    const auto i2c_before = board->counters().i2c.stops;
    op();
    transactions = board->counters().i2c.stops - i2c_before;
    return board->calls().total() - before;
  }
  kd71::sim::SimBoard* board = nullptr;
  std::uint64_t transactions = 0;
};

TEST_F(CallCountTest, APollReadExchangeIsSevenCalls) {
  const std::uint64_t bytes_before = board->calls().bytes_read;
  EXPECT_EQ(calls_of([] { FetchRoutinePacket(1); }),
            7u);  // mode, purge x2, write; mode, status, read
  EXPECT_EQ(board->calls().bytes_read - bytes_before, 26u);
}

TEST_F(CallCountTest, APinChangeIsFourTransactions) {
  const std::uint64_t read = kStart + 2 * kByteOut + kStop + kStart + kByteOut + kByteIn + kStop;
  const std::uint64_t write = kStart + 3 * kByteOut + kStop;
  EXPECT_EQ(calls_of([] { DS4520_IO_write(7, 4, 1); }), read + 2 * write);
  EXPECT_EQ(transactions, 4u);
}

TEST_F(CallCountTest, AFastDacWriteIsOneTransactionOfFourBytes) {
  EXPECT_EQ(calls_of([] { dac_write(5, 1.0f, 1); }), kStart + 4 * kByteOut + kStop);
  EXPECT_EQ(transactions, 1u);
}

TEST_F(CallCountTest, ADacReadBackIsOneTransactionOfTwentyFiveBytes) {
  // Every byte is acknowledged: the ninth clock of each costs seven calls.
  constexpr std::uint64_t kByteInAcknowledged = 8 * 4 + 7;
  EXPECT_EQ(calls_of([] { mcp4728_dac_read(1); }),
            kStart + kByteOut + 24 * kByteInAcknowledged + kStop);
  EXPECT_EQ(transactions, 1u);
}

}  // namespace
