#include "platform/os/tcp_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/os/clock.h"

namespace kd71::net {

namespace {

constexpr int kListenBacklog = 8;
constexpr int kEventsPerWait = 32;
constexpr std::uint64_t kListenerId = 0;  // the listening socket's tag in the epoll set

std::string address_text(const sockaddr* sa, socklen_t len, bool* ipv6 = nullptr) {
  char host[NI_MAXHOST] = "?", serv[NI_MAXSERV] = "?";
  getnameinfo(sa, len, host, sizeof host, serv, sizeof serv, NI_NUMERICHOST | NI_NUMERICSERV);
  const bool v6 = sa->sa_family == AF_INET6;
  if (ipv6) *ipv6 = v6;
  return v6 ? std::string("[") + host + "]:" + serv : std::string(host) + ":" + serv;
}

int milliseconds(double seconds) {
  if (!(seconds > 0.0)) return 0;
  const double ms = std::ceil(seconds * 1000.0);
  return ms >= INT_MAX ? INT_MAX : static_cast<int>(ms);
}

// "silent for 5 minutes" from a limit in seconds.
std::string silence_text(double seconds) {
  const long long whole = std::llround(seconds);
  return whole % 60 == 0 ? "silent for " + std::to_string(whole / 60) + " minutes"
                         : "silent for " + std::to_string(whole) + " s";
}

std::string failure(const char* call, int err) {
  return std::string(call) + ": " + std::strerror(err);
}

}  // namespace

TcpServer::TcpServer(ServerLimits limits) : limits_(limits) {}

TcpServer::~TcpServer() {
  close_all();
  if (listener_ >= 0) ::close(listener_);
  if (epoll_ >= 0) ::close(epoll_);
}

bool TcpServer::listen(const std::string& address, int port, std::string* error) {
  if (listener_ >= 0) {
    *error = "already listening";
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (const int rc = getaddrinfo(address.c_str(), service.c_str(), &hints, &found); rc != 0) {
    *error = std::string("getaddrinfo: ") + gai_strerror(rc);
    return false;
  }
  int fd = -1;
  std::string why;
  for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
    fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      why = failure("socket", errno);
      continue;
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, kListenBacklog) != 0) {
      why = failure("bind", errno);
      ::close(fd);
      fd = -1;
    }
  }
  freeaddrinfo(found);
  if (fd < 0) {
    *error = why;
    return false;
  }
  sockaddr_storage bound{};
  socklen_t len = sizeof bound;
  getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &len);
  address_ = address_text(reinterpret_cast<sockaddr*>(&bound), len, &ipv6_);
  port_ = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                            : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
  epoll_ = epoll_create1(EPOLL_CLOEXEC);
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.u64 = kListenerId;
  if (epoll_ < 0 || epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &ev) != 0) {
    *error = failure("epoll", errno);
    if (epoll_ >= 0) ::close(epoll_);
    epoll_ = -1;
    ::close(fd);
    return false;
  }
  listener_ = fd;
  return true;
}

std::string TcpServer::endpoint() const { return address_; }

std::vector<Activity> TcpServer::poll(double timeout_s) {
  std::vector<Activity> activity = std::move(later_);
  later_.clear();
  if (epoll_ < 0) return activity;
  epoll_event events[kEventsPerWait];
  const int n =
      epoll_wait(epoll_, events, kEventsPerWait, activity.empty() ? milliseconds(timeout_s) : 0);
  // New connections are taken after the batch's other events, so that the
  // ends and closes that came with them free their places first.
  bool accept_due = false;
  for (int i = 0; i < n; ++i) {
    const std::uint64_t id = events[i].data.u64;
    if (id == kListenerId) {
      accept_due = true;
      continue;
    }
    const int client = static_cast<int>(id);
    auto it = conns_.find(client);
    if (it == conns_.end()) continue;  // closed by an earlier event of this wait
    Conn& c = it->second;
    const std::uint32_t ready = events[i].events;
    if ((ready & (EPOLLIN | EPOLLHUP | EPOLLERR)) && !c.hold && !c.ended) {
      read_from(client, c, activity);
      if (conns_.find(client) == conns_.end()) continue;
    }
    if (ready & EPOLLOUT) {
      if (!flush(client, c, &activity)) continue;
    }
    // Both directions gone and nothing more to read: nothing can reach
    // the peer any more.
    if ((ready & (EPOLLHUP | EPOLLERR)) && (c.ended || c.hold))
      drop(client, "the connection was reset", &activity);
  }
  if (accept_due) accept_all(activity);
  return activity;
}

int TcpServer::live_clients() const {
  return static_cast<int>(
      std::count_if(conns_.begin(), conns_.end(), [](const auto& c) { return !c.second.ended; }));
}

bool TcpServer::make_room(std::vector<Activity>& activity) {
  if (live_clients() < limits_.max_clients) return true;
  auto silent = conns_.end();
  for (auto it = conns_.begin(); it != conns_.end(); ++it)
    if (!it->second.ended && (silent == conns_.end() || it->second.heard < silent->second.heard))
      silent = it;
  if (silent == conns_.end() || kd71::clock::now() - silent->second.heard <= limits_.idle_limit)
    return false;
  drop(silent->first,
       silence_text(limits_.idle_limit) + "; its place went to a new client",
       &activity);
  return true;
}

