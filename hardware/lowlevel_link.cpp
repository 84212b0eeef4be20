// Finding, opening and supervising the bridge of the instrument.

#include "hardware/lowlevel_link.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "hardware/debug_flags.h"
#include "hardware/i2c_comms.h"
#include "platform/board_description.h"

namespace {

constexpr ULONG kBaudRate = 115200;
constexpr UCHAR kAllPinsOutput = 0xFF;
constexpr ULONG kInTransferSize = 256;
constexpr ULONG kOutTransferSize = 64;
constexpr UCHAR kLatencyMs = 2;

// Reads the device list into devInfo. The driver may report more devices than
// the list holds; only the first kDeviceListSize are looked at.
FT_STATUS read_device_list(DWORD* count) {
  *count = kDeviceListSize;
  const FT_STATUS status = FT_GetDeviceInfoList(devInfo, count);
  if (*count > static_cast<DWORD>(kDeviceListSize)) *count = kDeviceListSize;
  return status;
}

bool g_device_lost = false;

// The statuses with which the backends answer a call on a handle whose
// device is gone.
bool is_device_gone_status(FT_STATUS status) {
  return status == FT_DEVICE_NOT_FOUND || status == FT_INVALID_HANDLE || status == FT_IO_ERROR;
}

const char* status_name(FT_STATUS status) {
  switch (status) {
    case FT_INVALID_HANDLE:
      return "invalid handle";
    case FT_DEVICE_NOT_FOUND:
      return "device not found";
    case FT_IO_ERROR:
      return "I/O error";
    default:
      return "failed";
  }
}

// A board opened but not configured (it went away during the open, or
// refused a setting) is closed again: the next tick opens it anew, and no
// handle is left behind by each try.
int failed_open() {
  FT_Close(usb_handle);
  return 0;
}

}  // namespace

FT_HANDLE usb_handle = nullptr;
FT_DEVICE_LIST_INFO_NODE devInfo[kDeviceListSize];
char deviceSerialNumber[16];
unsigned char linkUp = 0;
int prevLinkState = 0;

int usb_aliveQ() {
  DWORD count = 0;
  if (FT_CreateDeviceInfoList(&count) != FT_OK) return 0;
  debug_print(debug_usb, "%d opened or unopened D2XX devices are connected \n",
              static_cast<int>(count));
  if (count == 0) return 0;
  if (read_device_list(&count) != FT_OK || count == 0) return 0;
  for (DWORD i = 0; i < count; ++i) {
    debug_print(debug_usb, "Device:%s  \n", devInfo[i].Description);
    if (kd71::describes_board(devInfo[i].Description)) return 1;
  }
  return 0;
}

