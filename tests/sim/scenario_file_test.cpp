// Scenario files: what they set, what they refuse (with the file and the
// line), the example files, and their timed events on the running board.
#include "sim/scenario_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/os/clock.h"
#include "sim/signal_physics.h"
#include "tests/sim/sim_harness.h"
#include "tests/support/comma_locale.h"
#include "tests/support/work_folder.h"

namespace {

using kd71::sim::Attached;
using kd71::sim::ClockMode;
using kd71::sim::ReplyFault;
using kd71::sim::Scenario;
using kd71::sim::TimedEvent;

Scenario parsed(const std::string& text) {
  Scenario s;
  std::string error;
  EXPECT_TRUE(kd71::sim::parse_scenario(text, "s.txt", &s, &error)) << error;
  return s;
}

std::string refusal(const std::string& text) {
  Scenario s;
  s.seed = 99;
  std::string error;
  EXPECT_FALSE(kd71::sim::parse_scenario(text, "s.txt", &s, &error)) << text;
  EXPECT_EQ(s.seed, 99u) << "a refused file changes nothing";
  EXPECT_TRUE(s.events.empty());
  return error;
}

TEST(ScenarioFile, EveryChannelAndBoardSettingIsRead) {
  const Scenario s = parsed(
      "\xEF\xBB\xBF# a board on the bench, saved with a byte-order mark\n"
      "firmware_version 0x1F03\n"
      "devices board_and_foreign\n"
      "seed 12345678901\n"
      "latency usb_full_speed\n"
      "\n"
      "ch1.rate_mhz 12500   # in MHz\n"
      "ch1.clock_present no\n"
      "ch1.clock_mode clock_half\n"
      "ch1.data_present off\n"
      "ch1.pattern PRBS7\n"
      "ch1.inverted yes\n"
      "ch1.offset_mv -20.5\n"
      "ch1.amplitude_mv 60\n"
      "ch1.noise_mv 6.25\n"
      "ch1.eye_width_ui 0.4\n"
      "ch1.eye_centre_v 0.9\n"
      "ch1.good_phases 0x81\n"
      "\tch2.clock_mode   div4\r\n"
      "ch2.good_phases auto\n");
  EXPECT_EQ(s.firmware_version, 0x1F03);
  EXPECT_EQ(s.devices, (std::vector<Attached>{Attached::Foreign, Attached::Board}));
  EXPECT_EQ(s.seed, 12345678901u);
  EXPECT_DOUBLE_EQ(s.latency.bulk_s, kd71::sim::Latency::usb_full_speed().bulk_s);
  const auto& c1 = s.channel(1);
  EXPECT_EQ(c1.rate_mhz, 12500);
  EXPECT_FALSE(c1.clock_present);
  EXPECT_EQ(c1.clock_mode, ClockMode::ClockHalf);
  EXPECT_FALSE(c1.data_present);
  EXPECT_EQ(c1.pattern, 0);
  EXPECT_TRUE(c1.inverted);
  EXPECT_DOUBLE_EQ(c1.offset_mv, -20.5);
  EXPECT_DOUBLE_EQ(c1.amplitude_mv, 60.0);
  EXPECT_DOUBLE_EQ(c1.noise_mv, 6.25);
  EXPECT_DOUBLE_EQ(c1.eye_width_ui, 0.4);
  EXPECT_DOUBLE_EQ(c1.eye_centre_v, 0.9);
  EXPECT_EQ(c1.good_phases, 0x81);
  const auto& c2 = s.channel(2);
  EXPECT_EQ(c2.clock_mode, ClockMode::Div4);
  EXPECT_FALSE(c2.good_phases.has_value());
  EXPECT_EQ(c2.rate_mhz, 28000) << "what the file does not set keeps its default";

  EXPECT_FALSE(parsed("devices no_board\n").plugged);
  EXPECT_EQ(parsed("devices many_devices").devices.size(), 12u);
  EXPECT_DOUBLE_EQ(parsed("latency none").latency.bulk_s, 0.0);
}

TEST(ScenarioFile, TheJitterKeysGiveAChannelsEyeAfresh) {
  const auto c = parsed("ch1.dj_ps 30\nch1.rj_ps 2.5\nch1.transition_density 0.25").channel(1);
  EXPECT_TRUE(c.rj_ps == 2.5 && c.dj_ps == 30.0 && c.transition_density == 0.25);
  // A width alone: RJ 1 ps, not the board's 4, and the DJ for it at 1e-12.
  const auto j = kd71::sim::jitter(parsed("ch1.eye_width_ui 0.5\n").channel(1));
  EXPECT_TRUE(j.rj_ps == 1.0 && j.dj_ps == 50.0 - 2 * 7.034);
  EXPECT_EQ(refusal("ch2.dj_ps 40\n"),
            "s.txt:1: ch2.dj_ps: picoseconds of deterministic jitter must lie between 0 and "
            "35.7143 (one bit period at 28000 MHz)");
}

TEST(ScenarioFile, TheLesserEventsAreReadToo) {
  // Unplugs, signal changes, NACKs and dropped replies are followed on the
  // running board below.
  const Scenario s = parsed(
      "from 6 sda_stuck\n"
      "from 7 cut_replies 2 bytes 12\n"
      "at 8 corrupt_trailers 1 type 13\n");
  ASSERT_EQ(s.events.size(), 3u);
  EXPECT_EQ(s.events[0].kind, TimedEvent::Kind::SdaStuck);
  EXPECT_DOUBLE_EQ(s.events[0].for_s, 0.0) << "for good";
  EXPECT_EQ(s.events[1].fault.kind, ReplyFault::Kind::Cut);
  EXPECT_EQ(s.events[1].fault.cut_to, 12);
  EXPECT_EQ(s.events[1].fault.request_type, -1) << "any request type";
  EXPECT_EQ(s.events[2].fault.kind, ReplyFault::Kind::CorruptTrailer);
  EXPECT_EQ(s.events[2].fault.request_type, 13);
  EXPECT_DOUBLE_EQ(s.events[2].at_s, 8.0);
}

TEST(ScenarioFile, AFaultNamesTheFileTheLineAndWhatIsWrong) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"seed 1\nch1.nosie_mv 8\n", "s.txt:2: unknown key \"ch1.nosie_mv\""},
      {"seed 1\n\nseed 2\n", "s.txt:3: seed is set twice (first on line 1)"},
      {"ch1.noise_mv 1 2\n", "s.txt:1: ch1.noise_mv takes one value"},
      {"ch1.noise_mv 1,5\n", "s.txt:1: ch1.noise_mv: expected millivolts, not \"1,5\""},
      {"ch1.noise_mv -1\n", "s.txt:1: ch1.noise_mv: millivolts must lie between 0 and 1000"},
      {"ch1.eye_width_ui 1.5",
       "s.txt:1: ch1.eye_width_ui: a fraction of the bit period must lie "
       "between 0 and 1"},
      {"ch1.inverted maybe", "s.txt:1: ch1.inverted: expected yes or no, not \"maybe\""},
      {"devices three",
       "s.txt:1: devices: expected one of board, no_board, board_and_foreign, two_boards, "
       "many_devices, not \"three\""},
      {"firmware_version 0x10000",
       "s.txt:1: firmware_version: a firmware version must lie between 0 and 65535, not 65536"},
      {"at 3\n", "s.txt:1: expected \"at SECONDS\" and what happens then"},
      {"at soon unplug for 1", "s.txt:1: at: expected a time in seconds, not \"soon\""},
      {"at 3 unplug 0.05", "s.txt:1: expected \"unplug for SECONDS\""},
      {"at 3 explode", "s.txt:1: unknown event \"explode\""},
      {"at 3 ch1.noise_mv loud", "s.txt:1: ch1.noise_mv: expected millivolts, not \"loud\""},
      {"from 1 nack 0x80", "s.txt:1: a 7-bit I2C address must lie between 0 and 127, not 128"},
      {"from 1 nack 0x56 until 3", "s.txt:1: unexpected \"until\""},
      {"from 1 cut_replies 2 type", "s.txt:1: \"type\" needs a value"},
  };
  for (const auto& [text, message] : cases) EXPECT_EQ(refusal(text), message) << text;
}

