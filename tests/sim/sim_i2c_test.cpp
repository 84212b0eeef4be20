// The I2C devices, driven with hand-built bit sequences through the bridge's
// bit-bang mode: acknowledges, register read-back and pin levels as the
// real parts give them, and the bus faults.
#include <gtest/gtest.h>

#include "platform/os/clock.h"
#include "tests/sim/sim_harness.h"

namespace {

constexpr std::uint8_t kChip6 = 0x56;
constexpr std::uint8_t kChip7 = 0x57;
constexpr std::uint8_t kDac0 = 0x60;
constexpr std::uint8_t kDac1 = 0x61;

class SimI2cTest : public kd71::test::SimHarness {
 protected:
  void SetUp() override {
    SimHarness::SetUp();
    start();
  }
};

TEST_F(SimI2cTest, ExpanderPinIsHighOnlyWithPullupAndIoControlSet) {
  ASSERT_TRUE(i2c_transfer(kChip6, {0xF0, 0x21}));
  EXPECT_EQ(board->expander(6).pins, 0u);  // pull-up alone leaves the pins low
  ASSERT_TRUE(i2c_transfer(kChip6, {0xF2, 0x23}));
  EXPECT_EQ(board->expander(6).pins, 0x21u);
  EXPECT_EQ(expander_read(kChip6, 0xF8), 0x21);
  // Pin 8 lives in the high registers, bit 0 only.
  ASSERT_TRUE(i2c_transfer(kChip6, {0xF1, 0xFF}));
  ASSERT_TRUE(i2c_transfer(kChip6, {0xF3, 0x01}));
  EXPECT_EQ(expander_read(kChip6, 0xF9), 0x01);
  EXPECT_EQ(board->expander(6).pins, 0x121u);
  EXPECT_EQ(board->expander(7).pins, 0u);  // the other chip is untouched
}

TEST_F(SimI2cTest, ExpanderReadsAndWritesMoveThePointerUp) {
  ASSERT_TRUE(i2c_transfer(kChip7, {0xFA, 0x55, 0xAA, 0x33}));
  EXPECT_EQ(expander_read(kChip7, 0xFB), 0xAA);
  // Pointer write, stop, then a read from the pointer: two bytes in a row.
  ASSERT_TRUE(i2c_transfer(kChip7, {0xFA}));
  EXPECT_EQ(i2c_read_bytes(kChip7, 3), (std::vector<std::uint8_t>{0x55, 0xAA, 0x33}));
  // The status registers ignore writes.
  ASSERT_TRUE(i2c_transfer(kChip7, {0xF8, 0xFF}));
  EXPECT_EQ(expander_read(kChip7, 0xF8), 0x00);
}

TEST_F(SimI2cTest, ExpanderPinsDriveTheChannelInputs) {
  // Chip 7: pattern code 6 on pins 0-3, manual mode (pin 4), 9340 phase 3 (pins 7, 8).
  ASSERT_TRUE(i2c_transfer(kChip7, {0xF0, 0x96, 0x01}));  // 0xF0 then 0xF1 by auto-increment
  ASSERT_TRUE(i2c_transfer(kChip7, {0xF2, 0x96, 0x01}));
  // Chip 6: channel 1's 9372 phase on pin 6.
  ASSERT_TRUE(i2c_transfer(kChip6, {0xF0, 0x40}));
  ASSERT_TRUE(i2c_transfer(kChip6, {0xF2, 0x40}));
  EXPECT_EQ(board->pattern_code(1), 6);
  EXPECT_TRUE(board->manual_mode(1));
  EXPECT_EQ(board->phase_in_use(1), 7);
  EXPECT_FALSE(board->manual_mode(2));
}

TEST_F(SimI2cTest, DacMultiWriteChangesTheOutputAtStop) {
  // Multi-write to 0x60 channel B: gain bit, code 620.
  i2c_start();
  ASSERT_TRUE(i2c_write(kDac0 << 1));
  ASSERT_TRUE(i2c_write(0x42));
  ASSERT_TRUE(i2c_write(0x12));
  ASSERT_TRUE(i2c_write(0x6C));
  EXPECT_EQ(board->dac(0, 1).volts, 0.0);  // not before the stop
  i2c_stop();
  const auto b = board->dac(0, 1);
  EXPECT_EQ(b.input.code, 620);
  EXPECT_EQ(b.input.config, 0x1);
  EXPECT_NEAR(b.volts, 620 * 3.3 / 4096, 1e-9);
  EXPECT_EQ(b.eeprom.code, 0);  // a multi-write leaves the EEPROM alone
}

TEST_F(SimI2cTest, DacSingleWriteReachesTheEepromAndReadsBackAsTheDatasheetSays) {
  ASSERT_TRUE(i2c_transfer(kDac1, {0x58, 0x17, 0xFF}));  // channel A, 2047, with EEPROM
  const auto bytes = i2c_read_bytes(kDac1, 24);
  ASSERT_EQ(bytes.size(), 24u);
  // Channel A DAC register: busy right after the EEPROM write, POR, channel 0, address bit 1.
  EXPECT_EQ(bytes[0], 0x41);
  EXPECT_EQ(bytes[1], 0x17);
  EXPECT_EQ(bytes[2], 0xFF);
  EXPECT_EQ(bytes[4], 0x17);  // its EEPROM copy
  EXPECT_EQ(bytes[5], 0xFF);
  EXPECT_EQ(bytes[3], 0x41);  // channel A EEPROM entry status
  EXPECT_EQ(bytes[6], 0x51);  // channel B DAC register
  EXPECT_EQ(bytes[12] & 0x30, 0x20);
  kd71::clock::spend(0.06);
  EXPECT_EQ(i2c_read_bytes(kDac1, 1)[0], 0xC1);  // ready again
  // The EEPROM survives a power cycle and loads into the output.
  board->unplug();
  board->plug();
  EXPECT_EQ(board->dac(1, 0).input.code, 2047);
  EXPECT_NEAR(board->dac(1, 0).volts, 1.65, 0.001);
}

TEST_F(SimI2cTest, NothingAnswersAtTheThirdDacAddress) {
  EXPECT_FALSE(i2c_transfer(0x64, {0x40, 0x10, 0x00}));
  EXPECT_EQ(i2c_read_bytes(0x64, 2), (std::vector<std::uint8_t>{0xFF, 0xFF}));
  EXPECT_EQ(board->counters().i2c.address_nacks, 2u);
}

TEST_F(SimI2cTest, NackFaultSilencesADevice) {
  board->set_i2c_nack(kChip7);
  EXPECT_FALSE(i2c_transfer(kChip7, {0xF0, 0xFF}));
  EXPECT_EQ(board->expander(7).pullup, 0u);
  board->set_i2c_nack(kChip7, false);
  EXPECT_TRUE(i2c_transfer(kChip7, {0xF0, 0xFF}));
}

TEST_F(SimI2cTest, StuckSdaKeepsTheBusBusy) {
  board->set_sda_stuck();
  lines(false, false);
  EXPECT_EQ(sample() & 0x03, 0x01);
  i2c_transfer(kChip7, {0xF0, 0xFF});           // reads as acknowledged: SDA is low throughout
  EXPECT_EQ(board->counters().i2c.starts, 0u);  // SDA never rose, so it never fell
  EXPECT_EQ(board->expander(7).pullup, 0u);
  board->set_sda_stuck(false);
  EXPECT_TRUE(i2c_transfer(kChip7, {0xF0, 0xFF}));
}

TEST_F(SimI2cTest, RepeatedStartIsSeenAndCounted) {
  ASSERT_TRUE(i2c_transfer(kChip7, {0xFC, 0x5A}));
  EXPECT_EQ(expander_read(kChip7, 0xFC), 0x5A);
  const auto c = board->counters().i2c;
  EXPECT_EQ(c.repeated_starts, 1u);
  EXPECT_EQ(c.stops, 2u);
}

}  // namespace
