// One FTDI device on the simulated USB bus, as the bridge driver sees it:
// its description, whether it is plugged in, and the state of its port
// (settings, bit mode, direction mask, output latch, receive queue). The bus
// does the generic work of every call; a board adds its FPGA and I2C side
// through the hooks.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "platform/bridge/bridge_backend.h"
#include "sim/rx_queue.h"
#include "sim/scenario.h"

namespace kd71::sim {

struct UsbPort {
  bool open = false;
  ULONG baud = 9600;
  ULONG in_transfer = 4096;
  ULONG out_transfer = 4096;
  UCHAR latency_ms = 16;
  UCHAR mode = 0x00;   // 0 byte stream, 1 asynchronous bit-bang
  UCHAR mask = 0x00;   // direction mask, 1 = output
  UCHAR latch = 0x00;  // output latch, set by writes in bit-bang mode
  RxQueue rx;
};

// The bridge calls, for the call counters.
using Call = kd71::bridge::Fn;

struct CallCounters {
  std::array<std::uint64_t, kd71::bridge::kFnCount> calls{};
  std::uint64_t bytes_written = 0;
  std::uint64_t bytes_read = 0;

  std::uint64_t of(Call c) const { return calls[static_cast<int>(c)]; }
  std::uint64_t total() const;
};

class SimBoard;

// What a board asks of the bus it is attached to.
class BusControl {
 public:
  // Every bridge call of the process.
  virtual const CallCounters& calls() const = 0;
  // Unplugs `board` once `after_calls` more bridge calls are made.
  virtual void schedule_unplug(SimBoard* board, std::uint64_t after_calls) = 0;
  // Runs `hook` at the start of every later bridge call; empty: none.
  virtual void set_call_hook(std::function<void()> hook) = 0;
  // The time each call and each reply takes.
  virtual const Latency& latency() const = 0;

 protected:
  ~BusControl() = default;
};

class UsbDevice {
 public:
  virtual ~UsbDevice() = default;

  kd71::bridge::DeviceInfo info;
  bool plugged = true;
  // Changes whenever the device leaves the bus (unplug, port cycle), so
  // handles opened before are recognised as gone.
  std::uint64_t generation = 0;
  UsbPort port;

  // Pin levels as FT_GetBitMode reads them: an output drives its latch bit,
  // an input floats high.
  virtual UCHAR pins() const {
    return static_cast<UCHAR>((port.mask & port.latch) | static_cast<UCHAR>(~port.mask));
  }
  // The device was opened (its port is fresh).
  virtual void opened() {}
  // Bit-bang mode: the direction mask or the latch changed.
  virtual void lines_changed() {}
  // Byte mode: bytes arrived from the PC.
  virtual void bytes_received(const UCHAR* /*data*/, DWORD /*size*/) {}
  // A call on this device ended at bridge call number `step`.
  virtual void call_ended(std::uint64_t /*step*/, bool /*pins_sampled*/) {}
};

}  // namespace kd71::sim
