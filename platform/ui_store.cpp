// The headless control store behind the user-interface runtime calls.
//
// Panels are instantiated from the definitions of "main.uir"; each control
// keeps its value in its own type and its attributes. Events (commits, value
// changes, timer ticks, menu commits) wait in one queue and are dispatched to
// callbacks one at a time, only while the event loop runs and no callback or
// modal popup is active.

#include <algorithm>
#include <cassert>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <map>

#include "platform/clock.h"
#include "platform/ui_frontend.h"
#include "platform/ui_store.h"

namespace kd71::ui {

using kd71::uir::ControlDef;
using kd71::uir::Kind;
using kd71::uir::PanelDef;
using kd71::uir::ValueType;

namespace {

constexpr int kBlack = 0x000000;
constexpr int kWhite = 0xFFFFFF;
constexpr int kLedGreen = 0x00FF00;
// How long the real-clock loop sleeps at most before it looks at the
// front-end's input again.
constexpr double kRealPollSlice = 0.02;

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
  double at = 0.0;  // scheduled events only
};

struct State {
  std::map<int, PanelState> panels;
  int next_handle = 1;
  int next_plot = 1;
  std::deque<Event> queue;
  std::vector<Event> scheduled;  // user events waiting for their time
  int callback_depth = 0;
  int modal_depth = 0;
  bool loop_running = false;
  bool quit_requested = false;
  int quit_code = 0;
  FrontEnd* frontend = nullptr;
};

State g;
std::map<std::string, CtrlCallbackPtr> g_callbacks;
std::map<std::string, MenuCallbackPtr> g_menu_callbacks;

FrontEnd& frontend() {
  static FrontEnd headless;
  return g.frontend ? *g.frontend : headless;
}

PanelState* find_panel(int handle) {
  auto it = g.panels.find(handle);
  return it == g.panels.end() ? nullptr : &it->second;
}

// Panel whose menu bar has handle `menubar`.
PanelState* find_panel_by_menubar(int menubar) {
  for (auto& [handle, panel] : g.panels)
    if (panel.menubar == menubar && menubar != 0) return &panel;
  return nullptr;
}

ControlState* find_control(int panel, int control, int* error) {
  PanelState* p = find_panel(panel);
  if (!p) {
    *error = UIE_BAD_PANEL;
    return nullptr;
  }
  if (control < 0 || control >= static_cast<int>(p->controls.size()) ||
      !p->controls[control].def) {
    *error = UIE_BAD_CONTROL;
    return nullptr;
  }
  *error = UIE_NO_ERROR;
  return &p->controls[control];
}

void notify(int panel, int control, Change what) {
  frontend().control_changed(panel, control, what);
}

bool is_on_off(Kind kind) {
  return kind == Kind::Checkbox || kind == Kind::ToggleButton || kind == Kind::Led;
}

bool is_list(Kind kind) { return kind == Kind::Ring || kind == Kind::RingSlide; }

bool is_integer(ValueType t) {
  return t == ValueType::UChar || t == ValueType::Int || t == ValueType::UInt ||
         t == ValueType::Int64;
}

bool is_real(ValueType t) { return t == ValueType::Float || t == ValueType::Double; }

// Limits of an integer value type, narrowed by the control's range.
void integer_limits(const ControlDef& def, long long* lo, long long* hi) {
  switch (def.type) {
    case ValueType::UChar: *lo = 0; *hi = 255; break;
    case ValueType::Int:
      *lo = std::numeric_limits<int>::min();
      *hi = std::numeric_limits<int>::max();
      break;
    case ValueType::UInt: *lo = 0; *hi = std::numeric_limits<unsigned int>::max(); break;
    default:
      *lo = std::numeric_limits<long long>::min();
      *hi = std::numeric_limits<long long>::max();
      break;
  }
  if (def.has_range) {
    // Ranges of 64-bit controls stay well inside what a double holds exactly.
    const long double rmin = std::ceil(static_cast<long double>(def.min));
    const long double rmax = std::floor(static_cast<long double>(def.max));
    if (rmin > *lo) *lo = static_cast<long long>(rmin);
    if (rmax < *hi) *hi = static_cast<long long>(rmax);
  }
}

// A numeric value as it arrives from SetCtrlVal, in the caller's type.
struct Incoming {
  enum { Signed, Unsigned, Real } kind;
  long long s = 0;
  unsigned long long u = 0;
  double d = 0.0;
};

double as_double(const Incoming& in) {
  switch (in.kind) {
    case Incoming::Signed: return static_cast<double>(in.s);
    case Incoming::Unsigned: return static_cast<double>(in.u);
    default: return in.d;
  }
}

// The exact integer an incoming value stands for, if it is one.
bool exact_integer(const Incoming& in, long long* out) {
  switch (in.kind) {
    case Incoming::Signed: *out = in.s; return true;
    case Incoming::Unsigned:
      if (in.u > static_cast<unsigned long long>(std::numeric_limits<long long>::max()))
        return false;
      *out = static_cast<long long>(in.u);
      return true;
    default:
      if (!std::isfinite(in.d) || std::trunc(in.d) != in.d || std::fabs(in.d) > 9.0e18)
        return false;
      *out = static_cast<long long>(in.d);
      return true;
  }
}

long long clamp_to_integer(const Incoming& in, long long lo, long long hi) {
  switch (in.kind) {
    case Incoming::Signed: return std::clamp(in.s, lo, hi);
    case Incoming::Unsigned:
      if (hi < 0) return hi;
      if (in.u > static_cast<unsigned long long>(hi)) return hi;
      return std::max(static_cast<long long>(in.u), lo);
    default: {
      const long double v = std::trunc(static_cast<long double>(in.d));
      if (v <= static_cast<long double>(lo)) return lo;
      if (v >= static_cast<long double>(hi)) return hi;
      return static_cast<long long>(v);
    }
  }
}

int assign_numeric(ControlState& c, const Incoming& in) {
  const ControlDef& def = *c.def;
  if (!is_integer(def.type) && !is_real(def.type)) return UIE_WRONG_TYPE;
  if (in.kind == Incoming::Real && std::isnan(in.d)) return UIE_VALUE_REJECTED;

  if (is_list(def.kind)) {
    long long v = 0;
    if (!exact_integer(in, &v)) return UIE_VALUE_REJECTED;
    const bool listed = std::any_of(def.items.begin(), def.items.end(),
                                    [v](const kd71::uir::RingItem& item) { return item.value == v; });
    if (!listed) return UIE_VALUE_REJECTED;
    c.ival = v;
    return UIE_NO_ERROR;
  }

  if (is_real(def.type)) {
    double v = as_double(in);
    if (def.has_range) v = std::clamp(v, def.min, def.max);
    if (def.type == ValueType::Float) {
      if (std::isfinite(v)) v = std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX));
      v = static_cast<float>(v);
    }
    c.dval = v;
    return UIE_NO_ERROR;
  }

  if (is_on_off(def.kind)) {
    c.ival = as_double(in) != 0.0 ? 1 : 0;
    return UIE_NO_ERROR;
  }
  long long lo = 0, hi = 0;
  integer_limits(def, &lo, &hi);
  c.ival = clamp_to_integer(in, lo, hi);
  return UIE_NO_ERROR;
}

