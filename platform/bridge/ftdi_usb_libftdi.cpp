// The bus and ports over libftdi1 1.5 and libusb-1.0: the only code that
// calls them. Each call hands back the library's result code unchanged.
#include <ftdi.h>
#include <libusb.h>

#include "platform/bridge/ftdi_status.h"
#include "platform/bridge/ftdi_sysfs.h"
#include "platform/bridge/ftdi_usb.h"

namespace kd71::ftdi {
namespace {

// libftdi waits 5 s for a transfer by default. A healthy chip answers a
// read within one latency period (at most 255 ms, 16 ms until the program
// sets 2 ms) and takes a write at once, so a dead board costs this instead.
constexpr int kUsbTimeoutMs = 300;
// Room for a string descriptor: at most 126 characters and the terminator.
constexpr int kStringBytes = 128;
// The deepest chain of hubs USB allows.
constexpr int kMaxPortDepth = 7;

struct ContextFree {
  void operator()(ftdi_context* ftdi) const { ftdi_free(ftdi); }
};
using Context = std::unique_ptr<ftdi_context, ContextFree>;

std::string error_of(ftdi_context* ftdi) {
  const char* text = ftdi_get_error_string(ftdi);
  return text ? text : "";
}

class LibftdiPort : public UsbPort {
 public:
  explicit LibftdiPort(Context ftdi) : ftdi_(std::move(ftdi)) {}
  // Releases the interface and closes the handle; the kernel's serial
  // driver stays detached until the board is plugged in again.
  ~LibftdiPort() override { ftdi_usb_close(ftdi_.get()); }

  int set_baudrate(int baud) override { return ftdi_set_baudrate(ftdi_.get(), baud); }
  int set_bitmode(std::uint8_t mask, std::uint8_t mode) override {
    return ftdi_set_bitmode(ftdi_.get(), mask, mode);
  }
  int set_read_chunksize(unsigned size) override {
    return ftdi_read_data_set_chunksize(ftdi_.get(), size);
  }
  int set_write_chunksize(unsigned size) override {
    return ftdi_write_data_set_chunksize(ftdi_.get(), size);
  }
  int set_latency_timer(std::uint8_t ms) override {
    return ftdi_set_latency_timer(ftdi_.get(), ms);
  }
  int read_pins(std::uint8_t* pins) override { return ftdi_read_pins(ftdi_.get(), pins); }
  int write_data(const std::uint8_t* data, int size) override {
    return ftdi_write_data(ftdi_.get(), data, size);
  }
  int read_data(std::uint8_t* data, int size) override {
    return ftdi_read_data(ftdi_.get(), data, size);
  }
  int tciflush() override { return ftdi_tciflush(ftdi_.get()); }
  int tcoflush() override { return ftdi_tcoflush(ftdi_.get()); }
  int tcioflush() override { return ftdi_tcioflush(ftdi_.get()); }
  // libftdi has no call for these two: they take its libusb handle.
  int check_attached() override {
    return libusb_kernel_driver_active(ftdi_->usb_dev, ftdi_->interface);
  }
  int reset_port() override { return libusb_reset_device(ftdi_->usb_dev); }
  std::string error_text() const override { return error_of(ftdi_.get()); }

 private:
  Context ftdi_;
};

class LibftdiBus : public UsbBus {
 public:
  explicit LibftdiBus(Context lister) : lister_(std::move(lister)) {}
  ~LibftdiBus() override { ftdi_list_free(&list_); }

