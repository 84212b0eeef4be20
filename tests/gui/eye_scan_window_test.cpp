// The eye scan window: opened from the Tools menu, its settings making the
// scan's request, a refusal said in the window, the Stop button and the
// window's close taken while the scan holds the loop, the plots of a
// finished scan, "Apply Centre", and the export of the points and the plots
// through the file dialog.
#include "gui/eye_scan_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLogValueAxis>
#include <QProgressBar>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <nlohmann/json.hpp>

#include "app/startup.h"
#include "app/threshold_search.h"
#include "eye_scan/eye_scan.h"
#include "gui/bathtub_chart.h"
#include "gui/eye_map_view.h"
#include "platform/ui_runtime/ui_store.h"
#include "sim/sim_board.h"
#include "tests/gui/qt_fixture.h"
#include "tests/support/csv_rows.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

// Both channels on the simulated board's PRBS31, channel 1 in manual mode.
const char* const kSettings =
    "VORN_KD71_2CH Configuration Data\n"
    "Ch1_SamplingDelay 1.200000\nCh2_SamplingDelay 1.200000\n"
    "Ch1_Threshold 0.000000\nCh2_Threshold 0.000000\n"
    "data_select_ch1 8\ndata_select_ch2 8\nring_in_clk_ch1 1\nring_in_clk_ch2 1\n"
    "ringslide_9240phs_ch1 0\nringslide_9240phs_ch2 0\n"
    "ringslide_9372phs_ch1 0\nringslide_9372phs_ch2 0\n"
    "manual_mode_ch1 1\nmanual_mode_ch2 0";

QLogValueAxis* ratio_axis(const qt::BathtubChart* c) {
  return static_cast<QLogValueAxis*>(c->chart()->axes(Qt::Vertical)[0]);
}

class EyeScanWindowTest : public QtFixture {
 protected:
  // The program on the simulated board (channel 1 in manual mode, as the
  // settings have it), connected, and the window opened from its menu.
  void start(bool board = true) {
    folder_.write("settings.cfg", kSettings);
    if (board) sim::install_simulated_board();
    ASSERT_EQ(start_program(), 0);
    ui::run_until(1.0);
    window(panelHandle)->findChild<QAction*>(qt::kEyeScanActionName)->trigger();
    w_ = window(panelHandle)->findChild<qt::EyeScanWindow*>(qt::kEyeScanWindowName);
    ASSERT_NE(w_, nullptr);
    // The grid's own settings are what these tests try.
    auto* method = named<QComboBox>("eye_method");
    method->setCurrentIndex(method->findData(false));
  }
  template <typename T>
  T* named(const char* name) const {
    return w_->findChild<T*>(QString::fromLatin1(name));
  }
  void click(const char* button) {
    QTest::mouseClick(named<QAbstractButton>(button), Qt::LeftButton);
  }
  QString status() const { return named<QLabel>("eye_scan_status")->text(); }
  // Answers the next file dialog with `file` in the work folder.
  void answer_dialog(const char* file) {
    QTimer::singleShot(0, [this, file] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      dialog->selectFile(QString::fromStdString((folder_.path() / file).string()));
      static_cast<QDialog*>(dialog)->accept();
    });
  }

  WorkFolder folder_;
  qt::EyeScanWindow* w_ = nullptr;
};

TEST_F(EyeScanWindowTest, TheChoicesComeBackInTheNextWindow) {
  start(false);
  named<QComboBox>("eye_kind")->setCurrentText(QStringLiteral("2-D eye"));
  named<QSpinBox>("eye_delay_steps")->setValue(128);
  named<QCheckBox>("eye_init_range")->setChecked(false);
  named<QDoubleSpinBox>("eye_threshold_lo")->setValue(-20.5);
  const EyeScanRequest q = qt::EyeScanWindow().request();
  EXPECT_TRUE(q.two_d);
  EXPECT_EQ(q.delay_steps, 128);
  EXPECT_EQ(q.threshold_lo_mv, -20.5);
}

TEST_F(EyeScanWindowTest, ATwoDimensionalScanIsDrawnBeforeItsFirstPoint) {
  EyeScanResult r;  // no ratio resolved yet: the colour scale once drew labels without end
  r.request.two_d = true;
  r.delays.points = 64;
  r.thresholds.points = 32;
  qt::EyeMapView view;
  view.show_scan(r, eye_report(r));
  view.resize(view.sizeHint());
  EXPECT_FALSE(view.grab().isNull());
}

