#include "tests/support/scpi_client.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace kd71::test {

namespace {

// Real time a test waits for an answer: the program answers within a turn
// of its loop, so this only bounds a test that has gone wrong.
constexpr auto kPatience = std::chrono::seconds(10);
constexpr int kPollMs = 5;

}  // namespace

ScpiClient::ScpiClient(int port, int receive_buffer) {
  fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return;
  if (receive_buffer > 0)
    setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) close();
}

ScpiClient::~ScpiClient() { close(); }

void ScpiClient::send(const std::string& bytes) {
  std::size_t sent = 0;
  while (fd_ >= 0 && sent < bytes.size()) {
    const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
}

void ScpiClient::finish_sending() {
  if (fd_ >= 0) shutdown(fd_, SHUT_WR);
}

void ScpiClient::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool ScpiClient::read_available(int timeout_ms) {
  if (fd_ < 0 || ended_) return false;
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, timeout_ms) <= 0) return true;
  char buffer[4096];
  const ssize_t n = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
  if (n > 0) {
    received_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
  ended_ = true;
  return false;
}

std::string ScpiClient::read_line(const std::function<void()>& pump) {
  const auto give_up = std::chrono::steady_clock::now() + kPatience;
  for (;;) {
    const std::size_t end = received_.find('\n');
    if (end != std::string::npos) {
      std::string line = received_.substr(0, end);
      received_.erase(0, end + 1);
      return line;
    }
    if (std::chrono::steady_clock::now() > give_up || !read_available(0)) break;
    pump();
    read_available(kPollMs);
  }
  ADD_FAILURE() << "no answer line; received \"" << received_ << "\"";
  return "";
}

bool ScpiClient::wait_closed(const std::function<void()>& pump, std::string* rest) {
  const auto give_up = std::chrono::steady_clock::now() + kPatience;
  while (read_available(0) && std::chrono::steady_clock::now() < give_up) {
    pump();
    read_available(kPollMs);
  }
  if (rest) *rest = take_received();
  return ended_;
}

std::string ScpiClient::take_received() {
  read_available(0);
  std::string all = std::move(received_);
  received_.clear();
  return all;
}

}  // namespace kd71::test
