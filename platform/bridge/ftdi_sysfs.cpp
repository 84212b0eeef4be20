#include "platform/bridge/ftdi_sysfs.h"

#include <fstream>

#include "platform/bridge/ftdi_usb.h"

namespace kd71::ftdi {
namespace {

// One line of a sysfs attribute, without its newline.
bool read_attribute(const std::string& path, std::string& value) {
  std::ifstream in(path);
  if (!in || !std::getline(in, value)) return false;
  while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
  return true;
}

}  // namespace

std::string port_path(const UsbDevice& device) {
  std::string path;
  for (std::size_t i = 0; i < device.ports.size(); ++i) {
    if (i) path += '.';
    path += std::to_string(device.ports[i]);
  }
  return path;
}

std::string sysfs_name(const UsbDevice& device) {
  return std::to_string(device.bus) + "-" + port_path(device);
}

bool read_sysfs_strings(const std::string& root, const std::string& name, std::string& description,
                        std::string& serial) {
  const std::string dir = root + "/" + name + "/";
  std::string product;
  if (!read_attribute(dir + "product", product)) return false;
  description = product;
  if (!read_attribute(dir + "serial", serial)) serial.clear();
  return true;
}

}  // namespace kd71::ftdi
