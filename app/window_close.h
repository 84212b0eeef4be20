// What closing a panel's window means to the program.
#pragma once

// The main window: the quit button is pressed (its commit is queued, so the
// settings are saved as on a normal quit); while a callback runs, the quit
// waits for its end, and a running auto search stops. The debug panel: its Close button
// is pressed. The scope panel: it is discarded and its open flag cleared, so
// the threshold searches stop plotting into it.
void close_panel_window(int panel);
