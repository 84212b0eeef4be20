#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/os/clock.h"
#include "platform/ui_runtime/ui_store.h"
#include "tests/support/fresh_state.h"
#include "tests/support/scripted_frontend.h"
#include "ui/main_uir.h"

namespace {

struct Seen {
  int control;
  int event;
  int data1;
  double time;
};

std::vector<Seen> g_seen;
int g_main = 0;

int record(int, int control, int event, void*, int data1, int) {
  g_seen.push_back({control, event, data1, Timer()});
  return 0;
}

class EventDispatchTest : public kd71::test::FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    g_seen.clear();
    g_main = LoadPanel(0, "main.uir", PANELMAIN);
    ASSERT_GT(g_main, 0);
    // Keep the measurement timer out of the way unless a test wants it.
    SetCtrlAttribute(g_main, PANELMAIN_TIMER, ATTR_ENABLED, 0);
  }
  int ticks() const {
    int n = 0;
    for (const Seen& s : g_seen) n += s.event == EVENT_TIMER_TICK;
    return n;
  }
};

TEST_F(EventDispatchTest, EventsWaitForTheLoop) {
  kd71::ui::bind_callback("CB_DAC", record);
  kd71::ui::post_event(g_main, PANELMAIN_CH1_THRES, EVENT_VAL_CHANGED);
  EXPECT_TRUE(g_seen.empty());
  kd71::ui::run_until(0.1);
  ASSERT_EQ(g_seen.size(), 1u);
  EXPECT_EQ(g_seen[0].control, PANELMAIN_CH1_THRES);
  EXPECT_EQ(g_seen[0].event, EVENT_VAL_CHANGED);
}

TEST_F(EventDispatchTest, SetCtrlValAndAttributesRaiseNoEvents) {
  kd71::ui::bind_callback("CB_DAC", record);
  SetCtrlVal(g_main, PANELMAIN_CH1_THRES, 5.0);
  SetCtrlAttribute(g_main, PANELMAIN_CH1_THRES, ATTR_DIMMED, 1);
  kd71::ui::run_until(1.0);
  EXPECT_TRUE(g_seen.empty());
}

TEST_F(EventDispatchTest, UnboundCallbacksDoNothing) {
  kd71::ui::post_event(g_main, PANELMAIN_INIT_CH1, EVENT_COMMIT);
  kd71::ui::post_event(g_main, PANELMAIN_CH1_AUTOSEARCH_STOP, EVENT_COMMIT);  // no callback at all
  kd71::ui::run_until(0.1);
  EXPECT_EQ(kd71::ui::pending_event_count(), 0);
}

// A callback that raises another event: it must run after, not inside.
int g_depth = 0;
int g_max_depth = 0;
int reentrancy_probe(int panel, int control, int event, void*, int, int) {
  ++g_depth;
  g_max_depth = std::max(g_max_depth, g_depth);
  g_seen.push_back({control, event, 0, Timer()});
  if (control == PANELMAIN_INIT_CH1) {
    kd71::ui::post_event(panel, PANELMAIN_INIT_CH2, EVENT_COMMIT);
    Delay(0.5);
  }
  --g_depth;
  return 0;
}

TEST_F(EventDispatchTest, EventsRaisedDuringACallbackAreQueued) {
  g_depth = g_max_depth = 0;
  kd71::ui::bind_callback("CB_InitChan", reentrancy_probe);
  kd71::ui::post_event(g_main, PANELMAIN_INIT_CH1, EVENT_COMMIT);
  kd71::ui::run_until(1.0);
  ASSERT_EQ(g_seen.size(), 2u);
  EXPECT_EQ(g_seen[0].control, PANELMAIN_INIT_CH1);
  EXPECT_EQ(g_seen[1].control, PANELMAIN_INIT_CH2);
  EXPECT_EQ(g_max_depth, 1);
}

TEST_F(EventDispatchTest, TimerTicksAtItsIntervalOnTheVirtualClock) {
  kd71::ui::bind_callback("CBTimer", record);
  SetCtrlAttribute(g_main, PANELMAIN_TIMER, ATTR_ENABLED, 1);
  kd71::ui::run_until(1.0);
  EXPECT_EQ(ticks(), 5);
  EXPECT_NEAR(g_seen.front().time, 0.2, 1e-9);
  EXPECT_NEAR(g_seen.back().time, 1.0, 1e-9);
}

int slow_tick(int, int control, int event, void*, int, int) {
  g_seen.push_back({control, event, 0, Timer()});
  if (g_seen.size() == 1) Delay(2.0);  // a long routine holds the thread
  return 0;
}

TEST_F(EventDispatchTest, ALongRoutineLeavesAtMostOneTickBehind) {
  kd71::ui::bind_callback("CBTimer", slow_tick);
  SetCtrlAttribute(g_main, PANELMAIN_TIMER, ATTR_ENABLED, 1);
  kd71::ui::run_until(2.5);
  // First tick at 0.2 runs until 2.2; one tick is pending then, not ten.
  ASSERT_GE(g_seen.size(), 2u);
  EXPECT_NEAR(g_seen[1].time, 2.2, 1e-9);
  EXPECT_NEAR(g_seen[2].time, 2.4, 1e-9);
  EXPECT_EQ(g_seen.size(), 3u);
}

