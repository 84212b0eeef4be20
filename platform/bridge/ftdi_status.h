// What libftdi1's and libusb's result codes mean, and the D2XX-style status
// each gives. libftdi numbers its failures per function (-2 is "USB device
// unavailable" for ftdi_set_bitmode but a failed transfer for
// ftdi_set_baudrate), so every code is read together with the call that
// returned it.
#pragma once

#include <string>

#include "platform/bridge/ftd2xx.h"

namespace kd71::ftdi {

enum class LibCall {
  FindAll,        // ftdi_usb_find_all
  GetStrings,     // ftdi_usb_get_strings2
  ProbeOpen,      // libusb_open
  OpenDev,        // ftdi_usb_open_dev
  SetBaudrate,    // ftdi_set_baudrate
  SetBitmode,     // ftdi_set_bitmode
  SetChunksize,   // ftdi_read_data_set_chunksize, ftdi_write_data_set_chunksize
  SetLatency,     // ftdi_set_latency_timer
  ReadPins,       // ftdi_read_pins
  WriteData,      // ftdi_write_data
  ReadData,       // ftdi_read_data
  Tciflush,       // ftdi_tciflush
  Tcoflush,       // ftdi_tcoflush
  Tcioflush,      // ftdi_tcioflush
  CheckAttached,  // libusb_kernel_driver_active
  ResetPort,      // libusb_reset_device
};

enum class Outcome {
  Ok,
  BadArgument,
  BadBaudRate,
  DeviceGone,      // unplugged, or the handle no longer reaches it
  TransferFailed,  // a control or bulk transfer failed; the device may be gone
  NoPermission,
  InUse,  // claimed by another program or a kernel driver that stayed
  NoMemory,
  Reenumerated,  // a port reset made the device enumerate again
  OpenFailed,    // libusb_open failed; libusb_open itself tells why
  Failed,        // failed for a reason the code does not tell
};

// The code that stands for ftdi_new failing (no memory, or libusb could not
// start) where an open is asked for.
inline constexpr int kNoFtdiContext = -100;

const char* call_name(LibCall call);
Outcome classify(LibCall call, int code);
FT_STATUS to_ft_status(LibCall call, Outcome outcome);
// "-4", or "LIBUSB_ERROR_ACCESS" for the calls that return libusb's codes.
std::string code_text(LibCall call, int code);

}  // namespace kd71::ftdi