bool TcpServer::wait(double timeout_s) {
  if (!later_.empty()) return true;
  if (epoll_ < 0) return false;
  pollfd p{epoll_, POLLIN, 0};
  return ::poll(&p, 1, milliseconds(timeout_s)) > 0;
}

void TcpServer::accept_all(std::vector<Activity>& activity) {
  for (;;) {
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    const int fd =
        accept4(listener_, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // EAGAIN: none left; EMFILE and kin: tried again at the next poll
    }
    const std::string who = address_text(reinterpret_cast<sockaddr*>(&peer), len);
    if (!make_room(activity)) {
      ::close(fd);
      activity.push_back({Activity::Kind::Refused, 0, who});
      continue;
    }
    // Answers go out as soon as they are written, not held back to be
    // joined with the next one.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // A fixed send buffer: what a client that does not read can hold in
    // the kernel stays bounded too.
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &limits_.send_buffer, sizeof limits_.send_buffer);
    const int client = next_client_++;
    Conn c;
    c.fd = fd;
    c.heard = kd71::clock::now();
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = static_cast<std::uint64_t>(client);
    if (epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &ev) != 0) {
      ::close(fd);
      continue;
    }
    conns_.emplace(client, std::move(c));
    activity.push_back({Activity::Kind::Opened, client, who});
  }
}

void TcpServer::read_from(int client, Conn& c, std::vector<Activity>& activity) {
  std::string data;
  char buffer[4096];
  while (data.size() < limits_.read_chunk) {
    const std::size_t want = std::min(sizeof buffer, limits_.read_chunk - data.size());
    const ssize_t n = recv(c.fd, buffer, want, MSG_DONTWAIT);
    if (n > 0) {
      data.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (!data.empty()) {
      c.heard = kd71::clock::now();
      activity.push_back({Activity::Kind::Received, client, std::move(data)});
    }
    if (n == 0) {
      c.ended = true;
      watch(client, c);
      activity.push_back({Activity::Kind::Ended, client, ""});
    } else {
      drop(client, failure("recv", errno), &activity);
    }
    return;
  }
  if (!data.empty()) {
    c.heard = kd71::clock::now();
    activity.push_back({Activity::Kind::Received, client, std::move(data)});
  }
}

bool TcpServer::send(int client, std::string_view bytes) {
  auto it = conns_.find(client);
  if (it == conns_.end()) return false;
  Conn& c = it->second;
  if (c.out.size() - c.out_sent + bytes.size() > limits_.max_output) {
    drop(client,
         "it did not read its answers (" + std::to_string(limits_.max_output / 1024) +
             " KiB waiting)",
         nullptr);
    return false;
  }
  c.out.append(bytes);
  c.heard = kd71::clock::now();  // a client being answered is not silent
  return flush(client, c, nullptr);
}

bool TcpServer::flush(int client, Conn& c, std::vector<Activity>* activity) {
  while (c.out_sent < c.out.size()) {
    const ssize_t n = ::send(c.fd, c.out.data() + c.out_sent, c.out.size() - c.out_sent,
                             MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      c.out_sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    drop(client, failure("send", n < 0 ? errno : EPIPE), activity);
    return false;
  }
  if (c.out_sent == c.out.size()) {
    c.out.clear();
    c.out_sent = 0;
    if (c.closing) {
      drop(client, "", activity);
      return false;
    }
  } else if (c.out_sent > c.out.size() / 2) {
    c.out.erase(0, c.out_sent);
    c.out_sent = 0;
  }
  watch(client, c);
  return true;
}

void TcpServer::watch(int client, const Conn& c) {
  epoll_event ev{};
  ev.events = 0;
  if (!c.hold && !c.ended) ev.events |= EPOLLIN;
  if (c.out_sent < c.out.size()) ev.events |= EPOLLOUT;
  ev.data.u64 = static_cast<std::uint64_t>(client);
  epoll_ctl(epoll_, EPOLL_CTL_MOD, c.fd, &ev);
}

void TcpServer::hold_input(int client, bool hold) {
  auto it = conns_.find(client);
  if (it == conns_.end() || it->second.hold == hold) return;
  it->second.hold = hold;
  watch(client, it->second);
}

void TcpServer::close_after_output(int client) {
  auto it = conns_.find(client);
  if (it == conns_.end()) return;
  it->second.closing = true;
  flush(client, it->second, nullptr);
}

void TcpServer::close(int client) { drop(client, "", nullptr); }

void TcpServer::close_all() {
  while (!conns_.empty()) close(conns_.begin()->first);
  later_.clear();
}

void TcpServer::drop(int client, const std::string& why, std::vector<Activity>* activity) {
  auto it = conns_.find(client);
  if (it == conns_.end()) return;
  epoll_ctl(epoll_, EPOLL_CTL_DEL, it->second.fd, nullptr);
  ::close(it->second.fd);
  conns_.erase(it);
  (activity ? *activity : later_).push_back({Activity::Kind::Closed, client, why});
}

}  // namespace kd71::net
