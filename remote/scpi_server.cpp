#include "remote/scpi_server.h"

#include <cstdio>
#include <map>
#include <memory>

#include "platform/os/tcp_server.h"
#include "platform/ui_runtime/ui_store.h"
#include "remote/scpi_commands.h"
#include "remote/scpi_controls.h"
#include "remote/scpi_session.h"

namespace {

using kd71::net::Activity;

// Units one client runs in one turn: a client that floods the server gets
// a slice as the others do, and the loop its turn between slices.
constexpr int kUnitsPerTurn = 64;
// Received bytes a client may have waiting to run; beyond them its socket
// is read no more until they have run (TCP holds the client back).
constexpr std::size_t kHeldInput = 64 * 1024;

struct Client {
  explicit Client(std::string address) : who(std::move(address)) {}
  kd71::scpi::Session session{kd71::scpi::command_table()};
  std::string who;
  bool closing = false;
  bool overlong = false;  // sent a line over the limit: nothing more is read
};

std::unique_ptr<kd71::net::TcpServer> g_server;
std::map<int, Client> g_clients;
bool g_serving = false;
bool g_more = false;  // the last turn left units ready to run

void say(const char* what, const std::string& who, const std::string& why = "") {
  std::fprintf(stderr, "kd71: SCPI client %s %s%s%s\n", who.c_str(), what, why.empty() ? "" : ": ",
               why.c_str());
}

void take(const Activity& a) {
  switch (a.kind) {
    case Activity::Kind::Opened:
      g_clients.emplace(a.client, a.text);
      say("connected", a.text);
      return;
    case Activity::Kind::Refused:
      say("refused", a.text, "4 clients are connected already");
      return;
    default:
      break;
  }
  auto it = g_clients.find(a.client);
  if (it == g_clients.end()) return;
  Client& client = it->second;
  if (a.kind == Activity::Kind::Received) {
    if (client.overlong || client.session.receive(a.text)) return;
    // The lines before it run and are answered, however the bytes came in;
    // then the connection closes.
    say("sent a line longer than 4096 bytes; closing", client.who);
    client.overlong = true;
    client.session.end_input();
    g_server->hold_input(a.client, true);
  } else if (a.kind == Activity::Kind::Ended) {
    client.session.end_input();
  } else if (a.kind == Activity::Kind::Closed) {
    say(a.text.empty() ? "disconnected" : "dropped", client.who, a.text);
    g_clients.erase(it);
  }
}

// One turn of a client: its units, its answers, its input held or taken
// up again, its connection closed once it has sent its last line and that
// has run.
void turn(int id, Client& client) {
  std::string out;
  const kd71::scpi::Session::Progress progress = client.session.run(kUnitsPerTurn, out);
  if (!out.empty() && !g_server->send(id, out)) return;
  if (progress == kd71::scpi::Session::Progress::Budget) g_more = true;
  g_server->hold_input(id, client.overlong || client.session.buffered() > kHeldInput);
  if (client.session.input_ended() && !client.session.has_work() && !client.closing) {
    client.closing = true;
    g_server->close_after_output(id);
  }
}

}  // namespace

bool scpi_server_start(const std::string& address, int port, std::string* error) {
  scpi_server_stop();
  auto server = std::make_unique<kd71::net::TcpServer>();
  if (!server->listen(address, port, error)) return false;
  g_server = std::move(server);
  return true;
}

bool scpi_server_running() { return g_server != nullptr; }
std::string scpi_server_endpoint() { return g_server ? g_server->endpoint() : std::string(); }
int scpi_server_port() { return g_server ? g_server->port() : 0; }
int scpi_server_descriptor() { return g_server ? g_server->descriptor() : -1; }

bool scpi_serve() {
  if (!g_server || g_serving) return false;
  g_serving = true;
  for (const Activity& a : g_server->poll(0.0)) take(a);
  if (!kd71::ui::in_callback()) kd71::scpi::stop_press_rearm();
  g_more = false;
  // A client dropped in its turn is reported, and forgotten, by the next poll.
  for (auto& [id, client] : g_clients) turn(id, client);
  g_serving = false;
  return g_more;
}

void scpi_server_stop() {
  g_clients.clear();
  g_server.reset();
  g_more = false;
}

void scpi_server_reset() {
  scpi_server_stop();
  g_serving = false;
  kd71::scpi::stop_press_rearm();
}
