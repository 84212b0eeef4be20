// The packet protocol with the FPGA.
//
// The bridge rests in bit-bang mode for the I2C master. A poll or a register
// write switches it to byte mode (mode 0), in which the FPGA receives the
// bytes; every exchange ends back in bit-bang mode with the I2C direction
// mask, and replies are read after that switch. Replies carry one nibble per
// bus byte in the upper four bits, high nibble first.

#include "hardware/lowlevel_packets.h"

#include <cstdio>
#include <cstring>

#include "hardware/debug_flags.h"
#include "hardware/fpga_protocol.h"
#include "hardware/i2c_comms.h"
#include "hardware/link_state.h"
#include "platform/ui_runtime/userint.h"

namespace {

constexpr unsigned char kPollNibble = 0x7;
constexpr unsigned char kWriteHeaderNibble = 0x0F;
constexpr unsigned char kWriteDataNibble = 0x0B;
constexpr unsigned char kSentinel = 0x11;
constexpr ULONG kPurgeBoth = FT_PURGE_RX | FT_PURGE_TX;
constexpr double kReplyWait = 0.01;

// Bus bytes of the reply to each request type (two per packet byte).
constexpr int kSubchannelReply = 2 * kSubchannelPacketBytes;
constexpr int kSnapshotReply = 2 * kSnapshotPacketBytes;
constexpr int kShortReply = 2 * kShortPacketBytes;
constexpr int kManagementReply = 2 * kManagementPacketBytes;
constexpr int kRoutineReply = 2 * kRoutinePacketBytes;

unsigned char g_request[kPacketBytes];
DWORD g_bytes_read = 0;  // keeps its value when nothing is read

void trace_wrong_length(int count) {
  std::printf("Wrong packet length:       %d %2x %2x %2x %2x %2x\n", count, rxBuffer[0],
              rxBuffer[1], rxBuffer[2], rxBuffer[3], rxBuffer[4]);
  for (int k = 1; k < kRxBufferSize; ++k)
    if (rxBuffer[k] != rxBuffer[k - 1]) std::printf("%2x ", rxBuffer[k]);
  std::printf("\n");
}

bool valid_index(int index) { return index >= 0 && index < 3; }

}  // namespace

PacketRecord packets[3];
unsigned char rxBuffer[kRxBufferSize];
int expectedLength = kRoutineReply;
int packetTrace = 0;

int expected_reply_length(int type) {
  const int code = type & kCodeBits;
  if (code == kManagementRequest) return kManagementReply;
  switch (code & kFunctionBits) {
    case kSubchannelKind:
      return kSubchannelReply;
    case kSnapshotKind:
      return kSnapshotReply;
    case kShortKind:
      return kShortReply;
    default:  // the routine packet and the 13-byte read-backs
      return kRoutineReply;
  }
}

void writePollRequest(int type) {
  std::memset(g_request, 0, sizeof g_request);
  g_request[0] = static_cast<unsigned char>(((type & kCodeBits) << 4) | kPollNibble);
  if (link_call_failed("FT_SetBitMode", FT_SetBitMode, usb_handle, i2cDirMask, FT_BITMODE_RESET))
    debug_print(debug_usb, "Failure on attempt to change bit mode\n");
  for (int i = 0; i < 2; ++i)
    if (link_call_failed("FT_Purge", FT_Purge, usb_handle, kPurgeBoth))
      debug_print(debug_usb, "FT_Purge failure\n");
  expectedLength = expected_reply_length(type);
  DWORD written = 0;
  if (link_call_failed("FT_Write", FT_Write, usb_handle, g_request, DWORD{1}, &written))
    debug_print(debug_usb, "write failed\n");
}

