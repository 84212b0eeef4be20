// The board link: finding, opening and supervising the FTDI bridge of the
// instrument. The link state is written only by the functions here.
#pragma once

#include "platform/ftd2xx.h"

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

// ---- Supervision ------------------------------------------------------------
// Runs the attachment test and keeps its answer as the link-up flag;
// returns it.
int record_link_alive();
// True when `alive` differs from the state last acted on, which then
// becomes `alive`.
bool link_state_changed(int alive);
// Forgets the connection, so that the next supervision step opens the link
// again (after a failed open, or a reset of the link by hand).
void mark_link_disconnected();

// ---- A device lost under the open handle -------------------------------------
// A board replugged within one tick, or a bridge that resets itself, never
// leaves the device list: only the calls on the open handle tell that it is
// gone. The packet transport and the I2C master make their calls through
// link_call_failed, which notes such an answer; the next supervision step
// then reopens the board as after an unplug.

// Notes the status of the bridge call `call` on usb_handle. While the link is
// connected, a device-gone status marks it lost and prints one line (always
// shown) naming the call and its status. True when the call failed and the
// caller's own diagnostic line is due: every failure until the link is lost,
// none after.
bool note_link_call(const char* call, FT_STATUS status);
// True from a lost device until supervision takes note of it.
bool link_lost();
// Makes the bridge call `fn(args...)` on the open handle and notes its status
// (see note_link_call). While the link is lost the handle is dead and the
// call is not made.
template <typename Fn, typename... Args>
bool link_call_failed(const char* call, Fn fn, Args... args) {
  if (link_lost()) return false;
  return note_link_call(call, fn(args...));
}
// For supervision: true when the device was lost since the last call; then
// the dead handle is closed, so that the board can be opened anew.
bool take_lost_device();

// Puts the link globals back to their start values.
void lowlevel_link_reset();
