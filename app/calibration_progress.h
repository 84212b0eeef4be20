// The progress texts of the calibration routines that count their steps
// (channel initialisation, the threshold sweep, the phase trial), for
// example "CH2 initialisation: error sweep 12 of 32, about 3 s left". The
// estimate comes from the time the steps done so far took.
#pragma once

// Starts the count of a routine of `steps` steps.
void begin_calibration_progress(int steps);
// One more step done: shows "CH<channel> <routine>: <stage> <step> of
// <stage_steps>" and the time the routine's remaining steps will take.
void show_calibration_step(int channel, const char* routine, const char* stage, int step,
                         int stage_steps);
// The routine has ended: the progress display is cleared.
void end_calibration_progress();

void calibration_progress_reset();
