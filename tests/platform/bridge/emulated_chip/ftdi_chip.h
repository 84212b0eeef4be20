// An FT232R-class bridge chip at the kernel's USB interface: it answers the
// usbdevfs ioctls a process makes on the chip's device node (through
// umockdev's ioctl emulation) as the kernel and the chip would, and puts a
// simulated KD71 board behind its pins and its byte stream, or nothing for
// someone else's adapter. The board's bytes reach the host at the rate the
// chip's UART receives them, on the shared clock.
//
// It records what reached it, one line per request, in the chip's own terms:
//   "reset 0", "baud 115385", "bitmode ff/1", "latency 2", "pins",
//   "out 1" (bulk bytes from the host), "in 256" (a bulk read of that size),
//   "claim", "detach ftdi_sio", "string 2" (a string descriptor read).
#pragma once

#include <umockdev.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "sim/sim_bus.h"

namespace kd71::test {

class FtdiChip {
 public:
  // `serial` empty: the chip has no serial number string. `board`: a
  // simulated KD71 board behind the chip.
  FtdiChip(std::string description, std::string serial, bool board);
  ~FtdiChip();
  FtdiChip(const FtdiChip&) = delete;
  FtdiChip& operator=(const FtdiChip&) = delete;

  const std::string& description() const { return description_; }
  const std::string& serial() const { return serial_; }
  UMockdevIoctlBase* handler() const { return handler_; }

  // Powered up on the bus: the kernel's serial driver bound, the board
  // (if any) fresh.
  void power_up();
  // Pulled out under the host: the next request it makes, and every later
  // one, fails as on a vanished device. True once a request found it gone
  // (false when none came within `seconds`; it is gone all the same).
  bool unplug(double seconds);

  std::vector<std::string> log() const;
  // The board's bytes the chip passed to the host, in order.
  std::vector<std::uint8_t> delivered() const;
  // Runs `look` on the simulated board while no request is served.
  void inspect(const std::function<void(kd71::sim::SimBoard&)>& look);
  // usbdevfs requests served.
  std::uint64_t requests() const;

 private:
  static gboolean on_ioctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  // The result (≥ 0) or a negative errno.
  int ioctl(UMockdevIoctlClient* client, unsigned long request, UMockdevIoctlData* arg);
  int submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
  int reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
  // A control transfer: the length of its data stage, or -EPIPE (a stall).
  int control(const std::uint8_t* setup, std::uint8_t* data, int room);
  int vendor_out(int request, int value);
  // Takes what the board sent into the UART's receive line, each byte due
  // when the UART has received it.
  void listen();
  // Fills a bulk read as the chip does with what its UART has received:
  // 64-byte packets, each led by the two modem-status bytes, the last one
  // short.
  int bulk_in(std::uint8_t* buffer, int length);
  void bulk_out(const std::uint8_t* data, int length);
  int string_descriptor(int index, std::uint8_t* data, int room);
  void note(const std::string& line) { log_.push_back(line); }

  std::string description_;
  std::string serial_;
  bool has_board_;
  UMockdevIoctlBase* handler_;

  mutable std::mutex mutex_;
  bool plugged_ = false;
  bool pulled_ = false;  // unplugged when the next request comes
  bool refused_ = false;  // a request found it unplugged
  std::string driver_;  // the kernel driver bound to the interface
  std::unique_ptr<kd71::sim::SimBus> bus_;
  int token_ = -1;
  std::uint8_t latency_ms_ = 16;
  double byte_seconds_ = 0;  // one byte at the UART's rate
  std::deque<std::pair<double, std::uint8_t>> uart_;  // received: when, which
  // Completed transfers waiting to be reaped, per open file of the node.
  std::map<UMockdevIoctlClient*, std::deque<UMockdevIoctlData*>> done_;
  std::vector<std::string> log_;
  std::vector<std::uint8_t> delivered_;
  std::uint64_t requests_ = 0;
};

}  // namespace kd71::test
