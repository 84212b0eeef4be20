// The window's loop: the store's events are dispatched from Qt's event loop,
// never while a file dialog is open, and on while a message popup waits for
// its OK; the program quits from the Quit button and
// from the window's close button; routines find their stop buttons while
// they hold the loop; the popups are Qt dialogs.
#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <filesystem>

#include "app/debug_panel.h"
#include "app/startup.h"
#include "app/stop_signal.h"
#include "app/window_close.h"
#include "platform/ui_runtime/ui_store.h"
#include "tests/gui/qt_fixture.h"
#include "tests/support/default_signals.h"
#include "tests/support/sample_settings.h"
#include "tests/support/work_folder.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

int quit_now(int, int, int event, void*, int, int) {
  if (event == EVENT_COMMIT) QuitUserInterface(0);
  return 0;
}

const char* const kSettings = kSampleSettings;

class WindowLoopTest : public QtFixture {
 protected:
  // Runs the program in the window; `act` runs once the loop is going.
  int run_program(std::function<void()> act) {
    QTimer::singleShot(0, front_end_.get(), std::move(act));
    char name[] = "kd71";
    char* argv[] = {name, nullptr};
    return kd71_main(1, argv);
  }
};

TEST_F(WindowLoopTest, TimerTicksRunOnTheVirtualClockUntilTheQuit) {
  ui::bind_callback("CBTimer", record_event);
  ui::bind_callback("QuitAll", quit_now);
  const int main = open_panel(PANELMAIN);
  ui::post_event(main, PANELMAIN_CMDQUIT, EVENT_COMMIT, 0, 0, 1.0);
  EXPECT_EQ(RunUserInterface(), 0);
  EXPECT_DOUBLE_EQ(Timer(), 1.0);
  // Ticks at 0.2, 0.4, 0.6 and 0.8 s; at 1.0 s the quit comes first.
  ASSERT_EQ(recorded_events().size(), 4u);
  for (const Recorded& r : recorded_events()) EXPECT_EQ(r.event, EVENT_TIMER_TICK);
  EXPECT_FALSE(ui::loop_running());
}

TEST_F(WindowLoopTest, TheQuitButtonSavesTheSettingsAndEndsTheLoop) {
  WorkFolder folder;
  folder.write("settings.cfg", kSettings);
  const int result = run_program([this] {
    QTest::mouseClick(part<QAbstractButton>(panelHandle, PANELMAIN_CMDQUIT), Qt::LeftButton);
  });
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(ui::loop_running());
  EXPECT_EQ(folder.read("settings.cfg"), kSettings) << "restored at start, saved at quit";
}

