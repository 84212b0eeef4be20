// The debug panel's snapshot analysis: 256 received bits of one channel
// shown in binary and hexadecimal, searched for a marker, aligned against
// PRBS7, checked against the channel's pattern, mapped for errors, and
// recognised among all the patterns; and the panel's rotation, loop-lock,
// smooth-delay, sample-length and debug-routine controls. The bit work is
// in app/prbs_analysis.h and app/pattern_recognition.h, the routines in
// app/debug_routines.h.
#pragma once

#include <array>

#include "app/prbs_analysis.h"

// Commit callback of the snapshot, rotation, channel, smooth-delay, loop
// lock and debug-routine controls of PANELDEBUG.
int CB_Debug(int panel, int control, int event, void* callbackData, int eventData1, int eventData2);

// The last snapshot received and the marker pattern it is compared with;
// both live as long as the program.
extern unsigned char snapshotStore[kSnapshotBytes];
using MarkerPattern = std::array<unsigned char, kSnapshotBytes>;
extern MarkerPattern markerPattern;

void snapshot_analysis_reset();
