// The headless mode: the status line read from the main panel, one line a
// second while the program runs, stop signals as the quit button, and what
// closing a panel's window means.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "app/bridge_choice.h"
#include "app/console_front_end.h"
#include "app/console_status.h"
#include "app/debug_panel.h"
#include "app/startup.h"
#include "app/stop_signal.h"
#include "app/window_close.h"
#include "hardware/lowlevel.h"
#include "platform/ui_store.h"
#include "tests/support/fresh_state.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

constexpr double kSampleLength = 17179869184.0;  // 2^34 bits

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Puts the default handlers back after a test that installed the program's.
struct DefaultSignals {
  ~DefaultSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
  }
};

using ConsoleTest = FreshState;

TEST_F(ConsoleTest, TheStatusLineShowsTheFiguresAsThePanelDoes) {
  const int main = LoadPanel(0, "main.uir", PANELMAIN);
  SetCtrlVal(main, PANELMAIN_NOTIFY_USER, "USB CONNECTED");
  SetCtrlVal(main, PANELMAIN_CLOCK_FREQUENCY_CH1, 10.0f);
  SetCtrlVal(main, PANELMAIN_ERROR_COUNT_CH1, 0LL);
  SetCtrlVal(main, PANELMAIN_ERROR_RATIO_CH1, static_cast<float>(1.0 / kSampleLength));
  SetCtrlAttribute(main, PANELMAIN_TEXTMSG_LT_ER_CH1, ATTR_VISIBLE, 1);
  SetCtrlVal(main, PANELMAIN_ERROR_FREE_CH1, 12u);
  SetCtrlVal(main, PANELMAIN_CLOCK_FREQUENCY_CH2, 28.0f);
  SetCtrlVal(main, PANELMAIN_ERROR_COUNT_CH2, 1099511627775LL);  // 40 bits
  SetCtrlVal(main, PANELMAIN_ERROR_RATIO_CH2, static_cast<float>(3.0 / kSampleLength));
  SetCtrlAttribute(main, PANELMAIN_TEXTMSG_LT_ER_CH2, ATTR_VISIBLE, 0);
  SetCtrlVal(main, PANELMAIN_ERROR_FREE_CH2, 0u);

  EXPECT_EQ(console_status_line(main, true, false),
            "USB CONNECTED | CH1 10.000 Gbps errors 0 ratio <5.821e-11 ef 12s sync | "
            "CH2 28.000 Gbps errors 1099511627775 ratio 1.746e-10 ef 0s no sync");
}

TEST_F(ConsoleTest, SyncIsBitZeroOfEachChannelsSyncFlags) {
  const int main = LoadPanel(0, "main.uir", PANELMAIN);
  packets[1].sync_flags = 0x03;  // in sync, inverted
  packets[2].sync_flags = 0x02;  // inverted only
  const std::string line = console_status_line(main);
  EXPECT_NE(line.find("s sync | CH2"), std::string::npos) << line;
  EXPECT_TRUE(line.ends_with("0s no sync")) << line;
  packets[1].sync_flags = 0;
  packets[2].sync_flags = 1;
  const std::string swapped = console_status_line(main);
  EXPECT_NE(swapped.find("s no sync | CH2"), std::string::npos) << swapped;
  EXPECT_TRUE(swapped.ends_with("0s sync")) << swapped;
}

TEST_F(ConsoleTest, AStopSignalPressesTheQuitButtonOnce) {
  DefaultSignals restore;
  ui::bind_callback("QuitAll", [](int, int, int, void*, int, int) { return 0; });
  install_stop_signals();
  quit_on_stop_signal();
  EXPECT_EQ(ui::pending_event_count(), 0) << "no signal yet";
  std::raise(SIGTERM);
  EXPECT_TRUE(stop_signal_seen());
  quit_on_stop_signal();
  EXPECT_EQ(ui::pending_event_count(), 0) << "no main panel yet";
  panelHandle = LoadPanel(0, "main.uir", PANELMAIN);
  quit_on_stop_signal();
  quit_on_stop_signal();
  int panel = 0, control = 0;
  EXPECT_EQ(GetUserEvent(0, &panel, &control), EVENT_COMMIT);
  EXPECT_EQ(panel, panelHandle);
  EXPECT_EQ(control, PANELMAIN_CMDQUIT);
  EXPECT_EQ(ui::pending_event_count(), 0) << "one press only";
}

