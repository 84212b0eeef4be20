// What the SCPI server does with what it should not get, on the program on
// the simulated board through real sockets: each class of error in the
// queue and the status registers, junk and cut lines that change nothing,
// lines over the limit, one client too many, a client that stops reading,
// and a flood of queries served in slices between the ticks.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "app/measurement.h"
#include "tests/support/scpi_fixture.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

int g_ticks = 0;
int counting_tick(int panel, int control, int event, void* data, int d1, int d2) {
  ++g_ticks;
  return CBTimer(panel, control, event, data, d1, d2);
}
// The measurement timer's ticks are counted from now on.
void bind_callback_counting() {
  g_ticks = 0;
  ui::bind_callback("CBTimer", counting_tick);
}

// The errors in the queue, oldest first, as SYSTem:ERRor? gives them.
std::string drain_errors(ScpiClient& c) {
  std::string all;
  for (int i = 0; i < 30; ++i) {
    c.send(":SYST:ERR?\n");
    const std::string e = c.read_line(ScpiTest::turn);
    all += e + "\n";
    if (e.rfind("0,", 0) == 0) break;
  }
  return all;
}

TEST_F(ScpiTest, TheErrorQueueHoldsEachClassOfErrorAndNothingChanges) {
  start();
  auto c = connect();
  c->send(std::string("5\n") +        // no header
          ":INP1:PATT PRBS7\x01\n" +  // a control character
          ":INP1:THR ON\n" +          // a word for a number
          "*IDN? 1\n" +               // a parameter where none goes
          ":INP1:PATT\n" +            // none where one must
          ":INP1:PATTERNS PRBS7\n" +  // no such node
          ":INP3:PATT PRBS7\n" +      // no such channel
          ":INP1:THR 5 mV\n" +        // a unit
          ":INP1:DEL 1.0\n" +         // dimmed in automatic mode
          ":INP1:THR 100\n" +         // outside the slider's range
          ":INP1:PATT PRBS8\n" +      // no such pattern
          "*STB?;*ESR?\n");
  EXPECT_EQ(c->read_line(turn), "4;48") << "errors waiting; command and execution errors";
  EXPECT_EQ(drain_errors(*c),
            "-100,\"Command error;no command header\"\n"
            "-102,\"Syntax error;invalid character\"\n"
            "-104,\"Data type error;a number is expected\"\n"
            "-108,\"Parameter not allowed;*IDN?\"\n"
            "-109,\"Missing parameter;:INP1:PATT\"\n"
            "-113,\"Undefined header;:INP1:PATTERNS\"\n"
            "-114,\"Header suffix out of range;:INP3:PATT\"\n"
            "-138,\"Suffix not allowed;numbers take no unit\"\n"
            "-221,\"Settings conflict;channel 1 is in automatic mode\"\n"
            "-222,\"Data out of range;from -89.45 to 89.45\"\n"
            "-224,\"Illegal parameter value;PRBS7|PRBS9|PRBS11|PRBS15|PRBS17|PRBS20|PRBS23|"
            "PRBS29|PRBS31|OFF\"\n"
            "0,\"No error\"\n");
  EXPECT_EQ(value(PANELMAIN_DATA_SELECT_CH1), 8.0);
  EXPECT_EQ(value(PANELMAIN_CH1_THRES), 0.0);
  EXPECT_EQ(value(PANELMAIN_CH1_SAMPDEL), 0.0);

  // More errors than the queue holds: the oldest stay, the last place says
  // some were lost; *CLS empties it.
  std::string many;
  for (int i = 0; i < 25; ++i) many += ":NOSUCH" + std::to_string(i) + "\n";
  c->send(many + ":SYST:ERR:COUN?\n");
  EXPECT_EQ(c->read_line(turn), "20");
  const std::string queue = drain_errors(*c);
  EXPECT_EQ(queue.substr(0, queue.find('\n')), "-113,\"Undefined header;:NOSUCH0\"");
  EXPECT_NE(queue.find("-113,\"Undefined header;:NOSUCH18\"\n-350,\"Queue overflow\"\n0,"),
            std::string::npos)
      << queue;
  EXPECT_EQ(ask(*c, ":NOSUCH;*CLS;:SYST:ERR:COUN?;*ESR?"), "0;0");
}

