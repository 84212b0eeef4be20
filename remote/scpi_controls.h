// The main panel's controls as the remote commands reach them: each
// channel's settings and figures, whether a control is operable (a user
// could change it), and a change made as the user's click or slider move
// makes it, through the control's own callback, so that the window shows
// it and the settings file keeps it.
#pragma once

#include <string>

#include "remote/scpi_session.h"
#include "remote/scpi_values.h"
#include "ui/channel_controls.h"

namespace kd71::scpi {

using kd71::channel_controls;
using kd71::ChannelControls;

// The board is connected and its settings have been sent.
bool board_connected();
// True when control `control` of the main panel is not dimmed. Otherwise
// false, with -221 "Settings conflict" queued and why: no board, the
// channel's mode, or the channel switched off.
bool operable(Context& c, int control);

// The value set and the control's callback run with the commit, at once.
void commit(int control, int value);
// A slider moved to `value`: its value change applied at once.
void slide(int control, double value);
// Presses a stop button (a commit without a callback, which a running auto
// search takes). While a routine holds the program it is pressed once.
void press_stop(int control);
// A routine no longer holds the program: the next stop press goes through.
void stop_press_rearm();

// A main-panel control's value, and whether it is shown.
double value_of(int control);
std::string text_of(int control);
bool shown(int control);
// The range of a numeric main-panel control, and the start value of any.
Range range_of(int control);

}  // namespace kd71::scpi
