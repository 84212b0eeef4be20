// The byte layouts of the FPGA's packets: every reply is unpacked and every
// register's data bytes are packed here and nowhere else. The transport
// (hardware/lowlevel_packets.h) moves the bytes; callers fill a record's
// first bytes with an encoder and send them with writePacket.
#pragma once

#include <cstdint>

// ---- Records and replies --------------------------------------------------

inline constexpr int kPacketBytes = 256;  // room of a record

// Packet sizes and the positions of their trailer byte.
inline constexpr int kRoutinePacketBytes = 13;
inline constexpr int kSnapshotPacketBytes = 33;
inline constexpr int kSubchannelPacketBytes = 65;
inline constexpr int kShortPacketBytes = 5;
inline constexpr int kManagementPacketBytes = 3;
inline constexpr int kRoutineTrailer = 12;
inline constexpr int kReadBackTrailer = 2;  // read-backs arrive in 13 bytes, trailer at 2
inline constexpr int kManagementTrailer = 2;
inline constexpr int kSnapshotTrailer = 32;
inline constexpr int kSubchannelTrailer = 64;

// The last reply read into one index, and its routine fields decoded.
struct PacketRecord {
  unsigned char bytes[kPacketBytes];
  int frequency;              // MHz
  int ones_cnt;               // ones in 256 bits
  int channel_state;          // kStateRunning: running
  std::uint64_t error_count;  // 40 bits used
  int fast_error_count;       // errors of the 20 ms sample
  int sync_flags;             // kPatternSyncFlag, kInvertedDataFlag
  int seq_no;                 // 0..15
};

// Routine packet: rate / 2 (big-endian), ones, state, 40-bit error count
// (big-endian), fast error count, sync flags, sequence number (low nibble).
// Decoded after every read, whatever was asked for.
void decode_routine_fields(PacketRecord& record);

// Read-back of kind 1: byte 0 bits 4-5 the 9340 phase setting, bit 6 the
// 9372 phase setting, bits 0-3 and byte 1 the 12-bit sampling-delay code.
struct AutomaticSettings {
  int phase9340;
  int phase9372;
  int delayCode;
};
AutomaticSettings decode_automatic_settings(const unsigned char* packet);

// Management packet: the firmware version, big-endian.
int decode_firmware_version(const unsigned char* packet);

// Subchannel packet: subchannel k's (0-31) error count in byte k, its
// vernier phase adjustment in byte 32 + k.
inline constexpr int kSubchannels = 32;
int subchannel_errors(const unsigned char* packet, int k);
int subchannel_vernier(const unsigned char* packet, int k);

// Snapshot packet: 256 received bits in bytes 0-31, most significant bit
// first; bit i (0-255) is 0 or 1.
inline constexpr int kSnapshotBits = 256;
int snapshot_bit(const unsigned char* packet, int i);

// Read-back of kind 2: the two bytes last written to the loopback register,
// as one word (byte 0 high).
int decode_loopback_word(const unsigned char* packet);

// ---- Register data ----------------------------------------------------------
// Each encoder fills the first bytes of `data` (a record's bytes) and
// returns the count of data bytes the register takes.

// Sampling delay (registers 1 / 9): the 12-bit code of `volts`, big-endian.
int encode_sampling_delay(unsigned char* data, float volts);

// Input clock (registers 3 / 11): byte 0 is the low byte of the clock
// configuration word; byte 1 goes out as the record holds it.
inline constexpr int kInputClockBits = 0x30;  // bits 4-5 of the word
inline constexpr int kInputClockHalf = 0x10;
inline constexpr int kInputClockFull = 0x00;
inline constexpr int kInputClockDiv4 = 0x30;
int encode_input_clock(unsigned char* data, int clock_config);

// Sample window (registers 4 / 12): the window count, 32 bits big-endian.
// A window of `count` stands for (count + 1) * 256 bits, so the window
// holds whole blocks of 256 bits, from one block up to 2^32 of them.
inline constexpr std::int64_t kSampleWindowBits = 256;
inline constexpr std::int64_t kMaxSampleWindowBits = kSampleWindowBits << 32;
std::int64_t sample_window_count(std::int64_t sample_length);
int encode_sample_window(unsigned char* data, std::int64_t window_count);

// Threshold (registers 5 / 13): the differential pair of codes around
// 1.65 V for t millivolts, with the lock flag that holds the board's data
// test and pattern alignment while set (bit 4 of byte 0).
int threshold_code_p(float t);
int threshold_code_n(float t);
int encode_threshold(unsigned char* data, float t, int lock);

// Loop lock (registers 7 / 15): one byte, 0 or 1.
int encode_loop_lock(unsigned char* data, int locked);

// Loopback (register 8): the complement of a PRBS7 generator's low byte,
// then the byte; read back with kind 2.
int encode_loopback(unsigned char* data, unsigned char state);
