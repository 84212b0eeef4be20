// The headless mode: the status line read from the main panel, one line a
// second while the program runs, stop signals as the quit button, and what
// closing a panel's window means.
#include "program/console_status.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "app/bridge_choice.h"
#include "app/debug_panel.h"
#include "app/startup.h"
#include "app/stop_signal.h"
#include "app/window_close.h"
#include "hardware/lowlevel.h"
#include "platform/ui_runtime/ui_store.h"
#include "program/console_front_end.h"
#include "sim/sim_board.h"
#include "tests/support/default_signals.h"
#include "tests/support/fresh_state.h"
#include "tests/support/sample_settings.h"
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

// A routine sample as the board sends it.
PacketRecord sample(int sync_flags) {
  PacketRecord r{};
  r.frequency = 10000;
  r.channel_state = 0x80;
  r.sync_flags = sync_flags;
  return r;
}

using ConsoleTest = FreshState;

TEST_F(ConsoleTest, TheStatusLineShowsTheFiguresAsThePanelDoes) {
  const int main = LoadPanel(0, "main.uir", PANELMAIN);
  linkUp = 1;
  console_note_sample(1, sample(0x01));
  console_note_sample(2, sample(0x02));  // inverted, not in sync
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

  EXPECT_EQ(console_status_line(main),
            "USB CONNECTED | CH1 10.000 Gbps errors 0 ratio <5.821e-11 ef 12s sync | "
            "CH2 28.000 Gbps errors 1099511627775 ratio 1.746e-10 ef 0s no sync");
}

TEST_F(ConsoleTest, AChannelShowsNothingBeforeItsFirstSampleAndWhileNoBoardIsAttached) {
  const int main = LoadPanel(0, "main.uir", PANELMAIN);
  EXPECT_EQ(console_status_line(main), "USB NOT CONNECTED | CH1 -- | CH2 --");
  linkUp = 1;
  SetCtrlVal(main, PANELMAIN_NOTIFY_USER, "USB CONNECTED");
  EXPECT_EQ(console_status_line(main), "USB CONNECTED | CH1 -- | CH2 --")
      << "connected, but no sample has come in";
  console_note_sample(2, sample(0x01));
  const std::string line = console_status_line(main);
  EXPECT_NE(line.find("| CH1 -- | CH2 0.000 Gbps errors 0 "), std::string::npos) << line;
  linkUp = 0;
  SetCtrlVal(main, PANELMAIN_NOTIFY_USER, "USB NOT CONNECTED");
  EXPECT_EQ(console_status_line(main), "USB NOT CONNECTED | CH1 -- | CH2 --");
}

TEST_F(ConsoleTest, SyncIsThatOfTheChannelsLastRoutineSampleNotOfLaterReads) {
  kd71_bind_callbacks();
  panelHandle = LoadPanel(0, "main.uir", PANELMAIN);
  linkUp = 1;
  // A routine sample as the measurement hands it to the statistics: channel
  // 1 in sync, channel 2 not.
  console_note_sample(1, sample(0x03));
  console_note_sample(2, sample(0x02));
  // A subchannel or snapshot read refills the same records afterwards.
  packets[1].sync_flags = 0;
  packets[2].sync_flags = 1;
  const std::string line = console_status_line(panelHandle);
  EXPECT_NE(line.find("s sync | CH2"), std::string::npos) << line;
  EXPECT_TRUE(line.ends_with("s no sync")) << line;
}

TEST_F(ConsoleTest, AStopSignalPressesTheQuitButtonOnceTheLoopRuns) {
  DefaultSignals restore;
  int quits = 0;
  static int* counter = nullptr;
  counter = &quits;
  ui::bind_callback("QuitAll", [](int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) ++*counter;
    QuitUserInterface(0);
    return 0;
  });
  install_stop_signals();
  std::raise(SIGTERM);  // during start-up: remembered
  EXPECT_TRUE(stop_signal_seen());
  panelHandle = LoadPanel(0, "main.uir", PANELMAIN);
  quit_on_stop_signal();
  EXPECT_EQ(ui::pending_event_count(), 0) << "nothing is queued before the loop runs";

  std::FILE* out = std::tmpfile();
  ConsoleFrontEnd console(out);
  ui::set_front_end(&console);
  EXPECT_EQ(ui::run_until(10.0), 0);
  ui::set_front_end(nullptr);
  std::fclose(out);
  EXPECT_EQ(quits, 1) << "one press only";
  EXPECT_DOUBLE_EQ(Timer(), 0.0) << "acted on as soon as the loop ran, before any tick";
}