int set_numeric(int panel, int control, const Incoming& in) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  const int result = assign_numeric(*c, in);
  if (result == UIE_NO_ERROR) notify(panel, control, Change::Value);
  return result;
}

// Reads a numeric control into T, checking that T is the control's type.
template <typename T>
int get_numeric(int panel, int control, T* out, ValueType expected) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  const ValueType type = c->def->type;
  if (!is_integer(type) && !is_real(type)) {
    assert(!"GetCtrlVal on a control without a numeric value");
    return UIE_WRONG_TYPE;
  }
  const int result = type == expected ? UIE_NO_ERROR : UIE_WRONG_TYPE;
  assert(result == UIE_NO_ERROR && "GetCtrlVal into a type other than the control's");
  *out = is_real(type) ? static_cast<T>(c->dval) : static_cast<T>(c->ival);
  return result;
}

void init_control(ControlState& c, const ControlDef& def) {
  c.def = &def;
  if (is_real(def.type)) {
    c.dval = def.type == ValueType::Float ? static_cast<float>(def.value) : def.value;
  } else if (is_integer(def.type)) {
    c.ival = static_cast<long long>(def.value);
  } else if (def.type == ValueType::Text) {
    c.text = def.text;
  }
  c.visible = def.visible;
  c.tooltip = def.tooltip;
  c.label = def.label;
  c.text_color = def.text_color == kd71::uir::kNoColor ? kBlack : def.text_color;
  c.fill_color = def.fill_color == kd71::uir::kNoColor ? kWhite : def.fill_color;
  c.on_color = def.on_color == kd71::uir::kNoColor ? kLedGreen : def.on_color;
  c.increment = def.increment;
  if (def.kind == Kind::Timer) {
    c.enabled = def.enabled;
    c.interval = def.interval;
    c.restart(clock::now());
  }
}

