// The packet transport to the FPGA: poll requests, replies read into the
// packet records, and register writes, each switching the bridge out of and
// back into its I2C bit-bang mode. The packets' byte layouts are in
// hardware/packet_codec.h.
#pragma once

#include "hardware/fpga_protocol.h"
#include "hardware/packet_codec.h"

inline constexpr int kRxBufferSize = 10000;
inline constexpr int kMaxPollAttempts = 10;

extern PacketRecord packets[3];
extern unsigned char rxBuffer[kRxBufferSize];
extern int expectedLength;  // bus bytes of the reply to the last poll
// The packet trace switch: the value of PANELDEBUG_DEBUGPRINTS, copied by
// each tick while the debug panel is open.
extern int packetTrace;

// Bus bytes expected in reply to a poll of request type `type`.
int expected_reply_length(int type);

void writePollRequest(int type);
void readPacket(int index);
// Up to 10 polls of request type `type` into record `index`, stopping when
// the record's byte `trailer_byte` is the trailer; the number of failed
// attempts (10 if none succeeded).
int poll_until_trailer(int index, int type, int trailer_byte);
// The same for the 13-byte read-back packets, whose trailer is byte 2.
int pollReadPacket(int index, int type);
// Up to 10 routine polls of `channel` until byte 12 is the trailer; the
// number of failed attempts (0-10).
int FetchRoutinePacket(int channel);

// Sends `count` data bytes from record `index` to FPGA register `reg`.
int writePacket(int index, int reg, int count);

// Puts the packet globals back to their start values.
void lowlevel_packets_reset();
