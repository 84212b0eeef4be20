// The debug panel's optional routines, run after its snapshot, rotation,
// loop-lock, channel and smooth-delay controls when "Run Debug Routines" is
// checked: the DAC register dump, the expander dump, the DAC sweep and the
// register loopback test. The sweep and the loopback test hold the thread
// for a long time and show their progress; a stop signal (SIGINT, SIGTERM)
// ends the sweep after its current pass and skips the routines not yet
// started, and the program then quits as with the quit button.
#pragma once

// Runs, in this order, each routine whose check box on the debug panel
// `panel` is checked now.
void run_debug_routines(int panel);

// 1000 sweeps of DAC position 7 from 0 V to about 3.3 V in 0.1 V steps.
// Returns the number of sweeps done.
int debug_dac_sweep();

// 100 words from a PRBS7 generator written to the loopback register and
// read back; prints each pair and then "foundErrFlag: %d\n". Returns the
// flag: 1 when any read-back differed.
int loopback_test();
