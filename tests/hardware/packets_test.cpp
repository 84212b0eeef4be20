#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hardware/debug_flags.h"
#include "hardware/lowlevel.h"
#include "tests/support/hardware_fixture.h"

namespace {

using kd71::bridge::Fn;
using kd71::test::encode_reply;
using kd71::test::routine_packet;
using Tokens = std::vector<std::string>;

class PacketsTest : public kd71::test::HardwareTest {};

TEST_F(PacketsTest, PollRequestSwitchesToByteModePurgesTwiceAndSendsOneByte) {
  open_board();
  writePollRequest(13);
  EXPECT_EQ(tokens(), (Tokens{"MFC/0", "P3", "P3", "WD7"}));
  EXPECT_EQ(expectedLength, 26);
  for (auto [type, length] : {std::pair{3, 130},
                              {11, 130},
                              {4, 66},
                              {12, 66},
                              {6, 10},
                              {14, 10},
                              {7, 6},
                              {1, 26},
                              {2, 26},
                              {5, 26},
                              {9, 26}}) {
    writePollRequest(type);
    EXPECT_EQ(expectedLength, length) << "type " << type;
  }
}

TEST_F(PacketsTest, ReadBackInBitBangModeDecodesTheRoutineFields) {
  auto* b = open_board();
  b->replies.push_back(
      encode_reply(routine_packet(10000, 128, 0x80, 0x0100000000ULL, 7, 0x03, 15)));
  writePollRequest(5);
  b->clear_calls();
  readPacket(1);
  EXPECT_EQ(tokens(), (Tokens{"MFC/1", "G", "R26"}));
  EXPECT_NEAR(Timer(), 0.01, 1e-12);
  const PacketRecord& r = packets[1];
  EXPECT_EQ(r.frequency, 10000);
  EXPECT_EQ(r.ones_cnt, 128);
  EXPECT_EQ(r.channel_state, 0x80);
  EXPECT_EQ(r.error_count, 4294967296ULL);
  EXPECT_EQ(r.fast_error_count, 7);
  EXPECT_EQ(r.sync_flags, 3);
  EXPECT_EQ(r.seq_no, 15);  // the high nibble of byte 11 is not part of it
  EXPECT_EQ(r.bytes[12], kTrailer);
}

TEST_F(PacketsTest, AShortReplyLeavesTheSentinelAndThePollRepeats) {
  auto* b = open_board();
  std::vector<UCHAR> good = encode_reply(routine_packet(28000, 100, 0x80, 5, 0, 1, 3));
  b->replies.push_back(std::vector<UCHAR>(good.begin(), good.begin() + 24));
  b->replies.push_back(good);
  EXPECT_EQ(FetchRoutinePacket(2), 1);
  EXPECT_EQ(b->calls_of(Fn::Write)[0].data, std::vector<UCHAR>{0xD7});
  EXPECT_EQ(packets[2].frequency, 28000);
  EXPECT_EQ(packets[2].error_count, 5u);
}

TEST_F(PacketsTest, AnEmptyQueueIsNotReadAndEveryAttemptFails) {
  auto* b = open_board();
  EXPECT_EQ(FetchRoutinePacket(1), 10);
  EXPECT_TRUE(b->calls_of(Fn::Read).empty());
  EXPECT_EQ(b->calls_of(Fn::Write).size(), 10u);
  EXPECT_EQ(packets[1].bytes[12], 0x11);
  EXPECT_NEAR(Timer(), 0.1, 1e-9);  // ten 10 ms waits
}

TEST_F(PacketsTest, ReadBackPacketsCarryTheirTrailerAtByteTwo) {
  auto* b = open_board();
  b->replies.push_back(encode_reply({0x35, 0x6C, 0x00}));  // 13 bytes expected, 3 sent
  b->replies.push_back(encode_reply({0x35, 0x6C, kTrailer, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(pollReadPacket(1, 1), 1);
  EXPECT_EQ(b->calls_of(Fn::Write)[1].data, std::vector<UCHAR>{0x17});
  EXPECT_EQ(packets[1].bytes[0], 0x35);
  EXPECT_EQ(packets[1].bytes[1], 0x6C);
}

TEST_F(PacketsTest, RegisterWriteIsNibbleCodedBetweenModeSwitches) {
  open_board();
  packets[1].bytes[0] = 0x12;
  packets[1].bytes[1] = 0x34;
  packets[1].bytes[2] = 0x56;
  packets[1].bytes[3] = 0x78;
  EXPECT_EQ(writePacket(1, 5, 4), 1);
  EXPECT_EQ(tokens(), (Tokens{"MFC/0", "W5F", "W1B", "W2B", "W3B", "W4B", "W5B", "W6B", "W7B",
                              "W8B", "MFC/1"}));
}

TEST_F(PacketsTest, AFailedRegisterWriteIsAlwaysReported) {
  auto* b = open_board();
  b->fail_next(Fn::Write, FT_IO_ERROR);
  testing::internal::CaptureStdout();
  writePacket(2, 11, 2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Write failed; TxBytes: 0 0x0\n");
}

TEST_F(PacketsTest, PacketTraceLinesWordForWord) {
  auto* b = open_board();
  packetTrace = 1;
  b->replies.push_back(encode_reply(routine_packet(10000, 0x80, 0x80, 0, 0, 1, 2)));
  writePollRequest(5);
  testing::internal::CaptureStdout();
  readPacket(1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Correct packet length 26\n"
            "Packet:  13 88 80 80 00 00 00 00 00 00 01 a2 aa\n"
            "Frequency: 10000 MHz on Ch: 1\n");

  // Nothing answers: no read, so the count of the previous read stands.
  writePollRequest(5);
  testing::internal::CaptureStdout();
  readPacket(1);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.rfind("Wrong packet length shown   : 0\nCorrect packet length 26\n", 0), 0u) << out;

  // A short reply: the count read and the first bus bytes.
  b->replies.push_back({0x15, 0x26, 0x37, 0x48, 0x59, 0x6A});
  writePollRequest(5);
  testing::internal::CaptureStdout();
  readPacket(1);
  out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(
      out.rfind("Wrong packet length shown   : 6\nWrong packet length:       6 15 26 37 48 59\n"
                "26 37 48 59 6a ",
                0),
      0u)
      << out;
}

TEST_F(PacketsTest, TransportFailuresAreReportedUnderTheUsbSwitch) {
  auto* b = open_board();
  debug_usb = 1;
  b->fail_next(Fn::SetBitMode, FT_IO_ERROR);
  b->fail_next(Fn::Purge, FT_IO_ERROR, 2);
  b->fail_next(Fn::Write, FT_IO_ERROR);
  testing::internal::CaptureStdout();
  writePollRequest(5);
  EXPECT_EQ(
      testing::internal::GetCapturedStdout(),
      "Failure on attempt to change bit mode\nFT_Purge failure\nFT_Purge failure\nwrite failed\n");
}

}  // namespace