int create_panel(const char* file, int resource_id) {
  const PanelDef* def = kd71::uir::find_panel(file, resource_id);
  if (!def) return UIE_RESOURCE_NOT_FOUND;
  PanelState panel;
  panel.handle = g.next_handle++;
  panel.def = def;
  panel.title = def->title;
  int max_id = 0;
  for (const ControlDef& c : def->controls) max_id = std::max(max_id, c.id);
  panel.controls.resize(static_cast<std::size_t>(max_id) + 1);
  for (const ControlDef& c : def->controls) init_control(panel.controls[c.id], c);
  if (def->menubar) panel.menubar = g.next_handle++;
  const int handle = panel.handle;
  g.panels.emplace(handle, std::move(panel));
  frontend().panel_loaded(handle);
  return handle;
}

void drop_events_of(int panel) {
  auto of_panel = [panel](const Event& e) { return e.panel == panel; };
  g.queue.erase(std::remove_if(g.queue.begin(), g.queue.end(), of_panel), g.queue.end());
  g.scheduled.erase(std::remove_if(g.scheduled.begin(), g.scheduled.end(), of_panel),
                    g.scheduled.end());
}

void destroy_panel(int handle) {
  drop_events_of(handle);
  g.panels.erase(handle);
  frontend().panel_discarded(handle);
}

void finish_doomed_panels() {
  std::vector<int> doomed;
  for (auto& [handle, panel] : g.panels)
    if (panel.doomed) doomed.push_back(handle);
  for (int handle : doomed) destroy_panel(handle);
}

// Moves the scheduled user events whose time has come into the queue.
void deliver_scheduled() {
  const double now = clock::now();
  std::stable_sort(g.scheduled.begin(), g.scheduled.end(),
                   [](const Event& a, const Event& b) { return a.at < b.at; });
  auto due_end = std::find_if(g.scheduled.begin(), g.scheduled.end(),
                              [now](const Event& e) { return e.at > now; });
  for (auto it = g.scheduled.begin(); it != due_end; ++it) g.queue.push_back(*it);
  g.scheduled.erase(g.scheduled.begin(), due_end);
}

// Queues a tick for every timer whose deadline has passed. A timer has at
// most one tick pending; deadlines that pass meanwhile are dropped.
void fire_due_timers() {
  const double now = clock::now();
  for (auto& [handle, panel] : g.panels) {
    if (panel.doomed) continue;
    for (ControlState& c : panel.controls) {
      if (!c.def || c.def->kind != Kind::Timer || !c.enabled || !(c.interval > 0.0)) continue;
      if (c.next_due() > now) continue;
      if (!c.tick_pending) {
        Event e;
        e.tick = true;
        e.panel = handle;
        e.control = c.def->id;
        e.event = EVENT_TIMER_TICK;
        g.queue.push_back(e);
        c.tick_pending = true;
      }
      c.k = std::max(c.k + 1, static_cast<long long>(std::floor((now - c.origin) / c.interval)) + 1);
      while (c.next_due() <= now) ++c.k;
    }
  }
}

void queue_due() {
  deliver_scheduled();
  fire_due_timers();
}

void run_callback(const Event& e) {
  PanelState* panel = e.menu ? find_panel_by_menubar(e.panel) : find_panel(e.panel);
  if (!panel || panel->doomed) return;
  if (e.menu) {
    if (!panel->def->menubar) return;
    for (const auto& item : panel->def->menubar->items) {
      if (item.id != e.control || !item.callback) continue;
      if (MenuCallbackPtr fn = bound_menu_callback(item.callback)) {
        ++g.callback_depth;
        fn(e.panel, e.control, nullptr, panel->handle);
        --g.callback_depth;
      }
    }
    return;
  }
  if (e.control < 0 || e.control >= static_cast<int>(panel->controls.size())) return;
  ControlState& c = panel->controls[e.control];
  if (!c.def) return;
  if (e.tick) c.tick_pending = false;
  if (!c.def->callback) return;
  CtrlCallbackPtr fn = bound_callback(c.def->callback);
  if (!fn) return;
  ++g.callback_depth;
  fn(e.panel, e.control, e.event, nullptr, e.data1, e.data2);
  --g.callback_depth;
}

