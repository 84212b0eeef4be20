// The program's SCPI server (kd71 --scpi): remote control over TCP for lab
// scripts (PyVISA's TCPIP::host::5025::SOCKET, or any socket client), on
// the instrument the window shows.
//
// It runs in the program's one thread, inside its event loop: the sockets
// are polled between the loop's events, and whenever a routine lets input
// through (the auto search's stop checks), as the window's clicks are. A
// command runs between ticks, through the controls and callbacks the
// window uses. A routine that holds the program (Init, the phase trial)
// holds the server too: what clients send meanwhile waits in the sockets
// and is answered when the routine ends.
#pragma once

#include <string>

// Listens on `address` and `port` (0: a free port). False, with the reason.
bool scpi_server_start(const std::string& address, int port, std::string* error);
bool scpi_server_running();
// "127.0.0.1:5025", as it is listened on.
std::string scpi_server_endpoint();
int scpi_server_port();
// Readable whenever scpi_serve has something to do (for a socket notifier);
// -1 without a server.
int scpi_server_descriptor();

// Takes new clients and their bytes, runs the commands that can run now
// (queries at any time, changes only between events) and sends the
// answers. True when it has more to do at once than one turn runs, so that
// a client that floods it does not hold up the loop.
bool scpi_serve();

// Closes every connection and the listening socket.
void scpi_server_stop();
void scpi_server_reset();