TEST(ScenarioFile, OnlyAReadableRegularFileIsRead) {
  kd71::test::WorkFolder folder;
  Scenario s;
  std::string error;
  EXPECT_FALSE(kd71::sim::read_scenario_file("missing.txt", &s, &error));
  EXPECT_EQ(error, "missing.txt: cannot be read: open: No such file or directory");
  ASSERT_EQ(mkfifo("fifo.txt", 0600), 0);
  EXPECT_FALSE(kd71::sim::read_scenario_file("fifo.txt", &s, &error));  // at once, no writer needed
  EXPECT_EQ(error, "fifo.txt: cannot be read: not a regular file");
  folder.write("ok.txt", "seed 5\n");
  EXPECT_TRUE(kd71::sim::read_scenario_file("ok.txt", &s, &error)) << error;
  EXPECT_EQ(s.seed, 5u);
}

TEST(ScenarioFile, TheExampleFilesAreSound) {
  Scenario healthy;
  std::string error;
  ASSERT_TRUE(kd71::sim::read_scenario_file(KD71_SOURCE_DIR "/sim/scenarios/healthy_board.txt",
                                            &healthy, &error))
      << error;
  const Scenario defaults;
  for (int n = 1; n <= 2; ++n) {
    EXPECT_EQ(healthy.channel(n).rate_mhz, defaults.channel(n).rate_mhz);
    EXPECT_DOUBLE_EQ(healthy.channel(n).noise_mv, defaults.channel(n).noise_mv);
    EXPECT_EQ(healthy.channel(n).pattern, defaults.channel(n).pattern);
    EXPECT_DOUBLE_EQ(kd71::sim::jitter(healthy.channel(n)).dj_ps,
                     kd71::sim::jitter(defaults.channel(n)).dj_ps);
  }
  EXPECT_TRUE(healthy.events.empty());
  Scenario jittery;
  EXPECT_TRUE(kd71::sim::read_scenario_file(KD71_SOURCE_DIR "/sim/scenarios/jittery_10g.txt",
                                            &jittery, &error))
      << error;

  Scenario faulty;
  ASSERT_TRUE(kd71::sim::read_scenario_file(KD71_SOURCE_DIR "/sim/scenarios/offset_and_replug.txt",
                                            &faulty, &error))
      << error;
  EXPECT_DOUBLE_EQ(faulty.channel(1).offset_mv, 20.0);
  EXPECT_GT(faulty.channel(1).noise_mv, defaults.channel(1).noise_mv);
  ASSERT_EQ(faulty.events.size(), 1u);
  EXPECT_EQ(faulty.events[0].kind, TimedEvent::Kind::Unplug);
  EXPECT_GT(faulty.events[0].at_s, 3.0);
  EXPECT_DOUBLE_EQ(faulty.events[0].for_s, 0.05);
}

