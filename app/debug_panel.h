// The debug panel's handle and open flag. Every routine writes to a
// PANELDEBUG control only while the flag is set.
#pragma once

extern int debugPanelHandle;
extern unsigned char debugPanelOpen;

void debug_panel_reset();