// A routine that looks for its stop button as the auto search does, while a
// stop signal comes.
int g_commits_seen_by_routine = 0;
int routine_polling_for_its_stop(int, int, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  std::raise(SIGTERM);
  for (int i = 0; i < 10; ++i) {
    Delay(0.05);
    int panel = 0, control = 0;
    if (GetUserEvent(0, &panel, &control) == EVENT_COMMIT) ++g_commits_seen_by_routine;
  }
  return 0;
}

TEST_F(ConsoleTest, AStopSignalDuringARoutineQuitsWhenTheRoutineEnds) {
  DefaultSignals restore;
  int quits = 0;
  static int* counter = nullptr;
  counter = &quits;
  g_commits_seen_by_routine = 0;
  ui::bind_callback("AutoSearch", routine_polling_for_its_stop);
  ui::bind_callback("QuitAll", [](int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) ++*counter;
    QuitUserInterface(0);
    return 0;
  });
  install_stop_signals();
  panelHandle = LoadPanel(0, "main.uir", PANELMAIN);
  ui::post_event(panelHandle, PANELMAIN_CH1_AUTOSEARCH, EVENT_COMMIT);
  std::FILE* out = std::tmpfile();
  ConsoleFrontEnd console(out);
  ui::set_front_end(&console);
  EXPECT_EQ(ui::run_until(10.0), 0);
  ui::set_front_end(nullptr);
  std::fclose(out);
  EXPECT_EQ(g_commits_seen_by_routine, 0) << "the routine took the quit for itself";
  EXPECT_EQ(quits, 1);
  EXPECT_NEAR(Timer(), 0.5, 1e-9) << "the quit came as the routine ended";
}

TEST_F(ConsoleTest, AStatusLineThatCannotBeWrittenStopsTheStatusLinesOnly) {
  panelHandle = LoadPanel(0, "main.uir", PANELMAIN);
  std::FILE* closed_reader = std::fopen("/dev/full", "w");  // every write fails, like a closed pipe
  ASSERT_NE(closed_reader, nullptr);
  ConsoleFrontEnd console(closed_reader);
  testing::internal::CaptureStderr();
  console.pump_input();
  EXPECT_FALSE(console.printing());
  Delay(5.0);
  console.pump_input();  // no second attempt, no second complaint
  const std::string complaint = testing::internal::GetCapturedStderr();
  std::fclose(closed_reader);
  EXPECT_EQ(complaint,
            "kd71: the status lines stop: they cannot be written (No space left on device)\n");
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

// What a headless run of the program left: its exit code, its status lines
// and what else it printed.
struct HeadlessRun {
  int result = 0;
  std::vector<std::string> status_lines;
  std::string printed;
};

// Runs the program in the headless mode with `console` writing to `out`.
HeadlessRun run_headless(ConsoleFrontEnd& console, std::FILE* out) {
  HeadlessRun run;
  ui::set_front_end(&console);
  testing::internal::CaptureStdout();
  char name[] = "kd71";
  char* argv[] = {name, nullptr};
  run.result = kd71_main(1, argv);
  run.printed = testing::internal::GetCapturedStdout();
  ui::set_front_end(nullptr);
  std::rewind(out);
  std::string text;
  for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
  run.status_lines = lines_of(text);
  return run;
}

const char* const kSettings = kSampleSettings;

TEST_F(ConsoleTest, HeadlessOnTheSimulatedBoardUntilSigterm) {
  DefaultSignals restore;
  WorkFolder folder;  // empty: no settings file
  ASSERT_TRUE(install_bridge("sim"));
  install_stop_signals();
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  TermAt console(out, 5.5);
  const HeadlessRun run = run_headless(console, out);
  std::fclose(out);

  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.printed, "Restore Error: Unable to find Restore File\n");
  const std::vector<std::string>& lines = run.status_lines;
  // One line a second over five and a half seconds: at 0, 1, .. 5 s.
  EXPECT_GE(lines.size(), 5u);
  EXPECT_LE(lines.size(), 6u);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "USB CONNECTED | CH1 -- | CH2 --") << "connected, no sample yet";
  for (const std::string& line : lines)
    EXPECT_EQ(line.rfind("USB CONNECTED | CH1 ", 0), 0u) << line;
  const std::string& last = lines.back();
  EXPECT_NE(last.find("CH1 10.000 Gbps errors 0 ratio <5.821e-11"), std::string::npos) << last;
  EXPECT_NE(last.find("CH2 28.000 Gbps"), std::string::npos) << last;
  EXPECT_TRUE(last.ends_with("s sync")) << "channel 2 in sync: " << last;

  const std::string saved = folder.read("settings.cfg");
  EXPECT_EQ(saved.rfind("VORN_KD71_2CH Configuration Data\nCh1_SamplingDelay ", 0), 0u) << saved;
  EXPECT_EQ(lines_of(saved).size(), 15u);
  EXPECT_NE(saved.back(), '\n') << "no line feed after the last value";
}

