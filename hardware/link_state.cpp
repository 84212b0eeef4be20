#include "hardware/link_state.h"

#include <cstdio>

#include "platform/os/clock.h"

FT_HANDLE usb_handle = nullptr;
unsigned char linkUp = 0;
int prevLinkState = 0;

namespace {

bool g_device_lost = false;
double g_lost_at = 0.0;  // when the loss was noticed

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

}  // namespace

bool note_link_call(const char* call, FT_STATUS status) {
  if (status == FT_OK || g_device_lost) return false;
  // Only an open link can be lost: before the open, or after a failed one,
  // the handle is not the board's.
  if (prevLinkState == 1 && is_device_gone_status(status)) {
    g_device_lost = true;
    g_lost_at = kd71::clock::now();
    std::printf("USB link dropped: %s failed (ftStatus=%d, %s)\n", call, static_cast<int>(status),
                status_name(status));
    std::fflush(stdout);
  }
  return true;
}

bool link_lost() { return g_device_lost; }

double link_lost_at() { return g_lost_at; }

bool take_lost_device() {
  if (!g_device_lost) return false;
  g_device_lost = false;
  FT_Close(usb_handle);  // dead; the board is opened anew
  return true;
}

void link_state_reset() {
  usb_handle = nullptr;
  linkUp = 0;
  prevLinkState = 0;
  g_device_lost = false;
  g_lost_at = 0.0;
}
