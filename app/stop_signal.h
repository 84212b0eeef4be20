// SIGINT, SIGTERM and SIGHUP (the terminal closes) act as the quit button:
// the handler only notes the signal; once the event loop runs, the
// front-end's input pump queues one commit of PANELMAIN_CMDQUIT, so the
// settings are saved and the link closed as on a normal quit. A signal that
// comes during start-up waits for the loop, by which time the settings file
// has been read, so the quit never saves defaults over it.
//
// SIGPIPE is ignored: a reader of the status lines that goes away (`kd71
// --headless | head`) makes the writes fail instead of ending the program
// unsaved.
#pragma once

// Installs the handlers, and ignores SIGPIPE.
void install_stop_signals();
// True once a stop signal has arrived.
bool stop_signal_seen();
// The main window was closed: the quit button's commit is queued at once,
// or, while a callback runs, once it has ended (a routine that looks for
// its stop button would take it); a running auto search stops.
void quit_for_window_close();
// True once a stop signal has arrived or the main window was closed: the
// auto search stops at its next check; the quit itself is left pending.
bool stop_requested();
// The auto search has dropped every pending commit: a quit already queued
// for a stop request is queued again, by the next quit_on_stop_signal.
void quit_commits_dropped();
// Queues the quit button's commit, once, after a stop signal has arrived
// (or the main window was closed during a callback), while the event loop
// runs between callbacks and the main panel exists. A long routine runs to
// its end first (the auto search to its next stop check).
void quit_on_stop_signal();
// The front-ends' check between events: acts on a stop signal as above and
// returns true once one has arrived.
bool poll_stop_signal();
// Forgets a signal seen, a window closed and a quit posted.
void stop_signal_reset();
