// A device that goes away under the open handle while it stays listed: the
// first call that answers so drops the link with one line, and the dead
// handle is left alone until supervision closes it.
#include <gtest/gtest.h>

#include <string>

#include "hardware/DS4520.h"
#include "hardware/debug_flags.h"
#include "hardware/i2c_comms.h"
#include "hardware/lowlevel.h"
#include "tests/support/hardware_fixture.h"

namespace {

using kd71::bridge::Fn;

class LinkLossTest : public kd71::test::HardwareTest {
 protected:
  void SetUp() override {
    HardwareTest::SetUp();
    bridge = open_board();
    prevLinkState = 1;  // connected, as after the supervision step's open
  }
  kd71::bridge::RecordingBridge* bridge = nullptr;
};

TEST_F(LinkLossTest, EachDeviceGoneStatusDropsTheLinkWithOneLineNamingCallAndStatus) {
  struct Case {
    FT_STATUS status;
    const char* line;
  };
  const Case cases[] = {
      {FT_DEVICE_NOT_FOUND, "USB link dropped: FT_Write failed (ftStatus=2, device not found)\n"},
      {FT_INVALID_HANDLE, "USB link dropped: FT_Write failed (ftStatus=1, invalid handle)\n"},
      {FT_IO_ERROR, "USB link dropped: FT_Write failed (ftStatus=4, I/O error)\n"},
  };
  debug_usb = 1;
  for (const Case& c : cases) {
    bridge->fail_next(Fn::Write, c.status);
    testing::internal::CaptureStdout();
    writePollRequest(5);
    writePollRequest(5);  // the dead handle is not called again: no second line
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(c.line) + "write failed\n");
    EXPECT_TRUE(link_lost());
    EXPECT_TRUE(take_lost_device());
    EXPECT_FALSE(link_lost());
    ASSERT_EQ(FT_Open(0, &usb_handle), FT_OK);
  }
}

TEST_F(LinkLossTest, OtherFailuresAndFailuresBeforeTheOpenLeaveTheLinkAlone) {
  bridge->fail_next(Fn::Write, FT_INVALID_PARAMETER);
  bridge->fail_next(Fn::Purge, FT_OTHER_ERROR);
  testing::internal::CaptureStdout();
  writePollRequest(5);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_FALSE(link_lost());

  // Not connected (no open, or a failed one): the handle is not the board's.
  prevLinkState = 0;
  bridge->fail_next(Fn::SetBitMode, FT_DEVICE_NOT_FOUND);
  writePollRequest(5);
  EXPECT_FALSE(link_lost());
  EXPECT_FALSE(take_lost_device());
  EXPECT_TRUE(bridge->calls_of(Fn::Close).empty());
}

TEST_F(LinkLossTest, AfterTheLossTheRestOfTheTickMakesNoCallsAndPrintsNothing) {
  debug_usb = 1;
  debug_i2c = 1;
  debug_DS4520 = 1;
  packetTrace = 1;
  bridge->fail_next(Fn::SetBitMode, FT_DEVICE_NOT_FOUND);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(FetchRoutinePacket(1), kMaxPollAttempts);
  EXPECT_EQ(FetchRoutinePacket(2), kMaxPollAttempts);
  DS4520_IO_write(7, 4, 1);  // a pin change mid-tick: nothing to read, nothing written
  writePacket(1, 5, 4);
  EXPECT_EQ(usb_input(), 0);
  const std::string out = testing::internal::GetCapturedStdout();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(out,
            "USB link dropped: FT_SetBitMode failed (ftStatus=2, device not found)\n"
            "Failure on attempt to change bit mode\n"
            // The pin change's own heading, then no read, no skip, no write.
            "START OF DS4520_IO_WRITE routine\n"
            "                      \t\t\tch_io   data     data \n"
            "bit_load_DS4520     \t\t\t4         1     0x01\n\n"
            "BitMode 0x00 \n\n");
  EXPECT_EQ(err, "");
  EXPECT_EQ(bridge->calls.size(), 1u);  // only the call that found the device gone
  EXPECT_DOUBLE_EQ(Timer(), 0.0);       // no reply waits, no bus waits, no pauses
  EXPECT_EQ(i2cBusy, 0);
  // No reply came: neither record carries a trailer.
  EXPECT_NE(packets[1].bytes[kRoutineTrailer], kTrailer);
  EXPECT_NE(packets[2].bytes[kRoutineTrailer], kTrailer);
}

TEST_F(LinkLossTest, ALossMidTransactionLetsTheTransactionEndAndFreesTheBus) {
  debug_i2c = 1;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  issue_i2c_start(usb_handle);
  EXPECT_EQ(tx_i2c_byte(usb_handle, 0xAE), 0);  // nobody answers on the double's bus
  bridge->fail_next(Fn::Write, FT_IO_ERROR);
  EXPECT_EQ(tx_i2c_byte(usb_handle, 0xF8), 0);
  const std::size_t calls = bridge->calls.size();
  EXPECT_EQ(tx_i2c_byte(usb_handle, 0x01), 0);
  issue_i2c_stop(usb_handle);
  EXPECT_EQ(bridge->calls.size(), calls);
  EXPECT_EQ(i2cBusy, 0);
  // The missed acknowledge before the loss, the failed write; then silence.
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR! - I2C ack not returned.\nUSB ERROR.\nUSB ERROR.\n");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "USB link dropped: FT_Write failed (ftStatus=4, I/O error)\n");
  EXPECT_TRUE(link_lost());
}

TEST_F(LinkLossTest, SupervisionClosesTheDeadHandleOnce) {
  bridge->fail_next(Fn::GetStatus, FT_DEVICE_NOT_FOUND);
  testing::internal::CaptureStdout();
  FetchRoutinePacket(1);
  testing::internal::GetCapturedStdout();
  const FT_HANDLE dead = usb_handle;
  EXPECT_TRUE(take_lost_device());
  EXPECT_FALSE(take_lost_device());
  EXPECT_EQ(bridge->calls_of(Fn::Close).size(), 1u);
  EXPECT_EQ(kd71::bridge::open_handle_count(), 0);
  // The next open gets a fresh handle; the dead one stays refused.
  ASSERT_EQ(init_usb(), 1);
  EXPECT_NE(usb_handle, dead);
  EXPECT_EQ(FT_Purge(dead, FT_PURGE_RX), FT_INVALID_HANDLE);
}

}  // namespace
