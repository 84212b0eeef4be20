// The sampling-delay auto search: walks a channel's delay down from 2.7 V in
// steps of a sixty-fourth of a bit period, finds an error-free window
// between two errored bands and parks the delay in its middle. Below
// 26001 MHz it takes the first window under the first errored band; from
// 26001 MHz on the window below the next errored band. The search ends at
// the floor (0.02 V) when there is nothing more to find, and after the
// current move when a stop button is pressed, a stop signal arrives or the
// main window is closed.
#pragma once

// Commit callback of the two "Sampling Delay Auto Search" buttons.
int AutoSearch(int panel, int control, int event, void* callbackData, int eventData1,
               int eventData2);
// 1 when the search is to stop: a stop button was pressed, or the program
// is asked to quit (the quit itself is left for the event loop). The
// display is then restored. Any other pending commit is taken and dropped.
int ExitIfStopIsPressed();
// Restores the main panel at the end of every auto search: the commits
// still pending are dropped, the locked controls are released.
void ShowDisplayAfterAutoSyncButton();
