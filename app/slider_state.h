// The program-wide state of the analog sliders: what the slider callbacks,
// the threshold sweep and the routines that move a slider share.
#pragma once

extern int suppressNextChange;  // the next value change is swallowed once
extern int smoothDelay;         // sampling delays through the FPGA (1) or the DAC (0)
extern int coarseStep;          // the right button is held: wheel steps are ten increments
extern float dotMark;           // values marked with "." and ","
extern float commaMark;
extern float previousThreshold[3];

void slider_state_reset();
