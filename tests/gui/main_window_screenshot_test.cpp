// The program's windows on the simulated board: about twenty seconds of
// virtual time, so that several samples have arrived on both channels, then
// pictures of the main window and of the debug panel as test artefacts (the
// README's screenshots); the error-ratio charts of a timed test and the eye
// scan window likewise.
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
#include "app/panel_handles.h"
#include "app/startup.h"
#include "app/statistics.h"
#include "app/threshold_search.h"
#include "app/window_close.h"
#include "eye_scan/eye_scan.h"
#include "gui/eye_contour_view.h"
#include "gui/eye_scan_window.h"
#include "gui/measurement_pane.h"
#include "gui/q_scale_view.h"
#include "platform/ui_runtime/ui_store.h"
#include "results/run_verdict.h"
#include "sim/sim_board.h"
#include "tests/gui/qt_fixture.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

constexpr double kRunSeconds = 20.0;
// The smallest screen the main window is made for.
constexpr int kWidth = 1280, kHeight = 800;

const char* const kSettings =
    "VORN_KD71_2CH Configuration Data\n"
    "Ch1_SamplingDelay 0.000000\nCh2_SamplingDelay 0.000000\n"
    "Ch1_Threshold 0.000000\nCh2_Threshold 0.000000\n"
    "data_select_ch1 8\ndata_select_ch2 8\nring_in_clk_ch1 1\nring_in_clk_ch2 1\n"
    "ringslide_9240phs_ch1 0\nringslide_9240phs_ch2 0\n"
    "ringslide_9372phs_ch1 0\nringslide_9372phs_ch2 0\n"
    "manual_mode_ch1 0\nmanual_mode_ch2 0";

class MainWindowScreenshot : public QtFixture {
 protected:
  // Runs the program on the simulated board, in a folder with its settings
  // file, with `watch` looking at it between events; returns its exit code.
  int run_program(QTimer& watch) {
    use_hooks({.close_requested = close_panel_window, .poll = {}});
    WorkFolder folder;
    folder.write("settings.cfg", kSettings);
    if (!install_bridge("sim")) return -100;
    watch.start(0);
    char name[] = "kd71";
    char* argv[] = {name, nullptr};
    return kd71_main(1, argv);
  }
  // The charts' pane, drawn as its timer would have drawn it by now.
  qt::MeasurementPane* drawn_pane() const {
    auto* pane = static_cast<qt::MeasurementPane*>(
        window(panelHandle)->findChild<QWidget*>(qt::kMeasurementPaneName));
    pane->refresh();
    return pane;
  }
};

TEST_F(MainWindowScreenshot, TheMainWindowAfterTwentySecondsOnTheSimulatedBoard) {
  QImage main_picture, debug_picture;
  std::map<int, QString> shown;
  int pin3 = -1, pin0 = -1;
  QTimer watch;
  bool debug_asked = false, pins_read = false;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (panelHandle <= 0) return;
    // The debug panel from its menu item five seconds before the pictures;
    // its expander pins read back from the board.
    if (!debug_asked && Timer() >= kRunSeconds - 5.0) {
      front_end_->post_menu(panelHandle, MENUBAR_ITEM1);
      debug_asked = true;
    }
    if (debug_asked && !pins_read && debugPanelOpen) {
      QTest::mouseClick(part<QAbstractButton>(debugPanelHandle, PANELDEBUG_READ_VALUES),
                        Qt::LeftButton);
      pins_read = true;
    }
    if (Timer() < kRunSeconds) return;
    watch.stop();
    for (int control :
         {PANELMAIN_NOTIFY_USER, PANELMAIN_CLOCK_FREQUENCY_CH1, PANELMAIN_CLOCK_FREQUENCY_CH2,
          PANELMAIN_ERROR_COUNT_CH1, PANELMAIN_ERROR_FREE_CH1, PANELMAIN_ERROR_FREE_CH2})
      shown[control] = part<QLabel>(panelHandle, control)->text();
    GetCtrlVal(debugPanelHandle, PANELDEBUG_GP_3, &pin3);
    GetCtrlVal(debugPanelHandle, PANELDEBUG_GP_0, &pin0);
    drawn_pane();
    main_picture = window(panelHandle)->grab().toImage();
    debug_picture = window(debugPanelHandle)->grab().toImage();
    QTest::mouseClick(part<QAbstractButton>(panelHandle, PANELMAIN_CMDQUIT), Qt::LeftButton);
  });
  ASSERT_EQ(run_program(watch), 0);

  EXPECT_EQ(shown[PANELMAIN_NOTIFY_USER], "USB CONNECTED");
  EXPECT_EQ(shown[PANELMAIN_CLOCK_FREQUENCY_CH1], "10.000");
  EXPECT_EQ(shown[PANELMAIN_CLOCK_FREQUENCY_CH2], "28.000");
  EXPECT_EQ(shown[PANELMAIN_ERROR_COUNT_CH1], "0");
  EXPECT_GT(shown[PANELMAIN_ERROR_FREE_CH1].toInt(), 10) << "several error-free samples";
  EXPECT_GT(shown[PANELMAIN_ERROR_FREE_CH2].toInt(), 10);
  // PRBS31 (pattern code 8) on channel 1: select bit 3 up, bit 0 down.
  EXPECT_EQ(pin3, 1);
  EXPECT_EQ(pin0, 0);

  ASSERT_FALSE(main_picture.isNull());
  EXPECT_GE(main_picture.width(), kWidth);
  EXPECT_GE(main_picture.height(), kHeight - 40);  // less the menu bar's share, by style
  ASSERT_FALSE(debug_picture.isNull());
  QDir().mkpath(KD71_ARTIFACT_DIR);
  for (const auto& [picture, file] :
       {std::pair{main_picture, "main_window.png"}, std::pair{debug_picture, "debug_panel.png"}}) {
    const QString path = QStringLiteral(KD71_ARTIFACT_DIR "/") + QString::fromUtf8(file);
    EXPECT_TRUE(picture.save(path)) << path.toStdString();
  }
}

