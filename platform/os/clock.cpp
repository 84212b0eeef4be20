#include "platform/os/clock.h"

#include <chrono>
#include <cmath>
#include <thread>

namespace kd71::clock {
namespace {

using steady = std::chrono::steady_clock;

// Taken at static initialisation, so Timer counts from the start of the process.
const steady::time_point g_origin = steady::now();

bool g_virtual = false;
double g_virtual_now = 0.0;

double real_now() { return std::chrono::duration<double>(steady::now() - g_origin).count(); }

}  // namespace

double now() { return g_virtual ? g_virtual_now : real_now(); }

void spend(double seconds) {
  if (!std::isfinite(seconds) || seconds <= 0.0) return;
  if (g_virtual) {
    g_virtual_now += seconds;
    return;
  }
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void wait_until(double deadline) { spend(deadline - now()); }

void use_virtual(double start) {
  g_virtual = true;
  g_virtual_now = start;
}

void use_real() { g_virtual = false; }

bool is_virtual() { return g_virtual; }

void reset() {
  g_virtual = false;
  g_virtual_now = 0.0;
}

}  // namespace kd71::clock
