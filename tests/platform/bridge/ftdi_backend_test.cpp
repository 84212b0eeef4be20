#include "platform/bridge/ftdi_backend.h"

#include <gtest/gtest.h>
#include <libusb.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/bridge_choice.h"
#include "hardware/lowlevel.h"
#include "platform/os/clock.h"
#include "program/board_list.h"
#include "tests/platform/bridge/fake_usb.h"
#include "tests/support/fresh_state.h"

namespace {

using kd71::test::FakeBus;
using kd71::test::FakeChip;
using Bytes = std::vector<std::uint8_t>;
using Log = std::vector<std::string>;
using Chip = std::shared_ptr<FakeChip>;

class FtdiBackendTest : public kd71::test::FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    auto bus = std::make_unique<FakeBus>();
    bus_ = bus.get();
    kd71::bridge::install(std::make_unique<kd71::ftdi::FtdiBackend>(
        std::move(bus), [this](const std::string& line) { lines_.push_back(line); }));
  }

  std::vector<FT_DEVICE_LIST_INFO_NODE> list() {
    DWORD n = 0;
    EXPECT_EQ(FT_CreateDeviceInfoList(&n), FT_OK);
    std::vector<FT_DEVICE_LIST_INFO_NODE> nodes(10);
    DWORD capacity = 10;
    EXPECT_EQ(FT_GetDeviceInfoList(nodes.data(), &capacity), FT_OK);
    nodes.resize(std::min<DWORD>(capacity, 10));
    return nodes;
  }

  // Lists the devices and opens the one at `index`.
  FT_HANDLE open_at(int index) {
    list();
    FT_HANDLE h = nullptr;
    EXPECT_EQ(FT_Open(index, &h), FT_OK);
    return h;
  }

  // Lines that mention `text`.
  int lines_with(const std::string& text) const {
    return static_cast<int>(std::count_if(lines_.begin(), lines_.end(), [&](const std::string& l) {
      return l.find(text) != std::string::npos;
    }));
  }

  FakeBus* bus_ = nullptr;
  std::vector<std::string> lines_;
};

// ---- Device list ---------------------------------------------------------------

TEST_F(FtdiBackendTest, ListsEachAttachedDeviceWithItsStrings) {
  bus_->plug("FT232R USB UART", "A50285BI", 1);
  bus_->plug("VORN_KD71_2CH", "KD71SN000042", 3);
  const auto nodes = list();
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_STREQ(nodes[0].Description, "FT232R USB UART");
  EXPECT_STREQ(nodes[1].Description, "VORN_KD71_2CH");
  EXPECT_STREQ(nodes[1].SerialNumber, "KD71SN000042");
  EXPECT_EQ(nodes[1].ID, 0x04036001u);
  EXPECT_EQ(nodes[1].Type, static_cast<ULONG>(FT_DEVICE_232R));
  EXPECT_EQ(nodes[1].LocId, 0x113u);  // bus 1, port 1, port 3
  EXPECT_EQ(nodes[1].ftHandle, nullptr);

  char serial[32] = {};
  ASSERT_EQ(FT_GetDeviceInfoDetail(1, nullptr, nullptr, nullptr, nullptr, serial, nullptr, nullptr),
            FT_OK);
  EXPECT_STREQ(serial, "KD71SN000042");
}

TEST_F(FtdiBackendTest, StringsAreReadOncePerAttachmentNotEveryTick) {
  Chip board = bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  for (int tick = 0; tick < 5; ++tick) list();
  EXPECT_EQ(board->strings_reads, 1);

  bus_->unplug(board);
  EXPECT_TRUE(list().empty());
  Chip again = bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  EXPECT_STREQ(list().at(0).Description, "VORN_KD71_2CH");
  EXPECT_EQ(again->strings_reads, 1);
}

TEST_F(FtdiBackendTest, TheBoardHeldOpenStaysListedWithItsHandle) {
  Chip board = bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  const FT_HANDLE h = open_at(0);
  // While open its strings cannot be read again; they were kept at open.
  board->strings_code = -4;
  board->probe_code = LIBUSB_ERROR_BUSY;
  const auto nodes = list();
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_STREQ(nodes[0].Description, "VORN_KD71_2CH");
  EXPECT_STREQ(nodes[0].SerialNumber, "KD71SN000042");
  EXPECT_EQ(nodes[0].ftHandle, h);
  EXPECT_TRUE(nodes[0].Flags & FT_FLAGS_OPENED);
  FT_HANDLE second = nullptr;
  EXPECT_EQ(FT_Open(0, &second), FT_DEVICE_NOT_OPENED);
  EXPECT_EQ(board->open_handles, 1);
  EXPECT_TRUE(lines_.empty());
}

