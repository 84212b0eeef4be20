// The phase trial: sets each of the eight combinations of a channel's 9340
// and 9372 phase settings, shows which are error-free and keeps the best.
#pragma once

#include <string>

// Commit callback of PANELDEBUG_TRY_PHASES: tries the phases of the channel
// that PANELDEBUG_SNAPSHOT_CH names, shows one character per phase in
// PANELDEBUG_ERRFREE_BY_PHASE ("." error-free, "x" errors) and leaves the
// chosen phase on the expanders. The debug panel's phase controls and the
// saved settings are left as they were.
int CB_TryPhases(int panel, int control, int event, void* callbackData, int eventData1,
                 int eventData2);

// The phase chosen from the eight characters of a trial: the first with
// the most error-free neighbours on the ring of eight (an error-free phase
// scores one, and one more for each error-free neighbour); phase 0 when
// every phase shows errors.
int best_surrounded_phase(const std::string& by_phase);
