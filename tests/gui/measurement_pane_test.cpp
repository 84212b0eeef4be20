// The window's pane of the measurement views: what the error-ratio chart
// draws from the history, the File menu's "Log Measurements...", the
// target and confidence boxes and the verdict lines.
#include "gui/measurement_pane.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <cmath>

#include "app/startup.h"
#include "app/statistics.h"
#include "gui/own_settings.h"
#include "gui/ratio_chart.h"
#include "gui/report_action.h"
#include "results/measurement_log.h"
#include "results/ratio_history.h"
#include "results/run_verdict.h"
#include "tests/gui/qt_fixture.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

constexpr double kBound = 1.0 / 17179869184.0;  // one error in 2^34 bits

class MeasurementPaneTest : public QtFixture {
 protected:
  void SetUp() override {
    QtFixture::SetUp();
    channelStats[1].sampleLength = 1ull << 34;
    channelStats[2].sampleLength = 1ull << 34;
    kd71_bind_callbacks();
    panelHandle = open_panel(PANELMAIN);
    pane_ = static_cast<qt::MeasurementPane*>(
        window(panelHandle)->findChild<QWidget*>(qt::kMeasurementPaneName));
    ASSERT_NE(pane_, nullptr);
  }
  QAction* log_action() const {
    return window(panelHandle)->findChild<QAction*>(qt::kLogActionName);
  }
  template <typename T>
  T* named(const char* name) const {
    return pane_->findChild<T*>(QString::fromLatin1(name));
  }
  qt::MeasurementPane* pane_ = nullptr;
};

TEST_F(MeasurementPaneTest, TheChartDrawsTheSpanUpToNowWithBoundsAndMarkersApart) {
  Delay(200.0);
  // Three minutes of samples two a second on channel 1, with errors in two
  // of them, the sync lost once and the link lost once.
  for (int i = 0; i < 360; ++i) {
    const double t = 20.0 + 0.5 * i;
    const bool errors = i == 340 || i == 350;
    history_note_sample(1, t, errors ? 3e-9 : kBound, !errors, i < 300 || i > 310);
    if (i == 320) history_note_link(false, t + 0.25);
  }
  const qt::ChartPoints p = qt::chart_points(1, 200.0, 60.0, 600, 1.0);
  // The last 60 s: samples from 140 s on, the 120 of them in slots of 0.1 s.
  EXPECT_EQ(p.errors.size() + p.bounds.size(), 120);
  ASSERT_EQ(p.errors.size(), 2);
  EXPECT_NEAR(p.errors[0].x(), 20.0 + 0.5 * 340 - 200.0, 0.1);
  EXPECT_NEAR(p.errors[1].y(), std::log10(3e-9), 1e-6);
  EXPECT_NEAR(p.bounds[0].y(), std::log10(kBound), 1e-6);
  ASSERT_EQ(p.link_lost.size(), 1);
  EXPECT_DOUBLE_EQ(p.link_lost[0], 20.0 + 0.5 * 320 + 0.25 - 200.0);
  ASSERT_EQ(p.sync_lost.size(), 1);  // where it went, not each sample without it
  EXPECT_NEAR(p.sync_lost[0], 20.0 + 0.5 * 300 - 200.0, 0.1);
  EXPECT_EQ(p.floor, 1e-11);  // the decade below 1 / 2^34

  // Over ten minutes in slots of 1 s, in minutes: two samples to a slot,
  // and a slot with errors shows them, not its other sample's bound.
  const qt::ChartPoints ten = qt::chart_points(1, 200.0, 600.0, 600, 60.0);
  EXPECT_EQ(ten.bounds.size(), 178);
  EXPECT_EQ(ten.errors.size(), 2);
  EXPECT_GE(ten.bounds.front().x(), -3.0);
  EXPECT_LE(ten.bounds.back().x(), 0.0);
}