  int find_all(std::vector<UsbDevice>& out) override {
    // The new list takes its references before the old one drops its own,
    // so a device in both keeps its identity.
    ftdi_device_list* fresh = nullptr;
    const int count = ftdi_usb_find_all(lister_.get(), &fresh, 0, 0);
    if (count < 0) {
      ftdi_list_free(&fresh);
      return count;
    }
    ftdi_list_free(&list_);
    list_ = fresh;
    devices_.clear();
    out.clear();
    for (ftdi_device_list* node = list_; node; node = node->next) {
      libusb_device_descriptor descriptor{};
      if (libusb_get_device_descriptor(node->dev, &descriptor) < 0) continue;
      UsbDevice usb;
      usb.identity = reinterpret_cast<std::uintptr_t>(node->dev);
      usb.vendor = descriptor.idVendor;
      usb.product = descriptor.idProduct;
      usb.release = descriptor.bcdDevice;
      usb.bus = libusb_get_bus_number(node->dev);
      usb.address = libusb_get_device_address(node->dev);
      std::uint8_t ports[kMaxPortDepth];
      const int depth = libusb_get_port_numbers(node->dev, ports, kMaxPortDepth);
      if (depth > 0) usb.ports.assign(ports, ports + depth);
      usb.high_speed = libusb_get_device_speed(node->dev) >= LIBUSB_SPEED_HIGH;
      devices_.push_back(node->dev);
      out.push_back(usb);
    }
    found_ = out;
    return static_cast<int>(out.size());
  }

  int get_strings(std::size_t index, std::string& description, std::string& serial) override {
    char desc[kStringBytes] = {};
    char serial_number[kStringBytes] = {};
    // Many adapters have no serial number, some no product string: libusb
    // refuses to read a string that is not there, and libftdi reports that
    // as a failed read. Only the strings the device has are asked for.
    libusb_device_descriptor d{};
    const bool known = libusb_get_device_descriptor(devices_.at(index), &d) == 0;
    const int code = ftdi_usb_get_strings2(
        lister_.get(), devices_.at(index), nullptr, 0, known && !d.iProduct ? nullptr : desc,
        kStringBytes, known && !d.iSerialNumber ? nullptr : serial_number, kStringBytes);
    last_error_ = code == 0 ? "" : error_of(lister_.get());
    // On one failure path libftdi returns with the device still open in the
    // lister context, where the next call would take it for its own device.
    if (lister_->usb_dev) ftdi_usb_close(lister_.get());
    if (code == 0) {
      description = desc;
      serial = serial_number;
    }
    return code;
  }

  int probe_open(std::size_t index) override {
    libusb_device_handle* handle = nullptr;
    const int code = libusb_open(devices_.at(index), &handle);
    if (code == 0) libusb_close(handle);
    return code;
  }

  bool sysfs_strings(std::size_t index, std::string& description, std::string& serial) override {
    return read_sysfs_strings(kSysfsUsbDevices, sysfs_name(found_.at(index)), description, serial);
  }

  int open(std::size_t index, std::unique_ptr<UsbPort>& port) override {
    Context ftdi(ftdi_new());
    if (!ftdi) {
      last_error_ = "ftdi_new failed";
      return kNoFtdiContext;
    }
    ftdi->usb_read_timeout = kUsbTimeoutMs;  // libftdi has no setter for these
    ftdi->usb_write_timeout = kUsbTimeoutMs;
    const int code = ftdi_usb_open_dev(ftdi.get(), devices_.at(index));
    if (code != 0) {
      last_error_ = error_of(ftdi.get());
      return code;  // freeing the context closes what the failed open left open
    }
    last_error_.clear();
    port = std::make_unique<LibftdiPort>(std::move(ftdi));
    return 0;
  }

  std::string error_text() const override { return last_error_; }

 private:
  Context lister_;  // its USB session owns the listed devices and the ports' handles
  ftdi_device_list* list_ = nullptr;
  std::vector<libusb_device*> devices_;
  std::vector<UsbDevice> found_;
  std::string last_error_;
};

}  // namespace

std::unique_ptr<UsbBus> make_libftdi_bus() {
  Context lister(ftdi_new());
  if (!lister) return nullptr;
  return std::make_unique<LibftdiBus>(std::move(lister));
}

}  // namespace kd71::ftdi