void dispatch_one() {
  const Event e = g.queue.front();
  g.queue.pop_front();
  run_callback(e);
  if (g.callback_depth == 0) finish_doomed_panels();
}

Incoming signed_in(long long v) {
  Incoming in{Incoming::Signed};
  in.s = v;
  return in;
}
Incoming unsigned_in(unsigned long long v) {
  Incoming in{Incoming::Unsigned};
  in.u = v;
  return in;
}
Incoming real_in(double v) {
  Incoming in{Incoming::Real};
  in.d = v;
  return in;
}

int set_int_attribute(int panel, int control, int attribute, int value) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  Change change = Change::Value;
  switch (attribute) {
    case ATTR_DIMMED: c->dimmed = value != 0; change = Change::Dimmed; break;
    case ATTR_VISIBLE: c->visible = value != 0; change = Change::Visible; break;
    case ATTR_CTRL_MODE: c->operable = value != 0; change = Change::Operable; break;
    case ATTR_TEXT_COLOR: c->text_color = value; change = Change::TextColor; break;
    case ATTR_FILL_COLOR: c->fill_color = value; change = Change::FillColor; break;
    case ATTR_ON_COLOR: c->on_color = value; change = Change::OnColor; break;
    case ATTR_INCR_VALUE: c->increment = value; change = Change::Increment; break;
    case ATTR_ENABLED:
      if (c->def->kind != Kind::Timer) return UIE_BAD_ATTRIBUTE;
      if (value && !c->enabled) c->restart(clock::now());
      c->enabled = value != 0;
      change = Change::Timer;
      break;
    default: return UIE_BAD_ATTRIBUTE;
  }
  notify(panel, control, change);
  return UIE_NO_ERROR;
}

}  // namespace

// ---- Callback binding ---------------------------------------------------------

void bind_callback(const char* name, CtrlCallbackPtr fn) { g_callbacks[name] = fn; }
void bind_menu_callback(const char* name, MenuCallbackPtr fn) { g_menu_callbacks[name] = fn; }

CtrlCallbackPtr bound_callback(const char* name) {
  auto it = g_callbacks.find(name);
  return it == g_callbacks.end() ? nullptr : it->second;
}

MenuCallbackPtr bound_menu_callback(const char* name) {
  auto it = g_menu_callbacks.find(name);
  return it == g_menu_callbacks.end() ? nullptr : it->second;
}

