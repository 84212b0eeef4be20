// The program's board link in this process, its libftdi1 backend on an
// emulated chip: replies that span USB packets, and what the connect and a
// measurement tick cost through the chip (libftdi1, libusb and the kernel's
// USB interface) against the simulated board.
#include <chrono>
#include <cstdio>
#include <functional>

#include "app/measurement.h"
#include "app/startup.h"
#include "hardware/lowlevel.h"
#include "hardware/lowlevel_link.h"
#include "platform/bridge/bridge_backend.h"
#include "platform/bridge/ftdi_backend.h"
#include "platform/os/clock.h"
#include "platform/ui_runtime/ui_store.h"
#include "sim/sim_bus.h"
#include "tests/platform/bridge/emulated_chip/ftdi_chip.h"
#include "tests/platform/bridge/emulated_chip/usb_testbed.h"
#include "tests/support/fresh_state.h"
#include "tests/support/scripted_frontend.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace {

using kd71::bridge::Backend;
using kd71::bridge::DeviceInfo;
using Clock = std::chrono::steady_clock;
constexpr int kTicks = 50;
constexpr double kTickPeriod = 0.2;

// Passes every call on, counting them.
class CountingBackend : public Backend {
 public:
  explicit CountingBackend(std::unique_ptr<Backend> inner) : inner_(std::move(inner)) {}
  std::uint64_t calls = 0;

  const char* name() const override { return inner_->name(); }
  FT_STATUS list_devices(std::vector<DeviceInfo>& out) override {
    return ++calls, inner_->list_devices(out);
  }
  FT_STATUS open(unsigned index, int* token) override { return ++calls, inner_->open(index, token); }
  FT_STATUS close(int t) override { return ++calls, inner_->close(t); }
  FT_STATUS set_baud_rate(int t, ULONG baud) override {
    return ++calls, inner_->set_baud_rate(t, baud);
  }
  FT_STATUS set_bit_mode(int t, UCHAR mask, UCHAR mode) override {
    return ++calls, inner_->set_bit_mode(t, mask, mode);
  }
  FT_STATUS set_usb_parameters(int t, ULONG in, ULONG out) override {
    return ++calls, inner_->set_usb_parameters(t, in, out);
  }
  FT_STATUS set_latency_timer(int t, UCHAR ms) override {
    return ++calls, inner_->set_latency_timer(t, ms);
  }
  FT_STATUS get_bit_mode(int t, UCHAR* pins) override {
    return ++calls, inner_->get_bit_mode(t, pins);
  }
  FT_STATUS write(int t, const UCHAR* data, DWORD size, DWORD* written) override {
    return ++calls, inner_->write(t, data, size, written);
  }
  FT_STATUS get_status(int t, DWORD* rx, DWORD* tx, DWORD* events) override {
    return ++calls, inner_->get_status(t, rx, tx, events);
  }
  FT_STATUS read(int t, UCHAR* data, DWORD size, DWORD* got) override {
    return ++calls, inner_->read(t, data, size, got);
  }
  FT_STATUS purge(int t, ULONG mask) override { return ++calls, inner_->purge(t, mask); }
  FT_STATUS cycle_port(int t) override { return ++calls, inner_->cycle_port(t); }

 private:
  std::unique_ptr<Backend> inner_;
};

// Per connect or per tick.
struct Cost {
  double calls = 0, transfers = 0, requests = 0, ms = 0;
};

class ChipInProcessTest : public kd71::test::FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    kd71::ui::set_front_end(&fe_);
    bed_.plug(board_, 1);
  }
  // Starts the program on `backend`, which connects the board.
  void start(std::unique_ptr<Backend> backend) {
    auto counting = std::make_unique<CountingBackend>(std::move(backend));
    counter_ = counting.get();
    kd71::bridge::install(std::move(counting));
    ASSERT_EQ(start_program(), 0);
    ASSERT_EQ(prevLinkState, 1);  // connected
  }
  void start_on_chip() {
    auto ftdi = kd71::ftdi::make_ftdi_backend();
    ASSERT_NE(ftdi, nullptr);
    start(std::move(ftdi));
  }
  // The connect, then the ticks, each a tick period later on the clock;
  // `chip` (if any) counts what reached it.
  void measure(std::unique_ptr<Backend> backend, const kd71::test::FtdiChip* chip, Cost& connect,
               Cost& tick) {
    seen_ = {};
    Clock::time_point since = Clock::now();
    start(std::move(backend));
    connect = take(chip, since, 1);
    since = Clock::now();
    for (int i = 0; i < kTicks; ++i) {
      kd71::clock::spend(kTickPeriod);
      CBTimer(panelHandle, PANELMAIN_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0);
    }
    tick = take(chip, since, kTicks);
  }
  Cost take(const kd71::test::FtdiChip* chip, Clock::time_point since, int count) {
    Cost now;
    now.ms = std::chrono::duration<double, std::milli>(Clock::now() - since).count();
    now.calls = static_cast<double>(counter_->calls);
    if (chip) {
      now.transfers = static_cast<double>(chip->log().size());
      now.requests = static_cast<double>(chip->requests());
    }
    const Cost per = {(now.calls - seen_.calls) / count, (now.transfers - seen_.transfers) / count,
                      (now.requests - seen_.requests) / count, now.ms / count};
    seen_ = now;
    return per;
  }

  kd71::test::UsbTestbed bed_;  // outlives the backend, which TearDown removes
  kd71::test::FtdiChip board_{"VORN_KD71_2CH", "KD71EMU00001", true};
  kd71::test::ScriptedFrontEnd fe_;
  kd71::test::WorkFolder folder_;
  CountingBackend* counter_ = nullptr;
  Cost seen_;
};

