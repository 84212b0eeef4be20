// The one clock of the program.
//
// Delay, Timer, the store's timer deadlines and the simulated board all read
// and spend time through this module. In the program it follows the real
// monotonic clock and spending time sleeps; in tests it is virtual and
// spending time advances it at once, so no test ever sleeps.
#pragma once

namespace kd71::clock {

// Seconds since the origin (process start on the real clock, 0 on a fresh
// virtual clock).
double now();

// Lets `seconds` pass: sleeps on the real clock, advances the virtual one.
// Negative and non-finite durations spend nothing.
void spend(double seconds);

// Lets time pass until `deadline` (no-op when it is already past).
void wait_until(double deadline);

// Switches to the virtual clock starting at `start` seconds.
void use_virtual(double start = 0.0);

// Switches back to the real clock (the origin stays the process start).
void use_real();

bool is_virtual();

// Puts the module back to its start state: the real clock.
void reset();

}  // namespace kd71::clock
