// Channel initialisation: brings one channel, whatever its state, to a
// synchronised, measuring state with a good decision threshold.
//
// Not built yet: the routines are declared here, where they will live.
#pragma once

// Commit callback of the two "Init" buttons: sample window, threshold by
// ones density, pattern re-selection, threshold by errors.
int CB_InitChan(int panel, int control, int event, void* callbackData, int eventData1,
                int eventData2);
// Sets the channel's sample length and the FPGA's sample window to half a
// second at the measured bit rate, when the automatic sample size is on.
void AutoSpeed(int channel);