TEST_F(EyeScanWindowTest, NoRatioScaleTakesAnEndFromZeroNegativeNaNOrInfiniteRatios) {
  const double odd[] = {0.0, -1.0, std::nan(""), INFINITY, 1e-320};
  for (double bits : odd)
    for (double ratio : odd) {
      EyeScanResult r;
      r.request.two_d = true;
      r.delays = {.step_v = 0.01, .first_v = 1.0, .points = 2};
      r.thresholds = {-10.0, 1.0, 2};
      r.points = {{.errors = 3, .bits = 1e9}, {.bits = bits}, {.errors = 3, .bits = bits}, {}};
      EyeReport e = eye_report(r, 1e-9);
      e.ratio = ratio;
      qt::BathtubChart bathtub;
      bathtub.show_scan(r, e);
      const QLogValueAxis* axis = ratio_axis(&bathtub);
      EXPECT_TRUE(axis->min() > 0.0 && axis->min() < axis->max() && axis->max() <= 1.0) << ratio;
      qt::EyeMapView view;
      view.show_scan(r, e);
      view.resize(view.sizeHint());
      EXPECT_FALSE(view.grab().isNull());
      EXPECT_NE(qt::eye_colour(1e-6, false, ratio, bits), qt::eye_colour(0, true, 0, 0)) << bits;
    }
}

TEST_F(EyeScanWindowTest,
       BeforeAnyScanTheBathtubStandsAtTheChannelsThresholdAndAfterItIsSavedAlone) {
  start();
  SetCtrlVal(panelHandle, PANELMAIN_CH1_THRES, 22.6);
  w_->refresh();
  auto* chart = named<qt::BathtubChart>("bathtub_chart");
  EXPECT_EQ(chart->chart()->title(), "Bathtub at 22.6 mV");
  EXPECT_TRUE(ratio_axis(chart)->min() < 1e-6 && ratio_axis(chart)->max() == 1.0);
  EXPECT_EQ(named<QProgressBar>("eye_scan_progress")->text(), "No scan yet");
  click("eye_scan_start");
  ui::process_pending();
  EXPECT_FALSE(named<qt::EyeMapView>("eye_map")->isVisibleTo(w_)) << "nor in the saved plots";
}

TEST_F(EyeScanWindowTest, TheSettingsMakeTheRequestAndARefusalIsSaidInTheWindow) {
  start(false);
  EXPECT_TRUE(w_->isVisible());
  EXPECT_FALSE(named<QSpinBox>("eye_threshold_points")->isEnabled()) << "a bathtub has none";
  EXPECT_DOUBLE_EQ(named<QDoubleSpinBox>("eye_threshold_lo")->value(), -89.45) << "no Init yet";

  thresholdRange[2] = {-30.0f, 35.0f, 0};
  auto* channel = named<QComboBox>("eye_channel");
  channel->setCurrentIndex(channel->findData(2));
  auto* kind = named<QComboBox>("eye_kind");
  kind->setCurrentIndex(kind->findData(true));
  EXPECT_DOUBLE_EQ(named<QDoubleSpinBox>("eye_threshold_lo")->value(), -30.0);
  EXPECT_DOUBLE_EQ(named<QDoubleSpinBox>("eye_threshold_hi")->value(), 35.0);
  named<QCheckBox>("eye_init_range")->setChecked(false);
  named<QDoubleSpinBox>("eye_threshold_lo")->setValue(-20.0);
  named<QSpinBox>("eye_delay_steps")->setValue(100);
  auto* span = named<QComboBox>("eye_span");
  span->setCurrentIndex(span->findData(static_cast<int>(DelaySpan::WholeRange)));
  auto* resolve = named<QComboBox>("eye_resolve");
  resolve->setCurrentIndex(resolve->findData(1e-10));
  const EyeScanRequest q = w_->request();
  EXPECT_EQ(q.channel, 2);
  EXPECT_TRUE(q.two_d);
  EXPECT_DOUBLE_EQ(q.threshold_lo_mv, -20.0);
  EXPECT_DOUBLE_EQ(q.threshold_hi_mv, 35.0);
  EXPECT_EQ(q.delay_steps, 100);
  EXPECT_EQ(q.span, DelaySpan::WholeRange);
  EXPECT_DOUBLE_EQ(q.resolve_ratio, 1e-10);

  click("eye_scan_start");
  EXPECT_EQ(status(), "The scan cannot start: no board is connected.");
  EXPECT_FALSE(eye_scan_busy());
}

TEST_F(EyeScanWindowTest, StopAndClosingTheWindowEndAScanThatHoldsTheLoop) {
  start();
  int seen = -1;
  bool stop_enabled = false, start_enabled = true;
  // Runs at the scan's first letting input through.
  QTimer::singleShot(0, [&] {
    w_->refresh();
    stop_enabled = named<QAbstractButton>("eye_scan_stop")->isEnabled();
    start_enabled = named<QAbstractButton>("eye_scan_start")->isEnabled();
    click("eye_scan_stop");
  });
  click("eye_scan_start");
  ui::process_pending();
  EXPECT_TRUE(stop_enabled);
  EXPECT_FALSE(start_enabled);
  EXPECT_EQ(eye_scan_result().state, EyeScanState::Stopped);
  seen = static_cast<int>(eye_scan_result().points.size());
  EXPECT_LE(seen, 1);

  w_->refresh();  // as its timer does
  QTimer::singleShot(0, [&] { w_->close(); });
  click("eye_scan_start");
  ui::process_pending();
  EXPECT_EQ(eye_scan_result().state, EyeScanState::Stopped);
  EXPECT_FALSE(w_->isVisible());
  EXPECT_FALSE(ui::quit_requested()) << "only the scan ends";
}