std::vector<std::string> unbound_callback_names() {
  std::vector<std::string> names;
  for (const PanelDef* panel : kd71::uir::all_panels()) {
    for (const ControlDef& c : panel->controls)
      if (c.callback && !bound_callback(c.callback)) names.push_back(c.callback);
    if (panel->menubar)
      for (const auto& item : panel->menubar->items)
        if (item.callback && !bound_menu_callback(item.callback)) names.push_back(item.callback);
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

// ---- Dispatch -----------------------------------------------------------------

int process_pending() {
  int dispatched = 0;
  if (g.callback_depth > 0 || g.modal_depth > 0) return 0;
  for (;;) {
    queue_due();
    if (g.quit_requested || g.queue.empty()) break;
    dispatch_one();
    ++dispatched;
  }
  return dispatched;
}

double next_deadline() {
  double next = kForever;
  for (const Event& e : g.scheduled) next = std::min(next, e.at);
  for (const auto& [handle, panel] : g.panels) {
    if (panel.doomed) continue;
    for (const ControlState& c : panel.controls)
      if (c.def && c.def->kind == Kind::Timer && c.enabled && c.interval > 0.0 && !c.tick_pending)
        next = std::min(next, c.next_due());
  }
  return next;
}

int run_until(double until) {
  if (g.loop_running) return 0;
  g.loop_running = true;
  g.quit_requested = false;
  g.quit_code = 0;
  while (!g.quit_requested) {
    frontend().pump_input();
    process_pending();
    if (g.quit_requested) break;
    const double now = clock::now();
    if (now >= until) break;
    double next = std::min(next_deadline(), until);
    if (clock::is_virtual()) {
      if (!std::isfinite(next)) break;  // nothing can ever fall due
    } else {
      next = std::min(next, now + kRealPollSlice);
    }
    clock::wait_until(next);
  }
  g.loop_running = false;
  return g.quit_code;
}

bool loop_running() { return g.loop_running; }
bool in_callback() { return g.callback_depth > 0; }
bool modal_open() { return g.modal_depth > 0; }
bool quit_requested() { return g.quit_requested; }

// ---- User events --------------------------------------------------------------

void post_event(int panel, int control, int event, int data1, int data2, double at) {
  Event e;
  e.panel = panel;
  e.control = control;
  e.event = event;
  e.data1 = data1;
  e.data2 = data2;
  e.at = at;
  if (at > clock::now()) g.scheduled.push_back(e);
  else g.queue.push_back(e);
}

void post_menu_event(int panel, int item, double at) {
  PanelState* p = find_panel(panel);
  if (!p || !p->menubar) return;
  Event e;
  e.menu = true;
  e.panel = p->menubar;
  e.control = item;
  e.event = EVENT_COMMIT;
  e.at = at;
  if (at > clock::now()) g.scheduled.push_back(e);
  else g.queue.push_back(e);
}

int pending_event_count() { return static_cast<int>(g.queue.size() + g.scheduled.size()); }

// ---- Front-end ----------------------------------------------------------------

void set_front_end(FrontEnd* fe) { g.frontend = fe; }
FrontEnd* front_end() { return g.frontend; }

void FrontEnd::message_popup(const std::string& title, const std::string& text) {
  std::printf("%s: %s\n", title.c_str(), text.c_str());
  std::fflush(stdout);
}

int FrontEnd::file_select_popup(const FileSelectRequest&, std::string& path) {
  path.clear();
  return VAL_NO_FILE_SELECTED;
}

// ---- Inspection ---------------------------------------------------------------

bool panel_exists(int panel) { return find_panel(panel) != nullptr; }

int panel_resource_id(int panel) {
  const PanelState* p = find_panel(panel);
  return p ? p->def->resource_id : 0;
}

bool panel_displayed(int panel) {
  const PanelState* p = find_panel(panel);
  return p && p->displayed;
}

std::vector<int> panel_handles() {
  std::vector<int> handles;
  for (const auto& [handle, panel] : g.panels) handles.push_back(handle);
  return handles;
}

const ControlDef* control_def(int panel, int control) {
  int error = 0;
  const ControlState* c = find_control(panel, control, &error);
  return c ? c->def : nullptr;
}

std::vector<Plot> plots(int panel, int control) {
  int error = 0;
  const ControlState* c = find_control(panel, control, &error);
  return c ? c->plots : std::vector<Plot>{};
}

double numeric_value(int panel, int control) {
  int error = 0;
  const ControlState* c = find_control(panel, control, &error);
  if (!c) return std::nan("");
  if (is_real(c->def->type)) return c->dval;
  if (is_integer(c->def->type)) return static_cast<double>(c->ival);
  return std::nan("");
}

std::string text_value(int panel, int control) {
  int error = 0;
  const ControlState* c = find_control(panel, control, &error);
  return c ? c->text : std::string();
}

void reset_keep_bindings() { g = State{}; }

void reset() {
  reset_keep_bindings();
  g_callbacks.clear();
  g_menu_callbacks.clear();
}

}  // namespace kd71::ui

// ---- The runtime calls ----------------------------------------------------------

using namespace kd71::ui;

int LoadPanel(int /*parentPanel*/, const char* resourceFile, int panelResourceId) {
  return create_panel(resourceFile, panelResourceId);
}

int LoadPanelEx(int parentPanel, const char* resourceFile, int panelResourceId,
                void* /*moduleHandle*/) {
  return LoadPanel(parentPanel, resourceFile, panelResourceId);
}

int DisplayPanel(int panel) {
  PanelState* p = find_panel(panel);
  if (!p) return UIE_BAD_PANEL;
  p->displayed = true;
  frontend().panel_displayed(panel);
  return UIE_NO_ERROR;
}

int DiscardPanel(int panel) {
  PanelState* p = find_panel(panel);
  if (!p) return UIE_BAD_PANEL;
  if (g.callback_depth > 0) {
    // A callback of this panel may still be running: the panel goes when the
    // outermost callback returns, and its queued events go with it.
    p->doomed = true;
    return UIE_NO_ERROR;
  }
  destroy_panel(panel);
  return UIE_NO_ERROR;
}

int SetPanelAttribute(int panel, int attribute, const char* value) {
  PanelState* p = find_panel(panel);
  if (!p) return UIE_BAD_PANEL;
  if (attribute != ATTR_TITLE || !value) return UIE_BAD_ATTRIBUTE;
  p->title = value;
  frontend().panel_title_changed(panel);
  return UIE_NO_ERROR;
}

int GetPanelAttribute(int panel, int attribute, std::string* value) {
  PanelState* p = find_panel(panel);
  if (!p) return UIE_BAD_PANEL;
  if (attribute != ATTR_TITLE) return UIE_BAD_ATTRIBUTE;
  *value = p->title;
  return UIE_NO_ERROR;
}

int GetPanelMenuBar(int panel) {
  PanelState* p = find_panel(panel);
  return p ? p->menubar : UIE_BAD_PANEL;
}

int RunUserInterface() {
  FrontEnd& fe = frontend();
  if (!fe.has_own_loop()) return run_until(kForever);
  if (g.loop_running) return 0;
  g.loop_running = true;
  g.quit_requested = false;
  g.quit_code = 0;
  fe.run_loop();
  g.loop_running = false;
  return g.quit_code;
}

int QuitUserInterface(int returnCode) {
  if (!g.loop_running) return UIE_NO_ERROR;  // no loop: nothing to end
  g.quit_requested = true;
  g.quit_code = returnCode;
  frontend().quit_loop();
  return UIE_NO_ERROR;
}

int GetUserEvent(int /*waitMode*/, int* panelOrMenuBar, int* controlOrMenuItem) {
  frontend().pump_input();
  deliver_scheduled();
  for (auto it = g.queue.begin(); it != g.queue.end(); ++it) {
    if (it->tick || it->event != EVENT_COMMIT) continue;
    const PanelState* p = it->menu ? find_panel_by_menubar(it->panel) : find_panel(it->panel);
    if (!p || p->doomed) continue;
    if (panelOrMenuBar) *panelOrMenuBar = it->panel;
    if (controlOrMenuItem) *controlOrMenuItem = it->control;
    g.queue.erase(it);
    return EVENT_COMMIT;
  }
  return EVENT_NONE;
}

int ProcessDrawEvents() {
  frontend().draw();
  return UIE_NO_ERROR;
}

int SetCtrlVal(int panel, int control, int value) { return set_numeric(panel, control, signed_in(value)); }
int SetCtrlVal(int panel, int control, long value) { return set_numeric(panel, control, signed_in(value)); }
int SetCtrlVal(int panel, int control, long long value) { return set_numeric(panel, control, signed_in(value)); }
int SetCtrlVal(int panel, int control, unsigned char value) { return set_numeric(panel, control, unsigned_in(value)); }
int SetCtrlVal(int panel, int control, unsigned int value) { return set_numeric(panel, control, unsigned_in(value)); }
int SetCtrlVal(int panel, int control, unsigned long value) { return set_numeric(panel, control, unsigned_in(value)); }
int SetCtrlVal(int panel, int control, unsigned long long value) { return set_numeric(panel, control, unsigned_in(value)); }
int SetCtrlVal(int panel, int control, float value) { return set_numeric(panel, control, real_in(value)); }
int SetCtrlVal(int panel, int control, double value) { return set_numeric(panel, control, real_in(value)); }

int SetCtrlVal(int panel, int control, const char* text) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  if (c->def->type != ValueType::Text || !text) return UIE_WRONG_TYPE;
  if (c->def->kind == Kind::TextBox) c->text += text;  // a text box is a log
  else c->text = text;
  notify(panel, control, Change::Value);
  return UIE_NO_ERROR;
}

