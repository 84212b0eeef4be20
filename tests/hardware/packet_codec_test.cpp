#include "hardware/packet_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "hardware/fpga_protocol.h"

namespace {

using Bytes = std::vector<unsigned char>;

// The first `count` bytes an encoder left in a record, the rest of which
// starts as 0x5A so that stray writes show.
template <typename Encode>
Bytes encoded(Encode encode, int expected_count) {
  unsigned char data[kPacketBytes];
  for (unsigned char& b : data) b = 0x5A;
  const int count = encode(data);
  EXPECT_EQ(count, expected_count);
  EXPECT_EQ(data[count], 0x5A) << "wrote past its data bytes";
  return Bytes(data, data + count);
}

TEST(PacketCodec, RequestAndRegisterCodesCarryTheChannelInBitThree) {
  EXPECT_EQ(channel_code(1, kRoutineKind), 5);
  EXPECT_EQ(channel_code(2, kRoutineKind), 13);
  EXPECT_EQ(channel_code(1, kReadBackKind), 1);
  EXPECT_EQ(channel_code(2, kDelayRegister), 9);
  EXPECT_EQ(channel_code(2, kSubchannelKind), 11);
  EXPECT_EQ(channel_code(2, kWindowRegister), 12);
  EXPECT_EQ(channel_code(2, kLoopLockRegister), 15);
  EXPECT_EQ(kManagementRequest, 7);
}

TEST(PacketCodec, SampleWindowIsTheCountOfHalfASecondBigEndian) {
  // 10000 MHz for half a second: 5,000,000,000 bits.
  EXPECT_EQ(sample_window_count(5000000000LL), 19531249);
  EXPECT_EQ(encoded([](unsigned char* d) { return encode_sample_window(d, 19531249); }, 4),
            (Bytes{0x01, 0x2A, 0x05, 0xF1}));
  // No rate: a sample length of 0 is the count -1.
  EXPECT_EQ(
      encoded([](unsigned char* d) { return encode_sample_window(d, sample_window_count(0)); }, 4),
      (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
  // The start sample length of 2^34 bits.
  EXPECT_EQ(sample_window_count(1LL << 34), 0x03FFFFFF);
}

TEST(PacketCodec, SamplingDelayIsTheClampedCodeBigEndian) {
  auto delay = [](float volts) {
    return encoded([volts](unsigned char* d) { return encode_sampling_delay(d, volts); }, 2);
  };
  EXPECT_EQ(delay(1.65f), (Bytes{0x07, 0xFF}));  // code 2047
  EXPECT_EQ(delay(0.5f), (Bytes{0x02, 0x6C}));   // code 620
  EXPECT_EQ(delay(3.3f), (Bytes{0x0F, 0xFF}));
  EXPECT_EQ(delay(-1.0f), (Bytes{0x00, 0x00}));
}

TEST(PacketCodec, ThresholdPairAroundMidScaleWithTheLockInBitFour) {
  EXPECT_EQ(threshold_code_p(10.0f), 2276);
  EXPECT_EQ(threshold_code_n(10.0f), 1819);
  EXPECT_EQ(threshold_code_p(0.0f), 2047);
  EXPECT_EQ(threshold_code_n(0.0f), 2047);
  EXPECT_EQ(threshold_code_p(89.45f), 4095);
  EXPECT_EQ(threshold_code_n(89.45f), 0);
  EXPECT_EQ(encoded([](unsigned char* d) { return encode_threshold(d, 10.0f, 1); }, 4),
            (Bytes{0x18, 0xE4, 0x07, 0x1B}));
  EXPECT_EQ(encoded([](unsigned char* d) { return encode_threshold(d, 10.0f, 0); }, 4),
            (Bytes{0x08, 0xE4, 0x07, 0x1B}));
  // Beyond the slider's range the codes stop at the ends of the scale
  // instead of wrapping into the lock flag.
  EXPECT_EQ(encoded([](unsigned char* d) { return encode_threshold(d, 120.0f, 0); }, 4),
            (Bytes{0x0F, 0xFF, 0x00, 0x00}));
}

TEST(PacketCodec, ClockLoopLockAndLoopbackRegisters) {
  unsigned char data[2] = {0x00, 0x5A};
  EXPECT_EQ(encode_input_clock(data, 0x1F30), 2);
  EXPECT_EQ(data[0], 0x30);  // the word's low byte
  EXPECT_EQ(data[1], 0x5A);  // byte 1 goes out as the record holds it

  EXPECT_EQ(encoded([](unsigned char* d) { return encode_loop_lock(d, 1); }, 1), (Bytes{0x01}));
  EXPECT_EQ(encoded([](unsigned char* d) { return encode_loop_lock(d, 0); }, 1), (Bytes{0x00}));

  const Bytes loopback = encoded([](unsigned char* d) { return encode_loopback(d, 0x3C); }, 2);
  EXPECT_EQ(loopback, (Bytes{0xC3, 0x3C}));
  EXPECT_EQ(decode_loopback_word(loopback.data()), 0xC33C);
}

TEST(PacketCodec, RepliesDecodeFieldByField) {
  const unsigned char readback[] = {0x6A, 0xBC, kTrailer};
  const AutomaticSettings a = decode_automatic_settings(readback);
  EXPECT_EQ(a.phase9340, 2);
  EXPECT_EQ(a.phase9372, 1);
  EXPECT_EQ(a.delayCode, 0xABC);

  const unsigned char management[] = {0x20, 0x1F, kTrailer};
  EXPECT_EQ(decode_firmware_version(management), 0x201F);

  unsigned char subchannels[kSubchannelPacketBytes] = {};
  subchannels[3] = 7;
  subchannels[kSubchannels + 3] = 200;
  EXPECT_EQ(subchannel_errors(subchannels, 3), 7);
  EXPECT_EQ(subchannel_vernier(subchannels, 3), 200);
  EXPECT_EQ(subchannel_errors(subchannels, 4), 0);

  // Most significant bit first.
  unsigned char snapshot[kSnapshotPacketBytes] = {0x80, 0x01};
  snapshot[31] = 0x01;
  EXPECT_EQ(snapshot_bit(snapshot, 0), 1);
  EXPECT_EQ(snapshot_bit(snapshot, 7), 0);
  EXPECT_EQ(snapshot_bit(snapshot, 8), 0);
  EXPECT_EQ(snapshot_bit(snapshot, 15), 1);
  EXPECT_EQ(snapshot_bit(snapshot, kSnapshotBits - 1), 1);
}

}  // namespace