TEST_F(EyeScanWindowTest, AFinishedScanIsPlottedItsCentreAppliedAndItsPointsAndPlotsSaved) {
  start();
  auto* kind = named<QComboBox>("eye_kind");
  kind->setCurrentIndex(kind->findData(true));
  named<QSpinBox>("eye_delay_steps")->setValue(32);
  click("eye_scan_start");
  ui::process_pending();
  ASSERT_EQ(eye_scan_result().state, EyeScanState::Finished);
  w_->refresh();
  const auto* chart = named<qt::BathtubChart>("bathtub_chart");
  EXPECT_EQ(chart->shown().errors.size() + chart->shown().bounds.size(), 32);
  EXPECT_GT(chart->shown().saturated.size(), 0) << "the fast count stops at its top";
  const QImage& cells = named<qt::EyeMapView>("eye_map")->cells();
  ASSERT_EQ(cells.size(), QSize(32, 32));
  // The eye's middle is dark, the corners beyond the rails red.
  EXPECT_EQ(cells.pixelColor(16, 16), qt::eye_colour(1e-9, true, 5e-9, 1e-6));
  EXPECT_GT(cells.pixelColor(0, 0).red(), 150);
  const QString summary = named<QLabel>("eye_scan_summary")->text();
  EXPECT_TRUE(summary.contains("height")) << summary.toStdString();

  // At a higher ratio the opening can only be as wide.
  auto* at = named<QComboBox>("eye_at_ratio");
  at->setCurrentIndex(at->findData(1e-3));
  w_->refresh();
  EXPECT_NE(named<QLabel>("eye_scan_summary")->text(), summary);

  ASSERT_TRUE(named<QAbstractButton>("eye_scan_apply")->isEnabled());
  at->setCurrentIndex(0);
  click("eye_scan_apply");
  ui::run_until(Timer() + 1.0);
  EXPECT_TRUE(status().startsWith("Channel 1's sampling delay set to ")) << status().toStdString();
  EXPECT_GT(ui::numeric_value(panelHandle, PANELMAIN_CH1_SAMPDEL), 0.5);

  answer_dialog("points");  // typed without its extension
  click("eye_scan_export");
  EXPECT_EQ(csv_rows(folder_.read("points.csv")).size(), 1u + 32u * 32u);
  answer_dialog("plots.png");
  click("eye_scan_save_plot");
  const QImage saved(QString::fromStdString((folder_.path() / "plots.png").string()));
  EXPECT_FALSE(saved.isNull()) << status().toStdString();
  EXPECT_GT(saved.width(), saved.height()) << "both plots side by side";
}

// "Mask..." and "Export Report..." through their dialogs: a file that is no
// mask is refused with its reason and the mask before it kept; the report
// holds the mask's verdict as the contour view shows it.
TEST_F(EyeScanWindowTest, AMaskIsLoadedAndTheReportExportedThroughTheirDialogs) {
  start();
  auto* method = named<QComboBox>("eye_method");
  method->setCurrentIndex(method->findData(true));
  auto* kind = named<QComboBox>("eye_kind");
  kind->setCurrentIndex(kind->findData(true));
  folder_.write("small.json", R"({"name": "small", "ratio": 1e-12,
                                  "polygon": [[-5, 0], [0, 2], [5, 0], [0, -2]]})");
  folder_.write("open.json", R"({"ratio": 1e-12, "polygon": [[1, 1], [2, 1], [2, 2]]})");
  answer_dialog("small.json");
  click("eye_scan_mask");
  EXPECT_TRUE(status().startsWith("The mask ")) << status().toStdString();
  answer_dialog("open.json");
  click("eye_scan_mask");
  EXPECT_EQ(status(), QStringLiteral("The mask was not loaded: the mask's polygon does not "
                                     "enclose the eye's centre."));
  click("eye_scan_start");
  ui::process_pending();
  ASSERT_EQ(eye_scan_result().state, EyeScanState::Finished);
  w_->refresh();
  ASSERT_TRUE(named<QAbstractButton>("eye_scan_report")->isEnabled());
  answer_dialog("eye.json");
  click("eye_scan_report");
  const nlohmann::json report = nlohmann::json::parse(folder_.read("eye.json"));
  ASSERT_TRUE(report["mask"].is_object()) << report.dump();
  EXPECT_TRUE(report["mask"]["pass"].get<bool>()) << "a small mask in the open eye";
  EXPECT_GT(report["mask"]["margin_percent"].get<double>(), 100.0);
  EXPECT_TRUE(report["q_factor"].is_number());
  EXPECT_EQ(report["contour_1e12"]["points"].size(), 12u) << "three rows and three columns";
}

}  // namespace
}  // namespace kd71::test
