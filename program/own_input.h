// The program's own servers (SCPI, the metrics) as one input of its loop:
// one descriptor that is readable whenever either has something to do, and
// one call that serves both. The window's loop watches the descriptor; the
// headless loop waits on it between its events.
#pragma once

// Serves every server that runs. True when one has more to do at once.
bool serve_own_input();
// Readable whenever serve_own_input has something to do; -1 without a
// server. Made once the servers have started.
int own_input_descriptor();
// Waits until `deadline` on the clock, or until a server has something to
// do. False, having waited for nothing, when no server runs.
bool wait_for_own_input(double deadline);

// Closes the descriptor (the servers stay as they are).
void own_input_reset();
