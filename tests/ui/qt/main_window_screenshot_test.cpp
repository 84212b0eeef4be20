// The program's main window on the simulated board: about twenty seconds of
// virtual time, so that several samples have arrived on both channels, then
// a picture of the window as a test artefact.
#include <QAbstractButton>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "app/bridge_choice.h"
#include "app/startup.h"
#include "app/window_close.h"
#include "platform/ui_store.h"
#include "tests/support/work_folder.h"
#include "tests/ui/qt/qt_fixture.h"
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

using MainWindowScreenshot = QtFixture;

TEST_F(MainWindowScreenshot, TheMainWindowAfterTwentySecondsOnTheSimulatedBoard) {
  use_hooks({.close_requested = close_panel_window, .poll = {}});
  WorkFolder folder;
  folder.write("settings.cfg", kSettings);
  ASSERT_TRUE(install_bridge("sim"));

  QImage picture;
  std::map<int, QString> shown;
  QTimer watch;
  bool sized = false;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (panelHandle <= 0) return;
    qt::PanelWindow* main = window(panelHandle);
    if (!sized) {
      main->resize(kWidth, kHeight);  // larger than the offscreen platform's screen
      sized = true;
    }
    if (Timer() < kRunSeconds) return;
    watch.stop();
    for (int control :
         {PANELMAIN_NOTIFY_USER, PANELMAIN_CLOCK_FREQUENCY_CH1, PANELMAIN_CLOCK_FREQUENCY_CH2,
          PANELMAIN_ERROR_COUNT_CH1, PANELMAIN_ERROR_FREE_CH1, PANELMAIN_ERROR_FREE_CH2})
      shown[control] = part<QLabel>(panelHandle, control)->text();
    picture = main->grab().toImage();
    QTest::mouseClick(part<QAbstractButton>(panelHandle, PANELMAIN_CMDQUIT), Qt::LeftButton);
  });
  watch.start(0);
  char name[] = "kd71";
  char* argv[] = {name, nullptr};
  ASSERT_EQ(kd71_main(1, argv), 0);

  EXPECT_EQ(shown[PANELMAIN_NOTIFY_USER], "USB CONNECTED");
  EXPECT_EQ(shown[PANELMAIN_CLOCK_FREQUENCY_CH1], "10.000");
  EXPECT_EQ(shown[PANELMAIN_CLOCK_FREQUENCY_CH2], "28.000");
  EXPECT_EQ(shown[PANELMAIN_ERROR_COUNT_CH1], "0");
  EXPECT_GT(shown[PANELMAIN_ERROR_FREE_CH1].toInt(), 10) << "several error-free samples";
  EXPECT_GT(shown[PANELMAIN_ERROR_FREE_CH2].toInt(), 10);

  ASSERT_FALSE(picture.isNull());
  EXPECT_GE(picture.width(), kWidth);
  EXPECT_GE(picture.height(), kHeight - 40);  // less the menu bar's share, by style
  QDir().mkpath(KD71_ARTIFACT_DIR);
  const QString path = QStringLiteral(KD71_ARTIFACT_DIR "/main_window.png");
  EXPECT_TRUE(picture.save(path)) << path.toStdString();
}

}  // namespace
}  // namespace kd71::test
