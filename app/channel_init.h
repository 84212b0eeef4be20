// Channel initialisation: brings one channel, whatever its state, to a
// synchronised, measuring state with a good decision threshold.
#pragma once

// Commit callback of the two "Init" buttons: the sample window from the bit
// rate (with the automatic sample size), the threshold by ones density, the
// pattern re-selected so that the board aligns afresh, and the threshold by
// errors. Runs in either mode; in manual mode the pattern is left alone.
int CB_InitChan(int panel, int control, int event, void* callbackData, int eventData1,
                int eventData2);
// Sets the channel's sample length and the FPGA's sample window to half a
// second at the measured bit rate, when the automatic sample size is on and
// the board measures a bit rate.
void AutoSpeed(int channel);
