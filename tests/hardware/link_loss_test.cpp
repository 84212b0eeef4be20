// Which answers of a call on the open handle drop the link.
#include <gtest/gtest.h>

#include <string>

#include "hardware/lowlevel.h"
#include "tests/support/hardware_fixture.h"

namespace {

using kd71::bridge::Fn;

class LinkLossTest : public kd71::test::HardwareTest {};

TEST_F(LinkLossTest, DeviceGoneAnswersDropAnOpenLinkOnceOtherFailuresDoNot) {
  auto* b = open_board();
  prevLinkState = 1;
  const std::pair<FT_STATUS, std::string> gone[] = {
      {FT_DEVICE_NOT_FOUND, "2, device not found"},
      {FT_INVALID_HANDLE, "1, invalid handle"},
      {FT_IO_ERROR, "4, I/O error"},
  };
  for (const auto& [status, text] : gone) {
    b->fail_next(Fn::Write, status);
    testing::internal::CaptureStdout();
    writePollRequest(5);
    const std::size_t calls = b->calls.size();
    writePollRequest(5);  // the dead handle is left alone
    EXPECT_EQ(b->calls.size(), calls);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "USB link dropped: FT_Write failed (ftStatus=" + text + ")\n");
    EXPECT_TRUE(take_lost_device());
    EXPECT_FALSE(take_lost_device());
    ASSERT_EQ(FT_Open(0, &usb_handle), FT_OK);
  }
  EXPECT_EQ(b->calls_of(Fn::Close).size(), 3u);

  b->fail_next(Fn::Write, FT_INVALID_PARAMETER);
  writePollRequest(5);
  EXPECT_FALSE(link_lost());
  prevLinkState = 0;  // no open link: the handle is not the board's
  b->fail_next(Fn::Write, FT_DEVICE_NOT_FOUND);
  writePollRequest(5);
  EXPECT_FALSE(link_lost());
}

}  // namespace