int SetCtrlVal(int panel, int control, const std::string& text) {
  return SetCtrlVal(panel, control, text.c_str());
}

int GetCtrlVal(int panel, int control, unsigned char* value) { return get_numeric(panel, control, value, ValueType::UChar); }
int GetCtrlVal(int panel, int control, int* value) { return get_numeric(panel, control, value, ValueType::Int); }
int GetCtrlVal(int panel, int control, unsigned int* value) { return get_numeric(panel, control, value, ValueType::UInt); }
int GetCtrlVal(int panel, int control, long* value) { return get_numeric(panel, control, value, ValueType::Int64); }
int GetCtrlVal(int panel, int control, long long* value) { return get_numeric(panel, control, value, ValueType::Int64); }
int GetCtrlVal(int panel, int control, float* value) { return get_numeric(panel, control, value, ValueType::Float); }
int GetCtrlVal(int panel, int control, double* value) { return get_numeric(panel, control, value, ValueType::Double); }

int GetCtrlVal(int panel, int control, std::string* text) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  if (c->def->type != ValueType::Text) {
    assert(!"GetCtrlVal of text from a control without text");
    return UIE_WRONG_TYPE;
  }
  *text = c->text;
  return UIE_NO_ERROR;
}

int GetCtrlValText(int panel, int control, char* buffer, std::size_t size) {
  std::string text;
  const int result = GetCtrlVal(panel, control, &text);
  if (result != UIE_NO_ERROR || size == 0) return result;
  const std::size_t n = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return UIE_NO_ERROR;
}

