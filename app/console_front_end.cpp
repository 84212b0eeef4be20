#include "app/console_front_end.h"

#include "app/console_status.h"
#include "app/startup.h"
#include "app/stop_signal.h"
#include "platform/clock.h"

void ConsoleFrontEnd::pump_input() {
  quit_on_stop_signal();
  if (panelHandle <= 0) return;
  const double now = kd71::clock::now();
  if (next_status_ >= 0.0 && now < next_status_) return;
  std::fprintf(out_, "%s\n", console_status_line(panelHandle).c_str());
  std::fflush(out_);
  // A loop held up by a long routine does not print the missed lines at once.
  next_status_ = next_status_ < 0.0 || now - next_status_ >= kStatusPeriod
                     ? now + kStatusPeriod
                     : next_status_ + kStatusPeriod;
}
