// The board link: finding, opening and supervising the FTDI bridge, and the
// nibble-coded packet protocol with the FPGA on the same bridge.
#pragma once

#include <cstdint>

#include "hardware/fpga_protocol.h"
#include "hardware/packet_codec.h"
#include "platform/ftd2xx.h"

// ---- Link -------------------------------------------------------------------

// The handle value that marks the link as unusable.
#define BADHANDLE (reinterpret_cast<FT_HANDLE>(1))

inline constexpr int kDeviceListSize = 10;

extern FT_HANDLE usb_handle;  // initially 0; `close` does not clear it
extern FT_DEVICE_LIST_INFO_NODE devInfo[kDeviceListSize];
extern char deviceSerialNumber[16];
// Latest answer of the attachment test; DAC writes and the measurement are
// skipped while it is 0.
extern unsigned char linkUp;
// The link state the measurement cycle last acted on.
extern int prevLinkState;

// 1 when a listed device is described as "VORN_KD71_2CH" (any letter case).
int usb_aliveQ();
// Opens and configures the instrument; 1 on success, 0 otherwise.
int init_usb();
// Closes the bridge. C++ linkage and hidden: it never stands in for the C
// library's close(2).
__attribute__((visibility("hidden"))) void close();
// The bridge's pin byte, or 0.
int usb_input();
// Commit callback of PANELDEBUG_USB_RESET: closes the link and makes the
// next tick reconnect.
int UsbReset(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);

// ---- Packets ----------------------------------------------------------------

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
int pollUntilTrailer(int index, int type, int trailer_byte);
// The same for the 13-byte read-back packets, whose trailer is byte 2.
int pollReadPacket(int index, int type);
// Up to 10 routine polls of `channel` until byte 12 is the trailer; the
// number of failed attempts (0-10).
int FetchRoutinePacket(int channel);

// Sends `count` data bytes from record `index` to FPGA register `reg`.
int writePacket(int index, int reg, int count);

// Put the link and packet globals back to their start values
// (lowlevel_reset does both).
void lowlevel_reset();
void lowlevel_packets_reset();
