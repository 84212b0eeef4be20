// The program on the simulated board driven over SCPI, through real
// sockets on the loopback address: identification, the query families,
// settings that show in the controls, reach the board and are saved, the
// calibration routines as overlapped commands with *OPC?, the auto search
// stopped while it runs, and the timed test with its verdict.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "app/channel_config.h"
#include "app/panel_handles.h"
#include "app/saved_settings.h"
#include "app/slider_state.h"
#include "app/version.h"
#include "eye_scan/eye_scan.h"
#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel_packets.h"
#include "platform/os/c_locale.h"
#include "results/run_verdict.h"
#include "sim/scenario_file.h"
#include "sim/signal_physics.h"
#include "tests/support/scpi_fixture.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

std::vector<std::string> fields(const std::string& text, char separator) {
  std::vector<std::string> out(1);
  for (char c : text) {
    if (c == separator)
      out.emplace_back();
    else
      out.back() += c;
  }
  return out;
}

double number(const std::string& text) { return std::stod(text); }

// Delay step of the auto search at 10 Gb/s: a sixty-fourth of the bit period.
const double kDelayStep = static_cast<float>(1e6 / 10000) * 0.015625 / 0.0328 * 0.000806;

sim::Scenario off_centre_channel() {
  sim::Scenario s;
  std::string error;
  EXPECT_TRUE(
      sim::read_scenario_file(KD71_SOURCE_DIR "/sim/scenarios/off_centre_channel.txt", &s, &error))
      << error;
  return s;
}

TEST_F(ScpiTest, IdentifiesTheInstrumentItsBoardAndItsLink) {
  sim::SimBoard* board = start();
  auto c = connect();
  char firmware[16];
  std::snprintf(firmware, sizeof firmware, "%x", board->firmware_version());
  const std::string version = std::string(kVersionText).substr(2);  // "V 1.0.8"
  EXPECT_EQ(ask(*c, "*IDN?"), "KOLVIDRA,KD71," + board->serial() + "," + firmware + "/" + version);
  // Relative headers: each under the node the one before ended in.
  EXPECT_EQ(ask(*c, ":SYST:LINK?;LINK:SNUM?;FIRM?;:SYST:VERS?"),
            "1;\"" + board->serial() + "\";\"" + firmware + "\";1999.0");
  board->unplug();
  run_for(0.5);
  EXPECT_EQ(ask(*c, ":system:link?"), "0");
}

TEST_F(ScpiTest, MeasureQueriesReadTheFiguresOfThePanel) {
  sim::Scenario s;
  s.channel(1).offset_mv = 20.0;  // errors in every sample at 0 mV
  s.channel(1).noise_mv = 4.0;
  start(s);
  run_for(5.0);
  auto c = connect();
  const std::vector<std::string> all = fields(ask(*c, ":MEAS1:ALL?"), ',');
  ASSERT_EQ(all.size(), 8u);
  EXPECT_EQ(number(all[0]), 1e10);
  const double errors = value(PANELMAIN_ERROR_COUNT_CH1);
  EXPECT_GT(errors, 0.0);
  EXPECT_EQ(number(all[1]), errors);
  EXPECT_FLOAT_EQ(static_cast<float>(number(all[2])), static_cast<float>(errors / 17179869184.0));
  EXPECT_EQ(all[3], "0") << "a sample with errors has its ratio, not a bound";
  EXPECT_EQ(number(all[4]), value(PANELMAIN_ONES_CNT_CH1));
  EXPECT_EQ(all[5], (packets[1].sync_flags & kPatternSyncFlag) ? "1" : "0");
  EXPECT_EQ(number(all[6]), packets[1].fast_error_count);
  EXPECT_EQ(all[7], "0");

  // Channel 2, healthy at 28 Gb/s, one query at a time.
  EXPECT_EQ(ask(*c, ":MEASure2:BRATe?;:MEAS2:BTIM?;:MEAS2:ERR?;:MEAS2:BER:BOUN?;:MEAS2:SYNC?"),
            "2.800000E+10;3.571429E-11;0;1;1");
  EXPECT_FLOAT_EQ(static_cast<float>(number(ask(*c, ":MEAS2:BER?"))),
                  static_cast<float>(1.0 / 17179869184.0));
  EXPECT_EQ(ask(*c, ":MEAS2:SLEN?"), "17179869184");
  EXPECT_GE(number(ask(*c, ":MEAS2:EFS?")), 1.0);
}