// The subchannel reply takes three USB packets, the snapshot two, and both
// trickle in over several reads at the UART's rate: the bytes the board sent
// arrive whole and in order, each packet's status bytes gone.
TEST_F(ChipInProcessTest, RepliesLongerThanOneUsbPacketArriveWhole) {
  start_on_chip();
  for (int kind : {kSubchannelKind, kSnapshotKind}) {
    const std::size_t before = board_.delivered().size();
    writePollRequest(channel_code(1, kind));
    std::vector<UCHAR> reply(static_cast<std::size_t>(expected_reply_length(channel_code(1, kind))));
    DWORD got = 0;
    ASSERT_EQ(FT_Read(usb_handle, reply.data(), static_cast<DWORD>(reply.size()), &got), FT_OK);
    const std::vector<std::uint8_t> sent = board_.delivered();
    EXPECT_EQ(reply, std::vector<UCHAR>(sent.begin() + static_cast<std::ptrdiff_t>(before), sent.end()));
  }
}

// A board pulled out is lost with libusb's reason whichever call meets it
// first: a control transfer, a write, a read. (libftdi's own text for the
// failed control transfer guesses at a chip without bit modes.)
TEST_F(ChipInProcessTest, APulledBoardIsLostWithLibusbsReasonWhicheverCallMeetsIt) {
  using Call = std::function<FT_STATUS(FT_HANDLE)>;
  UCHAR byte = 0;
  DWORD n = 0, rx = 0, tx = 0, events = 0;
  const std::vector<std::pair<std::string, Call>> calls = {
      {"B1", [&](FT_HANDLE h) { return FT_SetBitMode(h, 0xFF, FT_BITMODE_ASYNC_BITBANG); }},
      {"B2", [&](FT_HANDLE h) { return FT_Write(h, &byte, 1, &n); }},
      {"B3", [&](FT_HANDLE h) { return FT_GetStatus(h, &rx, &tx, &events); }}};
  std::vector<std::unique_ptr<kd71::test::FtdiChip>> chips;
  for (const auto& [serial, call] : calls) {
    chips.push_back(std::make_unique<kd71::test::FtdiChip>("VORN_KD71_2CH", serial, true));
    bed_.plug(*chips.back(), static_cast<int>(chips.size()) + 1);
  }
  std::vector<std::string> lines;
  kd71::bridge::install(std::make_unique<kd71::ftdi::FtdiBackend>(
      kd71::ftdi::make_libftdi_bus(), [&](const std::string& line) { lines.push_back(line); }));
  FT_DEVICE_LIST_INFO_NODE nodes[kDeviceListSize] = {};
  DWORD count = kDeviceListSize;
  ASSERT_EQ(FT_CreateDeviceInfoList(&count), FT_OK);
  ASSERT_EQ(FT_GetDeviceInfoList(nodes, &count), FT_OK);
  for (std::size_t i = 0; i < calls.size(); ++i) {
    FT_HANDLE h = nullptr;
    for (DWORD j = 0; j < count; ++j) {
      if (calls[i].first == nodes[j].SerialNumber) {
        ASSERT_EQ(FT_Open(static_cast<int>(j), &h), FT_OK);
      }
    }
    ASSERT_NE(h, nullptr);
    chips[i]->unplug(0);
    lines.clear();
    EXPECT_EQ(calls[i].second(h), FT_DEVICE_NOT_FOUND) << calls[i].first;
    ASSERT_EQ(lines.size(), 1u) << calls[i].first;
    EXPECT_NE(lines[0].find("lost USB device \"VORN_KD71_2CH\""), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("LIBUSB_ERROR_NO_DEVICE"), std::string::npos) << lines[0];
  }
  kd71::bridge::reset();  // the backend goes before the chips
}

// Figures, not assertions.
TEST_F(ChipInProcessTest, ConnectAndTickCostThroughTheChipAgainstTheSimulatedBoard) {
  Cost sim_connect, sim_tick, chip_connect, chip_tick;
  measure(std::make_unique<kd71::sim::SimBus>(kd71::sim::Scenario{}), nullptr, sim_connect,
          sim_tick);
  kd71::test::reset_all();
  kd71::ui::set_front_end(&fe_);
  auto ftdi = kd71::ftdi::make_ftdi_backend();
  ASSERT_NE(ftdi, nullptr);
  measure(std::move(ftdi), &board_, chip_connect, chip_tick);

  std::printf(
      "connect: %.0f bridge calls (simulated board %.0f): simulated board %.1f ms, emulated chip "
      "%.0f ms (%.0f USB transfers, %.0f usbdevfs requests)\n"
      "tick: %.1f bridge calls (simulated board %.1f): simulated board %.3f ms, emulated chip "
      "%.2f ms (%.1f USB transfers, %.1f usbdevfs requests)\n",
      chip_connect.calls, sim_connect.calls, sim_connect.ms, chip_connect.ms,
      chip_connect.transfers, chip_connect.requests, chip_tick.calls, sim_tick.calls, sim_tick.ms,
      chip_tick.ms, chip_tick.transfers, chip_tick.requests);
  RecordProperty("tick_bridge_calls", std::to_string(chip_tick.calls));
  RecordProperty("tick_ms_emulated_chip", std::to_string(chip_tick.ms));
  RecordProperty("tick_ms_simulated_board", std::to_string(sim_tick.ms));
}

}  // namespace
