// The program as the benchmarks run it: started on the simulated board on
// the virtual clock, with no popups or progress lines on the console,
// connected and measuring after two seconds of ticks.
#pragma once

#include "sim/scenario.h"

void start_program_on_board(const kd71::sim::Scenario& scenario = {});