int SetCtrlAttribute(int panel, int control, int attribute, int value) {
  return set_int_attribute(panel, control, attribute, value);
}

int SetCtrlAttribute(int panel, int control, int attribute, unsigned int value) {
  return set_int_attribute(panel, control, attribute, static_cast<int>(value));
}

int SetCtrlAttribute(int panel, int control, int attribute, double value) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  if (attribute == ATTR_INCR_VALUE) {
    c->increment = value;
    notify(panel, control, Change::Increment);
    return UIE_NO_ERROR;
  }
  if (attribute == ATTR_INTERVAL) {
    if (c->def->kind != Kind::Timer) return UIE_BAD_ATTRIBUTE;
    c->interval = value;
    c->restart(kd71::clock::now());
    notify(panel, control, Change::Timer);
    return UIE_NO_ERROR;
  }
  if (!std::isfinite(value)) return UIE_VALUE_REJECTED;
  return set_int_attribute(panel, control, attribute, static_cast<int>(value));
}

int SetCtrlAttribute(int panel, int control, int attribute, const char* value) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  if (!value) return UIE_VALUE_REJECTED;
  if (attribute == ATTR_TOOLTIP_TEXT) {
    c->tooltip = value;
    notify(panel, control, Change::Tooltip);
    return UIE_NO_ERROR;
  }
  if (attribute == ATTR_LABEL_TEXT) {
    c->label = value;
    notify(panel, control, Change::Label);
    return UIE_NO_ERROR;
  }
  return UIE_BAD_ATTRIBUTE;
}

int GetCtrlAttribute(int panel, int control, int attribute, int* value) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  switch (attribute) {
    case ATTR_DIMMED: *value = c->dimmed; break;
    case ATTR_VISIBLE: *value = c->visible; break;
    case ATTR_CTRL_MODE: *value = c->operable; break;
    case ATTR_TEXT_COLOR: *value = c->text_color; break;
    case ATTR_FILL_COLOR: *value = c->fill_color; break;
    case ATTR_ON_COLOR: *value = c->on_color; break;
    case ATTR_INCR_VALUE: *value = static_cast<int>(c->increment); break;
    case ATTR_ENABLED: *value = c->enabled; break;
    default: return UIE_BAD_ATTRIBUTE;
  }
  return UIE_NO_ERROR;
}

int GetCtrlAttribute(int panel, int control, int attribute, double* value) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  if (attribute == ATTR_INCR_VALUE) *value = c->increment;
  else if (attribute == ATTR_INTERVAL) *value = c->interval;
  else return UIE_BAD_ATTRIBUTE;
  return UIE_NO_ERROR;
}

int GetCtrlAttribute(int panel, int control, int attribute, float* value) {
  double d = 0.0;
  const int result = GetCtrlAttribute(panel, control, attribute, &d);
  if (result == UIE_NO_ERROR) *value = static_cast<float>(d);
  return result;
}

