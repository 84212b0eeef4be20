#include "tests/platform/bridge/fake_usb.h"

#include <libusb.h>

#include <algorithm>
#include <cstdio>

#include "platform/os/clock.h"

namespace kd71::test {
namespace {

// libftdi's codes for a control transfer that failed, per call.
constexpr int kBaudTransferFailed = -2;
constexpr int kLatencyTransferFailed = -2;
constexpr int kTransferFailed = -1;

class FakePort : public ftdi::UsbPort {
 public:
  explicit FakePort(std::shared_ptr<FakeChip> chip) : chip_(std::move(chip)) {
    ++chip_->open_handles;
  }
  ~FakePort() override { --chip_->open_handles; }

  int set_baudrate(int baud) override {
    return control("set_baudrate " + std::to_string(baud), "set_baudrate", kBaudTransferFailed);
  }
  int set_bitmode(std::uint8_t mask, std::uint8_t mode) override {
    char text[32];
    std::snprintf(text, sizeof text, "set_bitmode %02x/%d", mask, mode);
    return control(text, "set_bitmode", kTransferFailed);
  }
  int set_read_chunksize(unsigned size) override {
    return control("read_chunksize " + std::to_string(size), "read_chunksize", 0);
  }
  int set_write_chunksize(unsigned size) override {
    return control("write_chunksize " + std::to_string(size), "write_chunksize", 0);
  }
  int set_latency_timer(std::uint8_t ms) override {
    return control("latency " + std::to_string(ms), "latency", kLatencyTransferFailed);
  }
  int read_pins(std::uint8_t* pins) override {
    const int code = control("read_pins", "read_pins", kTransferFailed);
    if (code == 0) *pins = chip_->pins;
    return code;
  }
  int write_data(const std::uint8_t* data, int size) override {
    const int code = control("write " + std::to_string(size), "write", kTransferFailed);
    if (code != 0) return code;
    chip_->written.insert(chip_->written.end(), data, data + size);
    return size;
  }
  int read_data(std::uint8_t* data, int size) override {
    if (const int code = chip_->scripted("read")) return code;
    if (!chip_->plugged) return LIBUSB_ERROR_NO_DEVICE;
    kd71::clock::spend(chip_->read_seconds);
    const int n = static_cast<int>(std::min<std::size_t>(size, chip_->landed()));
    for (int i = 0; i < n; ++i) {
      data[i] = chip_->arrivals.front().second;
      chip_->arrivals.pop_front();
    }
    return n;
  }
  int tciflush() override { return flush("tciflush", true, false); }
  int tcoflush() override { return flush("tcoflush", false, true); }
  int tcioflush() override { return flush("tcioflush", true, true); }
  int check_attached() override { return chip_->plugged ? 0 : LIBUSB_ERROR_NO_DEVICE; }
  int reset_port() override {
    if (const int code = chip_->scripted("reset_port")) return code;
    if (!chip_->plugged) return LIBUSB_ERROR_NO_DEVICE;
    chip_->log.push_back("reset_port");
    ++chip_->usb.identity;  // it enumerates again
    return LIBUSB_ERROR_NOT_FOUND;
  }
  std::string error_text() const override { return "fake failure"; }

 private:
  // A control request: `failed` is what libftdi returns when its transfer
  // fails, as it does on an unplugged chip.
  int control(const std::string& entry, const std::string& call, int failed) {
    if (const int code = chip_->scripted(call)) return code;
    if (!chip_->plugged) return failed;
    chip_->log.push_back(entry);
    return 0;
  }

  int flush(const std::string& call, bool rx, bool tx) {
    const int code = control(call, call, kTransferFailed);
    if (code != 0 || !rx) return code;
    (void)tx;
    const std::size_t gone = chip_->landed();
    chip_->arrivals.erase(chip_->arrivals.begin(), chip_->arrivals.begin() + gone);
    const double now = kd71::clock::now();
    for (auto it = chip_->in_flight.rbegin(); it != chip_->in_flight.rend(); ++it)
      chip_->arrivals.emplace_front(now, *it);
    chip_->in_flight.clear();
    return 0;
  }

  std::shared_ptr<FakeChip> chip_;
};

}  // namespace

void FakeChip::send(const std::vector<std::uint8_t>& bytes) { send_later(0.0, bytes); }

void FakeChip::send_later(double delay, const std::vector<std::uint8_t>& bytes) {
  const double at = kd71::clock::now() + delay;
  for (std::uint8_t b : bytes) arrivals.emplace_back(at, b);
}

std::size_t FakeChip::landed() const {
  const double now = kd71::clock::now();
  std::size_t n = 0;
  while (n < arrivals.size() && arrivals[n].first <= now) ++n;
  return n;
}

int FakeChip::scripted(const std::string& call) {
  auto it = fail_next.find(call);
  if (it == fail_next.end() || it->second.empty()) return 0;
  const int code = it->second.front();
  it->second.pop_front();
  return code;
}

std::shared_ptr<FakeChip> FakeBus::plug(const std::string& description, const std::string& serial,
                                        std::uint8_t port) {
  auto chip = std::make_shared<FakeChip>();
  chip->usb.identity = next_identity_;
  next_identity_ += 0x10;
  chip->usb.vendor = 0x0403;
  chip->usb.product = 0x6001;
  chip->usb.release = 0x0600;
  chip->usb.bus = 1;
  chip->usb.address = static_cast<std::uint8_t>(chips_.size() + 2);
  chip->usb.ports = {1, port};
  chip->description = description;
  chip->serial = serial;
  chips_.push_back(chip);
  return chip;
}

void FakeBus::unplug(const std::shared_ptr<FakeChip>& chip) {
  chip->plugged = false;
  std::erase(chips_, chip);
}

int FakeBus::find_all(std::vector<ftdi::UsbDevice>& out) {
  listed_ = chips_;
  out.clear();
  for (const auto& chip : listed_) out.push_back(chip->usb);
  return static_cast<int>(out.size());
}

int FakeBus::get_strings(std::size_t index, std::string& description, std::string& serial) {
  FakeChip& chip = *listed_.at(index);
  ++chip.strings_reads;
  if (!chip.plugged) return -4;
  if (chip.strings_code != 0) return chip.strings_code;
  description = chip.description;
  serial = chip.serial;
  return 0;
}

int FakeBus::probe_open(std::size_t index) {
  const FakeChip& chip = *listed_.at(index);
  return chip.plugged ? chip.probe_code : LIBUSB_ERROR_NO_DEVICE;
}

bool FakeBus::sysfs_strings(std::size_t index, std::string& description, std::string& serial) {
  const FakeChip& chip = *listed_.at(index);
  if (!chip.sysfs_readable) return false;
  description = chip.sysfs_description.empty() ? chip.description : chip.sysfs_description;
  serial = chip.serial;
  return true;
}

int FakeBus::open(std::size_t index, std::unique_ptr<ftdi::UsbPort>& port) {
  const auto& chip = listed_.at(index);
  if (!chip->plugged) return -4;
  if (chip->open_code != 0) {
    error_ = "fake open failure";
    return chip->open_code;
  }
  chip->log.push_back("open");
  port = std::make_unique<FakePort>(chip);
  return 0;
}

}  // namespace kd71::test