TEST_F(ScpiTest, SettingsShowInTheControlsReachTheBoardAndAreSaved) {
  sim::SimBoard* board = start();
  auto c = connect();
  EXPECT_EQ(ask(*c, ":INP1:PATT PRBS9;CLOC DIV4;THR 12.5;:INPUT2:MANUAL ON;:INP2:DEL 1.25;*OPC?"),
            "1");
  EXPECT_EQ(value(PANELMAIN_DATA_SELECT_CH1), 1.0);
  EXPECT_EQ(board->pattern_code(1), 1);
  EXPECT_EQ(value(PANELMAIN_RING_IN_CLK_CH1), 2.0);
  EXPECT_EQ(board->clock_config(1) & 0x30, 0x30);
  EXPECT_FLOAT_EQ(static_cast<float>(value(PANELMAIN_CH1_THRES)), 12.5f);
  EXPECT_NEAR(board->threshold(1).mv, 12.5, 0.1);
  EXPECT_EQ(value(PANELMAIN_CKBX_MANUAL_MD_CH2), 1.0);
  EXPECT_TRUE(board->manual_mode(2));
  EXPECT_EQ(dimmed(PANELMAIN_INIT_CH2), 1) << "manual mode dims Init, as a click does";
  EXPECT_FLOAT_EQ(static_cast<float>(value(PANELMAIN_CH2_SAMPDEL)), 1.25f);
  EXPECT_EQ(ask(*c, ":INP1:PATT?;CLOC?;THR?;:INP2:MAN?;DEL?;:INP1:THR? MAX"),
            "PRBS9;DIV4;12.50;1;1.250;89.45");

  ui::post_event(panelHandle, PANELMAIN_CMDQUIT, EVENT_COMMIT);
  run_for(0.5);
  const std::string saved = folder_.read("settings.cfg");
  for (const char* line : {"data_select_ch1 1", "ring_in_clk_ch1 2", "Ch1_Threshold 12.5",
                           "manual_mode_ch2 1", "Ch2_SamplingDelay 1.25"})
    EXPECT_NE(saved.find(line), std::string::npos) << line << " in\n" << saved;
}

TEST_F(ScpiTest, ResetPutsThePanelsStartValuesBack) {
  sim::SimBoard* board = start();
  auto c = connect();
  EXPECT_EQ(ask(*c,
                ":INP1:PATT PRBS7;THR -20;:INP2:MAN ON;CLOC HALF;:TEST1 ON;:TEST1:INT 5;"
                ":CALC:TARG 1e-9;CONF 99;*RST;*OPC?"),
            "1");
  EXPECT_EQ(ask(*c, ":INP1:PATT?;THR?;:INP2:MAN?;CLOC?;:TEST1?;INT?;:CALC:TARG?;CONF?"),
            "PRBS31;0.00;0;FULL;0;60;1.000000E-12;95.000");
  EXPECT_EQ(board->pattern_code(1), 8);
  EXPECT_FALSE(board->manual_mode(2));
  EXPECT_NEAR(board->threshold(1).mv, 0.0, 0.1);
}

