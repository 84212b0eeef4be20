// The window as the program's main sees it, without Qt in sight: whether a
// display is there, and a session that starts Qt and provides the window
// front-end for the control store.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui_frontend.h"

namespace kd71::qt {

// Empty when the window system that the environment names (DISPLAY,
// WAYLAND_DISPLAY, or a Qt platform chosen with QT_QPA_PLATFORM such as
// "offscreen") can be reached, so that Qt can start; otherwise why not, as
// a short phrase ("cannot open the display \":99\"", "no display available").
std::string display_problem();

struct WindowHooks {
  // The user closed the window of a panel. The window stays until the
  // program discards the panel; without a hook nothing happens.
  std::function<void(int panel)> close_requested;
  // Runs every tenth of a second and whenever a routine lets input through:
  // the program's check for a stop signal. It returns true once the program
  // is to stop; open dialogs are then closed so that nothing holds it up.
  std::function<bool()> poll;
};

// Input of the program's own, such as a socket server's: a descriptor that
// becomes readable when it has something to do, and the function that does
// it. The function runs when the descriptor is readable, after each turn of
// the loop and whenever a routine lets input through, and returns true when
// it has more to do at once.
struct OwnInput {
  int descriptor = -1;
  std::function<bool()> serve;
};

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