// ---- Permission ------------------------------------------------------------------

TEST_F(FtdiBackendTest, ABoardThisUserMayNotOpenIsListedAndReported) {
  Chip board = bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  board->strings_code = -4;  // libusb_open failed
  board->probe_code = LIBUSB_ERROR_ACCESS;
  board->open_code = -4;
  // The kernel's copy of the strings names it, so the link sees the board
  // and tries to open it, rather than taking it for absent.
  EXPECT_STREQ(list().at(0).Description, "VORN_KD71_2CH");
  FT_HANDLE h = nullptr;
  EXPECT_EQ(FT_Open(0, &h), FT_DEVICE_NOT_OPENED);
  for (int tick = 0; tick < 5; ++tick) {
    list();
    EXPECT_EQ(FT_Open(0, &h), FT_DEVICE_NOT_OPENED);
  }
  ASSERT_EQ(lines_.size(), 1u) << lines_.back();
  EXPECT_NE(lines_[0].find("no permission"), std::string::npos) << lines_[0];
  EXPECT_NE(lines_[0].find("70-kd71.rules"), std::string::npos) << lines_[0];
  EXPECT_NE(lines_[0].find("LIBUSB_ERROR_ACCESS"), std::string::npos) << lines_[0];

  // With the rule installed and the board plugged in again, it opens.
  bus_->unplug(board);
  list();
  bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  EXPECT_NE(open_at(0), nullptr);
  EXPECT_EQ(lines_.size(), 1u);
}

TEST_F(FtdiBackendTest, PermissionIsReportedOnlyForTheBoardOrADeviceOfUnknownName) {
  Chip cable = bus_->plug("FT232R USB UART", "A50285BI", 1);
  Chip unknown = bus_->plug("VORN_KD71_2CH", "", 2);
  for (const Chip& c : {cable, unknown}) {
    c->strings_code = -4;
    c->probe_code = LIBUSB_ERROR_ACCESS;
  }
  unknown->sysfs_readable = false;
  const auto nodes = list();
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_STREQ(nodes[0].Description, "FT232R USB UART");
  EXPECT_STREQ(nodes[1].Description, "");
  ASSERT_EQ(lines_.size(), 1u);
  EXPECT_NE(lines_[0].find("if it is the KD71 board"), std::string::npos) << lines_[0];
  EXPECT_NE(lines_[0].find("bus 1 port 1.2"), std::string::npos) << lines_[0];
}

// ---- The board link over this backend --------------------------------------------

TEST_F(FtdiBackendTest, TheLinkConfiguresTheChipInItsOrder) {
  Chip board = bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  ASSERT_EQ(usb_aliveQ(), 1);
  ASSERT_EQ(init_usb(), 1);
  EXPECT_STREQ(deviceSerialNumber, "KD71SN000042");
  // The rate is set before bit-bang mode is on, so libftdi sends the
  // divisor of 115200 itself (value 26 for this chip).
  ASSERT_GE(board->log.size(), 6u);
  EXPECT_EQ(Log(board->log.begin(), board->log.begin() + 6),
            (Log{"open", "set_baudrate 115200", "set_bitmode ff/1", "read_chunksize 256",
                 "write_chunksize 64", "latency 2"}));
}

TEST_F(FtdiBackendTest, TheRateAskedForReachesTheChipInBitbangModeToo) {
  Chip board = bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  const FT_HANDLE h = open_at(0);
  ASSERT_EQ(FT_SetBitMode(h, 0xFF, FT_BITMODE_ASYNC_BITBANG), FT_OK);
  ASSERT_EQ(FT_SetBaudRate(h, 115200), FT_OK);  // libftdi multiplies by four
  ASSERT_EQ(FT_SetBitMode(h, 0x03, FT_BITMODE_RESET), FT_OK);
  ASSERT_EQ(FT_SetBaudRate(h, 9600), FT_OK);
  EXPECT_EQ(
      Log(board->log.end() - 4, board->log.end()),
      (Log{"set_bitmode ff/1", "set_baudrate 28800", "set_bitmode 03/0", "set_baudrate 9600"}));

  // A mode change the chip refused leaves the scaling as it was.
  board->fail_next["set_bitmode"] = {-1};
  EXPECT_EQ(FT_SetBitMode(h, 0xFF, FT_BITMODE_ASYNC_BITBANG), FT_IO_ERROR);
  ASSERT_EQ(FT_SetBaudRate(h, 115200), FT_OK);
  EXPECT_EQ(board->log.back(), "set_baudrate 115200");
}

