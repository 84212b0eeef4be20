// The board link's state, and its bookkeeping of calls on the open handle:
// the bridge handle, the link-up flag, the state the measurement cycle last
// acted on, and whether the device was lost under the open handle. The link
// (lowlevel_link.h), the packet transport and the I2C master all note their
// calls here, so none of them needs another to tell a lost board.
#pragma once

#include "platform/bridge/ftd2xx.h"

// The handle value that marks the link as unusable.
#define BADHANDLE (reinterpret_cast<FT_HANDLE>(1))

extern FT_HANDLE usb_handle;  // initially 0; `close` does not clear it
// Latest answer of the attachment test; DAC writes and the measurement are
// skipped while it is 0.
extern unsigned char linkUp;
// The link state the measurement cycle last acted on.
extern int prevLinkState;

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
// When the loss was noticed (clock seconds): a routine may hold the thread
// for a while before supervision takes note.
double link_lost_at();
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

// Puts the handle, the flags and the lost-device mark back to their start values.
void link_state_reset();
