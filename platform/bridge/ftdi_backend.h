// The bridge backend for real boards: the FT_* calls over libftdi1.
//
// It lists the attached FTDI devices with their strings, opens only the one
// it is asked for (the board link layer chooses it by description), and
// keeps, per open device, the receive queue FT_GetStatus reports. A device
// that is unplugged or reset turns every call on its handle into
// FT_DEVICE_NOT_FOUND until the handle is closed; when it comes back it is
// listed anew and can be opened again.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/bridge/bridge_backend.h"
#include "platform/bridge/ftdi_notices.h"
#include "platform/bridge/ftdi_read_ahead.h"
#include "platform/bridge/ftdi_status.h"
#include "platform/bridge/ftdi_usb.h"

namespace kd71::ftdi {

// The fastest rate of the FT232R's and FT232BM's baud-rate generator.
inline constexpr ULONG kMaxBaudRate = 3000000;
// libftdi multiplies the rate by this while bit-bang mode is on.
inline constexpr ULONG kBitbangRateFactor = 4;
// Transfer sizes the chip accepts: multiples of its 64-byte packets up to 64 KiB.
inline constexpr ULONG kTransferGranule = 64;
inline constexpr ULONG kMaxTransferSize = 64 * 1024;

class FtdiBackend : public bridge::Backend {
 public:
  FtdiBackend(std::unique_ptr<UsbBus> bus, Notices::Sink sink);
  ~FtdiBackend() override;

  const char* name() const override { return "libftdi1"; }
  FT_STATUS list_devices(std::vector<bridge::DeviceInfo>& out) override;
  FT_STATUS open(unsigned index, int* token) override;
  FT_STATUS close(int token) override;
  FT_STATUS set_baud_rate(int token, ULONG baud) override;
  FT_STATUS set_bit_mode(int token, UCHAR mask, UCHAR mode) override;
  FT_STATUS set_usb_parameters(int token, ULONG in_size, ULONG out_size) override;
  FT_STATUS set_latency_timer(int token, UCHAR ms) override;
  FT_STATUS get_bit_mode(int token, UCHAR* pins) override;
  FT_STATUS write(int token, const UCHAR* data, DWORD size, DWORD* written) override;
  FT_STATUS get_status(int token, DWORD* rx, DWORD* tx, DWORD* events) override;
  FT_STATUS read(int token, UCHAR* data, DWORD size, DWORD* got) override;
  FT_STATUS purge(int token, ULONG mask) override;
  FT_STATUS cycle_port(int token) override;

 private:
  struct Listed {
    std::size_t bus_index;  // position in the bus's latest enumeration
    UsbDevice usb;
    bridge::DeviceInfo info;
  };
  struct Strings {
    std::string description;
    std::string serial;
    std::string access_problem;  // this user may not open it: the line that says so
  };
  struct OpenDevice {
    std::unique_ptr<UsbPort> port;  // null once the device is gone
    UsbDevice usb;
    bridge::DeviceInfo info;  // as listed at open: it stays listed so while open
    ReadAhead rx;
    bool bitbang = false;  // as libftdi's own flag: set by a bit mode other than 0
  };

  enum class StringSource { Device, Sysfs, Gone };

  OpenDevice* find(int token);
  // The token of the open handle on a device, or -1.
  int held_token(std::uintptr_t identity) const;
  // The strings of a device not held open: from the device, or from sysfs
  // when the device cannot be opened; Gone when it went away meanwhile.
  StringSource read_strings(std::size_t bus_index, const UsbDevice& usb, Strings& strings);
  void report_open_failure(const Listed& entry, Outcome outcome, const std::string& failure);
  // FT_OK with `device` set when `token` names an open device still there.
  FT_STATUS usable(int token, OpenDevice*& device);
  FT_STATUS result(OpenDevice& device, LibCall call, int code);
  // Turns a failed call into its status, telling a lost device from a
  // failed transfer; a lost device's handle is released.
  FT_STATUS failed(OpenDevice& device, LibCall call, int code);
  // Releases the USB handle of a device that is gone or was reset.
  void release(OpenDevice& device);
  std::string failure_text(LibCall call, int code, const std::string& error) const;
  std::string device_text(const UsbDevice& usb, const std::string& description) const;

  std::unique_ptr<UsbBus> bus_;
  Notices notices_;
  std::vector<Listed> listed_;
  std::map<std::uintptr_t, Strings> strings_;  // of the devices listed last time
  std::map<int, OpenDevice> open_;             // declared after bus_: its ports go first
  int next_token_ = 1;
};

// The backend over libftdi1 and libusb, or nullptr when USB cannot be used
// at all on this machine.
std::unique_ptr<bridge::Backend> make_ftdi_backend();

}  // namespace kd71::ftdi
