// The debug panel's snapshot analysis: 256 received bits shown in binary and
// hexadecimal, aligned against PRBS7 and checked against the channel's
// pattern; and the panel's loop lock, smooth-delay, sample-length and debug
// routine controls.
//
// Not built yet: the routine is declared here, where it will live.
#pragma once

// Commit callback of the snapshot, rotation, channel, smooth-delay, loop
// lock and debug-routine controls of PANELDEBUG.
int CB_Debug(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);
