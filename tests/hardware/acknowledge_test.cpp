// Acknowledges as the I2C master reports them, and the expander driver's
// refusal to build a pin change on a read that nobody answered.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hardware/DS4520.h"
#include "hardware/debug_flags.h"
#include "hardware/i2c_comms.h"
#include "hardware/i2c_transactions.h"
#include "tests/support/hardware_fixture.h"

namespace {

using kd71::test::I2cResponder;
using Writes = std::vector<std::vector<int>>;

class AcknowledgeTest : public kd71::test::HardwareTest {
 protected:
  void SetUp() override {
    HardwareTest::SetUp();
    bus = open_board<I2cResponder>();
    bus->devices[0x56];  // chip 7 (0x57) is not fitted
  }
  I2cResponder* bus = nullptr;
};

TEST_F(AcknowledgeTest, EachByteReportsItsAcknowledgeAndSilentAddressesAreRemembered) {
  issue_i2c_start(usb_handle);
  EXPECT_EQ(tx_i2c_byte(usb_handle, 0xAC), 1);
  EXPECT_EQ(tx_i2c_byte(usb_handle, 0xF8), 1);
  issue_i2c_stop(usb_handle);
  EXPECT_TRUE(i2c_write_register(0xAC, 0xFA, 0x55));
  EXPECT_FALSE(i2c_write_register(0xAE, 0xFA, 0x55));
  EXPECT_TRUE(i2c_unacknowledged(0x57));
  EXPECT_FALSE(i2c_unacknowledged(0x56));
  // Only address bytes count: the register byte 0xF8 names no device.
  EXPECT_FALSE(i2c_unacknowledged(0xF8 >> 1));
  i2c_forget_unacknowledged();
  EXPECT_FALSE(i2c_unacknowledged(0x57));
  // A read's repeated start addresses the chip again.
  bus->devices.erase(0x56);
  DS4520_IO_read(6);
  EXPECT_TRUE(i2c_unacknowledged(0x56));
}

TEST_F(AcknowledgeTest, AChipThatDoesNotAnswerTheReadGetsNoWrite) {
  debug_DS4520 = 1;
  testing::internal::CaptureStdout();
  DS4520_IO_write(7, 4, 1);
  DS4520_IOX_wr_multibit(7, 0x0F, 8);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(bus->writes().empty());
  EXPECT_EQ(bus->transactions.size(), 4u);  // each read's pointer and data, no writes
  EXPECT_DOUBLE_EQ(Timer(), 0.0);           // no settle pauses without writes
  const std::string skipped =
      "DS4520 chip 7 (0x57) did not acknowledge the pin read: write skipped\n";
  ASSERT_NE(out.find(skipped), std::string::npos) << out;
  EXPECT_NE(out.find(skipped, out.find(skipped) + 1), std::string::npos) << out;
  EXPECT_EQ(out.find("WRITE DS4520 register"), std::string::npos) << out;

  // The chip that answers is written as before.
  debug_DS4520 = 0;
  bus->devices[0x56].regs[0xF8] = 0x81;
  DS4520_IO_write(6, 4, 1);
  EXPECT_EQ(bus->writes(), (Writes{{0x56, 0xF0, 0x91}, {0x56, 0xF2, 0x91}}));
}

TEST_F(AcknowledgeTest, TheSkipLineFollowsTheExpanderSwitch) {
  testing::internal::CaptureStdout();
  DS4520_IO_write(7, 8, 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(bus->writes().empty());
}

}  // namespace
