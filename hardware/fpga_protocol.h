// The FPGA's vocabulary: request types, register numbers, the fields of the
// routine packet that callers test. Each is named here once; the byte
// layouts of the packets are in hardware/packet_codec.h.
//
// A request type (poll) or register number (write) is four bits: bit 3
// selects the channel (clear for channel 1, set for channel 2) and bits 0-2
// are the packet kind or the register function.
#pragma once

inline constexpr int kChannel2Bit = 0x8;
inline constexpr int kFunctionBits = 0x7;
inline constexpr int kCodeBits = 0xF;

// Packet kinds, bits 0-2 of a poll's request type.
enum PacketKind : int {
  kReadBackKind = 1,    // the board's automatic settings: phases and delay code
  kLoopbackKind = 2,    // echo of the loopback register
  kSubchannelKind = 3,  // 32 subchannel error counts and vernier phases
  kSnapshotKind = 4,    // 256 received bits
  kRoutineKind = 5,     // the measurement of one channel
  kShortKind = 6,       // rate, ones and state only
  kManagementKind = 7,  // firmware version; only channel 1's code answers it
};

// Register functions, bits 0-2 of a write's register number.
enum RegisterFunction : int {
  kDelayRegister = 1,      // sampling delay code
  kClockRegister = 3,      // input clock configuration
  kWindowRegister = 4,     // sample window count
  kThresholdRegister = 5,  // threshold codes and lock flag
  kLoopLockRegister = 7,   // loop lock flag
};

// The request type or register number of `function` (a PacketKind or a
// RegisterFunction) for `channel` (1 or 2).
constexpr int channel_code(int channel, int function) {
  return (channel == 2 ? kChannel2Bit : 0) | (function & kFunctionBits);
}

// The management request: kind 7 on channel 1's code.
inline constexpr int kManagementRequest = channel_code(1, kManagementKind);
// The loopback register has bit 3 set but belongs to no channel.
inline constexpr int kLoopbackRegister = 8;

// Every reply ends with this byte; callers accept a reply only with it.
inline constexpr unsigned char kTrailer = 0xAA;

// `channel_state` of the routine packet: 0x80 while the channel runs
// normally (error-free time counts only then); from 32 on the FPGA's figures
// are good enough for the calibration.
inline constexpr int kStateRunning = 0x80;
inline constexpr int kStateMeasuring = 32;

// `sync_flags` of the routine packet.
inline constexpr int kPatternSyncFlag = 0x01;
inline constexpr int kInvertedDataFlag = 0x02;
