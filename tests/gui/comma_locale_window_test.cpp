// The window under a desktop locale that writes decimal commas: the toolkit
// adopts that locale when it starts, and the settings, the read-outs and the
// entry boxes must keep the decimal point all the same.
#include <QDoubleSpinBox>
#include <QLabel>
#include <QTest>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/panel_handles.h"
#include "app/settings_file.h"
#include "platform/ui_runtime/ui_store.h"
#include "tests/gui/qt_fixture.h"
#include "tests/support/comma_locale.h"
#include "tests/support/sample_settings.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

class CommaLocaleWindowTest : public QtFixture {
 protected:
  void SetUp() override {
    // The desktop's locale, in place before the toolkit starts and adopts it
    // (setlocale(LC_ALL, "")); a later test in the process adopts it again.
    setenv("LC_ALL", kCommaLocale, 1);
    QtFixture::SetUp();
    std::setlocale(LC_ALL, "");
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 0.5);
    if (std::string(text) != "0,5") GTEST_SKIP() << kCommaLocaleMissing;
    panelHandle = open_panel(PANELMAIN);
  }
  void TearDown() override {
    QtFixture::TearDown();
    leave_comma_locale();
  }
};

TEST_F(CommaLocaleWindowTest, SettingsSurviveARunOfTheWindow) {
  WorkFolder folder;
  folder.write("settings.cfg", kSampleSettings);
  EXPECT_EQ(RestoreSettings("settings.cfg"), 0);
  EXPECT_FLOAT_EQ(Ch1_SamplingDelay, 1.25f);
  EXPECT_FLOAT_EQ(Ch2_Threshold, -3.0f);
  EXPECT_EQ(manual_mode_ch1, 1);
  EXPECT_EQ(part<QDoubleSpinBox>(panelHandle, PANELMAIN_CH1_SAMPDEL)->text(), "1.250");
  EXPECT_EQ(part<QDoubleSpinBox>(panelHandle, PANELMAIN_CH1_THRES)->text(), "12.50");
  ASSERT_EQ(SaveSettings("settings.cfg"), 1);
  EXPECT_EQ(folder.read("settings.cfg"), kSampleSettings);
}

TEST_F(CommaLocaleWindowTest, ReadOutsAndEntriesUseTheDecimalPoint) {
  SetCtrlVal(panelHandle, PANELMAIN_CLOCK_FREQUENCY_CH1, 10.0f);
  SetCtrlVal(panelHandle, PANELMAIN_ERROR_RATIO_CH2, static_cast<float>(1.0 / 17179869184.0));
  EXPECT_EQ(part<QLabel>(panelHandle, PANELMAIN_CLOCK_FREQUENCY_CH1)->text(), "10.000");
  EXPECT_EQ(part<QLabel>(panelHandle, PANELMAIN_ERROR_RATIO_CH2)->text(), "5.821e-11");

  auto* entry = part<QDoubleSpinBox>(panelHandle, PANELMAIN_CH1_SAMPDEL);
  entry->selectAll();
  QTest::keyClicks(entry, "2.5");
  QTest::keyClick(entry, Qt::Key_Return);
  ui::process_pending();
  float value = 0.0f;
  GetCtrlVal(panelHandle, PANELMAIN_CH1_SAMPDEL, &value);
  EXPECT_FLOAT_EQ(value, 2.5f);

  // A comma is no decimal separator here, nor a digit group.
  entry->selectAll();
  QTest::keyClicks(entry, "1,5");
  QTest::keyClick(entry, Qt::Key_Return);
  ui::process_pending();
  GetCtrlVal(panelHandle, PANELMAIN_CH1_SAMPDEL, &value);
  EXPECT_NE(value, 15.0f);
  EXPECT_NE(value, 1.5f);
}

}  // namespace
}  // namespace kd71::test
