#include "platform/bridge/ftdi_status.h"

#include <gtest/gtest.h>
#include <libusb.h>

namespace {

using kd71::ftdi::classify;
using kd71::ftdi::LibCall;
using kd71::ftdi::Outcome;
using kd71::ftdi::to_ft_status;

FT_STATUS status_of(LibCall call, int code) { return to_ft_status(call, classify(call, code)); }

struct Case {
  LibCall call;
  int code;
  Outcome outcome;
  FT_STATUS status;
};

// libftdi numbers its failures per function: the same code means different
// things for different calls.
TEST(FtdiStatus, EachCodeIsReadWithItsCall) {
  const Case cases[] = {
      // -1: a rate the chip cannot make, but a failed transfer for bit mode.
      {LibCall::SetBaudrate, -1, Outcome::BadBaudRate, FT_INVALID_BAUD_RATE},
      {LibCall::SetBitmode, -1, Outcome::TransferFailed, FT_IO_ERROR},
      {LibCall::SetLatency, -1, Outcome::BadArgument, FT_INVALID_PARAMETER},
      // -2: a failed transfer for the baud rate, no device for bit mode.
      {LibCall::SetBaudrate, -2, Outcome::TransferFailed, FT_IO_ERROR},
      {LibCall::SetBitmode, -2, Outcome::DeviceGone, FT_DEVICE_NOT_FOUND},
      {LibCall::Tciflush, -2, Outcome::DeviceGone, FT_DEVICE_NOT_FOUND},
      {LibCall::Tcioflush, -2, Outcome::TransferFailed, FT_IO_ERROR},
      // -3: no device for the baud rate, latency and the two-way flush.
      {LibCall::SetBaudrate, -3, Outcome::DeviceGone, FT_DEVICE_NOT_FOUND},
      {LibCall::Tcioflush, -3, Outcome::DeviceGone, FT_DEVICE_NOT_FOUND},
      // Bulk transfers.
      {LibCall::WriteData, -666, Outcome::DeviceGone, FT_DEVICE_NOT_FOUND},
      {LibCall::WriteData, -1, Outcome::TransferFailed, FT_IO_ERROR},
      {LibCall::ReadData, LIBUSB_ERROR_NO_DEVICE, Outcome::DeviceGone, FT_DEVICE_NOT_FOUND},
      {LibCall::ReadData, LIBUSB_ERROR_TIMEOUT, Outcome::TransferFailed, FT_IO_ERROR},
      {LibCall::ReadData, LIBUSB_ERROR_NO_MEM, Outcome::NoMemory, FT_INSUFFICIENT_RESOURCES},
      // Opening.
      {LibCall::OpenDev, -4, Outcome::OpenFailed, FT_DEVICE_NOT_OPENED},
      {LibCall::OpenDev, -8, Outcome::NoPermission, FT_DEVICE_NOT_OPENED},
      {LibCall::OpenDev, -5, Outcome::InUse, FT_DEVICE_NOT_OPENED},
      {LibCall::OpenDev, kd71::ftdi::kNoFtdiContext, Outcome::NoMemory, FT_INSUFFICIENT_RESOURCES},
      {LibCall::ProbeOpen, LIBUSB_ERROR_ACCESS, Outcome::NoPermission, FT_DEVICE_NOT_OPENED},
      {LibCall::ProbeOpen, LIBUSB_ERROR_NO_DEVICE, Outcome::DeviceGone, FT_DEVICE_NOT_FOUND},
      {LibCall::GetStrings, -4, Outcome::OpenFailed, FT_DEVICE_NOT_OPENED},
      {LibCall::GetStrings, -8, Outcome::TransferFailed, FT_DEVICE_NOT_OPENED},
      // A port reset that makes the device enumerate again did its job.
      {LibCall::ResetPort, LIBUSB_ERROR_NOT_FOUND, Outcome::Reenumerated, FT_OK},
      {LibCall::ResetPort, LIBUSB_ERROR_NO_DEVICE, Outcome::DeviceGone, FT_DEVICE_NOT_FOUND},
      {LibCall::ResetPort, LIBUSB_ERROR_IO, Outcome::TransferFailed, FT_IO_ERROR},
      {LibCall::WriteData, 26, Outcome::Ok, FT_OK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(kd71::ftdi::call_name(c.call)) + " " + std::to_string(c.code));
    EXPECT_EQ(classify(c.call, c.code), c.outcome);
    EXPECT_EQ(status_of(c.call, c.code), c.status);
  }
}

}  // namespace
