#include "app/calibration_progress.h"

#include "app/routine_progress.h"

namespace {

int g_steps = 0;  // of the routine under way; 0 when none was begun
int g_done = 0;

}  // namespace

void begin_calibration_progress(int steps) {
  g_steps = steps;
  g_done = 0;
  begin_routine_progress();
}

void show_calibration_step(int channel, const char* routine, const char* stage, int step,
                         int stage_steps) {
  ++g_done;
  const double left = g_steps > 0 ? routine_seconds_left(g_done, g_steps - g_done) : -1.0;
  if (left >= 0.5)
    show_routine_progress("CH%d %s: %s %d of %d, about %.0f s left", channel, routine, stage, step,
                        stage_steps, left);
  else
    show_routine_progress("CH%d %s: %s %d of %d", channel, routine, stage, step, stage_steps);
}

void end_calibration_progress() {
  g_steps = 0;
  g_done = 0;
  end_routine_progress();
}

void calibration_progress_reset() {
  g_steps = 0;
  g_done = 0;
}