using ScenarioFileCommaLocale = kd71::test::CommaLocaleTest;

TEST_F(ScenarioFileCommaLocale, NumbersTakeTheDecimalPoint) {
  const Scenario s = parsed("ch1.offset_mv 20.5\nat 0.25 unplug for 0.05\n");
  EXPECT_DOUBLE_EQ(s.channel(1).offset_mv, 20.5);
  ASSERT_EQ(s.events.size(), 1u);
  EXPECT_DOUBLE_EQ(s.events[0].at_s, 0.25);
  EXPECT_EQ(refusal("ch1.offset_mv 20,5"),
            "s.txt:1: ch1.offset_mv: expected millivolts, not \"20,5\"");
}

// ---- Timed events on the running board ---------------------------------------

class TimedEventsTest : public kd71::test::SimHarness {
 protected:
  bool board_listed() {
    DWORD n = 0;
    FT_CreateDeviceInfoList(&n);
    return n == 1;
  }
  void at(double t) { kd71::clock::wait_until(t); }
};

TEST_F(TimedEventsTest, AReplugShorterThanATickKillsTheOpenHandle) {
  testing::internal::CaptureStderr();
  start(parsed("at 1.0 unplug for 0.05\n"));
  at(0.99);
  EXPECT_TRUE(board_listed());
  UCHAR pins = 0;
  EXPECT_EQ(FT_GetBitMode(handle, &pins), FT_OK);
  // No bridge call while the board is away: the next one finds it back, but
  // powered up afresh and with the old handle gone.
  at(1.2);
  EXPECT_TRUE(board_listed());
  EXPECT_EQ(FT_GetBitMode(handle, &pins), FT_DEVICE_NOT_FOUND);
  EXPECT_TRUE(board->is_plugged());
  EXPECT_FALSE(board->is_open());
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(log,
            "simulated board: 0.000 s: opened by the program\n"
            "simulated board: 1.000 s: unplugged for 0.050 s\n"
            "simulated board: 1.050 s: plugged in again\n");
}

