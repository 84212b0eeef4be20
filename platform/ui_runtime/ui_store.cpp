// The headless control store behind the user-interface runtime calls:
// panels, callback binding, the event queue and the loop that dispatches it.
//
// Panels are instantiated from the definitions of "main.uir". Events
// (commits, value changes, timer ticks, menu commits) wait in one queue and
// are dispatched to callbacks one at a time, only while the event loop runs
// and no callback or modal popup is active.

#include <algorithm>
#include <cassert>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/os/clock.h"
#include "platform/ui_runtime/ui_store_internal.h"

namespace kd71::ui {
namespace detail {

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
  if (control < 0 || control >= static_cast<int>(p->controls.size()) || !p->controls[control].def) {
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

}  // namespace detail

using namespace detail;

namespace {

// How long the real-clock loop sleeps at most before it looks at the
// front-end's input again.
constexpr double kRealPollSlice = 0.02;

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

// The registered resource files: static tables that live as long as the program.
struct PanelResource {
  const char* file_name = nullptr;
  std::span<const PanelDef* const> panels;
};
PanelResource g_resources[4];

// The resource is named by its file name; a folder in front of it is allowed.
const PanelResource* find_resource(const char* file) {
  if (!file) return nullptr;
  const char* slash = std::strrchr(file, '/');
  const char* base = slash ? slash + 1 : file;
  for (const PanelResource& r : g_resources)
    if (r.file_name && std::strcmp(base, r.file_name) == 0) return &r;
  return nullptr;
}

const PanelDef* find_panel_def(const char* file, int resource_id) {
  const PanelResource* resource = find_resource(file);
  if (!resource) return nullptr;
  for (const PanelDef* panel : resource->panels)
    if (panel->resource_id == resource_id) return panel;
  return nullptr;
}

int create_panel(const char* file, int resource_id) {
  const PanelDef* def = find_panel_def(file, resource_id);
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
      c.k =
          std::max(c.k + 1, static_cast<long long>(std::floor((now - c.origin) / c.interval)) + 1);
      while (c.next_due() <= now) ++c.k;
    }
  }
}

void queue_due() {
  deliver_scheduled();
  fire_due_timers();
}

void run_callback(const Event& e) {
  if (e.call) {
    ++g.callback_depth;
    e.call();
    --g.callback_depth;
    return;
  }
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
  g.dispatched_serial = e.tick ? 0 : e.serial;
  run_callback(e);
  g.dispatched_serial = 0;
  if (g.callback_depth == 0) finish_doomed_panels();
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

void register_panels(const char* file_name, std::span<const PanelDef* const> panels) {
  PanelResource* slot = nullptr;
  for (PanelResource& r : g_resources)
    if (!slot && (!r.file_name || std::strcmp(r.file_name, file_name) == 0)) slot = &r;
  assert(slot && "more resource files than the store keeps");
  if (slot) *slot = {file_name, panels};
}

std::vector<std::string> unbound_callback_names() {
  std::vector<std::string> names;
  for (const PanelResource& resource : g_resources)
    for (const PanelDef* panel : resource.panels) {
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
  if (g.callback_depth > 0 || g.modal_depth > 0) return 0;
  queue_due();
  // One turn: the events queued now. Ticks that fall due and events posted
  // while these run wait for the next turn, so that between two ticks the
  // loop always delivers input, the stop signal and redraws, however long a
  // tick takes.
  std::size_t turn = g.queue.size();
  int dispatched = 0;
  while (turn-- > 0 && !g.quit_requested && !g.queue.empty()) {
    dispatch_one();
    ++dispatched;
  }
  return dispatched;
}

double next_deadline() {
  if (!g.queue.empty()) return clock::now();  // left over from the last turn
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
    if (now >= until && g.queue.empty()) break;
    double next = std::min(next_deadline(), until);
    if (clock::is_virtual()) {
      if (!std::isfinite(next)) break;  // nothing can ever fall due
      clock::wait_until(next);
    } else {
      frontend().wait_for_input(std::min(next, now + kRealPollSlice));
    }
  }
  g.loop_running = false;
  return g.quit_code;
}

bool loop_running() { return g.loop_running; }
bool in_callback() { return g.callback_depth > 0; }
bool modal_open() { return g.modal_depth > 0; }
bool quit_requested() { return g.quit_requested; }

// ---- User events --------------------------------------------------------------

namespace {

// A user event waits for its time, or joins the queue when that has come.
void post(Event e) {
  e.serial = ++g.last_serial;
  if (e.at > clock::now())
    g.scheduled.push_back(e);
  else
    g.queue.push_back(e);
}

}  // namespace

void post_event(int panel, int control, int event, int data1, int data2, double at) {
  post({.panel = panel,
        .control = control,
        .event = event,
        .data1 = data1,
        .data2 = data2,
        .at = at});
}

void post_menu_event(int panel, int item, double at) {
  const PanelState* p = find_panel(panel);
  if (!p || !p->menubar) return;
  post({.menu = true, .panel = p->menubar, .control = item, .event = EVENT_COMMIT, .at = at});
}

void post_call(void (*fn)()) {
  if (fn) post({.at = -kForever, .call = fn});
}

int pending_event_count() { return static_cast<int>(g.queue.size() + g.scheduled.size()); }

unsigned long long last_posted_event() { return g.last_serial; }
unsigned long long dispatched_event() { return g.dispatched_serial; }

bool event_waiting(unsigned long long serial) {
  auto is_it = [serial](const Event& e) { return !e.tick && e.serial == serial; };
  return std::any_of(g.queue.begin(), g.queue.end(), is_it) ||
         std::any_of(g.scheduled.begin(), g.scheduled.end(), is_it);
}

namespace {

bool dispatch_at_once(const Event& e) {
  if (!g.loop_running || g.callback_depth > 0 || g.modal_depth > 0) return false;
  run_callback(e);
  finish_doomed_panels();
  return true;
}

}  // namespace

bool dispatch_now(int panel, int control, int event, int data1, int data2) {
  return dispatch_at_once(
      {.panel = panel, .control = control, .event = event, .data1 = data1, .data2 = data2});
}

bool dispatch_menu_now(int panel, int item) {
  const PanelState* p = find_panel(panel);
  if (!p || !p->menubar) return false;
  return dispatch_at_once(
      {.menu = true, .panel = p->menubar, .control = item, .event = EVENT_COMMIT});
}

// ---- Front-end ----------------------------------------------------------------

void set_front_end(FrontEnd* fe) { g.frontend = fe; }
FrontEnd* front_end() { return g.frontend; }

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

void reset() {
  g = State{};
  reset_progress_lines();
  g_callbacks.clear();
  g_menu_callbacks.clear();
}

}  // namespace kd71::ui

// ---- The runtime calls ----------------------------------------------------------

using namespace kd71::ui;
using namespace kd71::ui::detail;

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
