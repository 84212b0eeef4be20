#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "hardware/MCP4728.h"
#include "hardware/debug_flags.h"
#include "tests/support/hardware_fixture.h"

namespace {

using kd71::test::I2cResponder;
using Writes = std::vector<std::vector<int>>;

class DacTest : public kd71::test::HardwareTest {
 protected:
  void SetUp() override {
    HardwareTest::SetUp();
    bus = open_board<I2cResponder>();
    bus->devices[0x60];
    bus->devices[0x61];
  }
  I2cResponder* bus = nullptr;
};

TEST_F(DacTest, WriteWithEepromToPositionZero) {
  dac_write(0, 1.65f, 0);  // 1.6499999762 V: code 2047
  ASSERT_EQ(bus->transactions.size(), 1u);
  EXPECT_EQ(bus->transactions[0].address, 0x60);
  EXPECT_EQ(bus->transactions[0].bytes, (std::vector<unsigned char>{0x58, 0x17, 0xFF}));
  EXPECT_NEAR(Timer(), 0.06, 1e-9);
}

TEST_F(DacTest, FastWriteIsOneTransactionOfFourBytesWithoutAPause) {
  dac_write(1, 0.5f, 1);  // code 620
  ASSERT_EQ(bus->transactions.size(), 1u);
  EXPECT_EQ(bus->transactions[0].bytes, (std::vector<unsigned char>{0x42, 0x12, 0x6C}));
  EXPECT_DOUBLE_EQ(Timer(), 0.0);
  dac_write(5, 1.0f, 1);  // channel 1 sampling delay: device 1, channel B
  EXPECT_EQ(bus->transactions[1].address, 0x61);
  EXPECT_EQ(bus->transactions[1].bytes[0], 0x42);
}

TEST_F(DacTest, NothingIsSentWhileTheLinkIsDown) {
  linkUp = 0;
  dac_write(0, 1.65f, 0);
  EXPECT_TRUE(bus->calls.empty());
  EXPECT_DOUBLE_EQ(Timer(), 0.0);
}

TEST_F(DacTest, CodesAreClampedToTwelveBits) {
  EXPECT_EQ(dac_code(1.65f), 2047);
  EXPECT_EQ(dac_code(0.5f), 620);
  EXPECT_EQ(dac_code(3.2999990f), 4095);
  EXPECT_EQ(dac_code(3.3f), 4095);
  EXPECT_EQ(dac_code(7.0f), 4095);
  EXPECT_EQ(dac_code(-0.5f), 0);
  EXPECT_EQ(dac_code(std::nanf("")), 0);
  EXPECT_EQ(dac_code(INFINITY), 4095);
}

TEST_F(DacTest, PositionMap) {
  const int devices[] = {0, 0, 0, 0, 1, 1, 1, 1, 4, 4, 4, 4};
  for (int p = 0; p < 12; ++p) {
    EXPECT_EQ(dac_device(p), devices[p]);
    EXPECT_EQ(dac_channel(p), p % 4);
  }
  EXPECT_EQ(dac_device(12), 0xFF);
  EXPECT_EQ(dac_channel(12), 0xFF);
  // Device 4 (0x64) is not fitted: the write is not acknowledged.
  dac_write(8, 1.0f, 1);
  EXPECT_EQ(bus->transactions.back().address, 0x64);
  EXPECT_TRUE(bus->transactions.back().bytes.empty());
}

TEST_F(DacTest, ReadBackReturnsRegistersAndEepromCopies) {
  for (int i = 0; i < 24; ++i) bus->devices[0x61].regs[i] = static_cast<unsigned char>(i * 7);
  const DACSet set = mcp4728_dac_read(1);
  ASSERT_EQ(bus->transactions.size(), 1u);
  EXPECT_TRUE(bus->transactions[0].read);
  EXPECT_EQ(bus->transactions[0].bytes.size(), 24u);
  EXPECT_EQ(set.reg[0].status, 0);
  EXPECT_EQ(set.reg[7].code_lo, 23 * 7);
  static_assert(sizeof(DACSet) == 24);
}

TEST_F(DacTest, DebugLinesOfAWrite) {
  debug_dac = 1;
  testing::internal::CaptureStdout();
  mcp4728_dac_write(0, 1, 620, 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "bit_load_dac(1, 620 [0x026c])\n");
}

}  // namespace
