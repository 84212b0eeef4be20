// A small TCP server for a line-based remote-control protocol: one
// listening socket and a few connections, every socket non-blocking and all
// of them watched through one descriptor, so that a single-threaded event
// loop can poll it between its other work, or hand it to a window toolkit's
// socket notifier. It moves bytes only; what they mean is the caller's.
//
// Output is queued per connection and written as the peer takes it; a peer
// that stops reading is dropped when its queue passes the limit, so that it
// can never hold the program up.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kd71::net {

struct ServerLimits {
  int max_clients = 4;
  std::size_t max_output = 64 * 1024;  // bytes queued for one client, not yet taken
  std::size_t read_chunk = 16 * 1024;  // bytes read from one client per poll
  int send_buffer = 64 * 1024;         // the kernel's send buffer of each client
  // With every place taken, a client that has sent nothing and been sent
  // nothing for longer than this (seconds) gives its place to a new one:
  // clients that connect and never speak cannot lock the others out.
  double idle_limit = 300.0;
};

struct Activity {
  enum class Kind {
    Opened,    // a client connected; `text` is its address
    Received,  // bytes from a client; `text` holds them
    Ended,     // the client has sent all it will (it may still read)
    Closed,    // the connection is gone; `text` says why when it failed
    Refused,   // a client beyond the limit connected and was closed; `text` is its address
  };
  Kind kind;
  int client;
  std::string text;
};

class TcpServer {
 public:
  explicit TcpServer(ServerLimits limits = {});
  ~TcpServer();
  TcpServer(const TcpServer&) = delete;
  TcpServer& operator=(const TcpServer&) = delete;

  // Listens on `address` (an IPv4 or IPv6 address, or a host name) and
  // `port` (0: a free port the system picks). False, with the reason in
  // `error`, when it cannot.
  bool listen(const std::string& address, int port, std::string* error);
  bool listening() const { return listener_ >= 0; }
  int port() const { return port_; }
  // The address as it is listened on, "127.0.0.1:5025" or "[::1]:5025".
  std::string endpoint() const;
  // Readable whenever poll() has something to do; -1 while not listening.
  int descriptor() const { return epoll_; }

  // Waits at most `timeout_s` seconds (0: not at all) for any socket to be
  // ready, then accepts, reads and writes what they allow, and says what
  // happened, in order.
  std::vector<Activity> poll(double timeout_s);
  // Waits at most `timeout_s` seconds until poll() has something to do,
  // without doing it. True when it has.
  bool wait(double timeout_s);

  // Queues bytes for a client and writes what the socket takes at once.
  // False when the client is unknown or has just been dropped because its
  // queue would pass the limit.
  bool send(int client, std::string_view bytes);
  // Stops reading from a client (its bytes wait in the kernel and TCP holds
  // the peer back) or takes it up again.
  void hold_input(int client, bool hold);
  // Closes the connection once its queued output has been written.
  void close_after_output(int client);
  // Closes at once.
  void close(int client);
  void close_all();

  int clients() const { return static_cast<int>(conns_.size()); }
  // Clients that may still send: one that has ended its sending is gone
  // for the limit, though its last answers may still be on their way.
  int live_clients() const;

 private:
  struct Conn {
    int fd = -1;
    std::string out;
    std::size_t out_sent = 0;  // bytes of `out` already written
    bool hold = false;
    bool ended = false;    // the peer's end of the stream has come
    bool closing = false;  // close once `out` is written
    double heard = 0.0;    // clock time of its connection or its last bytes either way
  };

  void accept_all(std::vector<Activity>& activity);
  // Room for one more client: true when a place is free or a silent client
  // gave up its own.
  bool make_room(std::vector<Activity>& activity);
  void read_from(int client, Conn& c, std::vector<Activity>& activity);
  // False when the connection failed (it is then closed and reported).
  bool flush(int client, Conn& c, std::vector<Activity>* activity);
  void watch(int client, const Conn& c);
  void drop(int client, const std::string& why, std::vector<Activity>* activity);

  ServerLimits limits_;
  int listener_ = -1;
  int epoll_ = -1;
  int port_ = 0;
  std::string address_;
  bool ipv6_ = false;
  int next_client_ = 1;
  std::map<int, Conn> conns_;
  std::vector<Activity> later_;  // failures found outside poll(), reported by the next
};

}  // namespace kd71::net