// Nine minutes of timed tests on both channels, with a noisy spell on
// channel 1 and the board unplugged for a few seconds: the error-ratio
// charts and verdicts of the README's picture.
TEST_F(MainWindowScreenshot, TheErrorRatioChartsOfATimedTestWithANoisySpellAndAnUnplug) {
  set_target_ber(1e-10);

  QImage picture;
  QString verdict;
  int step = 0;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (panelHandle <= 0) return;
    sim::SimBoard* board = sim::simulated_board();
    const double t = Timer();
    auto press = [&](int interval, int toggle) {
      SetCtrlVal(panelHandle, interval, 480u);
      QTest::mouseClick(part<QAbstractButton>(panelHandle, toggle), Qt::LeftButton);
    };
    if (step == 0 && t >= 3.0) {
      press(PANELMAIN_TEST_INTERVAL_CH1, PANELMAIN_COM_TOT_ERR_CNT_CH1);
      press(PANELMAIN_TEST_INTERVAL_CH2, PANELMAIN_COM_TOT_ERR_CNT_CH2);
      ++step;
    } else if ((step == 1 && t >= 120.0) || (step == 2 && t >= 170.0)) {
      sim::ChannelScenario noisy = board->channel(1);
      noisy.noise_mv = step == 1 ? 14.0 : 4.0;
      board->set_channel(1, noisy);
      ++step;
    } else if ((step == 3 && t >= 300.0) || (step == 4 && t >= 305.0)) {
      step == 3 ? board->unplug() : board->plug();
      ++step;
    } else if (step == 5 && t >= 540.0) {
      watch.stop();
      qt::MeasurementPane* pane = drawn_pane();
      auto* span = pane->findChild<QComboBox*>(QStringLiteral("chart_span"));
      span->setCurrentIndex(span->findText(QStringLiteral("10 min")));
      QApplication::processEvents();
      verdict = pane->findChild<QLabel*>(QStringLiteral("verdict_ch2"))->text();
      picture = window(panelHandle)->grab().toImage();
      QTest::mouseClick(part<QAbstractButton>(panelHandle, PANELMAIN_CMDQUIT), Qt::LeftButton);
    }
  });
  ASSERT_EQ(run_program(watch), 0);

  EXPECT_GT(channelStats[1].totalErrors, 0u) << "the noisy spell counted errors";
  EXPECT_EQ(channelStats[2].totalErrors, 0u);
  EXPECT_TRUE(verdict.startsWith("Channel 2: BER < ")) << verdict.toStdString();
  // Its bits pass 1e-10, but the board was off the bus for 5 s of it.
  EXPECT_TRUE(verdict.endsWith("link lost 1 time during the run: FAIL")) << verdict.toStdString();
  ASSERT_FALSE(picture.isNull());
  QDir().mkpath(KD71_ARTIFACT_DIR);
  EXPECT_TRUE(picture.save(QStringLiteral(KD71_ARTIFACT_DIR "/error_ratio.png")));
}

