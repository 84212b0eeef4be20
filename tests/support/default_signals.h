// Puts the default handlers of the program's signals back at the end of a
// test that installed the program's own.
#pragma once

#include <csignal>

namespace kd71::test {

struct DefaultSignals {
  DefaultSignals() = default;
  DefaultSignals(const DefaultSignals&) = delete;
  DefaultSignals& operator=(const DefaultSignals&) = delete;
  ~DefaultSignals() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) std::signal(signal, SIG_DFL);
  }
};

}  // namespace kd71::test
