// The console lines of the USB bridge backend. A board that cannot be opened
// is asked about five times a second, so each line is printed once, and
// again only after its condition was cleared (the board opened, or listed
// again).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bridge/board_description.h"
#include "platform/bridge/ftdi_usb.h"

namespace kd71::ftdi {

// The udev rule that gives the logged-in user access to the board.
inline constexpr const char* kUdevRuleFile = "70-kd71.rules";
using kd71::describes_board;

// "bus 1 port 1.2": where a device is plugged in, as a user finds it.
std::string where(const UsbDevice& device);

// The line for a device this user may not open. `description` is empty when
// even it could not be read; `failure` names the failing call and its status.
std::string permission_line(const UsbDevice& device, const std::string& description,
                            const std::string& failure);

class Notices {
 public:
  using Sink = std::function<void(const std::string& line)>;
  explicit Notices(Sink sink) : sink_(std::move(sink)) {}

  // Prints `line` unless the same `kind` of line about `device` (a device
  // identity, or 0 for none) was printed and not forgotten since.
  void once(std::uintptr_t device, const std::string& kind, const std::string& line);
  void forget(std::uintptr_t device, const std::string& kind);
  // Forgets everything printed about `device`: it opened.
  void forget_device(std::uintptr_t device) { printed_.erase(device); }
  // Forgets the devices no longer attached, whose identities a device
  // plugged in later may carry.
  void keep_only(const std::vector<std::uintptr_t>& attached);

 private:
  Sink sink_;
  std::map<std::uintptr_t, std::set<std::string>> printed_;
};

// Writes each line to standard error.
Notices::Sink stderr_sink();

}  // namespace kd71::ftdi
