// Where the window's user input goes: into the control store's event queue,
// and a nudge to the loop so that it dispatches without waiting for the next
// timer deadline.
#pragma once

namespace kd71::qt {

class InputSink {
 public:
  virtual ~InputSink() = default;
  // Queues event `event` of control `control` on panel `panel`.
  virtual void post(int panel, int control, int event, int data1 = 0) = 0;
  // Queues a commit of menu item `item` of the menu bar on panel `panel`.
  virtual void post_menu(int panel, int item) = 0;
  // The user asked the window manager to close the window of panel `panel`.
  virtual void close_requested(int panel) = 0;
};

}  // namespace kd71::qt
