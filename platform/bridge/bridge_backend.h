// The interface a bridge backend implements. The FT_* calls validate handles
// and arguments and translate between handles and the backend's open-device
// tokens, so a backend only deals with devices it has opened.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/bridge/ftd2xx.h"

namespace kd71::bridge {

struct DeviceInfo {
  ULONG flags = 0;
  ULONG type = FT_DEVICE_232R;
  ULONG id = 0;
  DWORD loc_id = 0;
  std::string serial;
  std::string description;
  int open_token = -1;  // the backend's token when this process holds it open
  // Where it is plugged in, as a user finds it ("bus 1 port 1.2"); empty
  // when the backend cannot tell.
  std::string location;
  // Why this user may not open it (the line that tells how to mend it);
  // empty when nothing stands in the way.
  std::string access_problem;
};

// The backend's calls, in the order of the interface below; test doubles
// and the simulated board count and record calls by them.
enum class Fn {
  ListDevices,
  Open,
  Close,
  SetBaudRate,
  SetBitMode,
  SetUsbParameters,
  SetLatencyTimer,
  GetBitMode,
  Write,
  GetStatus,
  Read,
  Purge,
  CyclePort,
};
inline constexpr int kFnCount = 13;

class Backend {
 public:
  virtual ~Backend() = default;
  virtual const char* name() const = 0;

  // Enumerates the attached devices.
  virtual FT_STATUS list_devices(std::vector<DeviceInfo>& out) = 0;
  // Opens the device at `index` of the latest enumeration.
  virtual FT_STATUS open(unsigned index, int* token) = 0;
  virtual FT_STATUS close(int token) = 0;
  virtual FT_STATUS set_baud_rate(int token, ULONG baud) = 0;
  virtual FT_STATUS set_bit_mode(int token, UCHAR mask, UCHAR mode) = 0;
  virtual FT_STATUS set_usb_parameters(int token, ULONG in_size, ULONG out_size) = 0;
  virtual FT_STATUS set_latency_timer(int token, UCHAR ms) = 0;
  virtual FT_STATUS get_bit_mode(int token, UCHAR* pins) = 0;
  virtual FT_STATUS write(int token, const UCHAR* data, DWORD size, DWORD* written) = 0;
  virtual FT_STATUS get_status(int token, DWORD* rx, DWORD* tx, DWORD* events) = 0;
  virtual FT_STATUS read(int token, UCHAR* data, DWORD size, DWORD* got) = 0;
  virtual FT_STATUS purge(int token, ULONG mask) = 0;
  virtual FT_STATUS cycle_port(int token) = 0;
};

// Installs the backend the FT_* calls dispatch to, closing every handle of
// the previous one. nullptr leaves no backend.
void install(std::unique_ptr<Backend> backend);
Backend* installed();

// The devices of the latest enumeration (FT_CreateDeviceInfoList), with
// what the FT_* nodes do not carry: where each is plugged in and whether
// this user may open it.
const std::vector<DeviceInfo>& listed_devices();

// Number of handles currently open.
int open_handle_count();

// Puts the module back to its start state: no backend, no handles.
void reset();

}  // namespace kd71::bridge
