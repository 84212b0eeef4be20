// The Qt window as the control store's front-end: one window per loaded
// panel, the loop that dispatches the store's events from Qt's event loop,
// the popups as Qt dialogs.
//
// The program's own input (a socket server) is served when its descriptor
// is readable, after each turn and whenever a routine lets input through.
//
// The loop: a single-shot timer is armed at the store's next deadline (a
// timer tick or a scheduled event) or at once when input arrives; when it
// fires, the stop signal is looked at and the store dispatches one turn of
// what is due, then Qt paints and delivers input before the next turn, however
// long the ticks take. On the virtual clock of the tests the loop jumps to
// each deadline instead of waiting for it. Nothing is dispatched while a
// callback runs or a file dialog is open: the store refuses, and the dispatch
// that ran the callback arms the timer again. A message popup only informs:
// it is shown and the loop goes on.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <map>
#include <vector>

#include "gui/input_sink.h"
#include "gui/window_hooks.h"
#include "platform/ui_runtime/ui_frontend.h"

class QEventLoop;
class QMessageBox;
class QSocketNotifier;
class QWidget;

namespace kd71::qt {

class PanelWindow;

class QtFrontEnd : public QObject, public ui::FrontEnd, public InputSink {
 public:
  explicit QtFrontEnd(WindowHooks hooks = {});
  ~QtFrontEnd() override;

  // Serves the program's own input from now on.
  void serve_input(OwnInput input);

  // The window of panel `panel`, or nullptr.
  PanelWindow* window(int panel) const;

  // ui::FrontEnd
  void pump_input() override;
  void draw() override;
  void message_popup(const std::string& title, const std::string& text) override;
  int file_select_popup(const ui::FileSelectRequest& request, std::string& path) override;
  // In the main window's status bar.
  void routine_progress(const std::string& text) override;
  void status_message(const std::string& text) override { routine_progress(text); }
  bool has_own_loop() const override { return true; }
  void run_loop() override;
  void quit_loop() override;
  void panel_loaded(int panel) override;
  void panel_displayed(int panel) override;
  void panel_discarded(int panel) override;
  void panel_title_changed(int panel) override;
  void control_changed(int panel, int control, ui::Change what) override;

  // InputSink
  void post(int panel, int control, int event, int data1) override;
  void post_menu(int panel, int item) override;
  void close_requested(int panel) override;

 private:
  void dispatch();
  // Arms the dispatch at the store's next deadline.
  void arm();
  // Dispatches at once what input has just queued.
  void wake();
  void poll();
  void serve();
  QWidget* dialog_parent() const;

  WindowHooks hooks_;
  OwnInput input_;
  std::map<int, QPointer<PanelWindow>> windows_;
  QTimer dispatch_timer_;
  QTimer poll_timer_;
  QTimer serve_timer_;  // serves again at once when the last call left more
  QSocketNotifier* input_notifier_ = nullptr;
  QEventLoop* loop_ = nullptr;
  std::vector<QPointer<QMessageBox>> popups_;  // open message popups
};

}  // namespace kd71::qt
