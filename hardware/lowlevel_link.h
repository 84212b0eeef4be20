// The board link: finding, opening and supervising the FTDI bridge of the
// instrument. The link state is written only by the functions here.
#pragma once

#include "hardware/link_state.h"
#include "platform/bridge/ftd2xx.h"

inline constexpr int kDeviceListSize = 10;

extern FT_DEVICE_LIST_INFO_NODE devInfo[kDeviceListSize];
extern char deviceSerialNumber[16];

// ---- Choosing a board ------------------------------------------------------
// With several boards on one PC, a copy of the program (or a script through
// the library) may look at one of them alone: with a serial number chosen,
// only a board of that serial number counts as the instrument; without one,
// every board does and the last one listed is opened. `serial` is checked
// by the caller (kd71::serial_problem); "" chooses none.
void choose_board_serial(const char* serial);
// The serial number chosen, or "".
const char* chosen_board_serial();

// 1 when a listed device is described as "VORN_KD71_2CH" (any letter case)
// and carries the chosen serial number, if one is chosen.
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

// Puts the link globals back to their start values.
void lowlevel_link_reset();
