// The main panel's controls as the remote commands reach them: each
// channel's settings and figures, whether a control is operable (a user
// could change it), and a change made as the user's click or slider move
// makes it, through the control's own callback, so that the window shows
// it and the settings file keeps it.
#pragma once

#include <string>

#include "app/scpi_session.h"
#include "app/scpi_values.h"

namespace scpi {

struct ChannelControls {
  int pattern, input_clock, manual_mode, threshold, delay;
  int init, auto_search, stop;
  int test_toggle, test_interval;
  int bit_rate, bit_time, errors, ratio, ratio_bound, ones, error_free;
  int total_ratio, total_bound;
};

// The controls of channel 1 or 2.
const ChannelControls& channel_controls(int channel);

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

}  // namespace scpi
