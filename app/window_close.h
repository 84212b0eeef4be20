// What closing a panel's window means to the program.
#pragma once

// The main window: the quit button is pressed (its commit is queued, so the
// settings are saved as on a normal quit). The debug panel: its Close button
// is pressed. The scope panel: see scope_panel_closed.
void close_panel_window(int panel);

// Closing the scope panel discards it. The scope-panel-open flag, which the
// threshold searches test before they plot, is cleared here once it lives
// beside the debug panel's flag in app/debug_panel.h.
void scope_panel_closed(int panel);