// A tick that lasts longer than the timer's interval, as one does whose
// every poll of the board times out. After 100 ticks it ends the loop, so a
// loop that never lets go fails the test instead of hanging it.
int overlong_tick(int, int control, int event, void*, int, int) {
  g_seen.push_back({control, event, 0, Timer()});
  Delay(0.3);
  if (g_seen.size() >= 100) QuitUserInterface(1);
  return 0;
}

int quit_seen(int, int control, int event, void*, int, int) {
  g_seen.push_back({control, event, 0, Timer()});
  QuitUserInterface(0);
  return 0;
}

// Notes when the loop lets it deliver input; from `press_at` on, the next
// delivery presses the Quit button, as a user or a stop signal does.
struct InputWatch : kd71::ui::FrontEnd {
  explicit InputWatch(double press_at) : press_at(press_at) {}
  void pump_input() override {
    deliveries.push_back(Timer());
    if (pressed || Timer() < press_at) return;
    pressed = true;
    kd71::ui::post_event(g_main, PANELMAIN_CMDQUIT, EVENT_COMMIT);
  }
  double press_at;
  bool pressed = false;
  std::vector<double> deliveries;
};

TEST_F(EventDispatchTest, TicksLongerThanTheirIntervalLeaveRoomForInputBetweenThem) {
  kd71::ui::bind_callback("CBTimer", overlong_tick);
  kd71::ui::bind_callback("QuitAll", quit_seen);
  SetCtrlAttribute(g_main, PANELMAIN_TIMER, ATTR_ENABLED, 1);
  InputWatch input(1.9);
  kd71::ui::set_front_end(&input);
  EXPECT_EQ(kd71::ui::run_until(kd71::ui::kForever), 0) << "the Quit button ended the loop";

  ASSERT_GE(g_seen.size(), 2u);
  const Seen& quit = g_seen.back();
  EXPECT_EQ(quit.control, PANELMAIN_CMDQUIT);
  EXPECT_LE(quit.time, 1.9 + 0.3) << "within one tick of the press";
  std::vector<double> ticks;
  for (const Seen& s : g_seen)
    if (s.event == EVENT_TIMER_TICK) ticks.push_back(s.time);
  // Ticks follow each other as each ends (0.2, 0.5, .. 1.7): the deadlines
  // missed meanwhile are dropped, not queued up.
  EXPECT_EQ(ticks.size(), 6u);
  for (std::size_t i = 1; i < ticks.size(); ++i) {
    EXPECT_NEAR(ticks[i] - ticks[i - 1], 0.3, 1e-9) << "tick " << i;
    // The loop delivered input between the two.
    EXPECT_TRUE(std::any_of(input.deliveries.begin(), input.deliveries.end(),
                            [&](double t) { return t > ticks[i - 1] && t <= ticks[i]; }))
        << "no input between the ticks at " << ticks[i - 1] << " and " << ticks[i];
  }
}

TEST_F(EventDispatchTest, GetUserEventTakesCommitsAndLeavesTicks) {
  kd71::ui::bind_callback("CBTimer", record);
  SetCtrlAttribute(g_main, PANELMAIN_TIMER, ATTR_ENABLED, 1);
  kd71::ui::post_event(g_main, PANELMAIN_CH1_THRES, EVENT_VAL_CHANGED);
  kd71::ui::post_event(g_main, PANELMAIN_CH2_AUTOSEARCH_STOP, EVENT_COMMIT, 0, 0, 3.0);
  int panel = 0, control = 0;
  EXPECT_EQ(GetUserEvent(0, &panel, &control), EVENT_NONE);  // the stop is not due yet
  Delay(3.0);
  EXPECT_EQ(GetUserEvent(0, &panel, &control), EVENT_COMMIT);
  EXPECT_EQ(panel, g_main);
  EXPECT_EQ(control, PANELMAIN_CH2_AUTOSEARCH_STOP);
  EXPECT_EQ(GetUserEvent(0, &panel, &control), EVENT_NONE);
  // The value change stays queued for the loop.
  EXPECT_EQ(kd71::ui::pending_event_count(), 1);
}

TEST_F(EventDispatchTest, GetUserEventLetsTheFrontEndDeliverInputFirst) {
  kd71::test::ScriptedFrontEnd fe;
  kd71::ui::set_front_end(&fe);
  int panel = 0, control = 0;
  GetUserEvent(0, &panel, &control);
  EXPECT_EQ(fe.pumps, 1);
  ProcessDrawEvents();
  EXPECT_EQ(fe.draws, 1);
  EXPECT_EQ(fe.pumps, 1);  // drawing delivers no input
}

int discard_own_panel(int panel, int control, int event, void*, int, int) {
  g_seen.push_back({control, event, 0, Timer()});
  DiscardPanel(panel);
  // Still usable until the callback returns.
  int smooth = 0;
  EXPECT_EQ(GetCtrlVal(panel, PANELDEBUG_SMOOTH, &smooth), 0);
  return 0;
}

