// The FT_* calls: handle bookkeeping and argument checks in front of the
// installed backend.
//
// Handles are opaque values that are never 0 and never 1 (BADHANDLE); each
// open gets a value not used before, so a handle kept after its close or
// after the device went away is recognised as stale and refused.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>

#include "platform/bridge/bridge_backend.h"

namespace kd71::bridge {
namespace {

constexpr std::uintptr_t kFirstHandle = 0x4B440010;
constexpr std::uintptr_t kHandleStep = 0x10;
constexpr std::size_t kSerialBytes = 16;
constexpr std::size_t kDescriptionBytes = 64;

struct State {
  std::unique_ptr<Backend> backend;
  std::map<std::uintptr_t, int> tokens;  // open handle -> backend token
  std::uintptr_t next_handle = kFirstHandle;
  std::vector<DeviceInfo> list;  // the latest enumeration
};

State& state() {
  static State s;
  return s;
}

std::uintptr_t key(FT_HANDLE handle) { return reinterpret_cast<std::uintptr_t>(handle); }

FT_HANDLE handle_of_token(int token) {
  for (const auto& [handle, t] : state().tokens)
    if (t == token) return reinterpret_cast<FT_HANDLE>(handle);
  return nullptr;
}

// Looks up the backend token of an open handle.
bool token_of(FT_HANDLE handle, int* token) {
  auto it = state().tokens.find(key(handle));
  if (it == state().tokens.end()) return false;
  *token = it->second;
  return true;
}

// Copies a string into a fixed field, always terminated, never past its end.
void copy_bounded(char* dest, std::size_t size, const std::string& src) {
  const std::size_t n = std::min(src.size(), size - 1);
  std::memcpy(dest, src.data(), n);
  std::memset(dest + n, 0, size - n);
}

FT_STATUS refresh_list() {
  State& s = state();
  s.list.clear();
  if (!s.backend) return FT_DEVICE_NOT_FOUND;
  return s.backend->list_devices(s.list);
}

ULONG node_flags(const DeviceInfo& info) {
  return info.open_token >= 0 ? (info.flags | FT_FLAGS_OPENED)
                              : (info.flags & ~ULONG{FT_FLAGS_OPENED});
}

// Runs `call` on the backend token of `handle`.
template <typename Call>
FT_STATUS on_handle(FT_HANDLE handle, Call call) {
  State& s = state();
  if (!s.backend) return FT_DEVICE_NOT_FOUND;
  int token = -1;
  if (!token_of(handle, &token)) return FT_INVALID_HANDLE;
  return call(*s.backend, token);
}

}  // namespace

void install(std::unique_ptr<Backend> backend) {
  State& s = state();
  if (s.backend)
    for (const auto& [handle, token] : s.tokens) s.backend->close(token);
  s.tokens.clear();
  s.list.clear();
  s.backend = std::move(backend);
}

Backend* installed() { return state().backend.get(); }

const std::vector<DeviceInfo>& listed_devices() { return state().list; }

int open_handle_count() { return static_cast<int>(state().tokens.size()); }

void reset() {
  install(nullptr);
  state().next_handle = kFirstHandle;
}

}  // namespace kd71::bridge

using namespace kd71::bridge;

FT_STATUS FT_CreateDeviceInfoList(LPDWORD lpdwNumDevs) {
  if (!lpdwNumDevs) return FT_INVALID_PARAMETER;
  const FT_STATUS status = refresh_list();
  *lpdwNumDevs = status == FT_OK ? static_cast<DWORD>(state().list.size()) : 0;
  return status;
}

FT_STATUS FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE* pDest, LPDWORD lpdwNumDevs) {
  if (!pDest || !lpdwNumDevs) return FT_INVALID_PARAMETER;
  State& s = state();
  if (!s.backend) {
    *lpdwNumDevs = 0;
    return FT_DEVICE_NOT_FOUND;
  }
  const DWORD capacity = *lpdwNumDevs;
  const std::size_t n = std::min<std::size_t>(capacity, s.list.size());
  for (std::size_t i = 0; i < n; ++i) {
    const DeviceInfo& info = s.list[i];
    FT_DEVICE_LIST_INFO_NODE& node = pDest[i];
    node.Flags = node_flags(info);
    node.Type = info.type;
    node.ID = info.id;
    node.LocId = info.loc_id;
    copy_bounded(node.SerialNumber, sizeof node.SerialNumber, info.serial);
    copy_bounded(node.Description, sizeof node.Description, info.description);
    node.ftHandle = info.open_token >= 0 ? handle_of_token(info.open_token) : nullptr;
  }
  *lpdwNumDevs = static_cast<DWORD>(s.list.size());
  return FT_OK;
}

