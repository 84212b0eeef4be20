#include "tests/platform/bridge/emulated_chip/ftdi_chip.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/os/clock.h"

namespace kd71::test {
namespace {

// The chip's vendor requests (bmRequestType 0x40 out, 0xC0 in).
constexpr int kReset = 0x00;  // value 0: reset, 1: empty the host's FIFO, 2: empty the chip's
constexpr int kEmptyHostsFifo = 1;
constexpr int kSetBaudRate = 0x03;
constexpr int kSetLatency = 0x09;
constexpr int kGetLatency = 0x0A;
constexpr int kSetBitMode = 0x0B;  // value: mode << 8 | direction mask
constexpr int kReadPins = 0x0C;
constexpr int kGetDescriptor = 0x06;
constexpr int kStringDescriptor = 0x03;

constexpr int kSetupBytes = 8;
constexpr int kPacket = 64;
constexpr int kStatusBytes = 2;
// Modem status and line status of an idle FT232R: the two bytes that lead
// every packet it sends.
constexpr std::uint8_t kModemStatus = 0x01;
constexpr std::uint8_t kLineStatus = 0x60;
constexpr std::uint8_t kBulkIn = 0x81;
constexpr std::uint8_t kBulkOut = 0x02;
constexpr const char* kSerialDriver = "ftdi_sio";
constexpr const char* kUserDriver = "usbfs";
// A UART byte: start bit, eight data bits, stop bit.
constexpr double kBitsPerByte = 10;
constexpr double kPowerUpBaud = 9600;

// The UART rate the divisor of a SET_BAUDRATE request gives: 3 MHz over an
// integer part (14 bits) and one of eight eighths (3 bits over value and index).
long baud_of(int value, int index) {
  static constexpr double kEighths[8] = {0, 0.5, 0.25, 0.125, 0.375, 0.625, 0.75, 0.875};
  const int integer = value & 0x3FFF;
  const int fraction = ((value >> 14) & 0x3) | ((index & 0x1) << 2);
  if (integer == 0 && fraction == 0) return 3000000;
  if (integer == 1 && fraction == 0) return 2000000;
  return static_cast<long>(3000000.0 / (integer + kEighths[fraction]) + 0.5);
}

std::string hex(int byte) {
  char text[4];
  std::snprintf(text, sizeof text, "%02x", byte & 0xFF);
  return text;
}

}  // namespace

FtdiChip::FtdiChip(std::string description, std::string serial, bool board)
    : description_(std::move(description)),
      serial_(std::move(serial)),
      has_board_(board),
      handler_(umockdev_ioctl_base_new()) {
  g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(on_ioctl), this);
}

FtdiChip::~FtdiChip() {
  g_signal_handlers_disconnect_by_data(handler_, this);
  for (auto& [client, urbs] : done_)
    for (UMockdevIoctlData* urb : urbs) g_object_unref(urb);
  g_object_unref(handler_);
}

void FtdiChip::power_up() {
  std::lock_guard lock(mutex_);
  plugged_ = true;
  pulled_ = refused_ = false;
  driver_ = kSerialDriver;
  latency_ms_ = 16;
  byte_seconds_ = kBitsPerByte / kPowerUpBaud;
  uart_.clear();
  if (!has_board_) return;
  // A board plugged in powers up afresh.
  bus_ = std::make_unique<kd71::sim::SimBus>(kd71::sim::Scenario{});
  std::vector<kd71::bridge::DeviceInfo> list;
  bus_->list_devices(list);
  bus_->open(0, &token_);
}

bool FtdiChip::unplug(double seconds) {
  {
    std::lock_guard lock(mutex_);
    pulled_ = true;
    refused_ = false;
  }
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (; std::chrono::steady_clock::now() < give_up;
       std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
    std::lock_guard lock(mutex_);
    if (refused_) return true;
  }
  std::lock_guard lock(mutex_);
  plugged_ = pulled_ = false;
  return refused_;
}

std::vector<std::string> FtdiChip::log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

std::vector<std::uint8_t> FtdiChip::delivered() const {
  std::lock_guard lock(mutex_);
  return delivered_;
}

std::uint64_t FtdiChip::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void FtdiChip::inspect(const std::function<void(kd71::sim::SimBoard&)>& look) {
  std::lock_guard lock(mutex_);
  if (bus_) look(*bus_->board(0));
}

// ---- usbdevfs ---------------------------------------------------------------

