#include "tests/platform/bridge/emulated_chip/usb_testbed.h"

#include <cstdio>
#include <cstdlib>

namespace kd71::test {
namespace {

constexpr const char* kPreload = "libumockdev-preload.so.0";
constexpr const char* kHubPath = "/devices/pci0000:00/0000:00:14.0/usb1";
// A connected program asks something of its board at least every tick.
constexpr double kHostPatience = 5.0;

// An FT232R's device descriptor (0403:6001, release 6.00, strings 1-3, or
// 1-2 without a serial number) and its one configuration: interface 0, vendor
// class, bulk endpoints 0x81 in and 0x02 out of 64 bytes.
std::string ft232r_descriptors(bool serial) {
  return std::string("12010002000000080304016000060102") + (serial ? "03" : "00") +
         "0109022000010100a02d0904000002ffffff020705810240000007050202400000";
}
// A full-speed root hub (1d6b:0001) with its status endpoint.
constexpr const char* kHubDescriptors =
    "12011001090000406b1d010006060302010109021900010100e000"
    "090400000109000000070581030200ff";

std::string three_digits(int n) {
  char text[8];
  std::snprintf(text, sizeof text, "%03d", n);
  return text;
}

}  // namespace

UsbTestbed::UsbTestbed() : testbed_(umockdev_testbed_new()) {
  hub_ = add(std::string("P: ") + kHubPath +
             "\nN: bus/usb/001/001\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
             "E: BUSNUM=001\nE: DEVNUM=001\nE: DEVNAME=/dev/bus/usb/001/001\n"
             "A: busnum=1\\n\nA: devnum=1\\n\nA: speed=12\\n\nA: bConfigurationValue=1\\n\n"
             "A: dev=189:0\\n\nH: descriptors=" +
             kHubDescriptors + "\n");
}

UsbTestbed::~UsbTestbed() { g_object_unref(testbed_); }

std::string UsbTestbed::add(const std::string& record) {
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(testbed_, record.c_str(), &error)) {
    std::fprintf(stderr, "usb test bed: %s\n", error->message);
    g_error_free(error);
    return "";
  }
  // The device's path as the test bed shows it.
  return std::string("/sys") + record.substr(3, record.find('\n') - 3);
}

void UsbTestbed::plug(FtdiChip& chip, int port) {
  const int address = next_address_++;
  Entry entry;
  entry.node = "/dev/bus/usb/001/" + three_digits(address);
  const std::string name = "1-" + std::to_string(port);
  chip.power_up();
  GError* error = nullptr;
  umockdev_testbed_attach_ioctl(testbed_, entry.node.c_str(), chip.handler(), &error);
  if (error) g_error_free(error);
  entry.syspath = add(
      std::string("P: ") + kHubPath + "/" + name + "\nN: " + entry.node.substr(5) +
      "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\nE: PRODUCT=403/6001/600\n"
      "E: BUSNUM=001\nE: DEVNUM=" + three_digits(address) + "\nE: DEVNAME=" + entry.node +
      "\nA: busnum=1\\n\nA: devnum=" + std::to_string(address) +
      "\\n\nA: speed=12\\n\nA: bConfigurationValue=1\\n\nA: idVendor=0403\\n\n"
      "A: idProduct=6001\\n\nA: bcdDevice=0600\\n\nA: manufacturer=FTDI\\n\n"
      "A: product=" + chip.description() +
      (chip.serial().empty() ? "" : "\\n\nA: serial=" + chip.serial()) +
      "\\n\nA: dev=189:" + std::to_string(address - 1) +
      "\\n\nH: descriptors=" + ft232r_descriptors(!chip.serial().empty()) + "\n");
  plugged_[&chip] = entry;
}

bool UsbTestbed::unplug(FtdiChip& chip) {
  auto it = plugged_.find(&chip);
  if (it == plugged_.end()) return false;
  const bool under_host = chip.unplug(kHostPatience);
  std::remove(node_file(chip).c_str());
  umockdev_testbed_uevent(testbed_, it->second.syspath.c_str(), "remove");
  umockdev_testbed_remove_device(testbed_, it->second.syspath.c_str());
  GError* error = nullptr;
  umockdev_testbed_detach_ioctl(testbed_, it->second.node.c_str(), &error);
  if (error) g_error_free(error);
  plugged_.erase(it);
  return under_host;
}

std::string UsbTestbed::node_file(const FtdiChip& chip) const {
  auto it = plugged_.find(&chip);
  if (it == plugged_.end()) return "";
  gchar* root = umockdev_testbed_get_root_dir(testbed_);
  std::string file = std::string(root) + it->second.node;
  g_free(root);
  return file;
}

std::vector<std::string> UsbTestbed::preload_environment() {
  const char* dir = std::getenv("UMOCKDEV_DIR");
  return {std::string("LD_PRELOAD=") + kPreload, std::string("UMOCKDEV_DIR=") + (dir ? dir : "")};
}

}  // namespace kd71::test
