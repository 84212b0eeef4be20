// Finding, opening and supervising the bridge of the instrument.

#include "hardware/lowlevel_link.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "hardware/debug_flags.h"
#include "hardware/i2c_comms.h"
#include "platform/bridge/board_description.h"

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

char g_chosen_serial[16];

// The instrument, and the one chosen when a serial number is.
bool is_chosen_board(const FT_DEVICE_LIST_INFO_NODE& node) {
  if (!kd71::describes_board(node.Description)) return false;
  return g_chosen_serial[0] == '\0' ||
         std::strncmp(node.SerialNumber, g_chosen_serial, sizeof node.SerialNumber) == 0;
}

// A board opened but not configured (it went away during the open, or
// refused a setting) is closed again: the next tick opens it anew, and no
// handle is left behind by each try.
int failed_open() {
  FT_Close(usb_handle);
  return 0;
}

}  // namespace

FT_DEVICE_LIST_INFO_NODE devInfo[kDeviceListSize];
char deviceSerialNumber[16];

void choose_board_serial(const char* serial) {
  std::snprintf(g_chosen_serial, sizeof g_chosen_serial, "%s", serial ? serial : "");
}

const char* chosen_board_serial() { return g_chosen_serial; }

int usb_aliveQ() {
  DWORD count = 0;
  if (FT_CreateDeviceInfoList(&count) != FT_OK) return 0;
  debug_print(debug_usb, "%d opened or unopened D2XX devices are connected \n",
              static_cast<int>(count));
  if (count == 0) return 0;
  if (read_device_list(&count) != FT_OK || count == 0) return 0;
  for (DWORD i = 0; i < count; ++i) {
    debug_print(debug_usb, "Device:%s  \n", devInfo[i].Description);
    if (is_chosen_board(devInfo[i])) return 1;
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

  // Every node is visited, so the last one described as the instrument (of
  // the chosen serial number, if one is chosen) wins.
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
    if (is_chosen_board(node)) {
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

void lowlevel_link_reset() {
  link_state_reset();
  std::memset(devInfo, 0, sizeof devInfo);
  std::memset(deviceSerialNumber, 0, sizeof deviceSerialNumber);
  std::memset(g_chosen_serial, 0, sizeof g_chosen_serial);
}
