#include "app/stop_signal.h"

#include <csignal>

#include "app/panel_handles.h"
#include "platform/ui_runtime/ui_store.h"
#include "ui/main_uir.h"

namespace {

volatile std::sig_atomic_t g_stop_signal = 0;
bool g_window_closed = false;
bool g_quit_posted = false;

extern "C" void on_stop_signal(int) { g_stop_signal = 1; }

}  // namespace

void install_stop_signals() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, on_stop_signal);
  std::signal(SIGPIPE, SIG_IGN);
}

bool stop_signal_seen() { return g_stop_signal != 0; }

bool stop_requested() { return stop_signal_seen() || g_window_closed; }

void quit_for_window_close() {
  g_window_closed = true;
  if (g_quit_posted || panelHandle <= 0 || kd71::ui::in_callback()) return;
  g_quit_posted = true;
  kd71::ui::post_event(panelHandle, PANELMAIN_CMDQUIT, EVENT_COMMIT);
}

void quit_commits_dropped() {
  if (stop_requested()) g_quit_posted = false;
}

void quit_on_stop_signal() {
  // Not from inside a routine: one that looks for its stop button takes
  // every commit it finds, and would swallow the quit.
  if (!stop_requested() || g_quit_posted || panelHandle <= 0 || !kd71::ui::loop_running() ||
      kd71::ui::in_callback())
    return;
  g_quit_posted = true;
  kd71::ui::post_event(panelHandle, PANELMAIN_CMDQUIT, EVENT_COMMIT);
}

bool poll_stop_signal() {
  quit_on_stop_signal();
  return stop_signal_seen();
}

void stop_signal_reset() {
  g_stop_signal = 0;
  g_window_closed = false;
  g_quit_posted = false;
}
