// The USB side of the simulated board: device list, handles, plugging,
// modes, queues, counters and latency, all through the FT_* calls.
#include <gtest/gtest.h>

#include <string>

#include "platform/os/clock.h"
#include "tests/sim/sim_harness.h"

namespace {

using kd71::sim::Attached;
using kd71::sim::Call;
using kd71::sim::Scenario;

class SimUsbTest : public kd71::test::SimHarness {
 protected:
  std::vector<FT_DEVICE_LIST_INFO_NODE> list(DWORD capacity = 10) {
    std::vector<FT_DEVICE_LIST_INFO_NODE> nodes(capacity);
    DWORD n = 0;
    EXPECT_EQ(FT_CreateDeviceInfoList(&n), FT_OK);
    DWORD room = capacity;
    EXPECT_EQ(FT_GetDeviceInfoList(nodes.data(), &room), FT_OK);
    nodes.resize(std::min(room, capacity));
    reported = room;
    return nodes;
  }
  DWORD reported = 0;
};

TEST_F(SimUsbTest, DefaultListShowsOneBoardWithPlausibleNode) {
  kd71::sim::install_simulated_board();
  const auto nodes = list();
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_STREQ(nodes[0].Description, "VORN_KD71_2CH");
  const std::string serial = nodes[0].SerialNumber;
  EXPECT_FALSE(serial.empty());
  EXPECT_LE(serial.size(), 15u);
  EXPECT_EQ(nodes[0].Type, FT_DEVICE_232R);
  EXPECT_EQ(nodes[0].ID, 0x04036001u);
  EXPECT_NE(nodes[0].LocId, 0u);
  EXPECT_EQ(nodes[0].Flags & FT_FLAGS_OPENED, 0u);
  EXPECT_EQ(nodes[0].ftHandle, nullptr);
}

TEST_F(SimUsbTest, DeviceListPresets) {
  kd71::sim::install_simulated_board(Scenario::no_board());
  EXPECT_TRUE(list().empty());

  kd71::sim::install_simulated_board(Scenario::board_and_foreign());
  auto nodes = list();
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_STREQ(nodes[0].Description, "FT232R USB UART");
  EXPECT_STREQ(nodes[1].Description, "VORN_KD71_2CH");

  kd71::sim::install_simulated_board(Scenario::two_boards());
  nodes = list();
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_STREQ(nodes[1].Description, "VORN_KD71_2CH");
  EXPECT_STRNE(nodes[0].SerialNumber, nodes[1].SerialNumber);
  ASSERT_NE(kd71::sim::simulated_board(1), nullptr);
  EXPECT_EQ(kd71::sim::simulated_board(2), nullptr);

  // More devices than the list has room for: the count says so, nothing overflows.
  kd71::sim::install_simulated_board(Scenario::many_devices());
  nodes = list(10);
  EXPECT_EQ(reported, 12u);
  EXPECT_STREQ(nodes[3].Description, "VORN_KD71_2CH");
}

TEST_F(SimUsbTest, OpenBoardCarriesItsHandleAndCannotBeOpenedTwice) {
  start();
  ASSERT_NE(handle, nullptr);
  const auto nodes = list();
  EXPECT_EQ(nodes[0].ftHandle, handle);
  EXPECT_TRUE(nodes[0].Flags & FT_FLAGS_OPENED);
  FT_HANDLE second = nullptr;
  EXPECT_NE(FT_Open(0, &second), FT_OK);
  EXPECT_TRUE(board->is_open());
  EXPECT_EQ(FT_Close(handle), FT_OK);
  EXPECT_FALSE(board->is_open());
  EXPECT_EQ(FT_SetBaudRate(handle, 115200), FT_INVALID_HANDLE);
}

TEST_F(SimUsbTest, UnplugFailsEveryCallAndReplugNeedsANewOpen) {
  start();
  board->unplug();
  EXPECT_TRUE(list().empty());
  UCHAR pins = 0;
  EXPECT_EQ(FT_GetBitMode(handle, &pins), FT_DEVICE_NOT_FOUND);
  DWORD n = 0;
  std::uint8_t byte = 0x57;
  EXPECT_EQ(FT_Write(handle, &byte, 1, &n), FT_DEVICE_NOT_FOUND);

  board->plug();
  ASSERT_EQ(list().size(), 1u);
  EXPECT_EQ(list()[0].ftHandle, nullptr);  // the old handle does not come back
  EXPECT_EQ(FT_GetBitMode(handle, &pins), FT_DEVICE_NOT_FOUND);
  FT_HANDLE fresh = nullptr;
  ASSERT_EQ(FT_Open(0, &fresh), FT_OK);
  EXPECT_EQ(FT_GetBitMode(fresh, &pins), FT_OK);
}

TEST_F(SimUsbTest, UnplugAfterCallsLetsExactlyThatManyThrough) {
  start();
  board->unplug_after_calls(3);
  UCHAR pins = 0;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(FT_GetBitMode(handle, &pins), FT_OK) << i;
  EXPECT_EQ(FT_GetBitMode(handle, &pins), FT_DEVICE_NOT_FOUND);
  EXPECT_FALSE(board->is_plugged());
}

TEST_F(SimUsbTest, CyclePortReenumeratesAndInvalidatesTheHandle) {
  start();
  EXPECT_EQ(FT_CyclePort(handle), FT_OK);
  UCHAR pins = 0;
  EXPECT_EQ(FT_GetBitMode(handle, &pins), FT_DEVICE_NOT_FOUND);
  ASSERT_EQ(list().size(), 1u);
  FT_HANDLE fresh = nullptr;
  EXPECT_EQ(FT_Open(0, &fresh), FT_OK);
}

TEST_F(SimUsbTest, SettingsAreCheckedAndRecorded) {
  start();
  EXPECT_EQ(FT_SetBaudRate(handle, 0), FT_INVALID_BAUD_RATE);
  EXPECT_EQ(FT_SetBaudRate(handle, 115200), FT_OK);
  EXPECT_EQ(FT_SetUSBParameters(handle, 100, 64), FT_INVALID_PARAMETER);
  EXPECT_EQ(FT_SetUSBParameters(handle, 256, 64), FT_OK);
  EXPECT_EQ(FT_SetLatencyTimer(handle, 0), FT_INVALID_PARAMETER);
  EXPECT_EQ(FT_SetLatencyTimer(handle, 2), FT_OK);
  EXPECT_EQ(FT_SetBitMode(handle, 0xFF, 0x02), FT_INVALID_PARAMETER);
  const auto& port = board->usb_port();
  EXPECT_EQ(port.baud, 115200u);
  EXPECT_EQ(port.in_transfer, 256u);
  EXPECT_EQ(port.out_transfer, 64u);
  EXPECT_EQ(port.latency_ms, 2);
}

TEST_F(SimUsbTest, PurgeEmptiesTheQueueAndAShortReadWaitsABoundedTime) {
  start();
  send({0x57});
  DWORD rx = 0, tx = 0, ev = 0;
  ASSERT_EQ(FT_GetStatus(handle, &rx, &tx, &ev), FT_OK);
  EXPECT_EQ(rx, 26u);
  ASSERT_EQ(FT_Purge(handle, FT_PURGE_RX | FT_PURGE_TX), FT_OK);
  ASSERT_EQ(FT_GetStatus(handle, &rx, &tx, &ev), FT_OK);
  EXPECT_EQ(rx, 0u);

  send({0x57});
  std::uint8_t buffer[64];
  DWORD got = 0;
  const double before = kd71::clock::now();
  ASSERT_EQ(FT_Read(handle, buffer, 64, &got), FT_OK);
  EXPECT_EQ(got, 26u);
  const double waited = kd71::clock::now() - before;
  EXPECT_GT(waited, 0.0);
  EXPECT_LE(waited, 0.05);
}

TEST_F(SimUsbTest, BitBangBytesNeverReachTheFpgaAndByteModeNeverReachesTheBus) {
  start();
  // In bit-bang mode a poll byte only moves the pins.
  std::uint8_t poll = 0x57;
  DWORD n = 0;
  ASSERT_EQ(FT_Write(handle, &poll, 1, &n), FT_OK);
  DWORD rx = 0, tx = 0, ev = 0;
  ASSERT_EQ(FT_GetStatus(handle, &rx, &tx, &ev), FT_OK);
  EXPECT_EQ(rx, 0u);
  EXPECT_EQ(board->counters().polls[5], 0u);

  // In byte mode a mask that would pull both lines low changes nothing on the bus.
  ASSERT_EQ(FT_SetBitMode(handle, 0xFF, FT_BITMODE_RESET), FT_OK);
  EXPECT_EQ(sample() & 0x03, 0x03);
  EXPECT_EQ(board->counters().i2c.starts, 0u);
}

TEST_F(SimUsbTest, CountersAndLatencyFollowTheCalls) {
  Scenario s;
  s.latency = kd71::sim::Latency::usb_full_speed();
  start(s);
  const auto before = board->calls();
  const double t0 = kd71::clock::now();
  const auto reply = poll_raw(5, 26);
  EXPECT_EQ(reply.size(), 26u);
  const auto& after = board->calls();
  EXPECT_EQ(after.of(Call::Write) - before.of(Call::Write), 1u);
  EXPECT_EQ(after.of(Call::Read) - before.of(Call::Read), 1u);
  EXPECT_EQ(after.of(Call::SetBitMode) - before.of(Call::SetBitMode), 2u);
  EXPECT_EQ(after.bytes_read - before.bytes_read, 26u);
  // Purge, two mode changes, write and read: at least five 1 ms frames.
  EXPECT_GE(kd71::clock::now() - t0, 0.005);
}

}  // namespace
