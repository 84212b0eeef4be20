#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/bridge/bridge_double.h"
#include "tests/support/fresh_state.h"

namespace {

using kd71::bridge::Fn;
using kd71::bridge::RecordingBridge;

class BridgeTest : public kd71::test::FreshState {
 protected:
  RecordingBridge* install_double() {
    auto d = std::make_unique<RecordingBridge>();
    RecordingBridge* raw = d.get();
    kd71::bridge::install(std::move(d));
    return raw;
  }
};

TEST_F(BridgeTest, WithoutABackendEveryCallReportsDeviceNotFound) {
  DWORD n = 99;
  EXPECT_EQ(FT_CreateDeviceInfoList(&n), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(n, 0u);
  FT_HANDLE h = nullptr;
  EXPECT_EQ(FT_Open(0, &h), FT_DEVICE_NOT_FOUND);
  UCHAR pins = 0;
  EXPECT_EQ(FT_GetBitMode(reinterpret_cast<FT_HANDLE>(1), &pins), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(FT_Close(nullptr), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(FT_CyclePort(nullptr), FT_DEVICE_NOT_FOUND);
}

TEST_F(BridgeTest, HandlesAreOpaqueCheckedAndNeverReused) {
  RecordingBridge* dbl = install_double();
  DWORD n = 0;
  ASSERT_EQ(FT_CreateDeviceInfoList(&n), FT_OK);
  ASSERT_EQ(n, 1u);
  FT_HANDLE h = nullptr;
  ASSERT_EQ(FT_Open(0, &h), FT_OK);
  EXPECT_NE(h, nullptr);
  EXPECT_NE(h, reinterpret_cast<FT_HANDLE>(1));
  EXPECT_EQ(FT_SetBaudRate(h, 115200), FT_OK);
  EXPECT_EQ(dbl->calls_of(Fn::SetBaudRate).at(0).args.at(0), 115200u);

  // The device is ours now: its node carries the handle and a second open fails.
  FT_DEVICE_LIST_INFO_NODE nodes[10] = {};
  n = 10;
  ASSERT_EQ(FT_GetDeviceInfoList(nodes, &n), FT_OK);
  EXPECT_EQ(nodes[0].ftHandle, h);
  EXPECT_TRUE(nodes[0].Flags & FT_FLAGS_OPENED);
  FT_HANDLE second = nullptr;
  EXPECT_EQ(FT_Open(0, &second), FT_DEVICE_NOT_OPENED);

  ASSERT_EQ(FT_Close(h), FT_OK);
  EXPECT_EQ(FT_SetBaudRate(h, 115200), FT_INVALID_HANDLE);  // stale
  EXPECT_EQ(FT_CyclePort(h), FT_INVALID_HANDLE);            // harmless
  EXPECT_EQ(FT_Close(h), FT_INVALID_HANDLE);
  EXPECT_EQ(FT_SetBitMode(reinterpret_cast<FT_HANDLE>(1), 0xFF, 1), FT_INVALID_HANDLE);

  FT_HANDLE again = nullptr;
  ASSERT_EQ(FT_Open(0, &again), FT_OK);
  EXPECT_NE(again, h);
  EXPECT_EQ(kd71::bridge::open_handle_count(), 1);
}

TEST_F(BridgeTest, DeviceListIsBoundedByTheCallersCapacity) {
  RecordingBridge* dbl = install_double();
  for (int i = 0; i < 12; ++i) dbl->devices.push_back(kd71::bridge::instrument_device());
  DWORD n = 0;
  ASSERT_EQ(FT_CreateDeviceInfoList(&n), FT_OK);
  EXPECT_EQ(n, 13u);

  struct Guarded {
    FT_DEVICE_LIST_INFO_NODE nodes[10];
    unsigned char canary[64];
  } g;
  std::memset(&g, 0xA5, sizeof g);
  n = 10;
  ASSERT_EQ(FT_GetDeviceInfoList(g.nodes, &n), FT_OK);
  EXPECT_EQ(n, 13u);  // what the driver reports
  for (unsigned char c : g.canary) ASSERT_EQ(c, 0xA5);
  EXPECT_STREQ(g.nodes[9].Description, "VORN_KD71_2CH");
}

TEST_F(BridgeTest, StringsAreCopiedWithinTheirFields) {
  RecordingBridge* dbl = install_double();
  dbl->devices[0].serial = "A-SERIAL-NUMBER-FAR-TOO-LONG";
  dbl->devices[0].description = std::string(100, 'D');
  DWORD n = 0;
  FT_CreateDeviceInfoList(&n);
  FT_DEVICE_LIST_INFO_NODE node = {};
  n = 1;
  FT_GetDeviceInfoList(&node, &n);
  EXPECT_EQ(std::strlen(node.SerialNumber), 15u);
  EXPECT_EQ(std::strlen(node.Description), 63u);

  char serial[32];
  char desc[64 + 8];
  std::memset(serial, 'Z', sizeof serial);
  std::memset(desc, 'Z', sizeof desc);
  ASSERT_EQ(FT_GetDeviceInfoDetail(0, nullptr, nullptr, nullptr, nullptr, serial, desc, nullptr),
            FT_OK);
  EXPECT_STREQ(serial, "A-SERIAL-NUMBER");
  EXPECT_EQ(serial[16], 'Z');  // nothing past the 16-byte field
  EXPECT_EQ(desc[64], 'Z');
  EXPECT_EQ(FT_GetDeviceInfoDetail(5, nullptr, nullptr, nullptr, nullptr, serial, desc, nullptr),
            FT_DEVICE_NOT_FOUND);
}

TEST_F(BridgeTest, TheDoubleRecordsAndScriptsCalls) {
  RecordingBridge* dbl = install_double();
  FT_HANDLE h = nullptr;
  ASSERT_EQ(FT_Open(0, &h), FT_OK);
  dbl->replies.push_back({0xA1, 0xA2, 0xA3});
  dbl->fail_next(Fn::Purge, FT_IO_ERROR);
  EXPECT_EQ(FT_Purge(h, FT_PURGE_RX | FT_PURGE_TX), FT_IO_ERROR);
  UCHAR poll = 0xD7;
  DWORD written = 0;
  EXPECT_EQ(FT_Write(h, &poll, 1, &written), FT_OK);
  EXPECT_EQ(written, 1u);
  DWORD rx = 0, tx = 0, ev = 0;
  FT_GetStatus(h, &rx, &tx, &ev);
  EXPECT_EQ(rx, 3u);
  UCHAR buf[8] = {};
  DWORD got = 0;
  EXPECT_EQ(FT_Read(h, buf, 8, &got), FT_OK);
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(buf[2], 0xA3);
  EXPECT_EQ(dbl->written_bytes(), std::vector<UCHAR>({0xD7}));
  ASSERT_EQ(dbl->calls_of(Fn::Purge).size(), 1u);
  EXPECT_EQ(dbl->calls_of(Fn::Purge)[0].args[0], 3u);
}

}  // namespace