TEST_F(ScpiTest, InitStartedBySCPIBringsAnOffCentreChannelToErrorFree) {
  start(off_centre_channel());
  run_for(4.0);
  auto c = connect();
  EXPECT_GT(number(ask(*c, ":MEAS1:ERR?")), 0.0);
  // Overlapped: the queries after it are answered at once, *OPC? once the
  // routine has run.
  EXPECT_EQ(ask(*c, ":INP1:CAL:INIT;:INP1:THR?;*OPC?;:INP1:THR?").substr(0, 7), "0.00;1;");
  EXPECT_NEAR(value(PANELMAIN_CH1_THRES), 20.0, 4.0);
  run_for(4.0);  // two samples at the new threshold
  EXPECT_EQ(ask(*c, ":MEAS1:ERR?;BER:BOUN?"), "0;1");
  // The threshold the client sets next is applied, not swallowed.
  EXPECT_EQ(ask(*c, ":INP1:THR 19;*OPC?"), "1");
  EXPECT_NEAR(sim::simulated_board()->threshold(1).mv, 19.0, 0.1);
}

// A 50 ms unplug 2 s into an auto search, then into an Init.
TEST_F(ScpiTest, ARoutineThatLosesTheBoardPutsItsChannelBackAndSaysSoToItsClient) {
  sim::Scenario s;
  s.events.resize(2);
  s.events[0].at_s = 4.0, s.events[1].at_s = 12.0;
  s.events[0].for_s = s.events[1].for_s = 0.05;  // unplugs
  start(s);
  auto c = connect();
  EXPECT_EQ(ask(*c, ":INP1:THR 12.5;:INP2:MAN ON;:INP2:DEL 1.25;*OPC?"), "1");
  for (auto [routine, at] : {std::pair{":INP2:CAL:ASE", 2.0}, {":INP1:CAL:INIT", 11.9}}) {
    ui::run_until(at);
    EXPECT_EQ(ask(*c, std::string(routine) + ";*OPC?"), "1");
    EXPECT_LT(Timer() - at, 3.0) << routine << " stopped at the loss";
    EXPECT_EQ(ask(*c, ":SYST:ERR?").substr(0, 24), "-200,\"Execution error;CH") << routine;
    EXPECT_EQ(ask(*c, ":INP1:THR?;:INP2:DEL?"), "12.50;1.250") << routine;
    EXPECT_EQ(Ch1_Threshold + Ch2_SamplingDelay, 12.5f + 1.25f);  // what a quit saves
    run_for(0.5);
    EXPECT_NEAR(sim::simulated_board()->threshold(1).mv, 12.5, 0.1) << "pushed on reconnection";
  }
}

TEST_F(ScpiTest, RoutinesAreRefusedWhereTheirButtonsAreDimmed) {
  start();
  auto c = connect();
  EXPECT_EQ(ask(*c, ":INP1:CAL:ASE;:INP1:DEL 1.0;:INP2:MAN ON;:INP2:CAL:INIT;*OPC?"), "1");
  EXPECT_EQ(ask(*c, ":SYST:ERR?;:SYST:ERR?;:SYST:ERR?;:SYST:ERR?"),
            "-221,\"Settings conflict;channel 1 is in automatic mode\";"
            "-221,\"Settings conflict;channel 1 is in automatic mode\";"
            "-221,\"Settings conflict;channel 2 is in manual mode\";0,\"No error\"");
  EXPECT_EQ(value(PANELMAIN_CH1_SAMPDEL), 0.0);
  sim::simulated_board()->unplug();
  run_for(0.5);
  EXPECT_EQ(ask(*c, ":INP1:PATT PRBS7;*RST;:SYST:ERR?;:SYST:ERR?"),
            "-221,\"Settings conflict;no board connected\";"
            "-221,\"Settings conflict;no board connected\"");
  EXPECT_EQ(value(PANELMAIN_DATA_SELECT_CH1), 8.0);
}

