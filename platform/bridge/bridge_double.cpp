#include "platform/bridge/bridge_double.h"

#include <algorithm>

namespace kd71::bridge {

const char* fn_name(Fn fn) {
  switch (fn) {
    case Fn::ListDevices:
      return "ListDevices";
    case Fn::Open:
      return "Open";
    case Fn::Close:
      return "Close";
    case Fn::SetBaudRate:
      return "SetBaudRate";
    case Fn::SetBitMode:
      return "SetBitMode";
    case Fn::SetUsbParameters:
      return "SetUSBParameters";
    case Fn::SetLatencyTimer:
      return "SetLatencyTimer";
    case Fn::GetBitMode:
      return "GetBitMode";
    case Fn::Write:
      return "Write";
    case Fn::GetStatus:
      return "GetStatus";
    case Fn::Read:
      return "Read";
    case Fn::Purge:
      return "Purge";
    case Fn::CyclePort:
      return "CyclePort";
  }
  return "?";
}

DeviceInfo instrument_device(const std::string& serial) {
  DeviceInfo info;
  info.flags = FT_FLAGS_HISPEED;
  info.type = FT_DEVICE_232R;
  info.id = 0x04036001;
  info.loc_id = 0x0211;
  info.serial = serial;
  info.description = "VORN_KD71_2CH";
  return info;
}

RecordingBridge::RecordingBridge() { devices.push_back(instrument_device()); }

void RecordingBridge::fail_next(Fn fn, FT_STATUS status, int times) {
  for (int i = 0; i < times; ++i) failures_[fn].push_back(status);
}

FT_STATUS RecordingBridge::scripted(Fn fn) {
  auto it = failures_.find(fn);
  if (it == failures_.end() || it->second.empty()) return FT_OK;
  const FT_STATUS status = it->second.front();
  it->second.pop_front();
  return status;
}

FT_STATUS RecordingBridge::record(Fn fn, std::vector<ULONG> args, std::vector<UCHAR> data) {
  RecordedCall call{fn, std::move(args), std::move(data), scripted(fn)};
  calls.push_back(call);
  return call.status;
}

std::vector<RecordedCall> RecordingBridge::calls_of(Fn fn) const {
  std::vector<RecordedCall> out;
  std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
               [fn](const RecordedCall& c) { return c.fn == fn; });
  return out;
}

std::vector<UCHAR> RecordingBridge::written_bytes() const {
  std::vector<UCHAR> out;
  for (const RecordedCall& c : calls)
    if (c.fn == Fn::Write && c.status == FT_OK) out.insert(out.end(), c.data.begin(), c.data.end());
  return out;
}

FT_STATUS RecordingBridge::list_devices(std::vector<DeviceInfo>& out) {
  const FT_STATUS status = record(Fn::ListDevices, {});
  if (status != FT_OK) return status;
  out = devices;
  for (auto& [token, index] : open_)
    if (index < out.size()) out[index].open_token = token;
  return FT_OK;
}

FT_STATUS RecordingBridge::open(unsigned index, int* token) {
  const FT_STATUS status = record(Fn::Open, {index});
  if (status != FT_OK) return status;
  if (index >= devices.size()) return FT_DEVICE_NOT_FOUND;
  *token = next_token_++;
  open_[*token] = index;
  return FT_OK;
}

FT_STATUS RecordingBridge::close(int token) {
  const FT_STATUS status = record(Fn::Close, {static_cast<ULONG>(token)});
  open_.erase(token);
  return status;
}

FT_STATUS RecordingBridge::set_baud_rate(int, ULONG baud) {
  return record(Fn::SetBaudRate, {baud});
}

FT_STATUS RecordingBridge::set_bit_mode(int, UCHAR mask, UCHAR mode) {
  return record(Fn::SetBitMode, {mask, mode});
}

FT_STATUS RecordingBridge::set_usb_parameters(int, ULONG in_size, ULONG out_size) {
  return record(Fn::SetUsbParameters, {in_size, out_size});
}

FT_STATUS RecordingBridge::set_latency_timer(int, UCHAR ms) {
  return record(Fn::SetLatencyTimer, {ms});
}

FT_STATUS RecordingBridge::get_bit_mode(int, UCHAR* out) {
  UCHAR sample = default_pins;
  if (!pins.empty()) {
    sample = pins.front();
    pins.pop_front();
  }
  const FT_STATUS status = record(Fn::GetBitMode, {}, {sample});
  if (status == FT_OK) *out = sample;
  return status;
}

FT_STATUS RecordingBridge::write(int, const UCHAR* data, DWORD size, DWORD* written) {
  const FT_STATUS status = record(Fn::Write, {size}, std::vector<UCHAR>(data, data + size));
  if (status != FT_OK) return status;
  *written = size;
  if (!replies.empty()) {
    rx.insert(rx.end(), replies.front().begin(), replies.front().end());
    replies.pop_front();
  }
  return FT_OK;
}

FT_STATUS RecordingBridge::get_status(int, DWORD* rx_count, DWORD* tx, DWORD* events) {
  DWORD count = static_cast<DWORD>(rx.size());
  if (!status_rx_override.empty()) {
    count = status_rx_override.front();
    status_rx_override.pop_front();
  }
  const FT_STATUS status = record(Fn::GetStatus, {count});
  if (status != FT_OK) return status;
  *rx_count = count;
  *tx = 0;
  *events = 0;
  return FT_OK;
}

FT_STATUS RecordingBridge::read(int, UCHAR* data, DWORD size, DWORD* got) {
  const DWORD n = std::min<DWORD>(size, static_cast<DWORD>(rx.size()));
  std::vector<UCHAR> bytes(rx.begin(), rx.begin() + n);
  const FT_STATUS status = record(Fn::Read, {size}, bytes);
  if (status != FT_OK) return status;
  std::copy(bytes.begin(), bytes.end(), data);
  rx.erase(rx.begin(), rx.begin() + n);
  *got = n;
  return FT_OK;
}

FT_STATUS RecordingBridge::purge(int, ULONG mask) {
  const FT_STATUS status = record(Fn::Purge, {mask});
  if (status == FT_OK && (mask & FT_PURGE_RX) && purge_empties_rx) rx.clear();
  return status;
}

FT_STATUS RecordingBridge::cycle_port(int) { return record(Fn::CyclePort, {}); }

}  // namespace kd71::bridge
