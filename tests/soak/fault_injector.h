// Random faults on the simulated board, each started and ended at a bridge
// call of whatever the program is doing (a tick, a push, a routine): the
// board unplugged for less than a tick, for seconds, or between two calls;
// replies dropped, cut or with a damaged trailer; a chip that stops
// acknowledging; SDA held low. The same seed gives the same faults.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "sim/sim_board.h"

namespace kd71::test {

class FaultInjector {
 public:
  enum Kind {
    ShortUnplug,
    LongUnplug,
    ReplugBetweenCalls,
    Drop,
    Cut,
    Corrupt,
    Nack,
    SdaStuck,
    kKinds
  };

  FaultInjector(kd71::sim::SimBoard* board, std::uint64_t seed);
  ~FaultInjector();

  // Chooses a fault and the bridge call, within the next few hundred, at
  // which it starts.
  void arm_random_fault();
  // A fault is still to start or to end.
  bool busy() const { return !pending_.empty(); }

  std::uint64_t seed() const { return seed_; }
  // Unplugs so far.
  std::uint64_t unplugs() const { return unplugs_; }
  // Bridge calls made while a chip did not acknowledge or SDA was held.
  std::uint64_t i2c_faulted_calls() const { return i2c_faulted_calls_; }
  // The last faults, one line each, for a finding's report.
  std::string history() const;
  // Faults injected, in all and by kind.
  std::string summary() const;
  std::uint64_t injected() const;

 private:
  struct Action {
    std::uint64_t at_call;  // or
    double at_time;
    std::function<void()> act;
  };
  void on_call();
  void at_call(std::uint64_t call, std::function<void()> act);
  void at_time(double t, std::function<void()> act);
  void note(Kind kind, const std::string& what);
  double uniform(double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng_); }
  int between(int lo, int hi) { return std::uniform_int_distribution<>(lo, hi)(rng_); }

  kd71::sim::SimBoard* board_;
  std::uint64_t seed_;
  std::mt19937_64 rng_;
  std::vector<Action> pending_;
  std::uint64_t calls_ = 0;
  std::uint64_t unplugs_ = 0;
  std::uint64_t i2c_faulted_calls_ = 0;
  int i2c_faults_on_ = 0;
  std::uint64_t counts_[kKinds] = {};
  std::deque<std::string> history_;
};

}  // namespace kd71::test