TEST_F(WindowLoopTest, ClosingTheMainWindowActsAsTheQuitButton) {
  use_hooks({.close_requested = close_panel_window, .poll = {}});
  WorkFolder folder;
  folder.write("settings.cfg", kSettings);
  const int result = run_program([this] { window(panelHandle)->close(); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(folder.read("settings.cfg"), kSettings);
}

TEST_F(WindowLoopTest, ClosingTheScopeAndDebugWindowsClosesTheirPanels) {
  use_hooks({.close_requested = close_panel_window, .poll = {}});
  kd71_bind_callbacks();
  panelHandle = open_panel(PANELMAIN);
  Debug(GetPanelMenuBar(panelHandle), MENUBAR_ITEM1, nullptr, panelHandle);
  ASSERT_EQ(debugPanelOpen, 1);
  open_scope_panel(debugPanelHandle, PANELDEBUG_SCOPE, EVENT_COMMIT, nullptr, 0, 0);
  ASSERT_EQ(scopePanelOpen, 1);
  const int scope = scopePanelHandle;

  window(scope)->close();
  EXPECT_EQ(scopePanelOpen, 0) << "the searches must not plot into a closed panel";
  EXPECT_FALSE(ui::panel_exists(scope));
  EXPECT_EQ(window(scope), nullptr);

  const int debug = debugPanelHandle;
  window(debug)->close();
  ui::process_pending();
  EXPECT_EQ(debugPanelOpen, 0);
  EXPECT_FALSE(ui::panel_exists(debug));
  // The Debug menu item opens a fresh one.
  Debug(GetPanelMenuBar(panelHandle), MENUBAR_ITEM1, nullptr, panelHandle);
  EXPECT_EQ(debugPanelOpen, 1);
  EXPECT_NE(window(debugPanelHandle), nullptr);
}

// Ticks that last longer than the timer's interval, as when every poll of
// the board times out; `at_tick` runs at the end of each. After 100 ticks
// the loop ends with 1, so a loop that never lets go fails the test instead
// of hanging it.
struct OverlongTicks {
  int ticks = 0;
  std::function<void(int)> at_tick;
};
OverlongTicks overlong;

int overlong_tick(int, int, int event, void*, int, int) {
  if (event != EVENT_TIMER_TICK) return 0;
  ++overlong.ticks;
  Delay(0.3);
  if (overlong.at_tick) overlong.at_tick(overlong.ticks);
  if (overlong.ticks >= 100) QuitUserInterface(1);
  return 0;
}

TEST_F(WindowLoopTest, ClicksGetThroughBetweenTicksThatRunLongerThanTheirInterval) {
  overlong = {};
  ui::bind_callback("CBTimer", overlong_tick);
  ui::bind_callback("QuitAll", quit_now);
  const int main = open_panel(PANELMAIN);
  QAbstractButton* quit = part<QAbstractButton>(main, PANELMAIN_CMDQUIT);
  overlong.at_tick = [quit](int tick) {
    if (tick == 3) QTimer::singleShot(0, [quit] { QTest::mouseClick(quit, Qt::LeftButton); });
  };
  EXPECT_EQ(RunUserInterface(), 0) << "the Quit button ended the loop";
  EXPECT_GE(overlong.ticks, 3);
  EXPECT_LE(overlong.ticks, 4) << "the click made during tick 3 waits for one tick at most";
}

TEST_F(WindowLoopTest, AStopSignalEndsTheLoopAfterTheOverlongTickThatRuns) {
  DefaultSignals restore;
  use_hooks({.close_requested = close_panel_window, .poll = poll_stop_signal});
  install_stop_signals();
  overlong = {};
  ui::bind_callback("CBTimer", overlong_tick);
  ui::bind_callback("QuitAll", quit_now);
  panelHandle = open_panel(PANELMAIN);
  overlong.at_tick = [](int tick) {
    if (tick == 3) std::raise(SIGTERM);
  };
  EXPECT_EQ(RunUserInterface(), 0);
  EXPECT_EQ(overlong.ticks, 3) << "no further tick once the signal had come";
}

TEST_F(WindowLoopTest, AStopSignalBeforeTheLoopQuitsOnceTheSettingsAreRead) {
  DefaultSignals restore;
  use_hooks({.close_requested = close_panel_window, .poll = poll_stop_signal});
  install_stop_signals();
  WorkFolder folder;
  folder.write("settings.cfg", kSettings);
  std::raise(SIGTERM);  // the window is still starting
  EXPECT_EQ(run_program([] {}), 0);
  EXPECT_EQ(folder.read("settings.cfg"), kSettings) << "saved what start-up had read";
  EXPECT_LT(Timer(), 0.2) << "quit as soon as the loop ran, before the timer's first tick";
}

// State shared with the plain callbacks of the tests below.
struct Seen {
  std::vector<int> callbacks;
  int dispatched_while_open = -1;
  QString popup_title, popup_text;
  QWidget* stop_button = nullptr;
  bool stop_found = false;
};
Seen seen;

int popup_callback(int, int control, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  seen.callbacks.push_back(control);
  MessagePopup("Restore Error", "Unable to find Restore File");
  return 0;
}

int note_callback(int, int control, int event, void*, int, int) {
  if (event == EVENT_COMMIT) seen.callbacks.push_back(control);
  return 0;
}

TEST_F(WindowLoopTest, InputIsDispatchedWhileAMessagePopupWaitsForItsOK) {
  seen = {};
  ui::bind_callback("CB_InitChan", popup_callback);
  ui::bind_callback("AutoSearch", note_callback);
  ui::bind_callback("QuitAll", quit_now);
  const int main = open_panel(PANELMAIN);
  ui::post_event(main, PANELMAIN_INIT_CH1, EVENT_COMMIT);
  ui::post_event(main, PANELMAIN_CMDQUIT, EVENT_COMMIT, 0, 0, 1.0);

  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    watch.stop();
    seen.popup_title = box->windowTitle();
    seen.popup_text = box->text();
    // Input arrives while the popup is up and is dispatched by the loop.
    front_end_->post(main, PANELMAIN_CH1_AUTOSEARCH, EVENT_COMMIT, 0);
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    seen.dispatched_while_open = static_cast<int>(seen.callbacks.size());
    box->accept();
  });
  watch.start(0);
  EXPECT_EQ(RunUserInterface(), 0);

  EXPECT_EQ(seen.popup_title, "Restore Error");
  EXPECT_EQ(seen.popup_text, "Unable to find Restore File");
  EXPECT_EQ(seen.dispatched_while_open, 2);
  EXPECT_EQ(seen.callbacks, (std::vector<int>{PANELMAIN_INIT_CH1, PANELMAIN_CH1_AUTOSEARCH}));
}