gboolean FtdiChip::on_ioctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  auto* chip = static_cast<FtdiChip*>(self);
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  const int result = chip->ioctl(client, request, umockdev_ioctl_client_get_arg(client));
  if (result == -ENOTTY) return FALSE;  // not the chip's: umockdev answers
  umockdev_ioctl_client_complete(client, result < 0 ? -1 : result, result < 0 ? -result : 0);
  return TRUE;
}

int FtdiChip::ioctl(UMockdevIoctlClient* client, unsigned long request, UMockdevIoctlData* arg) {
  std::lock_guard lock(mutex_);
  ++requests_;
  // The kernel answers every request on a vanished device so, except that
  // transfers completed before are still reaped.
  if (pulled_) plugged_ = pulled_ = false;
  const bool reaping = request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY;
  if (!plugged_ && !(reaping && !done_[client].empty())) return refused_ = true, -ENODEV;
  switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
      UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(std::uint32_t), nullptr);
      const std::uint32_t bits = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                 USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                 USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
      std::memcpy(caps->data, &bits, sizeof bits);
      g_object_unref(caps);
      return 0;
    }
    case USBDEVFS_GETDRIVER: {
      if (driver_.empty()) return -ENODATA;
      UMockdevIoctlData* get =
          umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_getdriver), nullptr);
      auto* d = reinterpret_cast<usbdevfs_getdriver*>(get->data);
      std::snprintf(d->driver, sizeof d->driver, "%s", driver_.c_str());
      g_object_unref(get);
      return 0;
    }
    case USBDEVFS_IOCTL: {  // only the request to unbind the kernel's driver
      UMockdevIoctlData* call = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_ioctl), nullptr);
      const int code = reinterpret_cast<usbdevfs_ioctl*>(call->data)->ioctl_code;
      g_object_unref(call);
      if (code != static_cast<int>(USBDEVFS_DISCONNECT)) return -ENOTTY;
      if (driver_.empty() || driver_ == kUserDriver) return -ENODATA;
      note("detach " + driver_);
      driver_.clear();
      return 0;
    }
    case USBDEVFS_CLAIMINTERFACE:
      if (!driver_.empty() && driver_ != kUserDriver) return -EBUSY;
      driver_ = kUserDriver;
      note("claim");
      return 0;
    case USBDEVFS_RELEASEINTERFACE:
      if (driver_ == kUserDriver) driver_.clear();
      return 0;
    case USBDEVFS_SETCONFIGURATION:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESETEP:
      return 0;
    case USBDEVFS_RESET:
      note("port reset");
      return 0;
    case USBDEVFS_SUBMITURB:
      return submit(client, arg);
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
      return reap(client, arg);
    case USBDEVFS_DISCARDURB:
      return -EINVAL;  // every transfer completes at once: none is left to discard
    default:
      return -ENOTTY;
  }
}

int FtdiChip::submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
  UMockdevIoctlData* urb_data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
  auto* urb = reinterpret_cast<usbdevfs_urb*>(urb_data->data);
  UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
      urb_data, offsetof(usbdevfs_urb, buffer), static_cast<std::size_t>(urb->buffer_length),
      nullptr);
  auto* bytes = buffer ? buffer->data : nullptr;
  int actual = 0;
  urb->status = 0;
  if (urb->type == USBDEVFS_URB_TYPE_CONTROL && urb->buffer_length >= kSetupBytes) {
    const int n = control(bytes, bytes + kSetupBytes, urb->buffer_length - kSetupBytes);
    if (n < 0)
      urb->status = n;
    else
      actual = n;
  } else if (urb->type == USBDEVFS_URB_TYPE_BULK && urb->endpoint == kBulkIn) {
    actual = bulk_in(bytes, urb->buffer_length);
  } else if (urb->type == USBDEVFS_URB_TYPE_BULK && urb->endpoint == kBulkOut) {
    bulk_out(bytes, urb->buffer_length);
    actual = urb->buffer_length;
  } else {
    urb->status = -EPIPE;
  }
  urb->actual_length = actual;
  if (buffer) g_object_unref(buffer);
  done_[client].push_back(urb_data);  // reaped with the next REAPURB
  return 0;
}

int FtdiChip::reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
  auto& queue = done_[client];
  if (queue.empty()) return -EAGAIN;
  UMockdevIoctlData* urb = queue.front();
  queue.pop_front();
  UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
  umockdev_ioctl_data_set_ptr(slot, 0, urb);  // the slot keeps the transfer until it is written
  g_object_unref(urb);
  g_object_unref(slot);
  return 0;
}

// ---- The chip ---------------------------------------------------------------

