// The four analog sliders of the main panel (thresholds in mV, sampling
// delays in V) and the threshold write to the FPGA.
#pragma once

// Program-wide slider state.
extern int suppressNextChange;  // the next value change is swallowed once
extern int smoothDelay;         // sampling delays through the FPGA (1) or the DAC (0)
extern float previousThreshold[3];

// Sends threshold t of `channel` to FPGA register 5 or 13, with the lock
// flag that holds the board's pattern alignment while set.
void WriteThreshold(int channel, float t, int lock);

int CB_DAC(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);

void analog_controls_reset();
