// The sampling-delay auto search: walks a channel's delay down in steps of
// a sixty-fourth of a bit period and parks it in the middle of the
// error-free window.
//
// Not built yet: the routines are declared here, where they will live.
#pragma once

// Commit callback of the two "Sampling Delay Auto Search" buttons.
int AutoSearch(int panel, int control, int event, void* callbackData, int eventData1,
               int eventData2);
// 1 when a stop button was pressed (the display is then restored), else 0.
int ExitIfStopIsPressed();
// Restores the main panel at the end of every auto search.
void ShowDisplayAfterAutoSyncButton();
