// The window as the program's main sees it, without Qt in sight: whether a
// display is there, and a session that starts Qt and provides the window
// front-end for the control store.
#pragma once

#include <memory>
#include <string>

#include "gui/window_hooks.h"
#include "platform/ui_runtime/ui_frontend.h"

namespace kd71::qt {

// Empty when the window system that the environment names (DISPLAY,
// WAYLAND_DISPLAY, or a Qt platform chosen with QT_QPA_PLATFORM such as
// "offscreen") can be reached, so that Qt can start; otherwise why not, as
// a short phrase ("cannot open the display \":99\"", "no display available").
std::string display_problem();

class WindowSession {
 public:
  // Starts Qt with the program's arguments; `argc` and `argv` must outlive
  // the session.
  WindowSession(int& argc, char** argv, WindowHooks hooks);
  ~WindowSession();
  WindowSession(const WindowSession&) = delete;
  WindowSession& operator=(const WindowSession&) = delete;

  ui::FrontEnd& front_end();
  // Serves `input` from the window's loop from now on.
  void serve_input(OwnInput input);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kd71::qt