void readPacket(int index) {
  if (!valid_index(index)) return;
  const int length = expectedLength;
  // With the link lost no reply can come: nothing is asked of the dead
  // handle, nothing traced, and the sentinels below fail the trailer check.
  const bool trace = packetTrace && !link_lost();
  DWORD waiting = 0, tx = 0, events = 0;
  if (!link_lost()) {
    if (link_call_failed("FT_SetBitMode", FT_SetBitMode, usb_handle, i2cDirMask,
                         FT_BITMODE_ASYNC_BITBANG) &&
        packetTrace)
      std::printf("Failure on attempt to change bit mode back for i2c\n");
    Delay(kReplyWait);
    const bool status_failed =
        link_call_failed("FT_GetStatus", FT_GetStatus, usb_handle, &waiting, &tx, &events);
    if (static_cast<int>(waiting) != length && trace)
      std::printf("Wrong packet length shown   : %d\n", static_cast<int>(waiting));
    if (status_failed) debug_print(debug_usb, "FT_Status fail\n");
  }

  // Sentinels: unless the read delivers all bytes, the last packet byte
  // decodes to 0x11 instead of the trailer and the caller polls again.
  rxBuffer[length - 2] = kSentinel;
  rxBuffer[length - 1] = kSentinel;
  if (waiting != 0) {
    if (link_call_failed("FT_Read", FT_Read, usb_handle, rxBuffer, static_cast<DWORD>(length),
                         &g_bytes_read))
      debug_print(debug_usb, "read failed; RxBytes: %d 0x%x\n", length, length);
  }
  if (trace) {
    if (static_cast<int>(g_bytes_read) == length)
      std::printf("Correct packet length %d\n", length);
    else
      trace_wrong_length(static_cast<int>(g_bytes_read));
  }

  for (int i = 0; i < kPacketBytes; ++i) rxBuffer[i] >>= 4;
  PacketRecord& record = packets[index];
  for (int j = 0; j < length / 2; ++j)
    record.bytes[j] = static_cast<unsigned char>((rxBuffer[2 * j] << 4) | rxBuffer[2 * j + 1]);
  if (trace) {
    const unsigned char* b = record.bytes;
    std::printf("Packet:  %02x %02x %02x %02x %02x %02x %02x %02x %02x %02x %02x %02x %02x\n", b[0],
                b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12]);
  }
  decode_routine_fields(record);
  if (trace) std::printf("Frequency: %d MHz on Ch: %d\n", record.frequency, index);
}

int poll_until_trailer(int index, int type, int trailer_byte) {
  if (!valid_index(index) || trailer_byte < 0 || trailer_byte >= kPacketBytes)
    return kMaxPollAttempts;
  for (int attempt = 0; attempt < kMaxPollAttempts; ++attempt) {
    writePollRequest(type);
    readPacket(index);
    if (packets[index].bytes[trailer_byte] == kTrailer) return attempt;
    if (link_lost()) break;  // nothing answers until the board is opened again
  }
  return kMaxPollAttempts;
}

int pollReadPacket(int index, int type) { return poll_until_trailer(index, type, kReadBackTrailer); }

int FetchRoutinePacket(int channel) {
  return poll_until_trailer(channel, channel_code(channel, kRoutineKind), kRoutineTrailer);
}

int writePacket(int index, int reg, int count) {
  if (!valid_index(index) || count < 0 || 2 * count + 1 > kRxBufferSize) return 1;
  rxBuffer[0] = static_cast<unsigned char>(((reg & kCodeBits) << 4) | kWriteHeaderNibble);
  for (int i = 0; i < count; ++i) {
    const unsigned char d = packets[index].bytes[i];
    rxBuffer[1 + 2 * i] = static_cast<unsigned char>((d & 0xF0) | kWriteDataNibble);
    rxBuffer[2 + 2 * i] = static_cast<unsigned char>(((d << 4) & 0xF0) | kWriteDataNibble);
  }
  if (link_call_failed("FT_SetBitMode", FT_SetBitMode, usb_handle, i2cDirMask, FT_BITMODE_RESET))
    debug_print(debug_usb, "Failure on attempt to change bit mode\n");
  DWORD written = 0;
  if (link_call_failed("FT_Write", FT_Write, usb_handle, rxBuffer,
                       static_cast<DWORD>(2 * count + 1), &written))
    std::printf("Write failed; TxBytes: %d 0x%x\n", static_cast<int>(written),
                static_cast<unsigned>(written));
  if (link_call_failed("FT_SetBitMode", FT_SetBitMode, usb_handle, i2cDirMask,
                       FT_BITMODE_ASYNC_BITBANG) &&
      packetTrace)
    std::printf("Failure on attempt to change bit mode back for i2c\n");
  return 1;
}

void lowlevel_packets_reset() {
  std::memset(packets, 0, sizeof packets);
  std::memset(rxBuffer, 0, sizeof rxBuffer);
  std::memset(g_request, 0, sizeof g_request);
  expectedLength = kRoutineReply;
  packetTrace = 0;
  g_bytes_read = 0;
}
