// A test's SCPI client: a TCP connection to the program's server on the
// loopback address, whose answers are waited for while the test runs the
// program's event loop.
#pragma once

#include <functional>
#include <string>

namespace kd71::test {

class ScpiClient {
 public:
  // Connects to 127.0.0.1:`port`; `receive_buffer` > 0 sets the socket's
  // receive buffer first (a client slow to read fills it soon).
  explicit ScpiClient(int port, int receive_buffer = 0);
  ~ScpiClient();
  ScpiClient(const ScpiClient&) = delete;
  ScpiClient& operator=(const ScpiClient&) = delete;

  bool connected() const { return fd_ >= 0; }
  void send(const std::string& bytes);
  // Ends the client's sending (the server sees the end of its input).
  void finish_sending();
  void close();

  // The next answer line without its "\n", running `pump` (a turn of the
  // program's loop) until it has come. Empty, with the test failed, when
  // none comes within a few seconds of real time or the server closes.
  std::string read_line(const std::function<void()>& pump);
  // Runs `pump` until the server has closed the connection; false when it
  // stays open for a few seconds of real time. Answers before the end are
  // kept in `rest`.
  bool wait_closed(const std::function<void()>& pump, std::string* rest = nullptr);
  // What has arrived so far, without waiting.
  std::string take_received();

 private:
  // Reads what is there; false at the end of the stream.
  bool read_available(int timeout_ms);

  int fd_ = -1;
  bool ended_ = false;
  std::string received_;
};

}  // namespace kd71::test
