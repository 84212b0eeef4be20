// The FPGA side, driven with hand-built bus bytes: reply lengths and
// trailers, register writes, packet fields and reply faults.
#include <gtest/gtest.h>

#include <set>

#include "platform/os/clock.h"
#include "sim/fpga_stream.h"
#include "tests/sim/sim_harness.h"

namespace {

using kd71::sim::Scenario;

class SimFpgaTest : public kd71::test::SimHarness {};

struct ReplyShape {
  int type;
  std::size_t bus_bytes;
  std::size_t trailer_at;
};

TEST_F(SimFpgaTest, EachPollTypeAnswersWithItsLengthAndTrailer) {
  start();
  const ReplyShape shapes[] = {{1, 26, 2},    {2, 26, 2},   {3, 130, 64}, {4, 66, 32},
                               {5, 26, 12},   {6, 10, 4},   {7, 6, 2},    {9, 26, 2},
                               {11, 130, 64}, {12, 66, 32}, {13, 26, 12}, {14, 10, 4}};
  for (const ReplyShape& s : shapes) {
    const auto raw = poll_raw(s.type);
    ASSERT_EQ(raw.size(), s.bus_bytes) << "type " << s.type;
    const auto packet = poll(s.type);
    EXPECT_EQ(packet.at(s.trailer_at), 0xAA) << "type " << s.type;
  }
  for (int silent : {0, 8, 10, 15}) EXPECT_TRUE(poll_raw(silent).empty()) << "type " << silent;
}

TEST_F(SimFpgaTest, ReplyLowNibblesCarryVaryingJunk) {
  start();
  std::set<int> low;
  for (int i = 0; i < 4; ++i)
    for (std::uint8_t b : poll_raw(5)) low.insert(b & 0x0F);
  EXPECT_GT(low.size(), 4u);
}

TEST_F(SimFpgaTest, RegisterWritesChangeTheBoardState) {
  start();
  write_threshold(1, 0x8E4, 0x71B, true);
  EXPECT_EQ(board->threshold(1).code_p, 0x8E4);
  EXPECT_EQ(board->threshold(1).code_n, 0x71B);
  EXPECT_TRUE(board->threshold(1).lock);
  EXPECT_NEAR(board->threshold(1).mv, 10.0, 0.05);

  write_register(11, {0x30, 0x00});
  EXPECT_EQ(board->clock_config(2), 0x30);
  EXPECT_EQ(board->clock_config(1), 0x00);

  write_register(12, {0x01, 0x2A, 0x05, 0xF1});
  EXPECT_EQ(board->window_count(2), 19531249u);
  EXPECT_DOUBLE_EQ(board->window_bits(2), 5e9);

  write_register(15, {0x01});
  EXPECT_EQ(board->loop_lock(2), 1);
  EXPECT_EQ(board->loop_lock(1), 0);

  write_register(8, {0x5A, 0xA5});
  const auto echo = poll(2);
  EXPECT_EQ(echo[0], 0x5A);
  EXPECT_EQ(echo[1], 0xA5);
  EXPECT_EQ(board->fpga_register(8), (std::vector<std::uint8_t>{0x5A, 0xA5}));
  EXPECT_EQ(board->counters().register_writes[5], 1u);
}

TEST_F(SimFpgaTest, SamplingDelayRegisterSetsTheDelayInManualMode) {
  start();
  // Manual mode on channel 1: chip 7 pin 4 high (pull-up and I/O control).
  ASSERT_TRUE(i2c_transfer(0x57, {0xF0, 0x10}));
  ASSERT_TRUE(i2c_transfer(0x57, {0xF2, 0x10}));
  ASSERT_TRUE(board->manual_mode(1));
  write_register(1, {0x07, 0xFF});  // code 2047: 1.65 V
  EXPECT_EQ(board->delay_code(1), 2047);
  EXPECT_NEAR(board->sampling_delay_v(1), 1.65, 0.001);
  const auto readback = poll(1);
  EXPECT_EQ(((readback[0] & 0x0F) << 8) | readback[1], 2047);
}

TEST_F(SimFpgaTest, MalformedWritesAreIgnored) {
  start();
  // Register 2 does not exist; its data bytes go nowhere.
  send({0x2F, 0x1B, 0x2B});
  // A threshold write cut short by a poll is dropped, and the poll answered.
  const auto before = board->threshold(1);
  send({0x5F, 0x1B, 0x2B, 0x57});
  EXPECT_EQ(board->threshold(1).code_p, before.code_p);
  DWORD rx = 0, tx = 0, ev = 0;
  ASSERT_EQ(FT_GetStatus(handle, &rx, &tx, &ev), FT_OK);
  EXPECT_EQ(rx, 26u);
  EXPECT_EQ(board->counters().register_writes[5], 0u);
}

TEST_F(SimFpgaTest, StreamDecoderSplitsPollsHeadersAndNibbles) {
  kd71::sim::FpgaStream stream;
  const std::uint8_t bytes[] = {0x5F, 0x1B, 0x2B, 0x3B, 0x4B, 0x5B, 0x6B, 0x7B, 0x8B};
  std::optional<kd71::sim::FpgaCommand> last;
  for (std::uint8_t b : bytes) {
    EXPECT_FALSE(last.has_value());
    last = stream.feed(b);
  }
  ASSERT_TRUE(last.has_value());
  EXPECT_EQ(last->code, 5);
  EXPECT_EQ(last->length, 4);
  EXPECT_EQ(last->data[0], 0x12);
  EXPECT_EQ(last->data[3], 0x78);
  const auto poll = stream.feed(0xD7);
  ASSERT_TRUE(poll.has_value());
  EXPECT_EQ(poll->kind, kd71::sim::FpgaCommand::Kind::Poll);
  EXPECT_EQ(poll->code, 13);
}

TEST_F(SimFpgaTest, RoutinePacketReportsTheChannelAsItRuns) {
  Scenario s;
  s.channel(1).rate_mhz = 10001;  // reported as the even rate below
  start(s);
  write_register(4, {0x00, 0x00, 0x00, 0xFF});  // short windows
  // Before the pattern is selected the checker does not sync.
  auto p = routine(1);
  EXPECT_EQ((p[0] << 8 | p[1]) * 2, 10000);
  EXPECT_EQ(p[10] & 1, 0);
  EXPECT_NE(p[3], 0x80);
  // Pattern PRBS31 (code 8) on chip 7 pins 0-3.
  ASSERT_TRUE(i2c_transfer(0x57, {0xF0, 0x08}));
  ASSERT_TRUE(i2c_transfer(0x57, {0xF2, 0x08}));
  kd71::clock::spend(0.001);
  p = routine(1);
  EXPECT_EQ(p[3], 0x80);
  EXPECT_EQ(p[10], 0x01);
  EXPECT_EQ(p[9], 0);
  EXPECT_EQ(
      (std::uint64_t{p[4]} << 32) | (std::uint64_t{p[5]} << 24) | (p[6] << 16) | (p[7] << 8) | p[8],
      0u);
  EXPECT_GT(p[2], 100);
  EXPECT_LT(p[2], 156);
}

TEST_F(SimFpgaTest, FirmwareVersionIsSettable) {
  start();
  auto m = poll(7);
  EXPECT_GT(m[0] << 8 | m[1], 0x201F);
  board->set_firmware_version(0x1FF0);
  m = poll(7);
  EXPECT_EQ(m[0] << 8 | m[1], 0x1FF0);
}

TEST_F(SimFpgaTest, ReplyFaultsDropCutAndDamage) {
  start();
  board->drop_replies(1, 13);
  EXPECT_EQ(poll_raw(5).size(), 26u);  // another type is not affected
  EXPECT_TRUE(poll_raw(13).empty());
  EXPECT_EQ(poll_raw(13).size(), 26u);

  board->cut_replies(1, 24);
  const auto cut = poll_raw(5);
  EXPECT_EQ(cut.size(), 24u);

  board->corrupt_trailers(2);
  EXPECT_NE(poll(5).at(12), 0xAA);
  EXPECT_NE(poll(7).at(2), 0xAA);
  EXPECT_EQ(poll(5).at(12), 0xAA);
  const auto faults = board->counters().faults;
  EXPECT_EQ(faults.dropped, 1u);
  EXPECT_EQ(faults.cut, 1u);
  EXPECT_EQ(faults.corrupted, 2u);
}

}  // namespace

