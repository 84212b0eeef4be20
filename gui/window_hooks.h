// What the program hands the window: its hooks into the window's loop and
// input of its own that the loop serves.
#pragma once

#include <functional>

namespace kd71::qt {

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

}  // namespace kd71::qt
