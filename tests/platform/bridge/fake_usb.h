// A fake USB bus of FTDI chips for the tests of the libftdi1 backend: it
// answers each libftdi and libusb call with the codes those libraries give,
// scripted per chip, and records what reached the chip.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/bridge/ftdi_usb.h"

namespace kd71::test {

struct FakeChip {
  // ---- Script -------------------------------------------------------------
  ftdi::UsbDevice usb;
  std::string description;
  std::string serial;
  bool plugged = true;
  int strings_code = 0;  // ftdi_usb_get_strings2
  int probe_code = 0;    // libusb_open
  int open_code = 0;     // ftdi_usb_open_dev
  bool sysfs_readable = true;
  std::string sysfs_description;  // empty: the same as `description`
  std::uint8_t pins = 0x03;
  // Bytes the chip has sent, oldest first, and when each lands (virtual
  // seconds): a reply that is still on its way lands later.
  std::deque<std::pair<double, std::uint8_t>> arrivals;
  // Pin samples already on their way when the receive side is flushed: they
  // land right after the flush.
  std::vector<std::uint8_t> in_flight;
  // Virtual time one bulk read takes: one latency period.
  double read_seconds = 0.002;
  // The next calls named here (as in `log`) return these codes.
  std::map<std::string, std::deque<int>> fail_next;

  // ---- Record -------------------------------------------------------------
  std::vector<std::string> log;  // "set_baudrate 115200", "set_bitmode ff/1", ...
  std::vector<std::uint8_t> written;
  int strings_reads = 0;
  int open_handles = 0;

  // Bytes that land now.
  void send(const std::vector<std::uint8_t>& bytes);
  // Bytes that land `delay` seconds from now.
  void send_later(double delay, const std::vector<std::uint8_t>& bytes);
  std::size_t landed() const;
  int scripted(const std::string& call);  // 0, or the code scripted for `call`
};

class FakeBus : public ftdi::UsbBus {
 public:
  // Attaches a chip; each attachment gets an identity of its own.
  std::shared_ptr<FakeChip> plug(const std::string& description, const std::string& serial,
                                 std::uint8_t port = 1);
  // Takes a chip off the bus (its open ports fail as a lost device does).
  void unplug(const std::shared_ptr<FakeChip>& chip);

  int find_all(std::vector<ftdi::UsbDevice>& out) override;
  int get_strings(std::size_t index, std::string& description, std::string& serial) override;
  int probe_open(std::size_t index) override;
  bool sysfs_strings(std::size_t index, std::string& description, std::string& serial) override;
  int open(std::size_t index, std::unique_ptr<ftdi::UsbPort>& port) override;
  std::string error_text() const override { return error_; }

 private:
  std::vector<std::shared_ptr<FakeChip>> chips_;
  std::vector<std::shared_ptr<FakeChip>> listed_;
  std::uintptr_t next_identity_ = 0x1000;
  std::string error_;
};

}  // namespace kd71::test
