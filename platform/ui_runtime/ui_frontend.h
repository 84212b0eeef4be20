// A front-end attached to the control store: it renders the panels, feeds the
// user's input into the store's queue and shows popups. The store tells it of
// every change; it never calls callbacks itself.
#pragma once

#include <string>

namespace kd71::ui {

enum class Change {
  Value,
  Dimmed,
  Visible,
  Operable,
  Tooltip,
  TextColor,
  FillColor,
  OnColor,
  Label,
  Increment,
  Plots,
  Timer,
};

struct FileSelectRequest {
  std::string default_directory;
  std::string default_file_spec;
  std::string file_type_list;
  std::string title;
  int button_kind = 0;
  bool restrict_directory = false;
  bool restrict_extension = false;
};

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;

  // Delivers the user's pending input into the store's queue (GetUserEvent
  // and ProcessDrawEvents call it; the loop calls it between events).
  virtual void pump_input() {}
  // Repaints without running callbacks (ProcessDrawEvents).
  virtual void draw() {}

  // Modal popups. The store keeps events from being dispatched while they run.
  virtual void message_popup(const std::string& title, const std::string& text);
  // Returns 0 cancelled, 1 existing file, 2 new file; fills `path`.
  virtual int file_select_popup(const FileSelectRequest& request, std::string& path);

  // What a long routine that holds the thread is doing and how far it is
  // (empty text when it ends). The default prints it as a console line, at
  // most one a second; a window shows it in its status bar.
  virtual void routine_progress(const std::string& text);
  // A routine's outcome that the user must not miss (it stopped without its
  // result): a window keeps it in its status bar. Its console line is the
  // routine's own.
  virtual void status_message(const std::string& /*text*/) {}

  // The store's own loop, on the real clock, waits here until `deadline`
  // (at most a fiftieth of a second ahead). The default sleeps; a front-end
  // that watches input of its own returns as soon as some arrives.
  virtual void wait_for_input(double deadline);

  // A front-end with an event loop of its own runs it in run_loop(), calling
  // process_pending() and next_deadline() of the store; quit_loop() ends it.
  virtual bool has_own_loop() const { return false; }
  virtual void run_loop() {}
  virtual void quit_loop() {}

  // Notifications.
  virtual void panel_loaded(int /*panel*/) {}
  virtual void panel_displayed(int /*panel*/) {}
  virtual void panel_discarded(int /*panel*/) {}
  virtual void panel_title_changed(int /*panel*/) {}
  virtual void control_changed(int /*panel*/, int /*control*/, Change /*what*/) {}
};

}  // namespace kd71::ui
