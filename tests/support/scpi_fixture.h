// Fixture of the SCPI server's tests: the program on the simulated board
// with the headless front-end, on the virtual clock, its server listening
// on a free port of the loopback address, and clients that talk to it
// through real sockets while the test runs the event loop.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "app/startup.h"
#include "platform/ui_runtime/ui_store.h"
#include "program/console_front_end.h"
#include "remote/scpi_server.h"
#include "sim/sim_board.h"
#include "tests/support/console_program_fixture.h"
#include "tests/support/scpi_client.h"

namespace kd71::test {

class ScpiTest : public ConsoleProgramTest<WatchingFrontEnd> {
 protected:
  void TearDown() override {
    scpi_server_reset();
    ConsoleProgramTest::TearDown();
  }

  // The program started on a board with `scenario` and its server
  // listening; one second of ticks run, the board connected.
  sim::SimBoard* start(const sim::Scenario& scenario = {}) {
    sim::SimBoard* board = sim::install_simulated_board(scenario);
    EXPECT_EQ(start_program(), 0);
    std::string error;
    EXPECT_TRUE(scpi_server_start("127.0.0.1", 0, &error)) << error;
    ui::run_until(1.0);
    return board;
  }
  std::unique_ptr<ScpiClient> connect(int receive_buffer = 0) const {
    auto client = std::make_unique<ScpiClient>(scpi_server_port(), receive_buffer);
    EXPECT_TRUE(client->connected());
    return client;
  }

 public:
  // A tenth of a second of the loop: ticks, and the clients served.
  static void turn() { ui::run_until(Timer() + 0.1); }

 protected:
  static void run_for(double seconds) { ui::run_until(Timer() + seconds); }
  // Sends one line and reads the answer line.
  static std::string ask(ScpiClient& client, const std::string& line) {
    client.send(line + "\n");
    return client.read_line(turn);
  }
  static double value(int control) { return ui::numeric_value(panelHandle, control); }
  static int dimmed(int control) {
    int d = -1;
    GetCtrlAttribute(panelHandle, control, ATTR_DIMMED, &d);
    return d;
  }
};

}  // namespace kd71::test