// A long routine that polls for its stop button, as the auto search does.
int search_until_stopped(int, int, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  QTimer::singleShot(0, [] { QTest::mouseClick(seen.stop_button, Qt::LeftButton); });
  for (int i = 0; i < 1000 && !seen.stop_found; ++i) {
    int panel = 0, control = 0;
    if (GetUserEvent(0, &panel, &control) == EVENT_COMMIT &&
        control == PANELMAIN_CH1_AUTOSEARCH_STOP)
      seen.stop_found = true;
  }
  return 0;
}

TEST_F(WindowLoopTest, ARoutineFindsItsStopButtonWhileItHoldsTheLoop) {
  seen = {};
  ui::bind_callback("AutoSearch", search_until_stopped);
  const int main = open_panel(PANELMAIN);
  seen.stop_button = widget(main, PANELMAIN_CH1_AUTOSEARCH_STOP);
  QTest::mouseClick(part<QAbstractButton>(main, PANELMAIN_CH1_AUTOSEARCH), Qt::LeftButton);
  ui::process_pending();
  EXPECT_TRUE(seen.stop_found);
}

TEST_F(WindowLoopTest, AStopRequestCancelsAnOpenPopup) {
  use_hooks({.close_requested = {}, .poll = [] { return true; }});
  MessagePopup("Restore Error", "Unable to find Restore File");  // returns without a user
  EXPECT_FALSE(ui::modal_open());
}

TEST_F(WindowLoopTest, TheFileDialogSavesUnderANewNameAndOpensExistingFiles) {
  WorkFolder folder;
  const QString dir = QString::fromStdString(folder.path().string());
  QString prefilled;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    prefilled = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
    dialog->selectFile(dir + "/bench.txt");
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept checks the name
  });
  char path[MAX_PATHNAME_LEN] = "unchanged";
  EXPECT_EQ(FileSelectPopupEx("", "VORN_KD71_2CH_ConfigurationFile.txt", "",
                              "Choose a filename to save as:", VAL_SAVE_BUTTON, 0, 0, path),
            VAL_NEW_FILE_SELECTED);
  EXPECT_EQ(prefilled, "VORN_KD71_2CH_ConfigurationFile.txt");
  EXPECT_EQ(std::string(path), (folder.path() / "bench.txt").string());

  folder.write("bench.txt", kSettings);
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    dialog->selectFile(dir + "/bench.txt");
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept checks the name
  });
  EXPECT_EQ(FileSelectPopupEx("", ".txt", "", "Choose a file to open", VAL_LOAD_BUTTON, 0, 0, path),
            VAL_EXISTING_FILE_SELECTED);
  EXPECT_EQ(std::string(path), (folder.path() / "bench.txt").string());

  QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
  EXPECT_EQ(FileSelectPopupEx("", ".txt", "", "Choose a file to open", VAL_LOAD_BUTTON, 0, 0, path),
            VAL_NO_FILE_SELECTED);
  EXPECT_STREQ(path, "");
}

TEST_F(WindowLoopTest, TheFileDialogLeavesNothingInTheUsersSettings) {
  WorkFolder user_config;  // where the user's settings would be kept
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromStdString(user_config.path().string()));
  QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
  char path[MAX_PATHNAME_LEN] = "";
  FileSelectPopupEx("", ".txt", "", "Choose a file to open", VAL_LOAD_BUTTON, 0, 0, path);
  EXPECT_TRUE(std::filesystem::is_empty(user_config.path()))
      << "the dialog's history and last folder were kept";
}

}  // namespace
}  // namespace kd71::test