TEST_F(EventDispatchTest, APanelDiscardedByItsOwnCallbackGoesAfterIt) {
  kd71::ui::bind_callback("quit_panel", discard_own_panel);
  kd71::ui::bind_callback("CB_Debug", record);
  const int debug = LoadPanel(0, "main.uir", PANELDEBUG);
  kd71::ui::post_event(debug, PANELDEBUG_CLOSEPANELDEBUG, EVENT_COMMIT);
  kd71::ui::post_event(debug, PANELDEBUG_SNAPSHOT_BUTTON, EVENT_COMMIT);
  kd71::ui::run_until(0.5);
  ASSERT_EQ(g_seen.size(), 1u);  // the snapshot commit went with the panel
  EXPECT_FALSE(kd71::ui::panel_exists(debug));
  EXPECT_TRUE(kd71::ui::panel_exists(g_main));
}

TEST_F(EventDispatchTest, QuitEndsTheLoopAndDoesNothingWithoutOne) {
  EXPECT_EQ(QuitUserInterface(3), 0);
  EXPECT_FALSE(kd71::ui::quit_requested());
  kd71::ui::bind_callback("QuitAll", [](int, int, int, void*, int, int) {
    QuitUserInterface(7);
    return 0;
  });
  kd71::ui::post_event(g_main, PANELMAIN_CMDQUIT, EVENT_COMMIT, 0, 0, 1.5);
  EXPECT_EQ(kd71::ui::run_until(kd71::ui::kForever), 7);
  EXPECT_DOUBLE_EQ(Timer(), 1.5);
  EXPECT_FALSE(kd71::ui::loop_running());
}

TEST_F(EventDispatchTest, NoEventIsDispatchedWhileAPopupIsOpen) {
  struct Popup : kd71::test::ScriptedFrontEnd {
    void message_popup(const std::string& title, const std::string& text) override {
      ScriptedFrontEnd::message_popup(title, text);
      dispatched_inside = kd71::ui::process_pending();
    }
    int dispatched_inside = -1;
  } fe;
  kd71::ui::set_front_end(&fe);
  kd71::ui::bind_callback("CB_DAC", record);
  kd71::ui::post_event(g_main, PANELMAIN_CH1_THRES, EVENT_VAL_CHANGED);
  MessagePopup("Restore Error", "Unable to find Restore File");
  EXPECT_EQ(fe.dispatched_inside, 0);
  ASSERT_EQ(fe.popups.size(), 1u);
  EXPECT_EQ(fe.popups[0].first, "Restore Error");
  kd71::ui::process_pending();
  EXPECT_EQ(g_seen.size(), 1u);
}

TEST_F(EventDispatchTest, FileDialogAnswersAreScripted) {
  kd71::test::ScriptedFrontEnd fe;
  kd71::ui::set_front_end(&fe);
  fe.file_answers.push_back({VAL_NEW_FILE_SELECTED, "/tmp/a.txt"});
  fe.file_answers.push_back({VAL_EXISTING_FILE_SELECTED, std::string(MAX_PATHNAME_LEN + 5, 'x')});
  char path[MAX_PATHNAME_LEN];
  EXPECT_EQ(FileSelectPopupEx("", "VORN_KD71_2CH_ConfigurationFile.txt", "",
                              "Choose a filename to save as:", VAL_SAVE_BUTTON, 0, 0, path),
            VAL_NEW_FILE_SELECTED);
  EXPECT_STREQ(path, "/tmp/a.txt");
  EXPECT_EQ(fe.file_requests[0].button_kind, VAL_SAVE_BUTTON);
  // A path too long for the buffer is refused, never cut short.
  EXPECT_EQ(FileSelectPopupEx("", ".txt", "", "Choose a file to open", VAL_LOAD_BUTTON, 0, 0, path),
            VAL_NO_FILE_SELECTED);
  EXPECT_STREQ(path, "");
  // Script exhausted: cancelled.
  EXPECT_EQ(FileSelectPopupEx("", ".txt", "", "t", VAL_LOAD_BUTTON, 0, 0, path),
            VAL_NO_FILE_SELECTED);
}

void record_menu(int, int item, void*, int panel) {
  g_seen.push_back({item, EVENT_COMMIT, panel, Timer()});
}

TEST_F(EventDispatchTest, MenuCommitsReachMenuCallbacks) {
  kd71::ui::bind_menu_callback("Debug", record_menu);
  kd71::ui::post_menu_event(g_main, MENUBAR_ITEM1);
  kd71::ui::post_menu_event(g_main, MENUBAR_FILE_FILEOPEN);  // FileOpen not bound
  kd71::ui::run_until(0.1);
  ASSERT_EQ(g_seen.size(), 1u);
  EXPECT_EQ(g_seen[0].control, MENUBAR_ITEM1);
  EXPECT_EQ(g_seen[0].data1, g_main);  // the panel handle comes last
}

}  // namespace
