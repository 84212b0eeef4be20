#include "platform/bridge/ftdi_backend.h"

#include <algorithm>
#include <climits>

namespace kd71::ftdi {
namespace {

using bridge::DeviceInfo;

// bcdDevice of each chip generation, as libftdi tells them apart.
constexpr std::uint16_t kReleaseAM = 0x0200;
constexpr std::uint16_t kReleaseBM = 0x0400;
constexpr std::uint16_t kRelease2232C = 0x0500;
constexpr std::uint16_t kRelease232R = 0x0600;

// The highest bit mode the chips know; each mode is one bit.
constexpr UCHAR kHighestBitMode = 0x40;

ULONG device_type(std::uint16_t release) {
  switch (release) {
    case kReleaseAM:
      return FT_DEVICE_AM;
    case kReleaseBM:
      return FT_DEVICE_BM;
    case kRelease2232C:
      return FT_DEVICE_2232C;
    case kRelease232R:
      return FT_DEVICE_232R;
    default:
      return FT_DEVICE_UNKNOWN;
  }
}

// The bus number, then one hex digit per port from the root hub down:
// bus 1, ports 1.2 give 0x112.
DWORD location_id(const UsbDevice& usb) {
  DWORD id = usb.bus;
  for (std::uint8_t port : usb.ports) {
    if (id > (DWORD{0xFFFFFFFF} >> 4)) break;
    id = (id << 4) | (port & 0x0Fu);
  }
  return id;
}

bool known_bit_mode(UCHAR mode) {
  return mode == FT_BITMODE_RESET || (mode <= kHighestBitMode && (mode & (mode - 1)) == 0);
}

bool valid_transfer_size(ULONG size) {
  return size >= kTransferGranule && size <= kMaxTransferSize && size % kTransferGranule == 0;
}

ChipRead chip_of(UsbPort& port) {
  return [&port](std::uint8_t* data, int size) { return port.read_data(data, size); };
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

FtdiBackend::FtdiBackend(std::unique_ptr<UsbBus> bus, Notices::Sink sink)
    : bus_(std::move(bus)), notices_(std::move(sink)) {}

// The ports' handles belong to the bus's USB session: close them first.
FtdiBackend::~FtdiBackend() { open_.clear(); }

FtdiBackend::OpenDevice* FtdiBackend::find(int token) {
  auto it = open_.find(token);
  return it == open_.end() ? nullptr : &it->second;
}

int FtdiBackend::held_token(std::uintptr_t identity) const {
  for (const auto& [token, device] : open_)
    if (device.port && device.usb.identity == identity) return token;
  return -1;
}

std::string FtdiBackend::failure_text(LibCall call, int code, const std::string& error) const {
  std::string text = std::string(call_name(call)) + ": " + code_text(call, code);
  if (!error.empty()) text += ", " + error;
  return text;
}

std::string FtdiBackend::device_text(const UsbDevice& usb, const std::string& description) const {
  return "USB device " + (description.empty() ? std::string() : quoted(description) + " ") + "at " +
         where(usb);
}

// ---- Device list --------------------------------------------------------------

FtdiBackend::StringSource FtdiBackend::read_strings(std::size_t bus_index, const UsbDevice& usb,
                                                    Strings& strings) {
  const int code = bus_->get_strings(bus_index, strings.description, strings.serial);
  if (code == 0) return StringSource::Device;

  Outcome outcome = classify(LibCall::GetStrings, code);
  std::string failure = failure_text(LibCall::GetStrings, code, bus_->error_text());
  if (outcome == Outcome::OpenFailed) {
    const int reason = bus_->probe_open(bus_index);
    outcome = classify(LibCall::ProbeOpen, reason);
    failure += "; " + failure_text(LibCall::ProbeOpen, reason, "");
  }
  if (outcome == Outcome::DeviceGone) return StringSource::Gone;

  // Listed all the same, with the strings the kernel shows everyone, so a
  // board this user may not open is reported rather than taken for absent.
  strings = {};
  bus_->sysfs_strings(bus_index, strings.description, strings.serial);
  if (outcome == Outcome::NoPermission) {
    strings.access_problem = permission_line(usb, strings.description, failure);
    if (strings.description.empty() || describes_board(strings.description))
      notices_.once(usb.identity, "access", strings.access_problem);
  } else {
    notices_.once(usb.identity, "strings",
                  "kd71: cannot read the strings of " + device_text(usb, strings.description) +
                      " (" + failure + ")");
  }
  return StringSource::Sysfs;
}

FT_STATUS FtdiBackend::list_devices(std::vector<DeviceInfo>& out) {
  std::vector<UsbDevice> found;
  const int code = bus_->find_all(found);
  if (code < 0) {
    notices_.once(0, "list",
                  "kd71: cannot list the USB devices (" +
                      failure_text(LibCall::FindAll, code, bus_->error_text()) + ")");
    return to_ft_status(LibCall::FindAll, classify(LibCall::FindAll, code));
  }
  notices_.forget(0, "list");

  std::vector<std::uintptr_t> attached;
  for (const UsbDevice& usb : found) attached.push_back(usb.identity);
  for (auto& [token, device] : open_) {
    if (!device.port || std::count(attached.begin(), attached.end(), device.usb.identity)) continue;
    notices_.once(
        device.usb.identity, "gone",
        "kd71: lost " + device_text(device.usb, device.info.description) + ": no longer attached");
    release(device);
  }

  std::map<std::uintptr_t, Strings> strings;
  listed_.clear();
  for (std::size_t i = 0; i < found.size(); ++i) {
    const UsbDevice& usb = found[i];
    Listed entry{i, usb, {}};
    entry.info.location = where(usb);
    if (const int token = held_token(usb.identity); token >= 0) {
      // Ours: listed with the strings read before it was opened.
      entry.info = open_.at(token).info;
      entry.info.open_token = token;
      entry.info.location = where(usb);
      listed_.push_back(entry);
      continue;
    }
    Strings s;
    if (auto cached = strings_.find(usb.identity); cached != strings_.end()) {
      s = cached->second;
      strings[usb.identity] = s;
    } else {
      const StringSource source = read_strings(i, usb, s);
      if (source == StringSource::Gone) continue;
      if (source == StringSource::Device) strings[usb.identity] = s;
    }
    entry.info.flags = usb.high_speed ? ULONG{FT_FLAGS_HISPEED} : ULONG{0};
    entry.info.type = device_type(usb.release);
    entry.info.id = (ULONG{usb.vendor} << 16) | usb.product;
    entry.info.loc_id = location_id(usb);
    entry.info.description = s.description;
    entry.info.serial = s.serial;
    entry.info.access_problem = s.access_problem;
    listed_.push_back(entry);
  }
  strings_ = std::move(strings);
  notices_.keep_only(attached);

  out.clear();
  for (const Listed& entry : listed_) out.push_back(entry.info);
  return FT_OK;
}

// ---- Open and close -----------------------------------------------------------

FT_STATUS FtdiBackend::open(unsigned index, int* token) {
  if (index >= listed_.size()) return FT_DEVICE_NOT_FOUND;
  const Listed& entry = listed_[index];
  if (held_token(entry.usb.identity) >= 0) return FT_DEVICE_NOT_OPENED;

  std::unique_ptr<UsbPort> port;
  const int code = bus_->open(entry.bus_index, port);
  if (code != 0 || !port) {
    Outcome outcome = classify(LibCall::OpenDev, code);
    std::string failure = failure_text(LibCall::OpenDev, code, bus_->error_text());
    if (outcome == Outcome::OpenFailed) {
      const int reason = bus_->probe_open(entry.bus_index);
      outcome = classify(LibCall::ProbeOpen, reason);
      failure += "; " + failure_text(LibCall::ProbeOpen, reason, "");
    }
    report_open_failure(entry, outcome, failure);
    return to_ft_status(LibCall::OpenDev, outcome);
  }

  notices_.forget_device(entry.usb.identity);
  const int t = next_token_++;
  OpenDevice& device = open_[t];
  device.port = std::move(port);
  device.usb = entry.usb;
  device.info = entry.info;
  *token = t;
  return FT_OK;
}

void FtdiBackend::report_open_failure(const Listed& entry, Outcome outcome,
                                      const std::string& failure) {
  const std::string device = device_text(entry.usb, entry.info.description);
  switch (outcome) {
    case Outcome::DeviceGone:
      return;  // unplugged meanwhile: the next list no longer shows it
    case Outcome::NoPermission:
      notices_.once(entry.usb.identity, "access",
                    permission_line(entry.usb, entry.info.description, failure));
      return;
    case Outcome::InUse:
      notices_.once(entry.usb.identity, "open",
                    "kd71: cannot open " + device +
                        ": another program or a kernel driver holds it (" + failure + ")");
      return;
    default:
      notices_.once(entry.usb.identity, "open",
                    "kd71: cannot open " + device + " (" + failure + ")");
      return;
  }
}

FT_STATUS FtdiBackend::close(int token) {
  if (!find(token)) return FT_INVALID_HANDLE;
  open_.erase(token);  // the port's destructor releases the interface and the handle
  return FT_OK;
}

// ---- Calls on an open device --------------------------------------------------

FT_STATUS FtdiBackend::usable(int token, OpenDevice*& device) {
  device = find(token);
  if (!device) return FT_INVALID_HANDLE;
  return device->port ? FT_OK : FT_DEVICE_NOT_FOUND;
}

FT_STATUS FtdiBackend::result(OpenDevice& device, LibCall call, int code) {
  return code >= 0 ? FT_OK : failed(device, call, code);
}

FT_STATUS FtdiBackend::failed(OpenDevice& device, LibCall call, int code) {
  Outcome outcome = classify(call, code);
  std::string failure = failure_text(call, code, device.port->error_text());
  // libftdi reports a failed transfer the same whether or not the device is
  // still there, with its guess at the cause ("Perhaps not a BM/2232C type
  // chip?" for an unplugged board); libusb tells.
  if (outcome == Outcome::TransferFailed) {
    const int attached = device.port->check_attached();
    if (classify(LibCall::CheckAttached, attached) == Outcome::DeviceGone) {
      outcome = Outcome::DeviceGone;
      failure = failure_text(call, code, "") + "; " +
                failure_text(LibCall::CheckAttached, attached, "");
    }
  }
  const std::string what = device_text(device.usb, device.info.description);
  if (outcome == Outcome::DeviceGone) {
    notices_.once(device.usb.identity, "gone", "kd71: lost " + what + " (" + failure + ")");
    release(device);
  } else {
    notices_.once(device.usb.identity, call_name(call), "kd71: " + failure + " on " + what);
  }
  return to_ft_status(call, outcome);
}

void FtdiBackend::release(OpenDevice& device) {
  device.port.reset();
  device.rx.clear();
  device.bitbang = false;
}

FT_STATUS FtdiBackend::set_baud_rate(int token, ULONG baud) {
  OpenDevice* device = nullptr;
  if (const FT_STATUS status = usable(token, device); status != FT_OK) return status;
  if (baud == 0 || baud > kMaxBaudRate) return FT_INVALID_BAUD_RATE;
  // libftdi sends the divisor for four times the rate while bit-bang mode is
  // on; the chip gets the divisor of the rate asked for in either order.
  const ULONG rate = device->bitbang ? (baud + kBitbangRateFactor / 2) / kBitbangRateFactor : baud;
  return result(*device, LibCall::SetBaudrate, device->port->set_baudrate(static_cast<int>(rate)));
}

FT_STATUS FtdiBackend::set_bit_mode(int token, UCHAR mask, UCHAR mode) {
  OpenDevice* device = nullptr;
  if (const FT_STATUS status = usable(token, device); status != FT_OK) return status;
  if (!known_bit_mode(mode)) return FT_INVALID_PARAMETER;
  const int code = device->port->set_bitmode(mask, mode);
  if (code >= 0) device->bitbang = mode != FT_BITMODE_RESET;
  return result(*device, LibCall::SetBitmode, code);
}

FT_STATUS FtdiBackend::set_usb_parameters(int token, ULONG in_size, ULONG out_size) {
  OpenDevice* device = nullptr;
  if (const FT_STATUS status = usable(token, device); status != FT_OK) return status;
  // 0 leaves the out size as it is.
  if (!valid_transfer_size(in_size) || (out_size != 0 && !valid_transfer_size(out_size)))
    return FT_INVALID_PARAMETER;
  // libftdi forgets the bytes it holds when the read size changes; the
  // program sets it once, right after opening, when only pin samples wait.
  int code = device->port->set_read_chunksize(in_size);
  if (code >= 0 && out_size != 0) code = device->port->set_write_chunksize(out_size);
  return result(*device, LibCall::SetChunksize, code);
}

FT_STATUS FtdiBackend::set_latency_timer(int token, UCHAR ms) {
  OpenDevice* device = nullptr;
  if (const FT_STATUS status = usable(token, device); status != FT_OK) return status;
  return result(*device, LibCall::SetLatency, device->port->set_latency_timer(ms));
}

FT_STATUS FtdiBackend::get_bit_mode(int token, UCHAR* pins) {
  OpenDevice* device = nullptr;
  if (const FT_STATUS status = usable(token, device); status != FT_OK) return status;
  std::uint8_t sample = 0;
  const int code = device->port->read_pins(&sample);
  if (code >= 0) *pins = sample;
  return result(*device, LibCall::ReadPins, code);
}

FT_STATUS FtdiBackend::write(int token, const UCHAR* data, DWORD size, DWORD* written) {
  OpenDevice* device = nullptr;
  if (const FT_STATUS status = usable(token, device); status != FT_OK) return status;
  *written = 0;
  if (size == 0) return FT_OK;
  if (size > static_cast<DWORD>(INT_MAX)) return FT_INVALID_PARAMETER;
  const int code = device->port->write_data(data, static_cast<int>(size));
  if (code >= 0) *written = static_cast<DWORD>(code);
  return result(*device, LibCall::WriteData, code);
}

FT_STATUS FtdiBackend::get_status(int token, DWORD* rx, DWORD* tx, DWORD* events) {
  OpenDevice* device = nullptr;
  if (const FT_STATUS status = usable(token, device); status != FT_OK) return status;
  const int code = device->rx.top_up(chip_of(*device->port));
  const FT_STATUS status = result(*device, LibCall::ReadData, code);
  *rx = static_cast<DWORD>(device->rx.waiting());
  *tx = 0;  // libftdi's writes return once the chip has taken the bytes
  *events = 0;
  return status;
}

FT_STATUS FtdiBackend::read(int token, UCHAR* data, DWORD size, DWORD* got) {
  OpenDevice* device = nullptr;
  if (const FT_STATUS status = usable(token, device); status != FT_OK) return status;
  std::size_t count = 0;
  const int code = device->rx.read(data, size, &count, chip_of(*device->port));
  *got = static_cast<DWORD>(count);
  return result(*device, LibCall::ReadData, code);
}

FT_STATUS FtdiBackend::purge(int token, ULONG mask) {
  OpenDevice* device = nullptr;
  if (const FT_STATUS status = usable(token, device); status != FT_OK) return status;
  const bool rx = mask & FT_PURGE_RX;
  const bool tx = mask & FT_PURGE_TX;
  if (!rx && !tx) return FT_OK;
  if (rx) device->rx.clear();

  UsbPort& port = *device->port;
  const LibCall call = rx && tx ? LibCall::Tcioflush : rx ? LibCall::Tciflush : LibCall::Tcoflush;
  const int code = rx && tx ? port.tcioflush() : rx ? port.tciflush() : port.tcoflush();
  if (code < 0 || !rx) return result(*device, call, code);
  // Pin samples taken before the chip left bit-bang mode may still be on
  // their way; they go now, before the next poll, and never in FT_Read,
  // where they would stand for reply bytes.
  return result(*device, LibCall::ReadData, device->rx.drain(chip_of(port)));
}

FT_STATUS FtdiBackend::cycle_port(int token) {
  OpenDevice* device = nullptr;
  if (const FT_STATUS status = usable(token, device); status != FT_OK) return status;
  const int code = device->port->reset_port();
  const Outcome outcome = classify(LibCall::ResetPort, code);
  if (outcome != Outcome::Ok && outcome != Outcome::Reenumerated && outcome != Outcome::DeviceGone)
    return failed(*device, LibCall::ResetPort, code);
  // The device enumerates again and is found anew: this handle is done.
  release(*device);
  return to_ft_status(LibCall::ResetPort, outcome);
}

std::unique_ptr<bridge::Backend> make_ftdi_backend() {
  auto bus = make_libftdi_bus();
  if (!bus) return nullptr;
  return std::make_unique<FtdiBackend>(std::move(bus), stderr_sink());
}

}  // namespace kd71::ftdi
