// Under a desktop locale that writes decimal commas, the settings file, the
// figures and the console lines keep the decimal point: a file written on
// one desktop reads back the same on any other.
#include "tests/support/comma_locale.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

#include "app/panel_handles.h"
#include "app/routine_progress.h"
#include "app/settings_file.h"
#include "app/statistics.h"
#include "hardware/debug_flags.h"
#include "hardware/lowlevel.h"
#include "platform/os/c_locale.h"
#include "platform/ui_runtime/ui_store.h"
#include "program/console_status.h"
#include "tests/support/sample_settings.h"
#include "tests/support/scripted_frontend.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

class CommaLocaleFiguresTest : public CommaLocaleTest {
 protected:
  void SetUp() override {
    CommaLocaleTest::SetUp();
    panelHandle = LoadPanel(0, "main.uir", PANELMAIN);
  }
  float slider(int control) const {
    float v = 0;
    GetCtrlVal(panelHandle, control, &v);
    return v;
  }
};

TEST_F(CommaLocaleFiguresTest, TheSettingsFileReadsAndWritesDecimalPoints) {
  WorkFolder folder;
  folder.write("settings.cfg", kSampleSettings);
  // All fourteen read, none falling out of step after the first float.
  EXPECT_EQ(RestoreSettings("settings.cfg"), 0);
  EXPECT_FLOAT_EQ(Ch1_SamplingDelay, 1.25f);
  EXPECT_FLOAT_EQ(Ch2_SamplingDelay, 0.5f);
  EXPECT_FLOAT_EQ(Ch1_Threshold, 12.5f);
  EXPECT_FLOAT_EQ(Ch2_Threshold, -3.0f);
  EXPECT_EQ(data_select_ch1, 3);
  EXPECT_EQ(manual_mode_ch1, 1);
  EXPECT_FLOAT_EQ(slider(PANELMAIN_CH1_SAMPDEL), 1.25f);

  ASSERT_EQ(SaveSettings("settings.cfg"), 1);
  EXPECT_EQ(folder.read("settings.cfg"), kSampleSettings);  // written back as it was read
}

TEST_F(CommaLocaleFiguresTest, DisplayedFiguresAndTheStatusLineKeepTheDecimalPoint) {
  char text[kFigureText];
  EXPECT_STREQ(total_count_text(10000000000000ull, text), "1.000000000E+13");
  EXPECT_STREQ(total_count_text(1234567ull, text), "0,000,001,234,567");  // digit groups as ever

  linkUp = 1;
  PacketRecord sample{};
  sample.sync_flags = 0x01;
  console_note_sample(1, sample);
  console_note_sample(2, sample);
  SetCtrlVal(panelHandle, PANELMAIN_NOTIFY_USER, "USB CONNECTED");
  SetCtrlVal(panelHandle, PANELMAIN_CLOCK_FREQUENCY_CH1, 10.0f);
  SetCtrlVal(panelHandle, PANELMAIN_ERROR_RATIO_CH1, static_cast<float>(1.0 / 17179869184.0));
  SetCtrlAttribute(panelHandle, PANELMAIN_TEXTMSG_LT_ER_CH1, ATTR_VISIBLE, 1);
  SetCtrlVal(panelHandle, PANELMAIN_CLOCK_FREQUENCY_CH2, 28.5f);
  const std::string line = console_status_line(panelHandle);
  EXPECT_NE(line.find("CH1 10.000 Gbps errors 0 ratio <5.821e-11 "), std::string::npos) << line;
  EXPECT_NE(line.find("CH2 28.500 Gbps"), std::string::npos) << line;
}

TEST_F(CommaLocaleFiguresTest, DiagnosticLinesAndProgressTextsKeepTheDecimalPoint) {
  testing::internal::CaptureStdout();
  debug_print(1, "DAC %f V\n", 1.25);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "DAC 1.250000 V\n");

  ScriptedFrontEnd window;
  ui::set_front_end(&window);
  show_routine_progress("CH%d auto search: %.3f V", 1, 1.153);
  ui::set_front_end(nullptr);
  ASSERT_EQ(window.progress.size(), 1u);
  EXPECT_EQ(window.progress[0], "CH1 auto search: 1.153 V");
}

TEST_F(CommaLocaleFiguresTest, TheProcessLocaleIsLeftToTheDesktop) {
  EXPECT_EQ(c_locale::format("%.2f", 0.5), "0.50");
  // The conversion changed nothing for the rest of the process.
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), kCommaLocale);
  char text[16];
  std::snprintf(text, sizeof text, "%.2f", 0.5);
  EXPECT_STREQ(text, "0,50");
}

}  // namespace
}  // namespace kd71::test
