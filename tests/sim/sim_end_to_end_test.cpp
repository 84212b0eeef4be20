// The program's own link, packet, I2C, expander and DAC layers against the
// simulated board: what they write arrives where the board says it should,
// and what the board sends decodes as the board meant it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/bridge_choice.h"
#include "hardware/DS4520.h"
#include "hardware/MCP4728.h"
#include "hardware/lowlevel.h"
#include "platform/os/clock.h"
#include "sim/sim_board.h"
#include "tests/support/fresh_state.h"

namespace {

using kd71::sim::Attached;
using kd71::sim::Scenario;

class SimEndToEndTest : public kd71::test::FreshState {
 protected:
  kd71::sim::SimBoard* connect(const Scenario& s = {}) {
    kd71::sim::SimBoard* board = kd71::sim::install_simulated_board(s);
    linkUp = static_cast<unsigned char>(usb_aliveQ());
    EXPECT_EQ(linkUp, 1);
    EXPECT_EQ(init_usb(), 1);
    return board;
  }
};

TEST_F(SimEndToEndTest, LinkOpensTheLaterBoardAndReadsItsSerialNumber) {
  Scenario s;
  s.devices = {Attached::Board, Attached::Foreign, Attached::Board};
  connect(s);
  EXPECT_FALSE(kd71::sim::simulated_board(0)->is_open());
  kd71::sim::SimBoard* later = kd71::sim::simulated_board(1);
  EXPECT_TRUE(later->is_open());
  EXPECT_EQ(std::string(deviceSerialNumber), later->serial());
  EXPECT_EQ(later->usb_port().baud, 115200u);
  EXPECT_EQ(later->usb_port().latency_ms, 2);
  EXPECT_EQ(later->usb_port().mode, FT_BITMODE_ASYNC_BITBANG);
}

TEST_F(SimEndToEndTest, RoutinePollsDecodeWhatTheBoardSent) {
  kd71::sim::SimBoard* board = connect();
  DS4520_IOX_wr_multibit(7, 0x0F, 8);  // channel 1 expects PRBS31
  DS4520_IOX_wr_multibit(6, 0x0F, 8);
  EXPECT_EQ(FetchRoutinePacket(1), 0);
  EXPECT_EQ(packets[1].frequency, 10000);
  EXPECT_EQ(packets[1].channel_state, 0x80);
  EXPECT_EQ(packets[1].sync_flags, 1);
  EXPECT_EQ(FetchRoutinePacket(2), 0);
  EXPECT_EQ(packets[2].frequency, 28000);
  EXPECT_EQ(packets[2].seq_no, board->seq_no(2));
  EXPECT_EQ(pollReadPacket(1, 7), 0);
  EXPECT_EQ(packets[1].bytes[0] << 8 | packets[1].bytes[1], board->firmware_version());
}

TEST_F(SimEndToEndTest, ExpanderWritesReachThePinsAndReadBack) {
  kd71::sim::SimBoard* board = connect();
  DS4520_IO_write(7, 4, 1);  // channel 1 manual mode
  DS4520_IO_write(6, 8, 1);  // channel 2 manual mode
  DS4520_IO_write(6, 7, 1);  // channel 2 9372 phase
  EXPECT_TRUE(board->manual_mode(1));
  EXPECT_TRUE(board->manual_mode(2));
  EXPECT_EQ(board->phase_in_use(2), 4);
  EXPECT_EQ(DS4520_IO_read(6), 0x180);
  EXPECT_EQ(board->expander(6).pins, 0x180u);
  // A pin change is four transactions: two for the read, two for the writes.
  const auto before = board->counters().i2c.stops;
  DS4520_IO_write(7, 4, 0);
  EXPECT_EQ(board->counters().i2c.stops - before, 4u);
  EXPECT_FALSE(board->manual_mode(1));
}

TEST_F(SimEndToEndTest, DacWritesReachTheirChannelAndReadBack) {
  kd71::sim::SimBoard* board = connect();
  dac_write(5, 1.0f, 1);   // channel 1 sampling delay: 0x61 channel B
  dac_write(1, 0.5f, 1);   // channel 2 sampling delay: 0x60 channel B
  dac_write(0, 1.65f, 0);  // 0x60 channel A, with EEPROM
  EXPECT_EQ(board->dac(1, 1).input.code, 1241);
  EXPECT_EQ(board->dac(0, 1).input.code, 620);
  EXPECT_EQ(board->dac(0, 0).eeprom.code, 2047);
  const DACSet set = mcp4728_dac_read(0);
  EXPECT_EQ(((set.reg[2].config_code_hi & 0x0F) << 8) | set.reg[2].code_lo, 620);
  EXPECT_EQ(((set.reg[1].config_code_hi & 0x0F) << 8) | set.reg[1].code_lo, 2047);
  // In manual mode the DAC sets the channel's sampling point.
  DS4520_IO_write(7, 4, 1);
  dac_write(5, 2.0f, 1);
  EXPECT_NEAR(board->sampling_delay_v(1), 2.0, 0.001);
}

TEST_F(SimEndToEndTest, UnplugMidExchangeFailsCleanlyAndTheLinkNoticesIt) {
  kd71::sim::SimBoard* board = connect();
  board->unplug_after_calls(3);
  EXPECT_EQ(FetchRoutinePacket(1), 10);
  EXPECT_NE(packets[1].bytes[12], 0xAA);
  EXPECT_EQ(usb_aliveQ(), 0);
  board->plug();
  EXPECT_EQ(usb_aliveQ(), 1);
  EXPECT_EQ(init_usb(), 1);
  EXPECT_EQ(FetchRoutinePacket(1), 0);
}

// The lines of a VCD trace, replayed: the number of START conditions seen.
int starts_in_trace(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  bool scl = true, sda = true;
  int starts = 0;
  while (std::getline(in, line)) {
    if (line.size() != 2 || (line[0] != '0' && line[0] != '1')) continue;
    const bool v = line[0] == '1';
    if (line[1] == '!') scl = v;
    if (line[1] == '"') {
      if (scl && sda && !v) ++starts;
      sda = v;
    }
  }
  return starts;
}

TEST_F(SimEndToEndTest, TheI2cTraceRecordsEveryTransaction) {
  const auto path = std::filesystem::temp_directory_path() / "kd71_sim_trace_test.vcd";
  ASSERT_TRUE(install_bridge("sim", path.string()));
  linkUp = static_cast<unsigned char>(usb_aliveQ());
  ASSERT_EQ(init_usb(), 1);
  DS4520_IO_write(7, 2, 1);
  const auto starts = kd71::sim::simulated_board()->counters().i2c.starts;
  kd71::bridge::reset();  // closes the trace
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  std::filesystem::remove(path);
  EXPECT_NE(text.str().find("$var wire 1 ! SCL $end"), std::string::npos);
  EXPECT_NE(text.str().find("$var wire 1 \" SDA $end"), std::string::npos);
  EXPECT_EQ(starts_in_trace(text.str()), static_cast<int>(starts));
  EXPECT_GE(starts, 4u);
}

TEST_F(SimEndToEndTest, AnUnwritableTraceStillInstallsTheBoard) {
  EXPECT_TRUE(install_bridge("sim", "/nonexistent-dir/trace.vcd"));
  EXPECT_NE(kd71::sim::simulated_board(), nullptr);
  EXPECT_EQ(usb_aliveQ(), 1);
}

}  // namespace
