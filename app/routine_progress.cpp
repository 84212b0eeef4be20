#include "app/routine_progress.h"

#include <cstdarg>
#include <cstdio>

#include "app/link_notice.h"
#include "platform/os/c_locale.h"
#include "platform/ui_runtime/ui_frontend.h"
#include "platform/ui_runtime/ui_store.h"
#include "platform/ui_runtime/userint.h"

namespace {

double g_started = 0.0;

void show(const char* text) {
  show_lost_link();
  if (kd71::ui::FrontEnd* fe = kd71::ui::front_end())
    fe->routine_progress(text);
  else
    kd71::ui::FrontEnd().routine_progress(text);
}

}  // namespace

void begin_routine_progress() { g_started = Timer(); }

double routine_seconds_left(int done, int left) {
  if (done <= 0) return -1.0;
  const double per_step = (Timer() - g_started) / done;
  return per_step * (left > 0 ? left : 0);
}

void show_routine_progress(const char* format, ...) {
  char text[160];
  va_list args;
  va_start(args, format);
  kd71::c_locale::vformat_to(text, sizeof text, format, args);
  va_end(args);
  show(text);
}

void end_routine_progress() { show(""); }

void routine_progress_reset() { g_started = 0.0; }
