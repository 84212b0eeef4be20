// Carries out a scenario's timed events on every board as the run's
// clock passes their times, and keeps the board's log of them: one line on
// standard error per step, with the time the scenario gave it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "sim/scenario.h"

namespace kd71::sim {

class SimBoard;

class TimedEvents {
 public:
  // `origin` is the clock time the events' times count from.
  TimedEvents(const std::vector<TimedEvent>& events, double origin);

  bool empty() const { return steps_.empty(); }
  // Carries out, in time order, every step due at clock time `now`, on
  // each of `boards`.
  void run_due(double now, const std::vector<SimBoard*>& boards);
  // A line in the board's log at clock time `now` (when there are events).
  void note(double now, const std::string& what) const;

 private:
  struct Step {
    double at_s;  // from the origin
    std::function<void(SimBoard&)> act;
    std::string text;
  };
  void add(double at_s, std::function<void(SimBoard&)> act, std::string text);
  void log(double at_s, const std::string& what) const;

  std::vector<Step> steps_;  // by time; steps at the same time keep the file's order
  std::size_t next_ = 0;
  double origin_;
};

}  // namespace kd71::sim
