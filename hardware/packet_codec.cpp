#include "hardware/packet_codec.h"

#include "hardware/analog_scale.h"

namespace {

// Volts per millivolt of threshold on each side of the pair: 1.65 V / 89.45 mV.
constexpr double kVoltsPerMillivolt = 0.018446059250978197;
constexpr unsigned char kThresholdLockFlag = 0x10;

void put_big_endian(unsigned char* data, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    data[i] = static_cast<unsigned char>(value >> (8 * (bytes - 1 - i)));
}

// The level is kept in single precision before it becomes a code.
int level_code(double volts) { return dac_code(static_cast<float>(volts)); }

}  // namespace

void decode_routine_fields(PacketRecord& r) {
  const unsigned char* b = r.bytes;
  r.frequency = ((b[0] << 8) | b[1]) * 2;
  r.ones_cnt = b[2];
  r.channel_state = b[3];
  r.error_count =
      (static_cast<std::uint64_t>(b[4]) << 32) | (static_cast<std::uint64_t>(b[5]) << 24) |
      (static_cast<std::uint64_t>(b[6]) << 16) | (static_cast<std::uint64_t>(b[7]) << 8) | b[8];
  r.fast_error_count = b[9];
  r.sync_flags = b[10];
  r.seq_no = b[11] & 0x0F;
}

AutomaticSettings decode_automatic_settings(const unsigned char* b) {
  return {(b[0] >> 4) & 3, (b[0] >> 6) & 1, ((b[0] & 0x0F) << 8) | b[1]};
}

int decode_firmware_version(const unsigned char* b) { return b[0] * 256 + b[1]; }

int subchannel_errors(const unsigned char* b, int k) { return b[k]; }

int subchannel_vernier(const unsigned char* b, int k) { return b[kSubchannels + k]; }

int snapshot_bit(const unsigned char* b, int i) { return (b[i / 8] >> (7 - i % 8)) & 1; }

int decode_loopback_word(const unsigned char* b) { return b[0] * 256 + b[1]; }

int encode_sampling_delay(unsigned char* data, float volts) {
  put_big_endian(data, static_cast<std::uint64_t>(dac_code(volts)), 2);
  return 2;
}

int encode_input_clock(unsigned char* data, int clock_config) {
  data[0] = static_cast<unsigned char>(clock_config & 0xFF);
  return 2;
}

std::int64_t sample_window_count(std::int64_t sample_length) {
  return sample_length / kSampleWindowBits - 1;
}

int encode_sample_window(unsigned char* data, std::int64_t window_count) {
  put_big_endian(data, static_cast<std::uint32_t>(window_count), 4);
  return 4;
}

int threshold_code_p(float t) { return level_code(kMidScaleVolts + t * kVoltsPerMillivolt); }
int threshold_code_n(float t) { return level_code(kMidScaleVolts - t * kVoltsPerMillivolt); }

int encode_threshold(unsigned char* data, float t, int lock) {
  const int p = threshold_code_p(t);
  const int n = threshold_code_n(t);
  data[0] = static_cast<unsigned char>((lock ? kThresholdLockFlag : 0) | ((p >> 8) & 0x0F));
  data[1] = static_cast<unsigned char>(p & 0xFF);
  put_big_endian(data + 2, static_cast<std::uint64_t>(n), 2);
  return 4;
}

int encode_loop_lock(unsigned char* data, int locked) {
  data[0] = locked ? 1 : 0;
  return 1;
}

int encode_loopback(unsigned char* data, unsigned char state) {
  data[0] = static_cast<unsigned char>(~state);
  data[1] = state;
  return 2;
}
