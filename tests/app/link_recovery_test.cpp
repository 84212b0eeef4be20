// The program on the simulated board when the board goes away for less than
// a tick, the bridge resets itself, or a chip stops answering: what the user
// sees, and what the board holds afterwards.
#include <gtest/gtest.h>

#include <string>

#include "app/analog_controls.h"
#include "hardware/analog_scale.h"
#include "hardware/i2c_comms.h"
#include "hardware/lowlevel.h"
#include "hardware/packet_codec.h"
#include "platform/bridge_backend.h"
#include "tests/app/sim_program_fixture.h"

namespace {

using kd71::sim::Call;
using kd71::sim::Scenario;
using kd71::sim::SimBoard;

// How often `what` occurs in `text`.
int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class LinkRecoveryTest : public kd71::test::SimProgramTest {
 protected:
  // Routine polls one tick makes: one FT_GetStatus per attempt.
  std::uint64_t polls_of_a_tick(SimBoard* board) {
    const std::uint64_t before = board->calls().of(Call::GetStatus);
    tick();
    return board->calls().of(Call::GetStatus) - before;
  }
};

TEST_F(LinkRecoveryTest, AReplugShorterThanATickReconnectsAndRestoresThePanelSettings) {
  SimBoard* board = start();
  run_until(1.0);
  // The user's settings, none of them the board's power-up state. The
  // sampling delays go through the DACs, whose fast writes a power-up loses.
  smoothDelay = 0;
  commit(PANELMAIN_DATA_SELECT_CH1, 3);
  commit(PANELMAIN_DATA_SELECT_CH2, 6);
  slide(PANELMAIN_CH1_THRES, 12.5);
  slide(PANELMAIN_CH2_THRES, -8.0);
  commit(PANELMAIN_CKBX_MANUAL_MD_CH2, 1);
  slide(PANELMAIN_CH2_SAMPDEL, 1.0);
  run_until(2.0);
  ASSERT_EQ(board->threshold(1).code_p, threshold_code_p(12.5f));
  ASSERT_EQ(board->dac(0, 1).input.code, dac_code(1.0f));
  ASSERT_TRUE(board->manual_mode(2));

  board->set_firmware_version(0x2200);  // shows whether the connection sequence ran again
  board->unplug();
  Delay(0.05);  // back before the next tick lists the devices
  board->plug();
  EXPECT_NE(board->threshold(1).code_p, threshold_code_p(12.5f));  // powered up afresh
  testing::internal::CaptureStdout();
  run_until(2.5);
  const std::string out = testing::internal::GetCapturedStdout();

  EXPECT_EQ(count(out, "USB link dropped: "), 1) << out;
  EXPECT_NE(out.find("USB link dropped: FT_SetBitMode failed (ftStatus=2, device not found)\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(count(out, "board settings incomplete"), 0) << out;
  EXPECT_EQ(text(PANELMAIN_NOTIFY_USER), "USB CONNECTED");
  EXPECT_EQ(attribute(PANELMAIN_NOTIFY_USER, ATTR_TEXT_COLOR), 0x008000);
  EXPECT_EQ(text(PANELMAIN_FIRMWARE_VER_NO), "2200");
  EXPECT_TRUE(board->is_open());
  EXPECT_EQ(kd71::bridge::open_handle_count(), 1);  // the dead handle was closed

  // The board holds the panel's settings again.
  EXPECT_EQ(board->pattern_code(1), 3);
  EXPECT_EQ(board->pattern_code(2), 6);
  EXPECT_EQ(board->threshold(1).code_p, threshold_code_p(12.5f));
  EXPECT_EQ(board->threshold(2).code_p, threshold_code_p(-8.0f));
  EXPECT_FALSE(board->manual_mode(1));
  EXPECT_TRUE(board->manual_mode(2));
  EXPECT_EQ(board->dac(0, 1).input.code, dac_code(1.0f));  // channel 2's sampling delay
  EXPECT_EQ(board->dac(0, 0).input.code, 2047);            // the 1.65 V references
  EXPECT_EQ(board->dac(1, 0).input.code, 2047);
  EXPECT_EQ(board->fpga_register(3), (std::vector<std::uint8_t>{0x00, 0x00}));

  // Ticks poll once per channel again, instead of ten failed polls each.
  EXPECT_EQ(polls_of_a_tick(board), 2u);
  EXPECT_EQ(number(PANELMAIN_RETRIES), 0.0);
}

TEST_F(LinkRecoveryTest, ABridgeResetWhileConnectedReconnects) {
  SimBoard* board = start();
  run_until(1.0);
  const auto pushes = board->counters().register_writes[5];
  const FT_HANDLE before = usb_handle;

  testing::internal::CaptureStdout();
  ASSERT_EQ(FT_CyclePort(usb_handle), FT_OK);  // re-enumerates; the board stays listed
  run_until(1.5);
  const std::string out = testing::internal::GetCapturedStdout();

  EXPECT_EQ(count(out, "USB link dropped: "), 1) << out;
  EXPECT_NE(usb_handle, before);
  EXPECT_TRUE(board->is_open());
  EXPECT_EQ(kd71::bridge::open_handle_count(), 1);
  EXPECT_EQ(board->counters().register_writes[5], pushes + 1);  // the settings went out again
  EXPECT_EQ(text(PANELMAIN_NOTIFY_USER), "USB CONNECTED");
  EXPECT_EQ(polls_of_a_tick(board), 2u);
}

TEST_F(LinkRecoveryTest, ABoardLostInTheMiddleOfTheSettingsPushGetsTheWholeSetNextTick) {
  SimBoard* board = start(Scenario::no_board());
  board->plug();
  // Past the open and the management packet, inside the first expander
  // transaction of the push.
  board->unplug_after_calls(100);
  testing::internal::CaptureStdout();
  tick();
  EXPECT_FALSE(board->is_plugged());
  const auto i2c = board->counters().i2c;
  EXPECT_GT(i2c.starts, i2c.stops);  // a transaction was cut short on the board's side
  EXPECT_EQ(i2cBusy, 0);             // but it ended on the program's side
  board->plug();
  tick();
  const std::string out = testing::internal::GetCapturedStdout();

  EXPECT_EQ(count(out, "USB link dropped: "), 1) << out;
  EXPECT_EQ(count(out, "board settings incomplete"), 0) << out;  // nothing to blame a chip for
  EXPECT_EQ(text(PANELMAIN_NOTIFY_USER), "USB CONNECTED");
  EXPECT_EQ(board->pattern_code(1), 8);
  EXPECT_EQ(board->pattern_code(2), 8);
  EXPECT_EQ(board->threshold(1).code_p, threshold_code_p(0.0f));
  EXPECT_EQ(board->dac(1, 0).input.code, 2047);
  EXPECT_EQ(polls_of_a_tick(board), 2u);
}

TEST_F(LinkRecoveryTest, AnExpanderThatMissesThePinReadKeepsItsOtherPins) {
  SimBoard* board = start();
  run_until(1.0);
  const auto pins = board->expander(7).pins;
  ASSERT_EQ(board->pattern_code(1), 8);

  // Busy through the read of the next pin change (pointer and data), as
  // after an EEPROM write; the write itself would be acknowledged.
  board->nack_next_i2c(0x57, 2);
  commit(PANELMAIN_CKBX_MANUAL_MD_CH1, 1);
  run_until(1.1);
  EXPECT_EQ(board->expander(7).pins, pins);  // no pin raised, the pattern kept
  EXPECT_EQ(board->pattern_code(1), 8);
  EXPECT_FALSE(board->full_rate_pin(1));
  EXPECT_FALSE(board->manual_mode(1));

  // Committed again once the chip answers, the manual-mode pin rises and
  // the phases the board proposes follow on pins 7 and 8; pattern and
  // clock-divider pins stay.
  commit(PANELMAIN_CKBX_MANUAL_MD_CH1, 0);
  commit(PANELMAIN_CKBX_MANUAL_MD_CH1, 1);
  run_until(1.2);
  constexpr unsigned kBelowPhasePins = 0x7F;
  EXPECT_EQ(board->expander(7).pins & kBelowPhasePins, (pins | (1u << 4)) & kBelowPhasePins);
  EXPECT_TRUE(board->manual_mode(1));
}

TEST_F(LinkRecoveryTest, APushThatChipsDidNotAcknowledgeSaysWhichOnes) {
  SimBoard* board = start(Scenario::no_board());
  board->set_i2c_nack(0x56);
  board->set_i2c_nack(0x61);
  testing::internal::CaptureStdout();
  board->plug();
  run_until(0.5);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(count(out, "board settings incomplete: no acknowledge from expander 0x56, DAC 0x61\n"),
            1)
      << out;
  EXPECT_EQ(count(out, "board settings incomplete"), 1) << out;
  EXPECT_EQ(text(PANELMAIN_NOTIFY_USER), "USB CONNECTED");
  EXPECT_EQ(board->pattern_code(1), 8);  // chip 7 answered: its part of the set is in

  // Answering again, the chips get the set at the next connection, quietly.
  board->set_i2c_nack(0x56, false);
  board->set_i2c_nack(0x61, false);
  board->unplug();
  run_until(0.7);
  testing::internal::CaptureStdout();
  board->plug();
  run_until(1.0);
  out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(count(out, "board settings incomplete"), 0) << out;
  EXPECT_EQ(board->pattern_code(2), 8);
  EXPECT_EQ(board->dac(1, 0).input.code, 2047);
}

}  // namespace
