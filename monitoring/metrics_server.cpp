#include "monitoring/metrics_server.h"

#include <map>
#include <memory>

#include "monitoring/exposition.h"
#include "monitoring/http_request.h"
#include "platform/os/clock.h"
#include "platform/os/tcp_server.h"

namespace {

using kd71::metrics::HeadState;
using kd71::metrics::HttpRequest;
using kd71::net::Activity;

// Prometheus keeps one connection per target; a few more for a second
// server, a browser or curl.
constexpr int kMaxClients = 16;
// A request must come whole within this time of its first byte, and an
// idle connection is closed after the other: neither a slow client nor a
// silent one holds a place for long.
constexpr double kRequestSeconds = 10.0;
constexpr double kIdleSeconds = 120.0;
constexpr const char* kTextPlain = "text/plain; charset=utf-8";

struct Client {
  std::string input;
  double since = 0.0;  // when the request under way began, or the connection went idle
  bool closing = false;
};

std::unique_ptr<kd71::net::TcpServer> g_server;
std::map<int, Client> g_clients;

// Answers and closes: nothing more is read from this client.
void refuse(int id, Client& client, int status, const char* text) {
  g_server->send(id, kd71::metrics::http_response(status, kTextPlain, text, false));
  client.closing = true;
  client.input.clear();
  g_server->hold_input(id, true);
  g_server->close_after_output(id);
}

void answer(int id, Client& client, const HttpRequest& request) {
  const bool head = request.method == "HEAD";
  if (request.method != "GET" && !head) return refuse(id, client, 405, "only GET and HEAD\n");
  if (request.path != "/metrics") return refuse(id, client, 404, "the metrics are at /metrics\n");
  const std::string page = kd71::metrics::metrics_page();
  g_server->send(id, kd71::metrics::http_response(200, kd71::metrics::kExpositionContentType, page,
                                                  request.keep_alive, !head));
  if (request.keep_alive) return;
  client.closing = true;
  g_server->hold_input(id, true);
  g_server->close_after_output(id);
}

void take_input(int id, Client& client, const std::string& bytes) {
  if (client.closing) return;
  const double now = kd71::clock::now();
  if (client.input.empty()) client.since = now;
  client.input += bytes;
  for (;;) {
    HttpRequest request;
    switch (kd71::metrics::take_request(client.input, &request)) {
      case HeadState::Incomplete:
        return;
      case HeadState::Malformed:
        return refuse(id, client, 400, "not a request for the metrics\n");
      case HeadState::TooLarge:
        return refuse(id, client, 431, "request head too long\n");
      case HeadState::Complete:
        answer(id, client, request);
        if (client.closing) return;
        client.since = now;
        break;
    }
  }
}

void take(const Activity& a) {
  switch (a.kind) {
    case Activity::Kind::Opened:
      g_clients[a.client].since = kd71::clock::now();
      return;
    case Activity::Kind::Refused:
      return;  // beyond the limit: closed by the server
    default:
      break;
  }
  auto it = g_clients.find(a.client);
  if (it == g_clients.end()) return;
  Client& client = it->second;
  if (a.kind == Activity::Kind::Received) {
    take_input(a.client, client, a.text);
  } else if (a.kind == Activity::Kind::Ended) {
    // The client has sent all it will: what it asked for is answered.
    if (!client.closing) {
      client.closing = true;
      g_server->close_after_output(a.client);
    }
  } else if (a.kind == Activity::Kind::Closed) {
    g_clients.erase(it);
  }
}

void close_stale() {
  const double now = kd71::clock::now();
  for (auto& [id, client] : g_clients) {
    if (client.closing) continue;
    if (!client.input.empty() && now - client.since > kRequestSeconds)
      refuse(id, client, 408, "the request did not come whole in time\n");
    else if (client.input.empty() && now - client.since > kIdleSeconds)
      g_server->close(id);  // reported, and forgotten, by the next poll
  }
}

}  // namespace

bool metrics_server_start(const std::string& address, int port, std::string* error) {
  metrics_server_stop();
  kd71::net::ServerLimits limits;
  limits.max_clients = kMaxClients;
  auto server = std::make_unique<kd71::net::TcpServer>(limits);
  if (!server->listen(address, port, error)) return false;
  g_server = std::move(server);
  return true;
}

bool metrics_server_running() { return g_server != nullptr; }
std::string metrics_server_endpoint() { return g_server ? g_server->endpoint() : std::string(); }
int metrics_server_port() { return g_server ? g_server->port() : 0; }
int metrics_server_descriptor() { return g_server ? g_server->descriptor() : -1; }

bool metrics_serve() {
  if (!g_server) return false;
  for (const Activity& a : g_server->poll(0.0)) take(a);
  close_stale();
  return false;
}

void metrics_server_stop() {
  g_clients.clear();
  g_server.reset();
}

void metrics_server_reset() { metrics_server_stop(); }