TEST_F(FtdiBackendTest, ArgumentsTheChipCannotTakeNeverReachIt) {
  Chip board = bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  const FT_HANDLE h = open_at(0);
  const std::size_t calls = board->log.size();
  EXPECT_EQ(FT_SetBaudRate(h, 0), FT_INVALID_BAUD_RATE);
  EXPECT_EQ(FT_SetBaudRate(h, 4000000), FT_INVALID_BAUD_RATE);
  EXPECT_EQ(FT_SetBitMode(h, 0xFF, 0x03), FT_INVALID_PARAMETER);
  EXPECT_EQ(FT_SetUSBParameters(h, 100, 64), FT_INVALID_PARAMETER);
  EXPECT_EQ(board->log.size(), calls);
  EXPECT_EQ(FT_SetUSBParameters(h, 4096, 0), FT_OK);  // 0: the out size stays
  EXPECT_EQ(board->log.back(), "read_chunksize 4096");
}

// ---- Data --------------------------------------------------------------------------

TEST_F(FtdiBackendTest, BytesGoOutAndComeBackInOrder) {
  Chip board = bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  const FT_HANDLE h = open_at(0);
  UCHAR request[] = {0x57, 0x5F, 0x1B};
  DWORD written = 0;
  ASSERT_EQ(FT_Write(h, request, 3, &written), FT_OK);
  EXPECT_EQ(written, 3u);
  EXPECT_EQ(board->written, (Bytes{0x57, 0x5F, 0x1B}));

  board->send({1, 2, 3, 4});
  DWORD rx = 0, tx = 9, events = 9;
  ASSERT_EQ(FT_GetStatus(h, &rx, &tx, &events), FT_OK);
  EXPECT_EQ(rx, 4u);
  EXPECT_EQ(tx, 0u);
  board->send({5, 6});
  ASSERT_EQ(FT_GetStatus(h, &rx, &tx, &events), FT_OK);
  EXPECT_EQ(rx, 6u);
  board->send({7});
  UCHAR out[7] = {};
  DWORD got = 0;
  ASSERT_EQ(FT_Read(h, out, 7, &got), FT_OK);
  EXPECT_EQ(got, 7u);
  EXPECT_EQ(Bytes(out, out + 7), (Bytes{1, 2, 3, 4, 5, 6, 7}));

  board->pins = 0x02;
  UCHAR pins = 0;
  ASSERT_EQ(FT_GetBitMode(h, &pins), FT_OK);
  EXPECT_EQ(pins, 0x02);
}

TEST_F(FtdiBackendTest, AReadWaitsForTheRestOfAReplyButNotLongerThanItsBound) {
  Chip board = bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  const FT_HANDLE h = open_at(0);
  board->send(Bytes(13, 0xA0));
  board->send_later(0.010, Bytes(13, 0xA1));
  UCHAR out[26] = {};
  DWORD got = 0;
  ASSERT_EQ(FT_Read(h, out, 26, &got), FT_OK);
  EXPECT_EQ(got, 26u);
  EXPECT_EQ(out[25], 0xA1);

  // Half a reply and nothing more: the read gives what came when its time is up.
  board->send(Bytes(13, 0xB0));
  const double start = kd71::clock::now();
  ASSERT_EQ(FT_Read(h, out, 26, &got), FT_OK);
  EXPECT_EQ(got, 13u);
  const double spent = kd71::clock::now() - start;
  EXPECT_GE(spent, kd71::ftdi::kReadTimeoutSeconds);
  EXPECT_LE(spent, kd71::ftdi::kReadTimeoutSeconds + board->read_seconds +
                       kd71::ftdi::kIdleReadSeconds + 1e-9);
}