TEST_F(ScpiTest, AnotherClientStopsARunningAutoSearchAndIsAnsweredMeanwhile) {
  start(off_centre_channel());
  run_for(2.0);  // the first samples: the bit rates shown
  auto a = connect();
  auto b = connect();
  EXPECT_EQ(ask(*a, ":INP1:MAN ON;*OPC?"), "1");
  std::string during;
  int moves = 0;
  fe_->at_progress = [&](const std::string& text) {
    if (text.find("move") == std::string::npos) return;
    ++moves;
    if (moves == 3) b->send(":INP1:DEL?;:MEAS1:BRAT?\n");
    if (moves == 5) {
      during = b->take_received();  // answered at the stop check after move 3
      b->send(":ABORT\n");
    }
  };
  EXPECT_EQ(ask(*a, ":INP1:CAL:ASEARCH;*OPC?"), "1");
  EXPECT_EQ(during, "2.585;1.000000E+10\n");
  EXPECT_EQ(moves, 5) << "the search ended at the stop check after the fifth move";
  EXPECT_FLOAT_EQ(static_cast<float>(value(PANELMAIN_CH1_SAMPDEL)),
                  static_cast<float>(2.7 - 5 * kDelayStep));
  int shown = 0;
  GetCtrlAttribute(panelHandle, PANELMAIN_CH1_AUTOSEARCH, ATTR_VISIBLE, &shown);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(dimmed(PANELMAIN_DATA_SELECT_CH1), 0) << "the panel is unlocked";

  // Started and stopped on one line: it stops at its first check.
  moves = 0;
  EXPECT_EQ(ask(*a, ":INP1:CAL:ASE;ASE:STOP;*OPC?"), "1");
  EXPECT_EQ(moves, 1);
}

TEST_F(ScpiTest, ThePhaseTrialOpensTheDebugPanelAndTellsEachPhase) {
  start();
  auto c = connect();
  EXPECT_EQ(ask(*c, ":INP2:CAL:PHAS:RES?"), "\"\"");
  EXPECT_EQ(ask(*c, ":INP2:CAL:PHAS;*OPC?;:INP2:CAL:PHAS:RES?"), "1;\"........\"");
  EXPECT_TRUE(debugPanelOpen);
  EXPECT_EQ(ui::numeric_value(debugPanelHandle, PANELDEBUG_SNAPSHOT_CH), 2.0);
}

TEST_F(ScpiTest, AnEyeScanStartedBySCPITellsItsEyeAndAnotherClientStopsOne) {
  start();
  run_for(2.0);  // the first samples: the bit rates shown
  auto a = connect();
  auto b = connect();
  EXPECT_EQ(ask(*a, ":INP1:CAL:ESC:RES?"), "IDLE,9.91E+37,9.91E+37,9.91E+37,9.91E+37");
  const std::string done = ask(*a, ":INP1:CAL:ESC;*OPC?;:INP1:CAL:ESC:RES?");
  ASSERT_EQ(done.rfind("1;FINISHED,", 0), 0u) << done;
  const std::vector<std::string> eye = fields(done.substr(11), ',');
  ASSERT_EQ(eye.size(), 4u) << done;
  EXPECT_GT(number(eye[0]), 10e-12) << "width";
  EXPECT_LT(number(eye[0]), 100e-12) << "within a bit period at 10 Gb/s";
  EXPECT_GE(number(eye[1]), 0.0) << "centre";
  EXPECT_LE(number(eye[1]), 2.7);
  EXPECT_EQ(eye[2], "9.91E+37") << "a bathtub has no height";
  EXPECT_GT(number(eye[3]), 0.0) << "ratio";
  EXPECT_LT(number(eye[3]), 1e-6);
  EXPECT_EQ(ask(*b, ":INP2:CAL:ESC:RES?").substr(0, 5), "IDLE,") << "the other channel's";

  // A two-dimensional scan, stopped by the other client as it begins.
  fe_->at_progress = [&](const std::string&) {
    b->send(":INP1:CAL:ESC:STOP\n");
    fe_->at_progress = nullptr;
  };
  EXPECT_EQ(ask(*a, ":INP1:CAL:ESC EYE;*OPC?;:INP1:CAL:ESC:RES?").substr(0, 10), "1;STOPPED,");

  // Refused where it cannot run, or asked for wrongly.
  EXPECT_EQ(ask(*a, ":INP2:PATT OFF;:INP2:CAL:ESC;*OPC?;:SYST:ERR?"),
            "1;-221,\"Settings conflict;channel 2 is switched off (\"\"Shut Off\"\")\"");
  EXPECT_EQ(ask(*a, ":INP1:CAL:ESC SIDEWAYS;:SYST:ERR?"),
            "-224,\"Illegal parameter value;BATH|EYE\"");
  EXPECT_EQ(ask(*a, ":INP1:CAL:ESC BATH,16;:SYST:ERR?").substr(0, 5), "-222,");
  EXPECT_EQ(ask(*a, ":INP1:CAL:ESC EYE,64,32.5;:SYST:ERR?").substr(0, 5), "-222,");
  EXPECT_FALSE(eye_scan_busy()) << "a refused scan does not start";

  // The client's own steps: 32 delays per bit period, the thresholds left at their default.
  EXPECT_EQ(ask(*a, ":INP1:CAL:ESC BATH,32;*OPC?;:INP1:CAL:ESC:RES?").substr(0, 11), "1;FINISHED,");
  EXPECT_EQ(eye_scan_result().request.delay_steps, 32);
  EXPECT_EQ(eye_scan_result().request.threshold_points, kEyeDefaultThresholdPoints);
}

