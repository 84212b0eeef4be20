// The SCPI server with the window: commands come in through the window's
// loop (its socket notifier), a setting shows in the window's widget, and a
// stop sent while an auto search holds the loop reaches the search.
#include <QApplication>
#include <QComboBox>
#include <QTimer>

#include "app/startup.h"
#include "platform/ui_runtime/ui_store.h"
#include "remote/scpi_server.h"
#include "sim/sim_board.h"
#include "tests/gui/qt_fixture.h"
#include "tests/support/sample_settings.h"
#include "tests/support/scpi_client.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

class ScpiWindowTest : public QtFixture {
 protected:
  void start() {
    folder_.write("settings.cfg", kSampleSettings);
    sim::install_simulated_board();
    ASSERT_EQ(start_program(), 0);
    std::string error;
    ASSERT_TRUE(scpi_server_start("127.0.0.1", 0, &error)) << error;
    front_end_->serve_input({scpi_server_descriptor(), scpi_serve});
  }
  // Runs the window's loop until `client` has an answer line, or for at
  // most a minute of the virtual clock.
  std::string answer(ScpiClient& client) {
    std::string received;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
      received += client.take_received();
      if (received.find('\n') != std::string::npos || Timer() > deadline_) QuitUserInterface(0);
    });
    deadline_ = Timer() + 60.0;
    watch.start();
    RunUserInterface();
    const std::size_t end = received.find('\n');
    EXPECT_NE(end, std::string::npos) << "no answer; received \"" << received << "\"";
    return received.substr(0, end);
  }

  double deadline_ = 0.0;
  WorkFolder folder_;
};

TEST_F(ScpiWindowTest, ASettingShowsInTheWindowAndTheAnswerComesThroughItsLoop) {
  start();
  ScpiClient c(scpi_server_port());
  c.send(":INP1:PATT PRBS9;PATT?\n");
  EXPECT_EQ(answer(c), "PRBS9");
  EXPECT_EQ(part<QComboBox>(panelHandle, PANELMAIN_DATA_SELECT_CH1)->currentText(), "PRBS9");
  EXPECT_EQ(sim::simulated_board()->pattern_code(1), 1);
}

TEST_F(ScpiWindowTest, AStopSentDuringAnAutoSearchReachesItThroughTheWindowsInput) {
  start();
  ScpiClient a(scpi_server_port()), b(scpi_server_port());
  a.send(":INP1:MAN ON;*OPC?\n");
  EXPECT_EQ(answer(a), "1");
  // Runs at the search's first look at the window's input, after move 1.
  QTimer::singleShot(0, [&] { b.send(":ABOR\n"); });
  a.send(":INP1:CAL:ASE;*OPC?\n");
  EXPECT_EQ(answer(a), "1");
  EXPECT_LT(ui::numeric_value(panelHandle, PANELMAIN_CH1_SAMPDEL), 2.7);
  EXPECT_GT(ui::numeric_value(panelHandle, PANELMAIN_CH1_SAMPDEL), 2.5)
      << "stopped within a few moves";
}

}  // namespace
}  // namespace kd71::test
