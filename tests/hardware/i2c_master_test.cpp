#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hardware/debug_flags.h"
#include "hardware/i2c_comms.h"
#include "tests/support/hardware_fixture.h"

namespace {

using kd71::bridge::Fn;
using Tokens = std::vector<std::string>;

class I2cMasterTest : public kd71::test::HardwareTest {};

TEST_F(I2cMasterTest, EachBitIsSixCallsAndTheAckFour) {
  open_board();
  tx_i2c_byte(usb_handle, 0xA0);  // 1 0 1 0 0 0 0 0
  const Tokens one = {"W02", "MFD/1", "MFC/1", "S", "W02", "MFD/1"};
  const Tokens zero = {"W00", "MFF/1", "MFE/1", "S", "W00", "MFF/1"};
  const Tokens ack = {"MFC/1", "S", "W02", "MFD/1"};
  Tokens expected;
  for (const Tokens* bit : {&one, &zero, &one, &zero, &zero, &zero, &zero, &zero})
    expected.insert(expected.end(), bit->begin(), bit->end());
  expected.insert(expected.end(), ack.begin(), ack.end());
  EXPECT_EQ(tokens(), expected);
  EXPECT_EQ(i2cDirMask, 0xFD);  // SCL held low between bytes
}

TEST_F(I2cMasterTest, StartOnAFreeBusSamplesOnceAndMarksTheBusBusy) {
  open_board();
  issue_i2c_start(usb_handle);
  EXPECT_EQ(tokens(), (Tokens{"MFC/1", "S", "W01", "MFE/1", "W00", "MFF/1"}));
  EXPECT_EQ(i2cBusy, 1);
  EXPECT_DOUBLE_EQ(Timer(), 0.0);
  bridge_->clear_calls();
  issue_i2c_stop(usb_handle);
  EXPECT_EQ(tokens(), (Tokens{"W00", "MFF/1", "MFE/1", "MFC/1"}));
  EXPECT_EQ(i2cBusy, 0);
}

TEST_F(I2cMasterTest, StartOnABusyBusReportsSevenTimesAndGoesAheadAfterTenMilliseconds) {
  auto* b = open_board();
  b->default_pins = 0x01;  // a device holds SDA low
  debug_i2c = 1;
  testing::internal::CaptureStderr();
  issue_i2c_start(usb_handle);
  const std::string err = testing::internal::GetCapturedStderr();

  std::string busy;
  for (int i = 0; i < 7; ++i) busy += "ERROR! - I2C bus seems to be busy or not connected \n";
  EXPECT_EQ(err, busy);
  EXPECT_EQ(b->calls_of(Fn::GetBitMode).size(), 3u);
  EXPECT_NEAR(Timer(), 0.010, 1e-9);
  const Tokens t = tokens();
  EXPECT_EQ(Tokens(t.end() - 4, t.end()), (Tokens{"W01", "MFE/1", "W00", "MFF/1"}));
}

TEST_F(I2cMasterTest, ReceivesMsbFirstAndAnswersTheLastByteWithNoAcknowledge) {
  auto* b = open_board();
  const int bits[8] = {1, 0, 1, 0, 0, 1, 0, 1};  // 0xA5
  for (int bit : bits) b->pins.push_back(static_cast<UCHAR>(0x01 | (bit << 1)));
  i2cDirMask = 0xFD;  // SCL low after the address byte
  EXPECT_EQ(rx_i2c_byte(usb_handle, 1), 0xA5);
  Tokens t = tokens();
  // The ninth clock: SCL rises with SDA released (mask bit 1 clear).
  EXPECT_EQ(Tokens(t.end() - 6, t.end()), (Tokens{"W02", "MFD/1", "MFC/1", "S", "W02", "MFD/1"}));

  b->clear_calls();
  for (int i = 0; i < 8; ++i) b->pins.push_back(0x03);
  EXPECT_EQ(rx_i2c_byte(usb_handle, 0), 0xFF);
  t = tokens();
  // Acknowledge: SDA held low while SCL rises, then released.
  EXPECT_EQ(Tokens(t.end() - 7, t.end()),
            (Tokens{"W00", "MFF/1", "MFE/1", "S", "W00", "MFF/1", "MFD/1"}));
}

TEST_F(I2cMasterTest, MissingAcknowledgeIsReportedOnlyWithTheSwitchAtOne) {
  auto* b = open_board();
  b->default_pins = 0x03;  // nobody pulls SDA low in the ninth clock
  testing::internal::CaptureStderr();
  tx_i2c_byte(usb_handle, 0x00);
  debug_i2c = 2;  // the switch counts only at 1
  tx_i2c_byte(usb_handle, 0x00);
  debug_i2c = 1;
  tx_i2c_byte(usb_handle, 0x00);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR! - I2C ack not returned.\nUSB ERROR.\n");
}

TEST_F(I2cMasterTest, AFailedCallIsReportedAndTheSequenceGoesOn) {
  auto* b = open_board();
  debug_i2c = 1;
  b->fail_next(Fn::SetBitMode, FT_IO_ERROR);
  testing::internal::CaptureStderr();
  issue_i2c_start(usb_handle);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to set all ports as input\n");
  EXPECT_EQ(tokens().size(), 6u);  // every step still made

  b->clear_calls();
  b->fail_next(Fn::Write, FT_IO_ERROR);
  testing::internal::CaptureStderr();
  issue_i2c_stop(usb_handle);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "USB ERROR.\n");
  EXPECT_EQ(i2cBusy, 0);
}

TEST_F(I2cMasterTest, InitSetsTheMaskFromTheSampledDataLine) {
  auto* b = open_board();
  b->pins.push_back(0x03);
  EXPECT_EQ(i2c_init(usb_handle), 0);
  EXPECT_EQ(tokens(), (Tokens{"S", "M02/1"}));
  EXPECT_EQ(i2cDirMask, 0xFC);  // the shadow is not changed
  EXPECT_EQ(wait_i2c_scl_high(usb_handle), 0x03);
  EXPECT_EQ(wait_i2c_scl_high(BADHANDLE), 0);
}

}  // namespace
