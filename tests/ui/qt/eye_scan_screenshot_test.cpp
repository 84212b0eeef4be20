// The eye scan window on the simulated board: channel 1 initialised with
// its "Init", then Tools > "Eye Scan...", a two-dimensional scan over the
// thresholds the initialisation found, started with the window's Start
// button, and a picture of the window with both plots once it has ended
// (the README's screenshot).
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "app/bridge_choice.h"
#include "app/eye_scan.h"
#include "app/eye_scan_report.h"
#include "app/startup.h"
#include "app/threshold_search.h"
#include "app/window_close.h"
#include "platform/ui_store.h"
#include "tests/support/work_folder.h"
#include "tests/ui/qt/qt_fixture.h"
#include "ui/main_uir.h"
#include "ui/qt/bathtub_chart.h"
#include "ui/qt/eye_map_view.h"
#include "ui/qt/eye_scan_window.h"

namespace kd71::test {
namespace {

// Both channels on PRBS31 with the full-rate clock, in automatic mode.
const char* const kSettings =
    "VORN_KD71_2CH Configuration Data\n"
    "Ch1_SamplingDelay 0.000000\nCh2_SamplingDelay 0.000000\n"
    "Ch1_Threshold 0.000000\nCh2_Threshold 0.000000\n"
    "data_select_ch1 8\ndata_select_ch2 8\nring_in_clk_ch1 1\nring_in_clk_ch2 1\n"
    "ringslide_9240phs_ch1 0\nringslide_9240phs_ch2 0\n"
    "ringslide_9372phs_ch1 0\nringslide_9372phs_ch2 0\n"
    "manual_mode_ch1 0\nmanual_mode_ch2 0";

class EyeScanScreenshot : public QtFixture {};

TEST_F(EyeScanScreenshot, ATwoDimensionalScanOfChannelOneWithBothPlots) {
  use_hooks({.close_requested = close_panel_window, .poll = {}});
  WorkFolder folder;
  folder.write("settings.cfg", kSettings);
  ASSERT_TRUE(install_bridge("sim"));

  QImage picture;
  QString summary;
  qsizetype bathtub_points = 0;
  int map_width = 0, map_height = 0;
  bool initialised = false, started = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (panelHandle <= 0 || Timer() < 3.0 || ui::in_callback() || eye_scan_busy()) return;
    auto* main = window(panelHandle);
    if (!initialised) {
      QTest::mouseClick(part<QAbstractButton>(panelHandle, PANELMAIN_INIT_CH1), Qt::LeftButton);
      initialised = true;
      return;
    }
    if (ui::pending_event_count() > 0) return;
    if (!started) {
      main->findChild<QAction*>(qt::kEyeScanActionName)->trigger();
      auto* w = main->findChild<qt::EyeScanWindow*>(qt::kEyeScanWindowName);
      auto* kind = w->findChild<QComboBox*>(QStringLiteral("eye_kind"));
      kind->setCurrentIndex(kind->findData(true));
      QTest::mouseClick(w->findChild<QAbstractButton*>(QStringLiteral("eye_scan_start")),
                        Qt::LeftButton);
      started = true;
      return;
    }
    watch.stop();
    auto* w = main->findChild<qt::EyeScanWindow*>(qt::kEyeScanWindowName);
    w->refresh();
    QApplication::processEvents();  // the charts lay out their new titles
    summary = w->findChild<QLabel*>(QStringLiteral("eye_scan_summary"))->text();
    const auto* chart = w->findChild<qt::BathtubChart*>(QStringLiteral("bathtub_chart"));
    bathtub_points = chart->shown().errors.size() + chart->shown().bounds.size();
    const QImage& cells = w->findChild<qt::EyeMapView*>(QStringLiteral("eye_map"))->cells();
    map_width = cells.width();
    map_height = cells.height();
    picture = w->grab().toImage();
    QTest::mouseClick(part<QAbstractButton>(panelHandle, PANELMAIN_CMDQUIT), Qt::LeftButton);
  });
  watch.start(0);
  char name[] = "kd71";
  char* argv[] = {name, nullptr};
  ASSERT_EQ(kd71_main(1, argv), 0);

  ASSERT_TRUE(started);
  EXPECT_EQ(eye_scan_result().state, EyeScanState::Finished);
  EXPECT_NEAR(eye_scan_result().thresholds.first_mv,
              std::min(thresholdRange[1].rangeLo, thresholdRange[1].rangeHi), 1e-4)
      << "the range Init found";
  EXPECT_EQ(bathtub_points, 64);
  EXPECT_EQ(map_width, 64);
  EXPECT_EQ(map_height, 32);
  EXPECT_TRUE(summary.startsWith("CH1 eye at ")) << summary.toStdString();
  EXPECT_TRUE(summary.contains("height")) << summary.toStdString();
  ASSERT_FALSE(picture.isNull());
  QDir().mkpath(KD71_ARTIFACT_DIR);
  EXPECT_TRUE(picture.save(QStringLiteral(KD71_ARTIFACT_DIR "/eye_scan.png")));
}

}  // namespace
}  // namespace kd71::test
