// What the control store offers beyond the runtime calls of userint.h:
// callback binding by name, the dispatch loop pieces a front-end drives,
// user-event injection, and read access for tests and front-ends.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "platform/ui_runtime/panel_def_types.h"
#include "platform/ui_runtime/userint.h"

namespace kd71::ui {

class FrontEnd;

// ---- Callback binding -------------------------------------------------------
// The panel definitions name callbacks as the resource does; the modules bind
// their functions to those names. A committed control whose callback is not
// bound does nothing.
void bind_callback(const char* name, CtrlCallbackPtr fn);
void bind_menu_callback(const char* name, MenuCallbackPtr fn);
CtrlCallbackPtr bound_callback(const char* name);
MenuCallbackPtr bound_menu_callback(const char* name);
// Callback names used by the panel definitions that nothing has bound yet.
std::vector<std::string> unbound_callback_names();

// ---- Dispatch ---------------------------------------------------------------
inline constexpr double kForever = std::numeric_limits<double>::infinity();

// Runs the event loop until QuitUserInterface or until the clock reaches
// `until` (tests run it on the virtual clock). Returns the quit code, or 0.
int run_until(double until);

// One turn of the loop: queues due timer ticks and scheduled user events,
// then dispatches the events queued at that moment one at a time, while no
// callback runs and no modal popup is open. What falls due or is queued
// during the turn waits for the next one, so the caller gets to deliver
// input between two ticks. Returns the number of events dispatched. Used by
// front-ends with their own loop.
int process_pending();

// The earliest time at which something falls due (a timer tick or a
// scheduled user event): now while events wait in the queue, kForever when
// nothing ever will.
double next_deadline();

bool loop_running();
bool in_callback();
bool modal_open();
bool quit_requested();

// ---- User events ------------------------------------------------------------
// Queues a user event for control `control` of `panel` at virtual time `at`
// (now when `at` is not later). Ticks are not user events.
void post_event(int panel, int control, int event, int data1 = 0, int data2 = 0,
                double at = -kForever);
// Queues a menu commit of menu item `item` on the menu bar of `panel`.
void post_menu_event(int panel, int item, double at = -kForever);
// Queues a call of `fn`, which the loop runs in its turn as it runs a
// control's callback: ticks and other events wait until it returns, and a
// routine's GetUserEvent never takes it. For the program's own commands
// that hold the thread (the eye scan), started from outside any callback.
void post_call(void (*fn)());
// Number of events queued and not yet dispatched (ticks included).
int pending_event_count();
// The serial number of the user event posted last (0 before the first);
// each post_event and post_menu_event takes the next one.
unsigned long long last_posted_event();
// The serial number of the user event whose callback the loop runs (0
// between events, and while a tick or a queued call runs): a routine tells
// by it which posted press started it.
unsigned long long dispatched_event();
// True while the user event with serial number `serial` waits to be
// dispatched. Its wait also ends when a routine's GetUserEvent takes it or
// its panel is discarded.
bool event_waiting(unsigned long long serial);

// Runs the callback of control `control` of `panel` (or of menu item `item`
// of the panel's menu bar) with the event at once, as the loop dispatches a
// queued event, provided that the loop runs and neither a callback nor a
// modal popup does. False, with nothing run, otherwise. For input that has
// to act in order with what it reads next, such as a remote command.
bool dispatch_now(int panel, int control, int event, int data1 = 0, int data2 = 0);
bool dispatch_menu_now(int panel, int item);

// ---- Front-end --------------------------------------------------------------
// Attaches a front-end (nullptr: the headless default, which prints popups
// and cancels file dialogs). The store does not own it.
void set_front_end(FrontEnd* frontend);
FrontEnd* front_end();

// ---- Inspection -------------------------------------------------------------
struct Plot {
  int handle = 0;
  bool waveform = false;
  double x = 0.0, y = 0.0;  // points
  std::vector<int> values;  // waveforms
  double y_gain = 1.0, y_offset = 0.0, initial_x = 0.0, x_increment = 1.0;
  int plot_style = 0, point_style = 0, line_style = 0, point_frequency = 1;
  int color = 0;
};

bool panel_exists(int panel);
// Resource id of a loaded panel, or 0.
int panel_resource_id(int panel);
bool panel_displayed(int panel);
// Handles of the loaded panels, oldest first.
std::vector<int> panel_handles();
const kd71::uir::ControlDef* control_def(int panel, int control);
std::vector<Plot> plots(int panel, int control);
// The control's value as a double (numerics) and as text (text controls).
double numeric_value(int panel, int control);
// A text box is a log that new text is appended to; past this many bytes
// its oldest lines are dropped, down to half of it, so that a program that
// logs for days keeps a bounded log.
inline constexpr std::size_t kTextBoxLimit = 64 * 1024;
std::string text_value(int panel, int control);

// The panels of resource file `file_name` ("main.uir"), registered before
// any is loaded: LoadPanel finds them by the file's name, with or without a
// folder in front of it. Registering a file again replaces its panels.
void register_panels(const char* file_name, std::span<const kd71::uir::PanelDef* const> panels);

// Puts the store back to its start state: no panels, no events, no callback
// bindings, no front-end, no loop. The registered panel definitions stay.
void reset();

}  // namespace kd71::ui
