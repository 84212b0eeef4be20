#include "app/routine_progress.h"

#include <cstdarg>
#include <cstdio>

#include "app/measurement.h"
#include "platform/c_locale.h"
#include "platform/ui_frontend.h"
#include "platform/ui_store.h"
#include "platform/userint.h"

namespace {

double g_started = 0.0;

void show(const char* text) {
  ShowLostLink();
  if (kd71::ui::FrontEnd* fe = kd71::ui::front_end())
    fe->routine_progress(text);
  else
    kd71::ui::FrontEnd().routine_progress(text);
}

}  // namespace

void BeginRoutineProgress() { g_started = Timer(); }

double RoutineSecondsLeft(int done, int left) {
  if (done <= 0) return -1.0;
  const double per_step = (Timer() - g_started) / done;
  return per_step * (left > 0 ? left : 0);
}

void ShowRoutineProgress(const char* format, ...) {
  char text[160];
  va_list args;
  va_start(args, format);
  kd71::c_locale::vformat_to(text, sizeof text, format, args);
  va_end(args);
  show(text);
}

void EndRoutineProgress() { show(""); }

void routine_progress_reset() { g_started = 0.0; }
