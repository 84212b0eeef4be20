// The program on the simulated board when the board goes away for less than
// a tick, the bridge resets itself, or a chip stops answering.
#include <gtest/gtest.h>

#include <string>

#include "app/slider_state.h"
#include "hardware/analog_scale.h"
#include "hardware/debug_flags.h"
#include "hardware/i2c_comms.h"
#include "hardware/lowlevel.h"
#include "hardware/packet_codec.h"
#include "results/measurement_log.h"
#include "tests/support/csv_rows.h"
#include "tests/support/sim_program_fixture.h"

namespace {

using kd71::sim::Call;
using kd71::sim::SimBoard;

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class LinkRecoveryTest : public kd71::test::SimProgramTest {
 protected:
  // Routine polls of one tick: one FT_GetStatus each.
  std::uint64_t polls_of_a_tick(SimBoard* board) {
    const std::uint64_t before = board->calls().of(Call::GetStatus);
    tick();
    return board->calls().of(Call::GetStatus) - before;
  }
};

TEST_F(LinkRecoveryTest, AReplugShorterThanATickOrABridgeResetReconnectsWithThePanelSettings) {
  SimBoard* board = start();
  run_until(1.0);
  smoothDelay = 0;  // delays through the DACs, whose fast writes a power-up loses
  commit(PANELMAIN_DATA_SELECT_CH1, 3);
  slide(PANELMAIN_CH1_THRES, 12.5);
  commit(PANELMAIN_CKBX_MANUAL_MD_CH2, 1);
  slide(PANELMAIN_CH2_SAMPDEL, 1.0);
  run_until(2.0);

  board->set_firmware_version(0x2200);  // read again only by a new connection
  board->unplug();
  Delay(0.05);  // back before the next tick lists the devices
  board->plug();
  debug_usb = 1;
  testing::internal::CaptureStdout();
  run_until(2.5);
  const std::string out = testing::internal::GetCapturedStdout();
  debug_usb = 0;
  EXPECT_EQ(count(out, "USB link dropped: FT_SetBitMode failed (ftStatus=2, device not found)\n"),
            1);
  EXPECT_EQ(count(out, "USB link dropped"), 1);
  EXPECT_EQ(count(out, "Failure on attempt to change bit mode\n"), 1) << out;  // no storm
  EXPECT_EQ(text(PANELMAIN_NOTIFY_USER), "USB CONNECTED");
  EXPECT_EQ(attribute(PANELMAIN_NOTIFY_USER, ATTR_TEXT_COLOR), 0x008000);
  EXPECT_EQ(text(PANELMAIN_FIRMWARE_VER_NO), "2200");
  EXPECT_EQ(kd71::bridge::open_handle_count(), 1);  // the dead handle was closed
  EXPECT_EQ(board->pattern_code(1), 3);
  EXPECT_EQ(board->threshold(1).code_p, threshold_code_p(12.5f));
  EXPECT_TRUE(board->manual_mode(2));
  EXPECT_EQ(board->dac(0, 1).input.code, dac_code(1.0f));  // channel 2's sampling delay
  EXPECT_EQ(polls_of_a_tick(board), 2u);                   // not ten failed ones per channel
  EXPECT_EQ(number(PANELMAIN_RETRIES), 0.0);

  const auto pushes = board->counters().register_writes[5];
  ASSERT_EQ(FT_CyclePort(usb_handle), FT_OK);  // re-enumerates; the board stays listed
  run_until(Timer() + 0.5);
  EXPECT_EQ(board->counters().register_writes[5], pushes + 1);
  EXPECT_EQ(kd71::bridge::open_handle_count(), 1);
  EXPECT_EQ(polls_of_a_tick(board), 2u);
}

TEST_F(LinkRecoveryTest, EachLossIsLoggedAsNoticedAndErrorFreeTimeSkipsTheTimeWithoutABoard) {
  SimBoard* board = start();
  run_until(1.0);
  ASSERT_TRUE(start_measurement_log((folder_.path() / "log.csv").string(), nullptr));
  run_until(2.0);
  const double error_free = number(PANELMAIN_ERROR_FREE_CH2);
  // A bridge reset under a routine that holds the thread for 10 s: nothing measured.
  ASSERT_EQ(FT_CyclePort(usb_handle), FT_OK);
  FetchRoutinePacket(1);
  Delay(10.0);
  run_until(14.0);
  EXPECT_NEAR(number(PANELMAIN_ERROR_FREE_CH2), error_free + 12.0 - 10.0, 1.0);
  board->unplug();
  Delay(0.05);  // back before the next tick lists the devices
  board->plug();
  run_until(15.0);
  std::string links;
  for (const kd71::test::CsvRow& row : kd71::test::csv_rows(folder_.read("log.csv")))
    if (row[2].rfind("link", 0) == 0)
      links += row[2] + " " + std::to_string(static_cast<int>(kd71::test::csv_number(row[1]))) + "; ";
  // The first loss at 1 s, when the routine's call found the board gone.
  EXPECT_EQ(links, "link down 1; link up 11; link down 13; link up 13; ");
}

TEST_F(LinkRecoveryTest, ABoardLostInsideAnI2cTransactionOfThePushGetsTheWholeSetNextTick) {
  SimBoard* board = start(kd71::sim::Scenario::no_board());
  board->plug();
  board->unplug_after_calls(100);  // past the open, inside the first expander read
  debug_i2c = 1;
  testing::internal::CaptureStderr();
  tick();
  EXPECT_EQ(count(testing::internal::GetCapturedStderr(), "\n"), 1);  // the first failed step
  EXPECT_GT(board->counters().i2c.starts, board->counters().i2c.stops);
  EXPECT_EQ(i2cBusy, 0);
  board->plug();
  tick();
  EXPECT_EQ(board->pattern_code(1), 8);
  EXPECT_EQ(board->threshold(1).code_p, threshold_code_p(0.0f));
  EXPECT_EQ(polls_of_a_tick(board), 2u);
}

TEST_F(LinkRecoveryTest, AnUnplugAcrossTicksOrDuringTheOpenLeavesNoHandleBehind) {
  SimBoard* board = start();
  run_until(1.0);
  board->unplug();  // between two ticks: no call finds the handle dead first
  run_until(1.5);
  EXPECT_EQ(text(PANELMAIN_NOTIFY_USER), "USB NOT CONNECTED");
  EXPECT_EQ(kd71::bridge::open_handle_count(), 0);

  // Back, and gone again right after the open, at the first setting.
  const auto bauds = board->calls().of(Call::SetBaudRate);
  board->on_each_call([&] {
    if (board->calls().of(Call::SetBaudRate) > bauds) board->unplug();
  });
  board->plug();
  tick();
  board->on_each_call({});
  EXPECT_EQ(kd71::bridge::open_handle_count(), 0);
  board->plug();
  tick();
  EXPECT_EQ(text(PANELMAIN_NOTIFY_USER), "USB CONNECTED");
  EXPECT_EQ(kd71::bridge::open_handle_count(), 1);
}

TEST_F(LinkRecoveryTest, ChipsThatDoNotAcknowledgeKeepTheirPinsAndThePushNamesThem) {
  SimBoard* board = start(kd71::sim::Scenario::no_board());
  board->set_i2c_nack(0x56);
  board->set_i2c_nack(0x61);
  testing::internal::CaptureStdout();
  board->plug();
  run_until(0.5);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "board settings incomplete: no acknowledge from expander 0x56, DAC 0x61\n");
  EXPECT_EQ(board->pattern_code(1), 8);  // chip 7 answered

  // Chip 7 busy through the read of a pin change (as after an EEPROM write),
  // answering again for the write: the write must not go out on 0xFF.
  constexpr unsigned kPatternManualAndDividerPins = 0x7F;
  const auto pins = board->expander(7).pins & kPatternManualAndDividerPins;
  board->nack_next_i2c(0x57, 2);
  commit(PANELMAIN_CKBX_MANUAL_MD_CH1, 1);
  run_until(0.6);
  EXPECT_EQ(board->expander(7).pins & kPatternManualAndDividerPins, pins);
}

}  // namespace