// SIGTERM as TermAt sends it, noting how many routine polls of channel 1 the
// board had answered or dropped by then.
class TermAtCountingPolls : public TermAt {
 public:
  TermAtCountingPolls(std::FILE* out, double at, sim::SimBoard* board)
      : TermAt(out, at), board_(board) {}
  void pump_input() override {
    if (!stop_signal_seen()) polls_at_signal = board_->counters().polls[kRoutineCh1];
    TermAt::pump_input();
  }
  static constexpr int kRoutineCh1 = 5;
  std::uint64_t polls_at_signal = 0;

 private:
  sim::SimBoard* board_;
};

TEST_F(ConsoleTest, SigtermEndsAProgramWhoseEveryTickTimesOut) {
  DefaultSignals restore;
  WorkFolder folder;
  folder.write("settings.cfg", kSettings);
  sim::SimBoard* board = sim::install_simulated_board();
  board->drop_replies(1 << 30);  // no poll is ever answered: every tick runs out of retries
  install_stop_signals();
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  TermAtCountingPolls console(out, 3.0, board);
  const HeadlessRun run = run_headless(console, out);
  std::fclose(out);

  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(folder.read("settings.cfg"), kSettings) << "saved at the quit";
  EXPECT_GE(Timer(), 3.0);
  EXPECT_EQ(board->counters().polls[TermAtCountingPolls::kRoutineCh1], console.polls_at_signal)
      << "no tick ran after the signal";
  // The status lines kept coming while every tick ran longer than its interval.
  EXPECT_GE(run.status_lines.size(), 3u);
  for (const std::string& line : run.status_lines)
    EXPECT_EQ(line, "USB CONNECTED | CH1 -- | CH2 --") << "no sample ever came in";
}

// Raises SIGTERM the moment the main panel has been loaded, before the
// settings file is read.
class TermDuringStartUp : public ConsoleFrontEnd {
 public:
  using ConsoleFrontEnd::ConsoleFrontEnd;
  void panel_loaded(int) override { std::raise(SIGTERM); }
};

TEST_F(ConsoleTest, AStopSignalDuringStartUpQuitsOnceTheSettingsAreRead) {
  DefaultSignals restore;
  WorkFolder folder;
  folder.write("settings.cfg", kSettings);
  install_stop_signals();
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  TermDuringStartUp console(out);
  const HeadlessRun run = run_headless(console, out);
  std::fclose(out);

  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(folder.read("settings.cfg"), kSettings)
      << "the quit saved what start-up had read, not the panel's defaults";
  EXPECT_LT(Timer(), 0.2) << "it quit as soon as the loop ran, before the timer's first tick";
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
