// State of the control store, shared by its source files. Not for use
// outside platform/.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/ui_runtime/colours.h"
#include "platform/ui_runtime/ui_frontend.h"
#include "platform/ui_runtime/ui_store.h"

namespace kd71::ui::detail {

using kd71::uir::ControlDef;
using kd71::uir::Kind;
using kd71::uir::PanelDef;
using kd71::uir::ValueType;

// An LED's on-colour when its definition names none.
inline constexpr int kLedGreen = kGreen;

struct ControlState {
  const ControlDef* def = nullptr;
  long long ival = 0;  // UChar, Int, UInt, Int64
  double dval = 0.0;   // Float (rounded to single precision), Double
  std::string text;
  bool dimmed = false;
  bool visible = true;
  bool operable = true;
  std::string tooltip;
  std::string label;
  int text_color = kBlack;
  int fill_color = kWhite;
  int on_color = kLedGreen;
  double increment = 1.0;
  std::vector<Plot> plots;
  // Timers.
  bool enabled = false;
  double interval = 0.0;
  double origin = 0.0;  // deadlines are origin + k * interval, free of drift
  long long k = 1;
  bool tick_pending = false;

  double next_due() const { return origin + static_cast<double>(k) * interval; }
  void restart(double now) {
    origin = now;
    k = 1;
  }
};

struct PanelState {
  int handle = 0;
  int menubar = 0;
  const PanelDef* def = nullptr;
  std::vector<ControlState> controls;  // indexed by control id
  std::string title;
  bool displayed = false;
  bool doomed = false;  // discarded from inside a callback; goes when it returns
};

struct Event {
  bool menu = false;
  bool tick = false;
  int panel = 0;
  int control = 0;  // menu item for menu events
  int event = 0;
  int data1 = 0;
  int data2 = 0;
  double at = 0.0;                // scheduled events only
  void (*call)() = nullptr;       // a queued call (post_call) instead of a control's callback
  unsigned long long serial = 0;  // user events: the order they were posted in
};

struct State {
  std::map<int, PanelState> panels;
  int next_handle = 1;
  int next_plot = 1;
  std::deque<Event> queue;
  std::vector<Event> scheduled;  // user events waiting for their time
  unsigned long long last_serial = 0;
  unsigned long long dispatched_serial = 0;  // the user event whose callback runs
  int callback_depth = 0;
  int modal_depth = 0;
  bool loop_running = false;
  bool quit_requested = false;
  int quit_code = 0;
  FrontEnd* frontend = nullptr;
};

extern State g;
extern std::map<std::string, CtrlCallbackPtr> g_callbacks;
extern std::map<std::string, MenuCallbackPtr> g_menu_callbacks;

// The attached front-end, or the headless default.
FrontEnd& frontend();
PanelState* find_panel(int handle);
// Panel whose menu bar has handle `menubar`.
PanelState* find_panel_by_menubar(int menubar);
// The control, or nullptr with `error` set to UIE_BAD_PANEL or UIE_BAD_CONTROL.
ControlState* find_control(int panel, int control, int* error);
void notify(int panel, int control, Change what);
// Forgets when the last console progress line was printed.
void reset_progress_lines();

bool is_on_off(Kind kind);
bool is_list(Kind kind);
bool is_integer(ValueType t);
bool is_real(ValueType t);

}  // namespace kd71::ui::detail
