// What the exported functions share: the library's lock, whether usb_init
// has opened the instrument, and the measurement tick they run.
#pragma once

#include <mutex>

namespace kd71::automation {

// One exported call: holds the library's lock for the call's whole length,
// so that calls from several threads run one after the other.
class Call {
 public:
  Call();
  // True between a usb_init that returned 1 and the next usb_close.
  bool open() const;

 private:
  std::lock_guard<std::mutex> lock_;
};

bool valid_channel(int channel);

// One full measurement tick, as the window's timer runs it.
void run_tick();

// The new samples of channel 1 or 2 the ticks have shown since usb_init.
int samples_shown(int channel);

}  // namespace kd71::automation
