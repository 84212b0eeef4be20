#include "platform/bridge/ftdi_notices.h"

#include <algorithm>
#include <cstdio>

namespace kd71::ftdi {

std::string where(const UsbDevice& device) {
  return "bus " + std::to_string(device.bus) + " port " + port_path(device);
}

std::string permission_line(const UsbDevice& device, const std::string& description,
                            const std::string& failure) {
  char id[16];
  std::snprintf(id, sizeof id, "%04x:%04x", device.vendor, device.product);
  const std::string fix = std::string("install the udev rule ") + kUdevRuleFile +
                          " (see README, \"Connecting a board\"), then unplug and replug ";
  if (description.empty())
    return "kd71: no permission to read USB device " + std::string(id) + " at " + where(device) +
           " (" + failure + "); if it is the KD71 board, " + fix + "it";
  return "kd71: no permission to open USB board \"" + description + "\" (" + id + ") at " +
         where(device) + " (" + failure + "); " + fix + "the board";
}

void Notices::once(std::uintptr_t device, const std::string& kind, const std::string& line) {
  if (!printed_[device].insert(kind).second) return;
  sink_(line);
}

void Notices::forget(std::uintptr_t device, const std::string& kind) {
  auto it = printed_.find(device);
  if (it != printed_.end()) it->second.erase(kind);
}

void Notices::keep_only(const std::vector<std::uintptr_t>& attached) {
  std::erase_if(printed_, [&](const auto& entry) {
    return entry.first != 0 &&
           std::find(attached.begin(), attached.end(), entry.first) == attached.end();
  });
}

Notices::Sink stderr_sink() {
  return [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
}

}  // namespace kd71::ftdi