// The console front-end that raises SIGTERM once the clock passes `at`, as
// `timeout -s TERM` would.
class TermAt : public ConsoleFrontEnd {
 public:
  TermAt(std::FILE* out, double at) : ConsoleFrontEnd(out), at_(at) {}
  void pump_input() override {
    if (!raised_ && Timer() >= at_) {
      raised_ = true;
      std::raise(SIGTERM);
    }
    ConsoleFrontEnd::pump_input();
  }

 private:
  double at_;
  bool raised_ = false;
};

TEST_F(ConsoleTest, HeadlessOnTheSimulatedBoardUntilSigterm) {
  DefaultSignals restore;
  WorkFolder folder;  // empty: no settings file
  ASSERT_TRUE(install_bridge("sim"));
  install_stop_signals();
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  TermAt console(out, 5.5);
  ui::set_front_end(&console);
  testing::internal::CaptureStdout();
  char name[] = "kd71";
  char* argv[] = {name, nullptr};
  const int result = kd71_main(1, argv);
  const std::string popups = testing::internal::GetCapturedStdout();
  ui::set_front_end(nullptr);
  std::rewind(out);
  std::string text;
  for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
  std::fclose(out);

  EXPECT_EQ(result, 0);
  EXPECT_EQ(popups, "Restore Error: Unable to find Restore File\n");
  const std::vector<std::string> lines = lines_of(text);
  // One line a second over five and a half seconds: at 0, 1, .. 5 s.
  EXPECT_GE(lines.size(), 5u) << text;
  EXPECT_LE(lines.size(), 6u) << text;
  for (const std::string& line : lines)
    EXPECT_EQ(line.rfind("USB CONNECTED | CH1 ", 0), 0u) << line;
  ASSERT_FALSE(lines.empty());
  const std::string& last = lines.back();
  EXPECT_NE(last.find("CH1 10.000 Gbps errors 0 ratio <5.821e-11"), std::string::npos) << last;
  EXPECT_NE(last.find("CH2 28.000 Gbps"), std::string::npos) << last;
  EXPECT_TRUE(last.ends_with("s sync")) << "channel 2 in sync: " << last;

  const std::string saved = folder.read("settings.cfg");
  EXPECT_EQ(saved.rfind("VORN_KD71_2CH Configuration Data\nCh1_SamplingDelay ", 0), 0u) << saved;
  EXPECT_EQ(lines_of(saved).size(), 15u);
  EXPECT_NE(saved.back(), '\n') << "no line feed after the last value";
}

TEST_F(ConsoleTest, ClosingAWindowMeansWhatItsPanelsCloseButtonMeans) {
  kd71_bind_callbacks();
  panelHandle = LoadPanel(0, "main.uir", PANELMAIN);
  int panel = 0, control = 0;

  close_panel_window(panelHandle);
  EXPECT_EQ(GetUserEvent(0, &panel, &control), EVENT_COMMIT);
  EXPECT_EQ(control, PANELMAIN_CMDQUIT);

  Debug(GetPanelMenuBar(panelHandle), MENUBAR_ITEM1, nullptr, panelHandle);
  close_panel_window(debugPanelHandle);
  EXPECT_EQ(GetUserEvent(0, &panel, &control), EVENT_COMMIT);
  EXPECT_EQ(panel, debugPanelHandle);
  EXPECT_EQ(control, PANELDEBUG_CLOSEPANELDEBUG);

  open_scope_panel(debugPanelHandle, PANELDEBUG_SCOPE, EVENT_COMMIT, nullptr, 0, 0);
  const int scope = scopePanelHandle;
  close_panel_window(scope);
  EXPECT_EQ(scopePanelOpen, 0);
  EXPECT_FALSE(ui::panel_exists(scope));

  close_panel_window(12345);  // no such panel: nothing happens
  EXPECT_EQ(ui::pending_event_count(), 0);
}

}  // namespace
}  // namespace kd71::test