TEST_F(ScpiTest, NumbersThatUnderflowOrRoundToARefusedValueAreRefused) {
  start();
  auto c = connect();
  for (auto [line, query, kept] : {std::array<const char*, 3>{":TEST1 -0.5", ":TEST1?", "0"},
                                   {":TEST1 1.5", ":TEST1?", "0"},
                                   {":TEST1:INT 1e-400", ":TEST1:INT?", "60"},
                                   {":CALC:TARG 1e-320", ":CALC:TARG?", "1.000000E-12"},
                                   {":CALC:CONF 99.99999999999999", ":CALC:CONF?", "95.000"}})
    EXPECT_EQ(ask(*c, std::string(line) + ";:SYST:ERR?;" + query).substr(0, 5) + ask(*c, query),
              std::string("-222,") + kept)
        << line;
  EXPECT_EQ(ask(*c, ":TEST1 0.4;:TEST1?;:CALC:CONF 99.9994;:CALC:CONF?;:SYST:ERR?"),
            "0;99.999;0,\"No error\"");
}

TEST_F(ScpiTest, StatusRegistersSummariseTheEventsEnabled) {
  start();
  auto c = connect();
  EXPECT_EQ(ask(*c, "*ESE 36;*SRE 32;*ESE?;*SRE?"), "36;32");
  EXPECT_EQ(ask(*c, "*STB?"), "0");
  EXPECT_EQ(ask(*c, "*OPC?;*STB?"), "1;16") << "an answer waits in the line's output";
  EXPECT_EQ(ask(*c, ":NOSUCH;*STB?"), "100") << "error waiting, event summary, service request";
  EXPECT_EQ(ask(*c, "*CLS;*OPC;*ESR?;*ESR?"), "1;0");
  EXPECT_EQ(ask(*c, "*ESE 256;*ESE?"), "36");
  EXPECT_EQ(ask(*c, ":SYST:ERR?"), "-222,\"Data out of range;from 0 to 255\"");
}

TEST_F(ScpiTest, CommandsOfALineRunInOrderAndTheirAnswersComeTogether) {
  sim::SimBoard* board = start();
  auto c = connect();
  EXPECT_EQ(ask(*c, ":INP1:PATT PRBS15;PATT?;:INP2:PATT?;*OPC?;:INP1:PATT PRBS23;PATT?"),
            "PRBS15;PRBS31;1;PRBS23");
  EXPECT_EQ(board->pattern_code(1), 6);
  // Long and short forms in any case, a "\r" before the "\n", blanks, a
  // trailing ";" and an empty line.
  c->send("\n  :input1:pattern prbs7 ;  :Inp1:PaTt?;\r\n");
  EXPECT_EQ(c->read_line(turn), "PRBS7");
  // A relative header not under the last node is looked up from the root.
  EXPECT_EQ(ask(*c, ":INP1:PATT?;MEAS2:BRAT?"), "PRBS7;2.800000E+10");
  EXPECT_EQ(ask(*c, ":SYST:ERR:COUN?"), "0");
}

TEST_F(ScpiTest, JunkAndCutLinesChangeNothing) {
  start();
  auto c = connect();
  const char junk[] = "\xff\xfe\x00\x1b[A:INP1:PATT PRBS7\n";
  c->send(std::string(junk, sizeof junk - 1));
  EXPECT_EQ(ask(*c, ":INP1:PATT?;:SYST:ERR?"), "PRBS31;-102,\"Syntax error;invalid character\"");

  // Half a line, then the client goes: the half is never run.
  auto cut = connect();
  cut->send(":INP1:PATT PRBS7;:INP1:THR 50");
  cut->close();
  run_for(0.5);
  // A client that ends its sending after whole lines has them run and
  // answered before the server closes.
  auto last = connect();
  last->send(":INP2:PATT PRBS9;*IDN?\n:INP2:PATT?\n:INP1:THR 40");
  last->finish_sending();
  std::string rest;
  EXPECT_TRUE(last->wait_closed(turn, &rest));
  EXPECT_NE(rest.find("\nPRBS9\n"), std::string::npos) << rest;
  EXPECT_EQ(value(PANELMAIN_DATA_SELECT_CH1), 8.0);
  EXPECT_EQ(value(PANELMAIN_CH1_THRES), 0.0);
  EXPECT_EQ(ask(*c, ":INP1:PATT?;:INP2:PATT?"), "PRBS31;PRBS9");
}

