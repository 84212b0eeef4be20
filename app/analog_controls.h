// The four analog sliders of the main panel (thresholds in mV, sampling
// delays in V), and later their fine-tuning gestures (wheel steps, marks
// and midpoint, the double-click threshold sweep).
#pragma once

// Program-wide slider state.
extern int suppressNextChange;  // the next value change is swallowed once
extern int smoothDelay;         // sampling delays through the FPGA (1) or the DAC (0)
extern float previousThreshold[3];

int CB_DAC(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);

void analog_controls_reset();