TEST_F(ScpiTest, AnAdaptiveEyeScanTellsTheJitterAndTheQFactorOfTheBoardsSignal) {
  start();
  run_for(2.0);
  auto c = connect();
  const std::string none = "9.91E+37,9.91E+37,9.91E+37,9.91E+37,9.91E+37";
  EXPECT_EQ(ask(*c, ":INP1:CAL:ESC:JITT?"), none) << "before a scan";
  EXPECT_EQ(ask(*c, ":INP1:CAL:ESC:ADAP EYE;*OPC?"), "1");
  const sim::Jitter truth = sim::jitter(sim::Scenario{}.channel(1));
  const double tj = truth.dj_ps + 2 * sim::kTotalJitterQ * truth.rj_ps;
  const std::vector<std::string> j = fields(ask(*c, ":INP1:CAL:ESC:JITT?"), ',');
  ASSERT_EQ(j.size(), 5u);
  EXPECT_NEAR(number(j[0]), truth.rj_ps * 1e-12, 0.15 * truth.rj_ps * 1e-12) << "RJ";
  EXPECT_NEAR(number(j[2]), tj * 1e-12, 0.10 * tj * 1e-12) << "TJ at 1e-12";
  EXPECT_NEAR(number(j[2]) + number(j[3]), 100e-12, 1e-15) << "TJ and the width fill the period";
  EXPECT_GT(number(fields(ask(*c, ":INP1:CAL:ESC:JITT? 1e-15"), ',')[2]), number(j[2]));
  const sim::Scenario defaults;
  const sim::ChannelScenario& s = defaults.channel(1);
  const double q = s.amplitude_mv / (2 * s.noise_mv);
  EXPECT_NEAR(number(fields(ask(*c, ":INP1:CAL:ESC:QFAC?"), ',')[0]), q, 0.1 * q);
  EXPECT_EQ(ask(*c, ":INP2:CAL:ESC:QFAC?"), "9.91E+37,9.91E+37,9.91E+37") << "the other channel";
  EXPECT_EQ(ask(*c, ":INP1:CAL:ESC:JITT? 1e-3;:SYST:ERR?").substr(0, 5), "-222,");

  // Masks four fifths and five quarters of the scenario's eye at 1e-12, a
  // millivolt high: they may grow or must shrink by the ratio of the eye
  // the scan found to theirs.
  EXPECT_EQ(ask(*c, ":INP1:CAL:ESC:MASK?"), "NONE,9.91E+37") << "without a mask";
  const double half = (100.0 - tj) / 2;
  for (const auto& [size, verdict] : {std::tuple{0.8, "PASS"}, std::tuple{1.25, "FAIL"}}) {
    const std::string mask = c_locale::format(":INP1:CAL:ESC:MASK 1e-12,%g,0,0,1,%g,0,0,-1",
                                              -size * half, size * half);
    const std::vector<std::string> m = fields(ask(*c, mask + ";:INP1:CAL:ESC:MASK?"), ',');
    EXPECT_EQ(m[0], verdict) << size;
    EXPECT_NEAR(number(m[1]), 100 * (number(j[3]) * 1e12 / (2 * size * half) - 1), 2.0) << size;
  }
  EXPECT_EQ(ask(*c, ":INP1:CAL:ESC:MASK 1e-12,5,5,6,6,7,5;:SYST:ERR?"),
            "-222,\"Data out of range;the mask's polygon does not enclose the eye's centre\"");
}