TEST_F(ScpiTest, ALineOverFourKibibytesClosesItsConnectionOnly) {
  start();
  auto c = connect();
  // 4096 bytes before the "\n" are a line.
  EXPECT_EQ(ask(*c, "*IDN?" + std::string(4096 - 5, ' ')).substr(0, 14), "KOLVIDRA,KD71,");
  // The line before it in the same write runs and is answered; the
  // oversize one does not, nor anything after it.
  auto big = connect();
  big->send(":INP1:PATT PRBS9;*OPC?\n:INP1:PATT PRBS7 " + std::string(5000, '7') +
            "\n:INP2:PATT PRBS7\n");
  std::string rest;
  EXPECT_TRUE(big->wait_closed(turn, &rest));
  EXPECT_EQ(rest, "1\n");
  EXPECT_EQ(ask(*c, ":INP1:PATT?;:INP2:PATT?"), "PRBS9;PRBS31");
}

TEST_F(ScpiTest, AtMostFourClientsAtOnce) {
  start();
  std::unique_ptr<ScpiClient> clients[4];
  for (auto& c : clients) c = connect();
  for (auto& c : clients) EXPECT_EQ(ask(*c, "*OPC?"), "1");
  auto fifth = connect();
  EXPECT_TRUE(fifth->wait_closed(turn)) << "the fifth is closed at once";
  clients[0]->close();
  run_for(0.2);
  auto next = connect();
  EXPECT_EQ(ask(*next, "*OPC?"), "1");
}

TEST_F(ScpiTest, AClientThatStopsReadingIsDroppedAndTheTicksGoOn) {
  start();
  bind_callback_counting();
  auto reader = connect();
  auto idle = connect(4096);
  std::string queries;
  for (int i = 0; i < 400; ++i) queries += ":SYST:HELP:HEAD?\n";  // 1.2 kB answers
  idle->send(queries);
  const int ticks = g_ticks;
  run_for(2.0);
  EXPECT_GE(g_ticks - ticks, 9);
  std::string rest;
  EXPECT_TRUE(idle->wait_closed(turn, &rest));
  EXPECT_LT(rest.size(), 400u * 1200u);
  EXPECT_EQ(ask(*reader, "*OPC?"), "1");
}

TEST_F(ScpiTest, AFloodOfQueriesIsServedInSlicesBetweenTicks) {
  start();
  run_for(2.0);  // the first samples: the bit rates shown
  bind_callback_counting();
  auto c = connect();
  std::string flood;
  for (int i = 0; i < 1000; ++i) flood += ":MEAS1:BRAT?;:MEAS2:BRAT?\n";
  c->send(flood);
  // The first turn runs a slice of them, not all.
  turn();
  const std::string first = c->take_received();
  const std::size_t first_answers = std::count(first.begin(), first.end(), '\n');
  EXPECT_GT(first_answers, 0u);
  EXPECT_LT(first_answers, 1000u);
  const int ticks = g_ticks;
  std::string all = first;
  while (std::count(all.begin(), all.end(), '\n') < 1000) {
    const std::string line = c->read_line(turn);
    if (line.empty()) break;
    all += line + "\n";
  }
  std::string expected;
  for (int i = 0; i < 1000; ++i) expected += "1.000000E+10;2.800000E+10\n";
  EXPECT_EQ(all, expected);
  EXPECT_GE(g_ticks - ticks, 2) << "the loop ticked between the slices";
}

}  // namespace
}  // namespace kd71::test