TEST_F(MeasurementPaneTest, ADayOfSamplesDrawsAsAFewHundredPointsWithTheWorstOfEachSlot) {
  Delay(86400.0);
  for (int i = 0; i < 172800; ++i)
    history_note_sample(2, 0.5 * i, i == 100000 ? 1e-6 : kBound, i != 100000, true);
  const qt::ChartPoints p = qt::chart_points(2, 86400.0, 86400.0, 600, 3600.0);
  EXPECT_EQ(p.errors.size() + p.bounds.size(), 600);
  ASSERT_EQ(p.errors.size(), 1);  // the one sample with errors stands out of its slot
  EXPECT_NEAR(p.errors[0].y(), -6.0, 1e-6);
  EXPECT_NEAR(p.errors[0].x(), (50000.0 - 86400.0) / 3600.0, 86400.0 / 600 / 3600.0);

  auto* span = named<QComboBox>("chart_span");
  ASSERT_NE(span, nullptr);
  span->setCurrentIndex(span->findText("24 h"));
  EXPECT_EQ(pane_->chart(1)->span(), 86400.0);
  EXPECT_EQ(pane_->chart(2)->span(), 86400.0);
  EXPECT_EQ(pane_->chart(2)->shown().errors.size(), 1);
}

TEST_F(MeasurementPaneTest, LogMeasurementsIsInTheFileMenuAndCheckedWhileALogIsWritten) {
  QAction* log = log_action();
  ASSERT_NE(log, nullptr);
  QStringList items;
  auto* file_menu = qobject_cast<QMenu*>(log->associatedObjects().value(0));
  ASSERT_NE(file_menu, nullptr);
  for (QAction* a : file_menu->actions()) items << a->text();
  EXPECT_EQ(items, (QStringList{"Save As Configuration", "Open Configuration",
                                "Log Measurements...", "Save Test Report...", "", "Quit"}));
  EXPECT_TRUE(log->isCheckable());
  EXPECT_FALSE(log->isChecked());

  // A log started from the command line shows as checked.
  WorkFolder folder;
  std::string error;
  ASSERT_TRUE(start_measurement_log((folder.path() / "cli.csv").string(), &error));
  pane_->refresh();
  EXPECT_TRUE(log->isChecked());
  EXPECT_EQ(named<QLabel>("log_state")->text(), "cli.csv");
  // Choosing it while logging ends the log.
  log->trigger();
  EXPECT_FALSE(measurement_log_active());
  EXPECT_FALSE(log->isChecked());
  EXPECT_EQ(named<QLabel>("log_state")->text(), "off");

  // Choosing it again asks for a file: an existing one is taken without a
  // question about replacing it, and appended to.
  folder.write("old.csv", std::string(kLogHeader) + "\r\n");
  bool asks_to_replace = true;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    asks_to_replace = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
    dialog->selectFile(QString::fromStdString((folder.path() / "old.csv").string()));
    static_cast<QDialog*>(dialog)->accept();
  });
  log->trigger();
  EXPECT_FALSE(asks_to_replace);
  EXPECT_TRUE(measurement_log_active());
  EXPECT_EQ(measurement_log_path(), (folder.path() / "old.csv").string());
  EXPECT_TRUE(log->isChecked());
  stop_measurement_log();
  EXPECT_EQ(folder.read("old.csv"), std::string(kLogHeader) + "\r\n");  // nothing truncated
}

// The report saved from the window while no board was ever connected: the
// file the dialog names, failing for want of a board.
TEST_F(MeasurementPaneTest, SaveTestReportWritesTheFileTheDialogNames) {
  auto* save = window(panelHandle)->findChild<QAction*>(qt::kReportActionName);
  ASSERT_NE(save, nullptr);
  WorkFolder folder;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(QString::fromStdString((folder.path() / "run.html").string()));
    static_cast<QDialog*>(dialog)->accept();
  });
  save->trigger();
  const std::string html = folder.read("run.html");
  EXPECT_NE(html.find("Result: <span class=\"verdict FAIL\">"), std::string::npos);
  EXPECT_NE(html.find("no board connected"), std::string::npos);
}

