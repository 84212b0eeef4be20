#include "program/console_front_end.h"

#include <cerrno>
#include <cstring>

#include "app/panel_handles.h"
#include "app/stop_signal.h"
#include "platform/os/clock.h"
#include "program/button_presses.h"
#include "program/console_status.h"
#include "program/eye_scan_command.h"
#include "program/own_input.h"

void ConsoleFrontEnd::pump_input() {
  quit_on_stop_signal();
  press_queued_buttons();
  eye_scan_command_poll();
  serve_own_input();
  if (panelHandle <= 0 || !out_) return;
  const double now = kd71::clock::now();
  if (next_status_ >= 0.0 && now < next_status_) return;
  print_status();
  // A loop held up by a long routine does not print the missed lines at once.
  next_status_ = next_status_ < 0.0 || now - next_status_ >= kStatusPeriod
                     ? now + kStatusPeriod
                     : next_status_ + kStatusPeriod;
}

void ConsoleFrontEnd::wait_for_input(double deadline) {
  if (!wait_for_own_input(deadline)) FrontEnd::wait_for_input(deadline);
}

void ConsoleFrontEnd::print_status() {
  errno = 0;
  const bool written = std::fprintf(out_, "%s\n", console_status_line(panelHandle).c_str()) >= 0 &&
                       std::fflush(out_) == 0;
  if (written) return;
  std::fprintf(stderr, "kd71: the status lines stop: they cannot be written (%s)\n",
               std::strerror(errno != 0 ? errno : EIO));
  out_ = nullptr;
}
