// Calibration as the window shows it: the progress of a long routine in the
// main window's status bar, the auto search's stop button clicked while the
// search holds the loop, the main window closed during a search, and the
// debug panel's channel beside "Try All Phases" and its snapshot lines whole.
#include <QAbstractButton>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include "app/panel_handles.h"
#include "app/routine_progress.h"
#include "app/startup.h"
#include "app/stop_signal.h"
#include "app/window_close.h"
#include "platform/ui_runtime/ui_store.h"
#include "sim/sim_board.h"
#include "tests/gui/qt_fixture.h"
#include "tests/support/sample_settings.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

class CalibrationWindowTest : public QtFixture {
 protected:
  // The program on the simulated board with channel 1 in manual mode (as
  // the settings file has it, and the board too).
  void start() {
    folder_.write("settings.cfg", kSampleSettings);
    sim::install_simulated_board();
    ASSERT_EQ(start_program(), 0);
    SetCtrlVal(panelHandle, PANELMAIN_CKBX_MANUAL_MD_CH1, 1);
    ui::post_event(panelHandle, PANELMAIN_CKBX_MANUAL_MD_CH1, EVENT_COMMIT);
    ui::run_until(1.0);
  }
  QString status() const { return window(panelHandle)->statusBar()->currentMessage(); }

  WorkFolder folder_;
};

TEST_F(CalibrationWindowTest, ProgressShowsInTheMainWindowsStatusBarOnly) {
  kd71_bind_callbacks();
  panelHandle = open_panel(PANELMAIN);
  Debug(GetPanelMenuBar(panelHandle), 0, nullptr, panelHandle);
  show_routine_progress("CH%d initialisation: error sweep %d of %d", 2, 12, 32);
  EXPECT_EQ(status(), "CH2 initialisation: error sweep 12 of 32");
  for (int panel : ui::panel_handles())
    EXPECT_EQ(panel == panelHandle, window(panel)->findChild<QStatusBar*>() != nullptr) << panel;
  end_routine_progress();
  EXPECT_EQ(status(), "");
}

TEST_F(CalibrationWindowTest, TheStopButtonClickedDuringASearchStopsItAfterItsMove) {
  start();
  QString shown;
  // Runs at the search's first look at the window's input, after move 1.
  QTimer::singleShot(0, [&] {
    shown = status();
    QTest::mouseClick(part<QAbstractButton>(panelHandle, PANELMAIN_CH1_AUTOSEARCH_STOP),
                      Qt::LeftButton);
  });
  QTest::mouseClick(part<QAbstractButton>(panelHandle, PANELMAIN_CH1_AUTOSEARCH), Qt::LeftButton);
  ui::process_pending();
  EXPECT_TRUE(shown.startsWith("CH1 auto search: 2.662 V, move 1, about ")) << shown.toStdString();
  EXPECT_FLOAT_EQ(static_cast<float>(ui::numeric_value(panelHandle, PANELMAIN_CH1_SAMPDEL)),
                  static_cast<float>(2.7f - (1e6f / 10000) * 0.015625 / 0.0328 * 0.000806));
  EXPECT_TRUE(part<QAbstractButton>(panelHandle, PANELMAIN_CH1_AUTOSEARCH)->isVisible());
  EXPECT_EQ(status(), "");
}

TEST_F(CalibrationWindowTest, ClosingTheMainWindowDuringASearchStopsItAndQuitsWithTheSettings) {
  use_hooks({.close_requested = close_panel_window, .poll = poll_stop_signal});
  start();
  QTimer::singleShot(0, [this] { window(panelHandle)->close(); });
  ui::post_event(panelHandle, PANELMAIN_CH1_AUTOSEARCH, EVENT_COMMIT);
  EXPECT_EQ(RunUserInterface(), 0);
  EXPECT_LT(Timer(), 2.0) << "the search ended after its first move";
  const std::string saved = folder_.read("settings.cfg");
  EXPECT_NE(saved.find("Ch1_SamplingDelay 2.66"), std::string::npos) << saved;
}

TEST_F(CalibrationWindowTest, TryAllPhasesShowsItsChannelAndASnapshotsLinesShowWhole) {
  start();
  Debug(GetPanelMenuBar(panelHandle), 0, nullptr, panelHandle);
  SetCtrlVal(debugPanelHandle, PANELDEBUG_SNAPSHOT_CH, 2);
  const auto beside = widget(debugPanelHandle, PANELDEBUG_TRY_PHASES)->parentWidget();
  ASSERT_EQ(beside->findChildren<QDoubleSpinBox*>().size(), 1);  // the Snapshot page's Channel
  EXPECT_EQ(beside->findChild<QDoubleSpinBox*>()->value(), 2.0);
  ui::post_event(debugPanelHandle, PANELDEBUG_SNAPSHOT_BUTTON, EVENT_COMMIT);
  ui::run_until(Timer() + 1.0);
  auto* box = part<QPlainTextEdit>(debugPanelHandle, PANELDEBUG_SNAPSHOT);
  const QString bits = box->toPlainText().trimmed().section(u'\n', -1);  // its last line
  EXPECT_LE(box->fontMetrics().horizontalAdvance(bits), box->viewport()->width()) << bits.size();
}

}  // namespace
}  // namespace kd71::test
