#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "hardware/debug_flags.h"
#include "hardware/i2c_comms.h"
#include "hardware/lowlevel.h"
#include "tests/support/hardware_fixture.h"

namespace {

using kd71::bridge::DeviceInfo;
using kd71::bridge::Fn;
using kd71::bridge::instrument_device;
using kd71::bridge::RecordingBridge;
using Tokens = std::vector<std::string>;

DeviceInfo foreign_adapter() {
  DeviceInfo d;
  d.description = "FT232R USB UART";
  d.serial = "A50285BI";
  return d;
}

class LinkTest : public kd71::test::HardwareTest {};

TEST_F(LinkTest, OpensAndConfiguresTheInstrument) {
  auto* b = install();
  b->devices = {instrument_device("KD71SN000042")};
  b->pins.push_back(0x03);
  ASSERT_EQ(init_usb(), 1);
  EXPECT_STREQ(deviceSerialNumber, "KD71SN000042");
  EXPECT_NE(usb_handle, nullptr);
  const Tokens t = tokens();
  // Baud rate, all pins output in bit-bang mode, transfer sizes, latency,
  // then the I2C master's own mode.
  ASSERT_EQ(b->calls_of(Fn::SetBaudRate).at(0).args, std::vector<ULONG>{115200});
  ASSERT_EQ(b->calls_of(Fn::SetUsbParameters).at(0).args, (std::vector<ULONG>{256, 64}));
  ASSERT_EQ(b->calls_of(Fn::SetLatencyTimer).at(0).args, std::vector<ULONG>{2});
  EXPECT_EQ(Tokens(t.end() - 7, t.end()),
            (Tokens{"Open", "SetBaudRate", "MFF/1", "SetUSBParameters", "SetLatencyTimer", "S",
                    "M02/1"}));
}

TEST_F(LinkTest, TheLastInstrumentInTheListWinsWhateverItsLetterCase) {
  auto* b = install();
  DeviceInfo second = instrument_device("SECOND");
  second.description = "vorn_kd71_2ch";
  b->devices = {foreign_adapter(), instrument_device("FIRST"), second};
  EXPECT_EQ(usb_aliveQ(), 1);
  ASSERT_EQ(init_usb(), 1);
  EXPECT_EQ(b->calls_of(Fn::Open).at(0).args, std::vector<ULONG>{2});
  EXPECT_STREQ(deviceSerialNumber, "SECOND");
}

TEST_F(LinkTest, WithoutTheInstrumentNothingIsOpened) {
  auto* b = install();
  b->devices = {foreign_adapter()};
  EXPECT_EQ(usb_aliveQ(), 0);
  EXPECT_EQ(init_usb(), 0);
  EXPECT_TRUE(b->calls_of(Fn::Open).empty());
  EXPECT_TRUE(b->calls_of(Fn::SetBitMode).empty());
}

TEST_F(LinkTest, OnlyTheFirstTenDevicesAreLookedAt) {
  auto* b = install();
  b->devices.assign(11, foreign_adapter());
  b->devices.push_back(instrument_device());  // twelfth: beyond the list
  EXPECT_EQ(usb_aliveQ(), 0);
  EXPECT_EQ(init_usb(), 0);
  b->devices[9] = instrument_device("TENTH");
  EXPECT_EQ(usb_aliveQ(), 1);
  EXPECT_EQ(init_usb(), 1);
  EXPECT_STREQ(deviceSerialNumber, "TENTH");
}

TEST_F(LinkTest, AnOverlongSerialNumberStaysInItsBuffer) {
  auto* b = install();
  b->devices = {instrument_device("0123456789ABCDEFGHIJ")};
  ASSERT_EQ(init_usb(), 1);
  EXPECT_STREQ(deviceSerialNumber, "0123456789ABCDE");
}

TEST_F(LinkTest, NoDevicesAndListFailuresAreReportedUnderTheUsbSwitch) {
  auto* b = install();
  b->devices.clear();
  debug_usb = 1;
  testing::internal::CaptureStdout();
  EXPECT_EQ(init_usb(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Unable to find number of USB devices (ftStatus=0)\n");

  b->devices = {instrument_device()};
  b->fail_next(Fn::ListDevices, FT_OK);  // count succeeds
  DWORD n = 0;
  FT_CreateDeviceInfoList(&n);
  kd71::bridge::install(nullptr);  // the list can no longer be read
  testing::internal::CaptureStdout();
  EXPECT_EQ(init_usb(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Unable to find number of USB devices (ftStatus=2)\n");
}

TEST_F(LinkTest, OpenFailureLeavesTheLinkDown) {
  auto* b = install();
  b->fail_next(Fn::Open, FT_DEVICE_NOT_OPENED);
  debug_usb = 1;
  testing::internal::CaptureStdout();
  EXPECT_EQ(init_usb(), 0);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(
      out.find("Trying FT_Open(0,[usb_handle])\nUnable to open USB device (0) (ftStatus=3)\n"),
      std::string::npos)
      << out;
  EXPECT_TRUE(b->calls_of(Fn::SetBaudRate).empty());
}

TEST_F(LinkTest, PinInputIsZeroOnABadHandleOrAFailedSample) {
  auto* b = install();
  ASSERT_EQ(init_usb(), 1);
  b->pins.push_back(0x02);
  EXPECT_EQ(usb_input(), 0x02);
  b->fail_next(Fn::GetBitMode, FT_IO_ERROR);
  EXPECT_EQ(usb_input(), 0);
  usb_handle = BADHANDLE;
  EXPECT_EQ(usb_input(), 0);
}

TEST(LinkSymbols, TheLibraryDoesNotExportACloseOfItsOwn) {
  void* lib = dlopen(KD71_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(dlsym(lib, "_Z5closev"), nullptr);
  // The C library's close is the one every program sees.
  EXPECT_EQ(dlsym(RTLD_DEFAULT, "close"),
            reinterpret_cast<void*>(static_cast<int (*)(int)>(&::close)));
  dlclose(lib);
}

}  // namespace