int init_usb() {
  DWORD count = 0;
  FT_STATUS status = FT_CreateDeviceInfoList(&count);
  if (status != FT_OK || count == 0) {
    debug_print(debug_usb, "Unable to find number of USB devices (ftStatus=%d)\n",
                static_cast<int>(status));
    return 0;
  }
  status = read_device_list(&count);
  if (status != FT_OK || count == 0) {
    FT_CyclePort(usb_handle);
    debug_print(debug_usb, "Unable to find USB device (ftStatus=%d)\n", static_cast<int>(status));
    return 0;
  }

  // Every node is visited, so the last one described as the instrument wins.
  int chosen = 0;
  bool found = false;
  for (DWORD i = 0; i < count; ++i) {
    const FT_DEVICE_LIST_INFO_NODE& node = devInfo[i];
    debug_print(debug_usb, "Flags: %ld (0x%lx)\n", static_cast<long>(node.Flags),
                static_cast<unsigned long>(node.Flags));
    debug_print(debug_usb, "Type: %ld (0x%lx)\n", static_cast<long>(node.Type),
                static_cast<unsigned long>(node.Type));
    debug_print(debug_usb, "ID: %ld (0x%lx)\n", static_cast<long>(node.ID),
                static_cast<unsigned long>(node.ID));
    debug_print(debug_usb, "LocId: %ld (0x%lx)\n", static_cast<long>(node.LocId),
                static_cast<unsigned long>(node.LocId));
    debug_print(debug_usb, "Serial: %.16s\n", node.SerialNumber);
    debug_print(debug_usb, "Desc: %.64s\n", node.Description);
    debug_print(debug_usb, "ftHandle: 0x%x\n",
                static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(node.ftHandle)));
    if (kd71::describes_board(node.Description)) {
      usb_handle = node.ftHandle;
      char serial[32] = {};
      char description[64] = {};
      FT_HANDLE handle = nullptr;
      DWORD flags = 0, type = 0, id = 0, loc = 0;
      FT_GetDeviceInfoDetail(i, &flags, &type, &id, &loc, serial, description, &handle);
      std::snprintf(deviceSerialNumber, sizeof deviceSerialNumber, "%.*s",
                    static_cast<int>(sizeof deviceSerialNumber - 1), serial);
      debug_print(debug_usb, "Device found!\n");
      chosen = static_cast<int>(i);
      found = true;
    } else {
      debug_print(debug_usb, "No devices found\n");
    }
  }
  // Without the instrument nothing is opened: the first device in the list
  // may be someone else's adapter.
  if (!found) return 0;
  if (usb_handle == BADHANDLE) return 0;

  debug_print(debug_usb, "Trying FT_Open(%d,[usb_handle])\n", chosen);
  status = FT_Open(chosen, &usb_handle);
  if (status != FT_OK) {
    debug_print(debug_usb, "Unable to open USB device (%d) (ftStatus=%d)\n", chosen,
                static_cast<int>(status));
    return 0;
  }
  if ((status = FT_SetBaudRate(usb_handle, kBaudRate)) != FT_OK) {
    debug_print(debug_usb, "Unable to set USB baud rate (ftStatus=%d)\n", static_cast<int>(status));
    return failed_open();
  }
  if ((status = FT_SetBitMode(usb_handle, kAllPinsOutput, FT_BITMODE_ASYNC_BITBANG)) != FT_OK) {
    debug_print(debug_usb, "Unable to define bit mode (ftStatus=%d)\n", static_cast<int>(status));
    return failed_open();
  }
  if ((status = FT_SetUSBParameters(usb_handle, kInTransferSize, kOutTransferSize)) != FT_OK) {
    debug_print(debug_usb, "Unable to set USB transfer size (ftStatus=%d)\n",
                static_cast<int>(status));
    return failed_open();
  }
  if (FT_SetLatencyTimer(usb_handle, kLatencyMs) != FT_OK) {
    debug_print(debug_usb, "Set Latency Timer FAILED\n");
    return failed_open();
  }
  debug_print(debug_usb, "SUCCESS OPENING\n");
  i2c_init(usb_handle);
  return 1;
}

void close() { FT_Close(usb_handle); }

int usb_input() {
  if (usb_handle == BADHANDLE) return 0;
  unsigned char pins = 0;
  if (link_call_failed("FT_GetBitMode", FT_GetBitMode, usb_handle, &pins)) pins = 0;
  debug_print(debug_usb, "BitMode 0x%02x \n\n", pins);
  return pins;
}

int record_link_alive() {
  linkUp = static_cast<unsigned char>(usb_aliveQ());
  return linkUp;
}

bool link_state_changed(int alive) {
  if (alive == prevLinkState) return false;
  prevLinkState = alive;
  return true;
}

void mark_link_disconnected() { prevLinkState = 0; }

bool note_link_call(const char* call, FT_STATUS status) {
  if (status == FT_OK || g_device_lost) return false;
  // Only an open link can be lost: before the open, or after a failed one,
  // the handle is not the board's.
  if (prevLinkState == 1 && is_device_gone_status(status)) {
    g_device_lost = true;
    std::printf("USB link dropped: %s failed (ftStatus=%d, %s)\n", call, static_cast<int>(status),
                status_name(status));
    std::fflush(stdout);
  }
  return true;
}

bool link_lost() { return g_device_lost; }

bool take_lost_device() {
  if (!g_device_lost) return false;
  g_device_lost = false;
  FT_Close(usb_handle);  // dead; the board is opened anew
  return true;
}

void lowlevel_link_reset() {
  usb_handle = nullptr;
  std::memset(devInfo, 0, sizeof devInfo);
  std::memset(deviceSerialNumber, 0, sizeof deviceSerialNumber);
  linkUp = 0;
  prevLinkState = 0;
  g_device_lost = false;
}
