#include <gtest/gtest.h>

#include <vector>

#include "hardware/DS4520.h"
#include "hardware/board_pins.h"
#include "hardware/i2c_comms.h"
#include "tests/support/hardware_fixture.h"

namespace {

using kd71::test::I2cResponder;
using Writes = std::vector<std::vector<int>>;

constexpr int kChip6 = 0x56;
constexpr int kChip7 = 0x57;

class ExpanderTest : public kd71::test::HardwareTest {
 protected:
  void SetUp() override {
    HardwareTest::SetUp();
    bus = open_board<I2cResponder>();
    bus->devices[kChip6];
    bus->devices[kChip7];
  }
  I2cResponder* bus = nullptr;
};

TEST_F(ExpanderTest, PinEightIsWrittenThroughTheHighRegisters) {
  bus->devices[kChip6].regs[0xF9] = 0x00;
  DS4520_IO_write(6, 8, 1);
  EXPECT_EQ(bus->writes(), (Writes{{kChip6, 0xF1, 0x01}, {kChip6, 0xF3, 0x01}}));
  // Read as a transaction of its own after the register pointer.
  ASSERT_EQ(bus->transactions.size(), 4u);
  EXPECT_EQ(bus->transactions[0].bytes, std::vector<unsigned char>{0xF9});
  EXPECT_TRUE(bus->transactions[1].read);
  EXPECT_NEAR(Timer(), 0.04, 1e-9);  // two 20 ms pauses
  EXPECT_EQ(i2cBusy, 0);
}

TEST_F(ExpanderTest, APinChangeKeepsTheOtherPins) {
  // This test device's status register does not follow the writes, so each
  // change starts again from 0x81.
  bus->devices[kChip7].regs[0xF8] = 0x81;
  DS4520_IO_write(7, 4, 1);
  DS4520_IO_write_fast(7, 0, 0);
  EXPECT_EQ(
      bus->writes(),
      (Writes{
          {kChip7, 0xF0, 0x91}, {kChip7, 0xF2, 0x91}, {kChip7, 0xF0, 0x80}, {kChip7, 0xF2, 0x80}}));
  EXPECT_NEAR(Timer(), 0.04, 1e-9);         // the fast write does not pause
  EXPECT_EQ(bus->transactions.size(), 8u);  // four transactions per pin change
}

TEST_F(ExpanderTest, PatternFieldIsWrittenOverTheOtherPins) {
  bus->devices[kChip6].regs[0xF8] = 0xF9;
  DS4520_IOX_wr_multibit(6, 0x0F, 6);  // PRBS23 on channel 2
  EXPECT_EQ(bus->writes(), (Writes{{kChip6, 0xF0, 0xF6}, {kChip6, 0xF2, 0xF6}}));
  // The read's repeated start opens a transaction of its own: pointer, read, two writes.
  ASSERT_EQ(bus->transactions.size(), 4u);
  EXPECT_TRUE(bus->transactions[1].read);
}

TEST_F(ExpanderTest, ShutOffSetsOnlyThePatternPins) {
  // 99 = 0x63: unmasked it would also set pins 5 and 6, which on chip 7 are
  // both channels' clock dividers and on chip 6 two phase settings.
  bus->devices[kChip7].regs[0xF8] = 0x00;
  DS4520_IOX_wr_multibit(7, 0x0F, 99);
  bus->devices[kChip6].regs[0xF8] = 0x00;
  DS4520_IOX_wr_multibit(6, 0x0F, 99);
  bus->devices[kChip6].regs[0xF8] = 0xF0;
  DS4520_IOX_wr_multibit(6, 0x0F, 99);
  EXPECT_EQ(bus->writes(), (Writes{{kChip7, 0xF0, 0x03},
                                   {kChip7, 0xF2, 0x03},
                                   {kChip6, 0xF0, 0x03},
                                   {kChip6, 0xF2, 0x03},
                                   {kChip6, 0xF0, 0xF3},
                                   {kChip6, 0xF2, 0xF3}}));
}

TEST_F(ExpanderTest, StatusReadCombinesBothRegisters) {
  bus->devices[kChip7].regs[0xF8] = 0x5A;
  bus->devices[kChip7].regs[0xF9] = 0x01;
  EXPECT_EQ(DS4520_IO_read(7), 0x015A);
  ASSERT_EQ(bus->transactions.size(), 2u);
  EXPECT_EQ(bus->transactions[1].bytes, (std::vector<unsigned char>{0x5A, 0x01}));
}

TEST_F(ExpanderTest, AnAbsentChipReadsAsAllOnes) {
  bus->devices.erase(kChip7);
  EXPECT_EQ(DS4520_IO_read(7), 0xFFFF);
}

TEST_F(ExpanderTest, PinNineSelectsNoBit) {
  bus->devices[kChip7].regs[0xF8] = 0x3C;
  DS4520_IO_write(7, 9, 1);
  EXPECT_EQ(bus->writes(), (Writes{{kChip7, 0xF0, 0x3C}, {kChip7, 0xF2, 0x3C}}));
}

TEST_F(ExpanderTest, EepromWritingSwitchesTheConfigurationRegister) {
  DS4520_IO_ee_wr_on(6);
  DS4520_IO_ee_wr_off(7);
  EXPECT_EQ(bus->writes(), (Writes{{kChip6, 0xF4, 0x00}, {kChip7, 0xF4, 0xFF}}));
}

TEST_F(ExpanderTest, PhaseSettingsGoTo9340BitsThenThe9372Bit) {
  // Channel 2: 9340 bit 0 on chip 6 pin 4, bit 1 on pin 5, 9372 on pin 7.
  // The status register does not follow the writes, so each pin starts from 0.
  write_phase_settings(2, 2, 1);
  EXPECT_EQ(bus->writes(), (Writes{{kChip6, 0xF0, 0x00},
                                   {kChip6, 0xF2, 0x00},
                                   {kChip6, 0xF0, 0x20},
                                   {kChip6, 0xF2, 0x20},
                                   {kChip6, 0xF0, 0x80},
                                   {kChip6, 0xF2, 0x80}}));
  bus->transactions.clear();
  // Channel 1's 9372 bit is on chip 6 pin 6, beside channel 2's phases.
  write_phase9372(1, 3);
  EXPECT_EQ(bus->writes(), (Writes{{kChip6, 0xF0, 0x40}, {kChip6, 0xF2, 0x40}}));
  bus->transactions.clear();
  write_phase9340(1, 1);
  EXPECT_EQ(
      bus->writes(),
      (Writes{
          {kChip7, 0xF0, 0x80}, {kChip7, 0xF2, 0x80}, {kChip7, 0xF1, 0x00}, {kChip7, 0xF3, 0x00}}));
}

}  // namespace