FT_STATUS FT_GetDeviceInfoDetail(DWORD dwIndex, LPDWORD lpdwFlags, LPDWORD lpdwType, LPDWORD lpdwID,
                                 LPDWORD lpdwLocId, LPVOID lpSerialNumber, LPVOID lpDescription,
                                 FT_HANDLE* pftHandle) {
  State& s = state();
  if (!s.backend) return FT_DEVICE_NOT_FOUND;
  if (dwIndex >= s.list.size()) return FT_DEVICE_NOT_FOUND;
  const DeviceInfo& info = s.list[dwIndex];
  if (lpdwFlags) *lpdwFlags = node_flags(info);
  if (lpdwType) *lpdwType = info.type;
  if (lpdwID) *lpdwID = info.id;
  if (lpdwLocId) *lpdwLocId = info.loc_id;
  if (lpSerialNumber) copy_bounded(static_cast<char*>(lpSerialNumber), kSerialBytes, info.serial);
  if (lpDescription)
    copy_bounded(static_cast<char*>(lpDescription), kDescriptionBytes, info.description);
  if (pftHandle) *pftHandle = info.open_token >= 0 ? handle_of_token(info.open_token) : nullptr;
  return FT_OK;
}

FT_STATUS FT_Open(int deviceNumber, FT_HANDLE* pHandle) {
  State& s = state();
  if (!pHandle) return FT_INVALID_PARAMETER;
  if (!s.backend) return FT_DEVICE_NOT_FOUND;
  if (s.list.empty()) refresh_list();
  if (deviceNumber < 0 || static_cast<std::size_t>(deviceNumber) >= s.list.size())
    return FT_DEVICE_NOT_FOUND;
  if (s.list[deviceNumber].open_token >= 0) return FT_DEVICE_NOT_OPENED;  // already ours
  int token = -1;
  const FT_STATUS status = s.backend->open(static_cast<unsigned>(deviceNumber), &token);
  if (status != FT_OK) return status;
  const std::uintptr_t handle = s.next_handle;
  s.next_handle += kHandleStep;
  s.tokens[handle] = token;
  s.list[deviceNumber].open_token = token;
  *pHandle = reinterpret_cast<FT_HANDLE>(handle);
  return FT_OK;
}

FT_STATUS FT_Close(FT_HANDLE ftHandle) {
  State& s = state();
  if (!s.backend) return FT_DEVICE_NOT_FOUND;
  int token = -1;
  if (!token_of(ftHandle, &token)) return FT_INVALID_HANDLE;
  s.tokens.erase(key(ftHandle));
  for (DeviceInfo& info : s.list)
    if (info.open_token == token) info.open_token = -1;
  return s.backend->close(token);
}

FT_STATUS FT_SetBaudRate(FT_HANDLE h, ULONG baudRate) {
  return on_handle(h, [&](Backend& b, int t) { return b.set_baud_rate(t, baudRate); });
}

FT_STATUS FT_SetBitMode(FT_HANDLE h, UCHAR mask, UCHAR mode) {
  return on_handle(h, [&](Backend& b, int t) { return b.set_bit_mode(t, mask, mode); });
}

FT_STATUS FT_SetUSBParameters(FT_HANDLE h, ULONG inTransferSize, ULONG outTransferSize) {
  return on_handle(h, [&](Backend& b, int t) {
    return b.set_usb_parameters(t, inTransferSize, outTransferSize);
  });
}

FT_STATUS FT_SetLatencyTimer(FT_HANDLE h, UCHAR latencyMs) {
  return on_handle(h, [&](Backend& b, int t) { return b.set_latency_timer(t, latencyMs); });
}

FT_STATUS FT_GetBitMode(FT_HANDLE h, UCHAR* pins) {
  if (!pins) return FT_INVALID_PARAMETER;
  return on_handle(h, [&](Backend& b, int t) { return b.get_bit_mode(t, pins); });
}

FT_STATUS FT_Write(FT_HANDLE h, LPVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten) {
  if (!buffer || !bytesWritten) return FT_INVALID_PARAMETER;
  *bytesWritten = 0;
  return on_handle(h, [&](Backend& b, int t) {
    return b.write(t, static_cast<const UCHAR*>(buffer), bytesToWrite, bytesWritten);
  });
}

FT_STATUS FT_GetStatus(FT_HANDLE h, DWORD* rxBytes, DWORD* txBytes, DWORD* eventStatus) {
  DWORD rx = 0, tx = 0, ev = 0;
  const FT_STATUS status =
      on_handle(h, [&](Backend& b, int t) { return b.get_status(t, &rx, &tx, &ev); });
  if (rxBytes) *rxBytes = rx;
  if (txBytes) *txBytes = tx;
  if (eventStatus) *eventStatus = ev;
  return status;
}

FT_STATUS FT_Read(FT_HANDLE h, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesReturned) {
  if (!buffer || !bytesReturned) return FT_INVALID_PARAMETER;
  *bytesReturned = 0;
  return on_handle(h, [&](Backend& b, int t) {
    return b.read(t, static_cast<UCHAR*>(buffer), bytesToRead, bytesReturned);
  });
}

FT_STATUS FT_Purge(FT_HANDLE h, ULONG mask) {
  return on_handle(h, [&](Backend& b, int t) { return b.purge(t, mask); });
}

FT_STATUS FT_CyclePort(FT_HANDLE h) {
  return on_handle(h, [&](Backend& b, int t) { return b.cycle_port(t); });
}
