// Progress of the long routines that hold the thread (channel
// initialisation, the auto search, the phase trial, the debug panel's
// sweeps): what runs and how far it is, shown in the window's status bar or,
// headless, as a console line once a second. Showing it never changes a
// routine's timing beyond the formatting itself.
#pragma once

// Starts timing a routine, for the estimates of routine_seconds_left.
void begin_routine_progress();
// Seconds still to go when `done` steps have taken the time since
// begin_routine_progress and `left` steps remain; negative before the first
// step is done.
double routine_seconds_left(int done, int left);
// Shows one progress text, formatted as printf does with C number
// conventions whatever the user's locale.
void show_routine_progress(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Clears the progress display when the routine ends.
void end_routine_progress();

void routine_progress_reset();