namespace {

TEST_F(SimFpgaTest, SubchannelPacketCountsErrorsOnlyWithoutSyncAndShowsVernierPhases) {
  start();
  auto p = poll(3);  // channel 1 expects PRBS7 at power-up: no sync
  ASSERT_EQ(p.size(), 65u);
  int errors = 0;
  for (int k = 0; k < 32; ++k) errors += p[k];
  EXPECT_GT(errors, 32 * 200);
  ASSERT_TRUE(i2c_transfer(0x57, {0xF0, 0x08}));
  ASSERT_TRUE(i2c_transfer(0x57, {0xF2, 0x08}));
  p = poll(3);
  for (int k = 0; k < 32; ++k) {
    EXPECT_EQ(p[k], 0) << k;
    EXPECT_NEAR(p[32 + k], 128, 8) << k;  // sampling in the eye centre
  }
}

TEST_F(SimFpgaTest, ARepliesLatencyIsWaitedForByTheRead) {
  Scenario s;
  s.latency.reply_s = 0.005;
  start(s);
  send({0x57});
  DWORD rx = 99, tx = 0, ev = 0;
  ASSERT_EQ(FT_GetStatus(handle, &rx, &tx, &ev), FT_OK);
  EXPECT_EQ(rx, 0u);  // still on its way
  const double t0 = kd71::clock::now();
  std::uint8_t buffer[26];
  DWORD got = 0;
  ASSERT_EQ(FT_Read(handle, buffer, 26, &got), FT_OK);
  EXPECT_EQ(got, 26u);
  EXPECT_NEAR(kd71::clock::now() - t0, 0.005, 1e-9);
}

}  // namespace
