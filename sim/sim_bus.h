// The simulated USB bus as the bridge backend: the attached devices in
// enumeration order, open handles (tokens), the per-call bookkeeping
// (counters, latency on the shared clock, scheduled unplugs) and the generic
// behaviour of an FTDI port. Boards add their FPGA and I2C side through the
// UsbDevice hooks.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/bridge/bridge_backend.h"
#include "sim/sim_board.h"
#include "sim/timed_events.h"

namespace kd71::sim {

class SimBus : public kd71::bridge::Backend, public BusControl {
 public:
  explicit SimBus(const Scenario& scenario);
  ~SimBus() override;

  SimBoard* board(int index);
  const CallCounters& calls() const override { return calls_; }
  // Number of bridge calls made so far; the time step of the I2C trace.
  std::uint64_t step() const { return step_; }
  void schedule_unplug(SimBoard* board, std::uint64_t after_calls) override;
  void set_call_hook(std::function<void()> hook) override { call_hook_ = std::move(hook); }
  const Latency& latency() const override { return latency_; }

  const char* name() const override { return "simulated board"; }
  FT_STATUS list_devices(std::vector<kd71::bridge::DeviceInfo>& out) override;
  FT_STATUS open(unsigned index, int* token) override;
  FT_STATUS close(int token) override;
  FT_STATUS set_baud_rate(int token, ULONG baud) override;
  FT_STATUS set_bit_mode(int token, UCHAR mask, UCHAR mode) override;
  FT_STATUS set_usb_parameters(int token, ULONG in_size, ULONG out_size) override;
  FT_STATUS set_latency_timer(int token, UCHAR ms) override;
  FT_STATUS get_bit_mode(int token, UCHAR* pins) override;
  FT_STATUS write(int token, const UCHAR* data, DWORD size, DWORD* written) override;
  FT_STATUS get_status(int token, DWORD* rx, DWORD* tx, DWORD* events) override;
  FT_STATUS read(int token, UCHAR* data, DWORD size, DWORD* got) override;
  FT_STATUS purge(int token, ULONG mask) override;
  FT_STATUS cycle_port(int token) override;

 private:
  struct Handle {
    UsbDevice* device;
    std::uint64_t generation;
  };

  // Counts the call, spends its latency and carries out due unplugs and
  // timed events.
  void begin(Call call, DWORD bytes = 0);
  // A line in the board log when `device` is one of the boards.
  void note_board(const UsbDevice* device, const char* what) const;
  // Starts the I2C trace on the first board the program opens: with several
  // on the bus, the one it chose by its serial number.
  void trace_first_opened(UsbDevice* device);
  // The device behind a live token, or the status that refuses the call.
  UsbDevice* device_of(int token, FT_STATUS* status);
  // Runs `body` on the device of `token`, then lets the device note the call.
  template <typename Body>
  FT_STATUS on_device(int token, bool samples_pins, Body body);

  std::vector<std::unique_ptr<UsbDevice>> devices_;
  std::vector<SimBoard*> boards_;
  std::vector<UsbDevice*> listing_;  // the latest enumeration
  std::map<int, Handle> handles_;
  int next_token_ = 1;
  CallCounters calls_;
  std::uint64_t step_ = 0;
  Latency latency_;
  struct ScheduledUnplug {
    SimBoard* board;
    std::uint64_t after_step;
  };
  std::vector<ScheduledUnplug> unplugs_;
  TimedEvents events_;
  std::function<void()> call_hook_;
  std::string i2c_trace_path_;  // until the first board is opened
};

}  // namespace kd71::sim