// Channel 1 initialised with its "Init", then Tools > "Eye Scan...", a
// two-dimensional scan over the thresholds the initialisation found,
// started with the window's Start button: a picture of the window with both
// plots once it has ended.
TEST_F(MainWindowScreenshot, TheEyeScanWindowWithBothPlotsAfterAnInit) {
  QImage picture;
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
      auto* method = w->findChild<QComboBox*>(QStringLiteral("eye_method"));
      method->setCurrentIndex(method->findData(false));
      QTest::mouseClick(w->findChild<QAbstractButton*>(QStringLiteral("eye_scan_start")),
                        Qt::LeftButton);
      started = true;
      return;
    }
    watch.stop();
    auto* w = main->findChild<qt::EyeScanWindow*>(qt::kEyeScanWindowName);
    w->refresh();
    QApplication::processEvents();  // the charts lay out their new titles
    picture = w->grab().toImage();
    QTest::mouseClick(part<QAbstractButton>(panelHandle, PANELMAIN_CMDQUIT), Qt::LeftButton);
  });
  ASSERT_EQ(run_program(watch), 0);

  ASSERT_TRUE(started);
  EXPECT_EQ(eye_scan_result().state, EyeScanState::Finished);
  EXPECT_NEAR(eye_scan_result().thresholds.first_mv,
              std::min(thresholdRange[1].rangeLo, thresholdRange[1].rangeHi), 1e-4)
      << "the range Init found";
  EXPECT_EQ(eye_scan_result().planned_points(), 64 * 32);
  ASSERT_FALSE(picture.isNull());
  QDir().mkpath(KD71_ARTIFACT_DIR);
  EXPECT_TRUE(picture.save(QStringLiteral(KD71_ARTIFACT_DIR "/eye_scan.png")));
}

// An adaptive two-dimensional scan of channel 1 with a mask loaded: the
// window with the bathtub, its Q scale with the fitted walls, and the
// contours with the mask.
TEST_F(MainWindowScreenshot, TheEyeScanWindowOfAnAdaptiveScanWithItsContoursAndMask) {
  QImage picture;
  qt::EyeScanWindow* w = nullptr;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (panelHandle <= 0 || Timer() < 3.0 || ui::in_callback() || eye_scan_busy()) return;
    auto* main = window(panelHandle);
    if (!w) {
      main->findChild<QAction*>(qt::kEyeScanActionName)->trigger();
      w = main->findChild<qt::EyeScanWindow*>(qt::kEyeScanWindowName);
      for (const char* name : {"eye_kind", "eye_method"}) {
        auto* box = w->findChild<QComboBox*>(QString::fromLatin1(name));
        box->setCurrentIndex(box->findData(true));
      }
      w->set_mask({"receiver", 1e-12, {{-15, 0}, {-8, 8}, {8, 8}, {15, 0}, {8, -8}, {-8, -8}}});
      QTest::mouseClick(w->findChild<QAbstractButton*>(QStringLiteral("eye_scan_start")),
                        Qt::LeftButton);
      return;
    }
    if (ui::pending_event_count() > 0) return;
    watch.stop();
    w->refresh();
    QApplication::processEvents();
    picture = w->grab().toImage();
    QTest::mouseClick(part<QAbstractButton>(panelHandle, PANELMAIN_CMDQUIT), Qt::LeftButton);
  });
  ASSERT_EQ(run_program(watch), 0);

  ASSERT_NE(w, nullptr);
  EXPECT_EQ(eye_scan_result().state, EyeScanState::Finished);
  EXPECT_TRUE(w->findChild<qt::QScaleView*>(QStringLiteral("q_scale"))->figures().found);
  const auto* contours = w->findChild<qt::EyeContourView*>(QStringLiteral("eye_contours"));
  ASSERT_EQ(contours->contours().size(), std::size(qt::kContourRatios));
  for (const auto& c : contours->contours()) EXPECT_FALSE(c.empty());
  EXPECT_TRUE(contours->mask_result().tested);
  ASSERT_FALSE(picture.isNull());
  QDir().mkpath(KD71_ARTIFACT_DIR);
  EXPECT_TRUE(picture.save(QStringLiteral(KD71_ARTIFACT_DIR "/eye_scan_adaptive.png")));
}

}  // namespace
}  // namespace kd71::test