// The chip samples its pins into the receive buffer while in bit-bang mode.
// The purge before a poll must throw all of them away, including those
// still on their way, and the read after it must keep every reply byte.
TEST_F(FtdiBackendTest, PurgeDrainsPinSamplesAndTheReplyAfterItIsIntact) {
  Chip board = bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  const FT_HANDLE h = open_at(0);
  board->send(Bytes(40, 0x03));
  DWORD rx = 0, tx = 0, events = 0;
  ASSERT_EQ(FT_GetStatus(h, &rx, &tx, &events), FT_OK);
  EXPECT_EQ(rx, 40u);
  board->send(Bytes(5, 0x03));
  board->in_flight = Bytes(7, 0x01);

  ASSERT_EQ(FT_SetBitMode(h, 0x03, FT_BITMODE_RESET), FT_OK);
  ASSERT_EQ(FT_Purge(h, FT_PURGE_RX | FT_PURGE_TX), FT_OK);
  EXPECT_EQ(board->log.back(), "tcioflush");
  ASSERT_EQ(FT_GetStatus(h, &rx, &tx, &events), FT_OK);
  EXPECT_EQ(rx, 0u);

  UCHAR poll = 0x57;
  DWORD written = 0;
  ASSERT_EQ(FT_Write(h, &poll, 1, &written), FT_OK);
  Bytes reply;
  for (int i = 0; i < 26; ++i) reply.push_back(static_cast<std::uint8_t>(0x10 * (i % 16) + 7));
  board->send(reply);
  ASSERT_EQ(FT_SetBitMode(h, 0x03, FT_BITMODE_ASYNC_BITBANG), FT_OK);
  ASSERT_EQ(FT_GetStatus(h, &rx, &tx, &events), FT_OK);
  EXPECT_EQ(rx, 26u);
  UCHAR out[26] = {};
  DWORD got = 0;
  ASSERT_EQ(FT_Read(h, out, 26, &got), FT_OK);
  EXPECT_EQ(Bytes(out, out + got), reply);
}

TEST_F(FtdiBackendTest, PurgeFlushesOnlyTheDirectionsAskedFor) {
  Chip board = bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  const FT_HANDLE h = open_at(0);
  board->send({1, 2});
  DWORD rx = 0, tx = 0, events = 0;
  ASSERT_EQ(FT_GetStatus(h, &rx, &tx, &events), FT_OK);
  ASSERT_EQ(FT_Purge(h, FT_PURGE_TX), FT_OK);
  EXPECT_EQ(board->log.back(), "tcoflush");
  ASSERT_EQ(FT_GetStatus(h, &rx, &tx, &events), FT_OK);
  EXPECT_EQ(rx, 2u);
  ASSERT_EQ(FT_Purge(h, FT_PURGE_RX), FT_OK);
  EXPECT_EQ(board->log.back(), "tciflush");
  ASSERT_EQ(FT_GetStatus(h, &rx, &tx, &events), FT_OK);
  EXPECT_EQ(rx, 0u);
}

// ---- Lost devices ------------------------------------------------------------------