TEST_F(ScpiTest, ATimedTestStartedBySCPIEndsWithItsBoundAndVerdict) {
  start();
  auto c = connect();
  // A test of no length would never count: refused, as the entry refuses it.
  EXPECT_EQ(ask(*c, ":TEST1:INT 0;:SYST:ERR?").substr(0, 5), "-222,");
  EXPECT_EQ(ask(*c, ":TEST1:INT 3;:TEST1 ON;:TEST1?;:TEST1:VERD?"), "1;NONE");
  EXPECT_EQ(value(PANELMAIN_COM_TOT_ERR_CNT_CH1), 1.0);
  run_for(6.0);
  // A sample every 2^34 bits at 10 Gb/s (1.72 s): one or two samples in 3 s.
  EXPECT_EQ(ask(*c, ":TEST1?;ERR?;ELAP?;BER:BOUN?"), "0;0;3.0;1");
  const double bits = number(ask(*c, ":TEST1:BITS?"));
  EXPECT_EQ(std::fmod(bits, 17179869184.0), 0.0);
  EXPECT_GE(bits, 17179869184.0);
  const double limit = number(ask(*c, ":TEST1:ULIM?"));
  EXPECT_NEAR(limit, 2.995732 / bits, 1e-6 * limit);
  EXPECT_EQ(ask(*c, ":TEST1:VERD?;VERD? 1e-9;NEED? 1e-9"), "FAIL;PASS;0");
  EXPECT_NEAR(number(ask(*c, ":TEST1:NEED?")), 2.995732 / 1e-12 - bits, 1e6);
  // A target between the bounds at 95 % (2.996 / bits) and 99.9 % (6.9 / bits).
  char target[32];
  std::snprintf(target, sizeof target, "%.6e", 4.0 / bits);
  EXPECT_EQ(
      ask(*c, std::string(":CALC:TARG ") + target + ";:TEST1:VERD?;:CALC:CONF 99.9;:TEST1:VERD?"),
      "PASS;FAIL");
  EXPECT_DOUBLE_EQ(berCriteria.target, std::stod(target));
  EXPECT_EQ(ask(*c, ":TEST2:ERR?;BITS?;ULIM?"), "0;0;9.91E+37");
}

// The board off the bus for a second of the run: the verdict fails at once,
// on a target the counted bits pass, as the report and the console say.
TEST_F(ScpiTest, ATimedTestThatLosesTheBoardFailsThoughItsBitsPass) {
  sim::Scenario s;
  s.events.resize(1);
  s.events[0].at_s = 8.0;
  s.events[0].for_s = 1.0;
  start(s);
  auto c = connect();
  EXPECT_EQ(ask(*c, ":TEST1:INT 20;:TEST1 ON;*OPC?"), "1");
  run_for(5.0);
  EXPECT_EQ(ask(*c, ":TEST1:VERD? 1e-3"), "PASS");
  run_for(25.0);
  EXPECT_EQ(ask(*c, ":TEST1?;VERD? 1e-3"), "0;FAIL");
  EXPECT_EQ(run_verdict(1).link_losses, 1);
}

}  // namespace
}  // namespace kd71::test
