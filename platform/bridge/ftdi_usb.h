// The few libftdi1 and libusb calls the USB bridge backend makes, behind a
// thin interface so that everything above them (status mapping, the
// read-ahead receive queue, the device list, failure reporting) runs in tests
// against a fake bus. Every call returns the library's own result code,
// unchanged; ftdi_status.h says what each code means.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kd71::ftdi {

// One attached FTDI device, as the bus enumeration reports it.
struct UsbDevice {
  // Stays the same while the device stays attached; a device that was
  // unplugged and plugged in again, or re-enumerated after a port reset,
  // gets a new one.
  std::uintptr_t identity = 0;
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  std::uint16_t release = 0;  // bcdDevice: tells the chip generation
  std::uint8_t bus = 0;
  std::uint8_t address = 0;
  std::vector<std::uint8_t> ports;  // port numbers from the root hub down
  bool high_speed = false;
};

// "1.2": port 1 of the root hub, then port 2 of the hub there.
std::string port_path(const UsbDevice& device);
// The kernel's name of a device under /sys/bus/usb/devices: "1-1.2".
std::string sysfs_name(const UsbDevice& device);

// One opened device: an ftdi context with its claimed interface.
class UsbPort {
 public:
  virtual ~UsbPort() = default;
  virtual int set_baudrate(int baud) = 0;                             // ftdi_set_baudrate
  virtual int set_bitmode(std::uint8_t mask, std::uint8_t mode) = 0;  // ftdi_set_bitmode
  virtual int set_read_chunksize(unsigned size) = 0;               // ftdi_read_data_set_chunksize
  virtual int set_write_chunksize(unsigned size) = 0;              // ftdi_write_data_set_chunksize
  virtual int set_latency_timer(std::uint8_t ms) = 0;              // ftdi_set_latency_timer
  virtual int read_pins(std::uint8_t* pins) = 0;                   // ftdi_read_pins
  virtual int write_data(const std::uint8_t* data, int size) = 0;  // ftdi_write_data
  virtual int read_data(std::uint8_t* data, int size) = 0;         // ftdi_read_data
  virtual int tciflush() = 0;                                      // ftdi_tciflush
  virtual int tcoflush() = 0;                                      // ftdi_tcoflush
  virtual int tcioflush() = 0;                                     // ftdi_tcioflush
  // libusb_kernel_driver_active on the interface: LIBUSB_ERROR_NO_DEVICE
  // once the device is gone. Used to tell a lost device from a failed
  // transfer, which libftdi's control calls report alike.
  virtual int check_attached() = 0;
  virtual int reset_port() = 0;                // libusb_reset_device
  virtual std::string error_text() const = 0;  // ftdi_get_error_string
};

class UsbBus {
 public:
  virtual ~UsbBus() = default;
  // ftdi_usb_find_all over libftdi's default list of FTDI products. Keeps
  // the devices referenced until the next enumeration; `index` below is a
  // position in the latest one.
  virtual int find_all(std::vector<UsbDevice>& out) = 0;
  // ftdi_usb_get_strings2: opens the device for a moment to read them.
  virtual int get_strings(std::size_t index, std::string& description, std::string& serial) = 0;
  // libusb_open and close again: tells why opening failed (LIBUSB_ERROR_ACCESS
  // for lack of permission), which libftdi's -4 does not.
  virtual int probe_open(std::size_t index) = 0;
  // The strings the kernel keeps readable to everyone in sysfs; false when
  // they cannot be read.
  virtual bool sysfs_strings(std::size_t index, std::string& description, std::string& serial) = 0;
  // ftdi_usb_open_dev with short transfer timeouts; `port` is set on success.
  virtual int open(std::size_t index, std::unique_ptr<UsbPort>& port) = 0;
  virtual std::string error_text() const = 0;
};

// The bus over libftdi1 and libusb, or nullptr when libusb cannot start.
std::unique_ptr<UsbBus> make_libftdi_bus();

}  // namespace kd71::ftdi