TEST_F(FtdiBackendTest, AnUnpluggedBoardGivesDeviceNotFoundOnEveryCall) {
  Chip board = bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  const FT_HANDLE h = open_at(0);
  bus_->unplug(board);
  UCHAR byte = 0x57;
  DWORD n = 0;
  // libftdi reports the failed write like any failed transfer; libusb
  // tells that the device is gone.
  EXPECT_EQ(FT_Write(h, &byte, 1, &n), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(board->open_handles, 0);  // its handle is released at once
  EXPECT_EQ(FT_SetBaudRate(h, 115200), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(FT_SetBitMode(h, 0x03, 1), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(FT_GetBitMode(h, &byte), FT_DEVICE_NOT_FOUND);
  DWORD rx = 0, tx = 0, events = 0;
  EXPECT_EQ(FT_GetStatus(h, &rx, &tx, &events), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(FT_Read(h, &byte, 1, &n), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(FT_Purge(h, 3), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(FT_CyclePort(h), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(lines_with("lost USB device \"VORN_KD71_2CH\""), 1);
  EXPECT_TRUE(list().empty());
  EXPECT_EQ(FT_Close(h), FT_OK);
}

TEST_F(FtdiBackendTest, AnUnplugSeenFirstByTheListReleasesTheHandle) {
  Chip board = bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  const FT_HANDLE h = open_at(0);
  bus_->unplug(board);
  EXPECT_TRUE(list().empty());
  EXPECT_EQ(board->open_handles, 0);
  UCHAR pins = 0;
  EXPECT_EQ(FT_GetBitMode(h, &pins), FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(lines_with("no longer attached"), 1);
}

TEST_F(FtdiBackendTest, AFailedTransferOnABoardStillThereIsAnIoError) {
  Chip board = bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  const FT_HANDLE h = open_at(0);
  board->fail_next["write"] = {-1, -1};
  UCHAR byte = 0x57;
  DWORD n = 0;
  EXPECT_EQ(FT_Write(h, &byte, 1, &n), FT_IO_ERROR);
  EXPECT_EQ(FT_Write(h, &byte, 1, &n), FT_IO_ERROR);
  EXPECT_EQ(FT_Write(h, &byte, 1, &n), FT_OK);
  EXPECT_EQ(board->written, (Bytes{0x57}));
  EXPECT_EQ(lines_with("ftdi_write_data: -1"), 1);
}

TEST_F(FtdiBackendTest, TheLinkReconnectsAfterUnplugAndReplug) {
  Chip board = bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  ASSERT_EQ(usb_aliveQ(), 1);
  ASSERT_EQ(init_usb(), 1);
  const FT_HANDLE first = usb_handle;

  bus_->unplug(board);
  EXPECT_EQ(usb_aliveQ(), 0);  // the link keeps its stale handle
  Chip again = bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  ASSERT_EQ(usb_aliveQ(), 1);
  ASSERT_EQ(init_usb(), 1);
  EXPECT_NE(usb_handle, first);
  EXPECT_EQ(again->open_handles, 1);
  EXPECT_EQ(again->log.at(1), "set_baudrate 115200");
}

TEST_F(FtdiBackendTest, CyclePortResetsTheBoardWhichIsThenFoundAnew) {
  Chip board = bus_->plug("VORN_KD71_2CH", "KD71SN000042");
  const FT_HANDLE h = open_at(0);
  ASSERT_EQ(FT_CyclePort(h), FT_OK);
  EXPECT_EQ(board->log.back(), "reset_port");
  EXPECT_EQ(board->open_handles, 0);
  UCHAR pins = 0;
  EXPECT_EQ(FT_GetBitMode(h, &pins), FT_DEVICE_NOT_FOUND);

  const auto nodes = list();
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_EQ(nodes[0].ftHandle, nullptr);
  FT_HANDLE reopened = nullptr;
  ASSERT_EQ(FT_Open(0, &reopened), FT_OK);
  EXPECT_EQ(board->open_handles, 1);
  EXPECT_EQ(FT_Close(h), FT_OK);
  EXPECT_EQ(board->open_handles, 1);
}

}  // namespace

// The backend over the real libftdi1 and libusb, on whatever this machine
// has attached: CI machines have no board.
class RealFtdiBackendTest : public kd71::test::FreshState {};

TEST_F(RealFtdiBackendTest, WithoutABoardTheLinkStaysDisconnected) {
  if (!install_bridge("ftdi")) GTEST_SKIP() << "libusb cannot start on this machine";
  DWORD n = 0;
  ASSERT_EQ(FT_CreateDeviceInfoList(&n), FT_OK);
  std::vector<FT_DEVICE_LIST_INFO_NODE> nodes(std::max<DWORD>(n, 1));
  DWORD capacity = static_cast<DWORD>(nodes.size());
  ASSERT_EQ(FT_GetDeviceInfoList(nodes.data(), &capacity), FT_OK);
  for (DWORD i = 0; i < std::min<DWORD>(n, capacity); ++i)
    if (kd71::ftdi::describes_board(nodes[i].Description)) GTEST_SKIP() << "a board is attached";
  EXPECT_EQ(usb_aliveQ(), 0);
  EXPECT_EQ(init_usb(), 0);
  EXPECT_EQ(kd71::bridge::open_handle_count(), 0);
}

namespace {

// --list-boards over USB: the instrument's boards alone, where each is
// plugged in, and for one this user may not open, the line that says why.
TEST_F(FtdiBackendTest, TheBoardListSaysWhereEachBoardIsAndWhetherItMayBeOpened) {
  bus_->plug("VORN_KD71_2CH", "KD71SN000041", 2);
  bus_->plug("FT232R USB UART", "A9F00001", 3);
  Chip locked = bus_->plug("vorn_kd71_2ch", "KD71SN000042", 4);
  locked->strings_code = -4;
  locked->probe_code = LIBUSB_ERROR_ACCESS;
  std::FILE* out = std::tmpfile();
  EXPECT_EQ(list_boards(out, ""), 0);
  std::rewind(out);
  char line[512];
  ASSERT_NE(std::fgets(line, sizeof line, out), nullptr);
  EXPECT_STREQ(line, "KD71SN000041  VORN_KD71_2CH  bus 1 port 1.2  may be opened\n");
  ASSERT_NE(std::fgets(line, sizeof line, out), nullptr);
  EXPECT_EQ(
      std::string(line).rfind("KD71SN000042  vorn_kd71_2ch  bus 1 port 1.4  no permission to "
                              "open USB board \"vorn_kd71_2ch\" (0403:6001) at bus 1 port 1.4",
                              0),
      0u)
      << line;
  EXPECT_EQ(std::fgets(line, sizeof line, out), nullptr) << "the foreign adapter is not listed";
  std::fclose(out);
}

}  // namespace
