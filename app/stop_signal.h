// SIGINT and SIGTERM act as the quit button: the handler only notes the
// signal; the front-end's input pump queues one commit of PANELMAIN_CMDQUIT,
// so the settings are saved and the link closed as on a normal quit.
#pragma once

// Installs the handler for SIGINT and SIGTERM.
void install_stop_signals();
// True once a stop signal has arrived.
bool stop_signal_seen();
// Queues the quit button's commit, once, after a stop signal has arrived
// and while the main panel exists.
void quit_on_stop_signal();
// Forgets a signal seen and a quit posted.
void stop_signal_reset();
