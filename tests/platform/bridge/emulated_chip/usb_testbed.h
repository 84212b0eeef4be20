// A USB bus in a umockdev test bed: bus 1's root hub, and FTDI chips plugged
// into its ports as the kernel shows them to a process started with
// umockdev's preload library (`preload_environment`): a sysfs entry with the
// chip's descriptors and strings, a node under /dev/bus/usb whose ioctls the
// chip answers, and the uevents a hotplug monitor hears.
#pragma once

#include <umockdev.h>

#include <map>
#include <string>
#include <vector>

#include "tests/platform/bridge/emulated_chip/ftdi_chip.h"

namespace kd71::test {

class UsbTestbed {
 public:
  UsbTestbed();
  ~UsbTestbed();
  UsbTestbed(const UsbTestbed&) = delete;
  UsbTestbed& operator=(const UsbTestbed&) = delete;

  // Plugs `chip` into `port` of the root hub, powered up; each plug takes
  // the next device number, as the kernel gives one.
  void plug(FtdiChip& chip, int port);
  // Unplugs it while the host talks to it, as a cable is pulled: the chip
  // refuses the host's next request; then its node goes, the remove uevent
  // follows, and its sysfs entry goes. False when the host asked nothing of
  // the chip within a few seconds.
  bool unplug(FtdiChip& chip);
  // The file that stands for the chip's device node.
  std::string node_file(const FtdiChip& chip) const;
  // NAME=VALUE entries that put a process into the test bed.
  static std::vector<std::string> preload_environment();

 private:
  struct Entry {
    std::string syspath;
    std::string node;  // /dev/bus/usb/001/NNN
  };
  std::string add(const std::string& record);

  UMockdevTestbed* testbed_;
  std::string hub_;
  int next_address_ = 2;
  std::map<const FtdiChip*, Entry> plugged_;
};

}  // namespace kd71::test
