// The program's metrics server (kd71 --metrics): GET /metrics in the
// Prometheus text format for a lab's monitoring, on the instrument the
// program runs.
//
// It runs in the program's one thread, inside its event loop, as the SCPI
// server does: the sockets are polled between the loop's events and
// whenever a routine lets input through. A scrape only reads: the page is
// made from the figures the measurement keeps, and nothing a client sends
// changes anything. A client that sends what is not a scrape gets its
// answer (400, 404, 405, 408, 431) and is closed; a connection that stays
// idle, or whose request does not come whole in time, is closed too.
#pragma once

#include <string>

// Listens on `address` and `port` (0: a free port). False, with the reason.
bool metrics_server_start(const std::string& address, int port, std::string* error);
bool metrics_server_running();
// "127.0.0.1:9471", as it is listened on.
std::string metrics_server_endpoint();
int metrics_server_port();
// Readable whenever metrics_serve has something to do; -1 without a server.
int metrics_server_descriptor();

// Takes new clients and their requests and answers them. True when it has
// more to do at once.
bool metrics_serve();

// Closes every connection and the listening socket.
void metrics_server_stop();
void metrics_server_reset();
