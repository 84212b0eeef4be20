#include "program/own_input.h"

#include <poll.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <climits>
#include <cmath>

#include "monitoring/metrics_server.h"
#include "platform/os/clock.h"
#include "remote/scpi_server.h"

namespace {

int g_epoll = -1;
bool g_more = false;          // the last turn left work to do at once
int g_watched[2] = {-1, -1};  // the servers' descriptors in the set

int milliseconds_until(double deadline) {
  const double ms = std::ceil((deadline - kd71::clock::now()) * 1000.0);
  if (!(ms > 0.0)) return 0;
  return ms >= INT_MAX ? INT_MAX : static_cast<int>(ms);
}

void watch(int descriptor) {
  if (descriptor < 0) return;
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.fd = descriptor;
  epoll_ctl(g_epoll, EPOLL_CTL_ADD, descriptor, &ev);
}

}  // namespace

bool serve_own_input() {
  const bool scpi_more = scpi_serve();
  const bool metrics_more = metrics_serve();
  g_more = scpi_more || metrics_more;
  return g_more;
}

int own_input_descriptor() {
  const int scpi = scpi_server_descriptor(), metrics = metrics_server_descriptor();
  if (scpi < 0 && metrics < 0) return -1;
  if (g_epoll >= 0 && g_watched[0] == scpi && g_watched[1] == metrics) return g_epoll;
  // Each server's descriptor is an epoll set of its sockets; a set of the
  // two is readable when either is.
  own_input_reset();
  g_epoll = epoll_create1(EPOLL_CLOEXEC);
  if (g_epoll < 0) return -1;
  watch(scpi);
  watch(metrics);
  g_watched[0] = scpi;
  g_watched[1] = metrics;
  return g_epoll;
}

bool wait_for_own_input(double deadline) {
  const int descriptor = own_input_descriptor();
  if (descriptor < 0) return false;
  pollfd p{descriptor, POLLIN, 0};
  ::poll(&p, 1, g_more ? 0 : milliseconds_until(deadline));
  return true;
}

void own_input_reset() {
  if (g_epoll >= 0) ::close(g_epoll);
  g_epoll = -1;
  g_more = false;
  g_watched[0] = g_watched[1] = -1;
}
