// The phase trial: sets each of the eight combinations of a channel's 9340
// and 9372 phase settings, shows which are error-free and keeps the best.
//
// Not built yet: the routine is declared here, where it will live.
#pragma once

// Commit callback of PANELDEBUG_TRY_PHASES.
int CB_TryPhases(int panel, int control, int event, void* callbackData, int eventData1,
                 int eventData2);