int FtdiChip::control(const std::uint8_t* setup, std::uint8_t* data, int room) {
  const int type = setup[0], request = setup[1];
  const int value = setup[2] | setup[3] << 8, index = setup[4] | setup[5] << 8;
  const int length = std::min<int>(setup[6] | setup[7] << 8, room);
  if (type == 0x80 && request == kGetDescriptor && (value >> 8) == kStringDescriptor)
    return string_descriptor(value & 0xFF, data, length);
  if (type == 0x40) {
    if (request == kSetBaudRate) {
      const long baud = baud_of(value, index);
      byte_seconds_ = kBitsPerByte / static_cast<double>(baud);
      note("baud " + std::to_string(baud));
      return 0;
    }
    return vendor_out(request, value);
  }
  if (type == 0xC0 && request == kReadPins && length >= 1) {
    note("pins");
    UCHAR pins = 0;
    if (bus_) bus_->get_bit_mode(token_, &pins);
    data[0] = pins;
    return 1;
  }
  if (type == 0xC0 && request == kGetLatency && length >= 1) {
    data[0] = latency_ms_;
    return 1;
  }
  return -EPIPE;
}

int FtdiChip::vendor_out(int request, int value) {
  switch (request) {
    case kReset:
      note("reset " + std::to_string(value));
      if (bus_ && value != kEmptyHostsFifo) {  // the others empty what the chip holds
        bus_->purge(token_, FT_PURGE_RX);
        uart_.clear();
      }
      return 0;
    case kSetLatency:
      latency_ms_ = static_cast<std::uint8_t>(value);
      note("latency " + std::to_string(value));
      return 0;
    case kSetBitMode: {
      const auto mask = static_cast<UCHAR>(value & 0xFF), mode = static_cast<UCHAR>(value >> 8);
      note("bitmode " + hex(mask) + "/" + std::to_string(mode));
      if (bus_) bus_->set_bit_mode(token_, mask, mode);
      return 0;
    }
    default:  // modem and flow control, character format: no bearing on the board
      return request <= 0x07 ? 0 : -EPIPE;
  }
}

void FtdiChip::listen() {
  if (!bus_) return;
  DWORD waiting = 0, tx = 0, events = 0;
  bus_->get_status(token_, &waiting, &tx, &events);
  std::vector<UCHAR> sent(waiting);
  DWORD got = 0;
  if (waiting > 0) bus_->read(token_, sent.data(), waiting, &got);
  double due = std::max(kd71::clock::now(), uart_.empty() ? 0.0 : uart_.back().first);
  for (DWORD i = 0; i < got; ++i) uart_.emplace_back(due += byte_seconds_, sent[i]);
}

int FtdiChip::bulk_in(std::uint8_t* buffer, int length) {
  note("in " + std::to_string(length));
  listen();
  const double now = kd71::clock::now();
  int filled = 0;
  while (length - filled >= kStatusBytes) {
    buffer[filled++] = kModemStatus;
    buffer[filled++] = kLineStatus;
    int data = 0;
    for (; data < kPacket - kStatusBytes && filled < length && !uart_.empty() &&
           uart_.front().first <= now;
         ++data, uart_.pop_front())
      delivered_.push_back(buffer[filled++] = uart_.front().second);
    // A short packet ends the transfer; after a full one the chip sends a
    // status-only packet when its latency timer runs out.
    if (data < kPacket - kStatusBytes) break;
  }
  return filled;
}

void FtdiChip::bulk_out(const std::uint8_t* data, int length) {
  note("out " + std::to_string(length));
  if (!bus_ || length <= 0) return;
  DWORD written = 0;
  bus_->write(token_, data, static_cast<DWORD>(length), &written);
  listen();  // what the board answers starts on its way at once
}

int FtdiChip::string_descriptor(int index, std::uint8_t* data, int room) {
  note("string " + std::to_string(index));
  std::vector<std::uint8_t> d;
  if (index == 0) {
    d = {4, kStringDescriptor, 0x09, 0x04};  // English (US)
  } else {
    if (index > 3) return -EPIPE;
    const std::string text = index == 1 ? "FTDI" : index == 2 ? description_ : serial_;
    d = {static_cast<std::uint8_t>(2 + 2 * text.size()), kStringDescriptor};
    for (char c : text) d.insert(d.end(), {static_cast<std::uint8_t>(c), 0});
  }
  const int n = std::min<int>(room, static_cast<int>(d.size()));
  std::memcpy(data, d.data(), static_cast<std::size_t>(n));
  return n;
}

}  // namespace kd71::test
