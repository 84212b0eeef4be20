// The front-end of the headless mode: no window; a status line on standard
// output once a second, popups as lines (the store's default), and a stop
// signal as the quit button; the clients of the SCPI and metrics servers
// are served between the loop's events and wake it up. When a status line
// cannot be written (the reader of a pipe has gone), the status lines stop
// and the program runs on.
#pragma once

#include <cstdio>

#include "platform/ui_runtime/ui_frontend.h"

class ConsoleFrontEnd : public kd71::ui::FrontEnd {
 public:
  static constexpr double kStatusPeriod = 1.0;  // seconds between status lines

  explicit ConsoleFrontEnd(std::FILE* out = stdout) : out_(out) {}

  // Runs between the loop's events and while a routine looks for input.
  void pump_input() override;
  // Wakes up for the servers' clients too.
  void wait_for_input(double deadline) override;

  // False once a status line could not be written.
  bool printing() const { return out_ != nullptr; }

 private:
  void print_status();

  std::FILE* out_;
  double next_status_ = -1.0;  // clock time of the next status line; < 0 before the first
};