int GetCtrlAttribute(int panel, int control, int attribute, std::string* value) {
  int error = 0;
  ControlState* c = find_control(panel, control, &error);
  if (!c) return error;
  if (attribute == ATTR_TOOLTIP_TEXT) *value = c->tooltip;
  else if (attribute == ATTR_LABEL_TEXT) *value = c->label;
  else return UIE_BAD_ATTRIBUTE;
  return UIE_NO_ERROR;
}

namespace {

ControlState* find_graph(int panel, int control, int* error) {
  ControlState* c = find_control(panel, control, error);
  if (c && c->def->kind != Kind::Graph) {
    *error = UIE_BAD_CONTROL;
    return nullptr;
  }
  return c;
}

}  // namespace

int PlotPoint(int panel, int control, double x, double y, int pointStyle, int color) {
  int error = 0;
  ControlState* c = find_graph(panel, control, &error);
  if (!c) return error;
  Plot p;
  p.handle = g.next_plot++;
  p.x = x;
  p.y = y;
  p.point_style = pointStyle;
  p.color = color;
  c->plots.push_back(p);
  notify(panel, control, Change::Plots);
  return p.handle;
}

int PlotWaveform(int panel, int control, const int* values, int numberOfPoints, double yGain,
                 double yOffset, double initialX, double xIncrement, int plotStyle,
                 int pointStyle, int lineStyle, int pointFrequency, int color) {
  int error = 0;
  ControlState* c = find_graph(panel, control, &error);
  if (!c) return error;
  if (!values || numberOfPoints < 0) return UIE_VALUE_REJECTED;
  Plot p;
  p.handle = g.next_plot++;
  p.waveform = true;
  p.values.assign(values, values + numberOfPoints);
  p.y_gain = yGain;
  p.y_offset = yOffset;
  p.initial_x = initialX;
  p.x_increment = xIncrement;
  p.plot_style = plotStyle;
  p.point_style = pointStyle;
  p.line_style = lineStyle;
  p.point_frequency = pointFrequency;
  p.color = color;
  c->plots.push_back(std::move(p));
  notify(panel, control, Change::Plots);
  return c->plots.back().handle;
}

int DeleteGraphPlot(int panel, int control, int plotHandle, int /*refresh*/) {
  int error = 0;
  ControlState* c = find_graph(panel, control, &error);
  if (!c) return error;
  if (plotHandle == -1) {
    c->plots.clear();
  } else {
    auto it = std::find_if(c->plots.begin(), c->plots.end(),
                           [plotHandle](const Plot& p) { return p.handle == plotHandle; });
    if (it == c->plots.end()) return UIE_VALUE_REJECTED;
    c->plots.erase(it);
  }
  notify(panel, control, Change::Plots);
  return UIE_NO_ERROR;
}

int MessagePopup(const char* title, const char* message) {
  ++g.modal_depth;
  frontend().message_popup(title ? title : "", message ? message : "");
  --g.modal_depth;
  return UIE_NO_ERROR;
}

int FileSelectPopupEx(const char* defaultDirectory, const char* defaultFileSpec,
                      const char* fileTypeList, const char* title, int buttonLabel,
                      int restrictDirectory, int restrictExtension, char* pathName) {
  FileSelectRequest request;
  request.default_directory = defaultDirectory ? defaultDirectory : "";
  request.default_file_spec = defaultFileSpec ? defaultFileSpec : "";
  request.file_type_list = fileTypeList ? fileTypeList : "";
  request.title = title ? title : "";
  request.button_kind = buttonLabel;
  request.restrict_directory = restrictDirectory != 0;
  request.restrict_extension = restrictExtension != 0;
  std::string path;
  ++g.modal_depth;
  int result = frontend().file_select_popup(request, path);
  --g.modal_depth;
  // A path that does not fit the caller's buffer is refused rather than cut
  // short, so that a setting is never written to or read from the wrong file.
  if (result != VAL_NO_FILE_SELECTED && path.size() >= MAX_PATHNAME_LEN) result = VAL_NO_FILE_SELECTED;
  if (pathName) {
    const std::string& shown = result == VAL_NO_FILE_SELECTED ? std::string() : path;
    std::memcpy(pathName, shown.c_str(), shown.size() + 1);
  }
  return result;
}

void Delay(double seconds) { kd71::clock::spend(seconds); }

double Timer() { return kd71::clock::now(); }
