// The four analog sliders of the main panel (thresholds in mV, sampling
// delays in V): a value change applies the slider's value to the board; the
// mouse wheel steps it (ten times further while the right button is held);
// "." and "," mark two values and "/" (or "?") moves the slider midway
// between them; a double click on a threshold slider sweeps the threshold
// from its previous value towards the current one and settles on the middle
// of the error-free zone.
#pragma once

#include "app/slider_state.h"

// The lock flag a threshold slider's change is written with: set only while
// the debug panel is open and its threshold lock box is ticked.
int threshold_slider_lock();
// Sends sampling delay `volts` of `channel` to the board, its slider and
// saved setting left alone: through the FPGA's smooth path when `smooth`,
// else straight to the channel's delay DAC.
void write_sampling_delay(int channel, float volts, bool smooth);

int CB_DAC(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);

void analog_controls_reset();