TEST_F(TimedEventsTest, ACallWhileTheBoardIsAwayFindsItGone) {
  testing::internal::CaptureStderr();
  start(parsed("at 1.0 unplug for 0.05\n"));
  at(1.02);
  EXPECT_FALSE(board_listed());
  at(1.05);
  EXPECT_TRUE(board_listed());
  testing::internal::GetCapturedStderr();
}

TEST_F(TimedEventsTest, SignalChangesFaultsAndNacksComeAtTheirTimes) {
  testing::internal::CaptureStderr();
  start(
      parsed("ch1.rate_mhz 10000\n"
             "at 2.0 ch1.rate_mhz 5000\n"
             "from 3.0 nack 0x56 for 0.5\n"
             "from 4.0 drop_replies 2 type 5\n"));
  at(1.9);
  EXPECT_TRUE(board_listed());
  EXPECT_EQ(board->channel(1).rate_mhz, 10000);
  at(2.0);
  EXPECT_TRUE(board_listed());
  EXPECT_EQ(board->channel(1).rate_mhz, 5000);
  EXPECT_EQ(board->channel(2).rate_mhz, 28000);

  EXPECT_TRUE(i2c_transfer(0x56, {0xF2}));
  at(3.1);
  EXPECT_FALSE(i2c_transfer(0x56, {0xF2}));
  EXPECT_TRUE(i2c_transfer(0x57, {0xF2})) << "only that address";
  at(3.5);
  EXPECT_TRUE(i2c_transfer(0x56, {0xF2}));

  EXPECT_FALSE(poll_raw(5).empty());
  at(4.0);
  EXPECT_TRUE(poll_raw(5).empty());
  EXPECT_FALSE(poll_raw(13).empty()) << "other request types are answered";
  EXPECT_TRUE(poll_raw(5).empty());
  EXPECT_FALSE(poll_raw(5).empty()) << "two replies only";
  EXPECT_EQ(board->counters().faults.dropped, 2u);

  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("simulated board: 2.000 s: ch1.rate_mhz 5000\n"), std::string::npos) << log;
  EXPECT_NE(log.find("simulated board: 3.000 s: 0x56 stops acknowledging for 0.500 s\n"
                     "simulated board: 3.500 s: 0x56 acknowledges again\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("simulated board: 4.000 s: drop_replies 2 type 5\n"), std::string::npos)
      << log;
}

TEST_F(TimedEventsTest, WithoutEventsTheBoardKeepsQuiet) {
  testing::internal::CaptureStderr();
  start(parsed("ch1.noise_mv 6\n"));
  at(5.0);
  EXPECT_TRUE(board_listed());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace

namespace {

TEST(ScenarioFile, BoardsOfTheirOwnSerialNumbers) {
  const Scenario s = parsed("devices board:KD71SIM000001 board board:LAB-7.b_2\n");
  EXPECT_EQ(s.devices, std::vector<Attached>(3, Attached::Board));
  EXPECT_EQ(s.board_serials, (std::vector<std::string>{"KD71SIM000001", "", "LAB-7.b_2"}));

  const std::vector<std::pair<std::string, std::string>> cases = {
      {"devices board:A1 board:A1", "s.txt:1: devices: the serial number \"A1\" is given twice"},
      {"devices board:A1 two_boards",
       "s.txt:1: devices: expected board or board:SERIAL for each board, not \"two_boards\""},
      {"devices board:../x",
       "s.txt:1: devices: \"board:../x\": a serial number has only letters, digits, '.', '-' "
       "and '_'"},
      {"devices board: board:B",
       "s.txt:1: devices: \"board:\": a serial number has 1 to 15 "
       "characters"},
      {"devices board:SIXTEEN_LETTERS_",
       "s.txt:1: devices: \"board:SIXTEEN_LETTERS_\": a serial "
       "number has 1 to 15 characters"},
  };
  for (const auto& [text, message] : cases) EXPECT_EQ(refusal(text), message) << text;
}

}  // namespace
