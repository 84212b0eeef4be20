// The strings of a USB device as the kernel publishes them under
// /sys/bus/usb/devices, readable without access to the device itself: they
// name a board this user may not open.
#pragma once

#include <string>

namespace kd71::ftdi {

inline constexpr const char* kSysfsUsbDevices = "/sys/bus/usb/devices";

// Reads `root`/`name`/product and, when there, `root`/`name`/serial. False
// when the product string cannot be read.
bool read_sysfs_strings(const std::string& root, const std::string& name, std::string& description,
                        std::string& serial);

}  // namespace kd71::ftdi