TEST_F(MeasurementPaneTest, TheTargetAndConfidenceBoxesTakeValuesAndRefuseTheRest) {
  auto* target = named<QComboBox>("target_ber");
  auto* confidence = named<QComboBox>("confidence");
  ASSERT_NE(target, nullptr);
  ASSERT_NE(confidence, nullptr);
  EXPECT_EQ(target->currentText(), "1e-12");
  EXPECT_EQ(confidence->currentText(), "95 %");

  auto enter = [](QComboBox* box, const QString& text) {
    box->lineEdit()->setText(text);
    emit box->lineEdit()->editingFinished();
  };
  enter(target, "2.5e-13");
  EXPECT_EQ(berCriteria.target, 2.5e-13);
  enter(target, "0,5");
  EXPECT_EQ(berCriteria.target, 2.5e-13);
  EXPECT_EQ(target->currentText(), "2.5e-13");  // back to the value in force
  emit confidence->activated(confidence->findText("99.9 %"));
  EXPECT_EQ(berCriteria.confidencePercent, 99.9);
  enter(confidence, "100");
  EXPECT_EQ(berCriteria.confidencePercent, 99.9);

  // Criteria set elsewhere (the command line) show at the next refresh.
  set_target_ber(1e-9);
  pane_->refresh();
  EXPECT_EQ(target->currentText(), "1e-09");
}

TEST_F(MeasurementPaneTest, EachChannelsVerdictLineFollowsItsRun) {
  auto* verdict = named<QLabel>("verdict_ch1");
  ASSERT_NE(verdict, nullptr);
  EXPECT_EQ(verdict->text(), "Channel 1: no timed test");
  ChannelStats& s = channelStats[1];
  s.startCountdown = 1;  // switched on: the next sample starts it
  pane_->refresh();
  EXPECT_EQ(verdict->text(), "Channel 1: timed test starting");
  s.startCountdown = 0;
  s.totalsRunning = 1;
  s.totalSamples = 6;
  pane_->refresh();
  EXPECT_EQ(verdict->text(),
            "Channel 1: BER < 2.9e-11 (95 %)   not yet: 2.9e+12 more bits error-free");
  s.totalsRunning = 0;  // the run ended short of the target
  pane_->refresh();
  EXPECT_EQ(verdict->text(), "Channel 1: BER < 2.9e-11 (95 %)   FAIL at 1e-12");
  EXPECT_NE(verdict->styleSheet().indexOf("#B00000"), -1);
  set_target_ber(1e-10);
  pane_->refresh();
  EXPECT_EQ(verdict->text(), "Channel 1: BER < 2.9e-11 (95 %)   PASS at 1e-10");
  EXPECT_EQ(named<QLabel>("verdict_ch2")->text(), "Channel 2: no timed test");

  // A loss of the board while a run goes on fails it there and then.
  s.totalsRunning = 1;
  run_verdict_note_link(false);
  pane_->refresh();
  EXPECT_EQ(verdict->text(),
            "Channel 1: BER < 2.9e-11 (95 %)   link lost 1 time during the run: FAIL");
  EXPECT_NE(verdict->styleSheet().indexOf("#B00000"), -1);
}

TEST_F(MeasurementPaneTest, TheSpanAndTheCriteriaComeBackFromTheProgramsOwnFile) {
  named<QComboBox>("chart_span")->setCurrentText(QStringLiteral("1 h"));
  ASSERT_TRUE(set_target_ber(1e-9) && set_confidence_percent(99.0));
  qt::save_own_criteria(false, false);
  run_verdict_reset();
  qt::MeasurementPane next;
  EXPECT_EQ(next.findChild<QComboBox*>(QStringLiteral("chart_span"))->currentText(), "1 h");
  qt::restore_own_criteria(false, true);  // the command line gave a confidence
  EXPECT_EQ(berCriteria.target, 1e-9);
  EXPECT_EQ(berCriteria.confidencePercent, kDefaultConfidencePercent);
  EXPECT_TRUE(QFile::exists(qgetenv("XDG_CONFIG_HOME") + "/kd71/kd71.conf"));
}

}  // namespace
}  // namespace kd71::test
