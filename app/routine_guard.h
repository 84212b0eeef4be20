// A calibration routine that loses the board under it. The routine holds
// the thread, so no tick reconnects the board meanwhile: every call it
// makes after the loss goes nowhere, and what it would conclude from them
// (a threshold, a delay, a phase) is not the channel's. Such a routine
// stops at its next exchange with the board, its channel gets back the
// values it had before the routine started (threshold and delay on the
// panel and in the saved settings, phases on the board), and the user is
// told: a console line, the window's status bar and, for a routine that a
// remote client started, an execution error in that client's queue.
// Supervision reconnects at the next tick as ever and pushes the values
// put back to the board.
#pragma once

class RoutineGuard {
 public:
  // Notes channel `channel`'s values as routine `routine` ("initialisation",
  // "auto search", "phase trial") starts.
  RoutineGuard(int channel, const char* routine);
  RoutineGuard(const RoutineGuard&) = delete;
  RoutineGuard& operator=(const RoutineGuard&) = delete;

  // The channel's phases as the routine found them on the board, for a
  // routine that moves them (the phase trial).
  void note_phases(int phase9340, int phase9372) {
    phase9340_ = phase9340;
    phase9372_ = phase9372;
  }
  // True once the board is lost: the routine goes no further.
  bool board_lost() const;
  // When the board was lost: puts the noted values back and tells of it.
  // True then. Called once, as the routine ends.
  bool give_back_if_lost();

 private:
  int channel_;
  const char* routine_;
  unsigned long long started_by_;  // the posted press that started it, or 0
  float threshold_control_, delay_control_;
  float saved_threshold_, saved_delay_;
  int phase9340_ = -1, phase9372_ = -1;  // -1: not moved by the routine
};

// The reason a routine started by the posted press `serial` stopped without
// its result, or nullptr when it did not (or is too long ago to remember).
const char* routine_failure(unsigned long long serial);

// After a reconnection has pushed the panel's settings: the phases that a
// phase trial cut by the loss had moved away from go back to the board
// (a bridge that reset itself kept the trial's last phase).
void put_back_routine_phases();

void routine_guard_reset();
