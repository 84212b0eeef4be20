#include "platform/bridge/ftdi_status.h"

#include <libusb.h>

namespace kd71::ftdi {
namespace {

// libftdi's "USB device unavailable": the context holds no device handle.
constexpr int kTransferUnavailable = -666;

// The calls whose failures are libusb's own codes.
bool returns_libusb_codes(LibCall call) {
  switch (call) {
    case LibCall::ProbeOpen:
    case LibCall::ReadData:
    case LibCall::CheckAttached:
    case LibCall::ResetPort:
      return true;
    default:
      return false;
  }
}

Outcome classify_libusb(int code) {
  switch (code) {
    case LIBUSB_ERROR_NO_DEVICE:
      return Outcome::DeviceGone;
    case LIBUSB_ERROR_ACCESS:
      return Outcome::NoPermission;
    case LIBUSB_ERROR_BUSY:
      return Outcome::InUse;
    case LIBUSB_ERROR_NO_MEM:
      return Outcome::NoMemory;
    case LIBUSB_ERROR_INVALID_PARAM:
      return Outcome::BadArgument;
    default:
      return Outcome::TransferFailed;
  }
}

Outcome classify_open_dev(int code) {
  switch (code) {
    case -4:
      return Outcome::OpenFailed;
    case -8:
      return Outcome::NoPermission;  // the kernel driver could not be detached: EPERM
    case -3:                         // the configuration could not be set
    case -5:                         // the interface could not be claimed
      return Outcome::InUse;
    case -6:  // the chip's reset request failed
    case -7:  // the chip's 9600 baud request failed
      return Outcome::TransferFailed;
    case kNoFtdiContext:
      return Outcome::NoMemory;
    default:
      return Outcome::Failed;  // descriptors could not be read
  }
}

}  // namespace

const char* call_name(LibCall call) {
  switch (call) {
    case LibCall::FindAll:
      return "ftdi_usb_find_all";
    case LibCall::GetStrings:
      return "ftdi_usb_get_strings2";
    case LibCall::ProbeOpen:
      return "libusb_open";
    case LibCall::OpenDev:
      return "ftdi_usb_open_dev";
    case LibCall::SetBaudrate:
      return "ftdi_set_baudrate";
    case LibCall::SetBitmode:
      return "ftdi_set_bitmode";
    case LibCall::SetChunksize:
      return "ftdi_read_data_set_chunksize";
    case LibCall::SetLatency:
      return "ftdi_set_latency_timer";
    case LibCall::ReadPins:
      return "ftdi_read_pins";
    case LibCall::WriteData:
      return "ftdi_write_data";
    case LibCall::ReadData:
      return "ftdi_read_data";
    case LibCall::Tciflush:
      return "ftdi_tciflush";
    case LibCall::Tcoflush:
      return "ftdi_tcoflush";
    case LibCall::Tcioflush:
      return "ftdi_tcioflush";
    case LibCall::CheckAttached:
      return "libusb_kernel_driver_active";
    case LibCall::ResetPort:
      return "libusb_reset_device";
  }
  return "?";
}

Outcome classify(LibCall call, int code) {
  if (code >= 0) return Outcome::Ok;
  switch (call) {
    case LibCall::FindAll:
      return code == -3 ? Outcome::NoMemory : Outcome::Failed;
    case LibCall::GetStrings:
      if (code == -1) return Outcome::BadArgument;
      if (code == -4) return Outcome::OpenFailed;
      return Outcome::TransferFailed;  // a descriptor could not be read
    case LibCall::OpenDev:
      return classify_open_dev(code);
    case LibCall::SetBaudrate:
    case LibCall::SetLatency:
      if (code == -1)
        return call == LibCall::SetBaudrate ? Outcome::BadBaudRate : Outcome::BadArgument;
      return code == -3 ? Outcome::DeviceGone : Outcome::TransferFailed;
    case LibCall::SetBitmode:
    case LibCall::ReadPins:
    case LibCall::Tciflush:
    case LibCall::Tcoflush:
      return code == -2 ? Outcome::DeviceGone : Outcome::TransferFailed;
    case LibCall::Tcioflush:  // -1: the transmit flush failed, -2: the receive flush
      return code == -3 ? Outcome::DeviceGone : Outcome::TransferFailed;
    case LibCall::SetChunksize:
      return Outcome::NoMemory;
    case LibCall::WriteData:
      return code == kTransferUnavailable ? Outcome::DeviceGone : classify_libusb(code);
    case LibCall::ReadData:
      return code == kTransferUnavailable ? Outcome::DeviceGone : classify_libusb(code);
    case LibCall::ResetPort:
      return code == LIBUSB_ERROR_NOT_FOUND ? Outcome::Reenumerated : classify_libusb(code);
    case LibCall::ProbeOpen:
    case LibCall::CheckAttached:
      return classify_libusb(code);
  }
  return Outcome::Failed;
}

FT_STATUS to_ft_status(LibCall call, Outcome outcome) {
  switch (outcome) {
    case Outcome::Ok:
    case Outcome::Reenumerated:
      return FT_OK;
    case Outcome::DeviceGone:
      return FT_DEVICE_NOT_FOUND;
    case Outcome::NoMemory:
      return FT_INSUFFICIENT_RESOURCES;
    case Outcome::BadArgument:
      return FT_INVALID_PARAMETER;
    case Outcome::BadBaudRate:
      return FT_INVALID_BAUD_RATE;
    default:
      break;
  }
  // Whatever else keeps a device from opening is "not opened".
  if (call == LibCall::OpenDev || call == LibCall::ProbeOpen || call == LibCall::GetStrings)
    return FT_DEVICE_NOT_OPENED;
  if (outcome == Outcome::TransferFailed) return FT_IO_ERROR;
  return FT_OTHER_ERROR;
}

std::string code_text(LibCall call, int code) {
  std::string text = std::to_string(code);
  if (returns_libusb_codes(call) && code != kTransferUnavailable)
    text += std::string(" (") + libusb_error_name(code) + ")";
  return text;
}

}  // namespace kd71::ftdi
