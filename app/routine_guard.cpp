#include "app/routine_guard.h"

#include <cstdio>
#include <string>

#include "app/panel_handles.h"
#include "app/saved_settings.h"
#include "hardware/board_pins.h"
#include "hardware/link_state.h"
#include "platform/os/c_locale.h"
#include "platform/ui_runtime/ui_frontend.h"
#include "platform/ui_runtime/ui_store.h"
#include "platform/ui_runtime/userint.h"
#include "ui/channel_controls.h"

namespace {

// The last few routines cut short, by the press that started them: a
// client asks about its own soon after (*OPC?), never about old ones.
struct Failure {
  unsigned long long serial = 0;
  std::string reason;
};
Failure g_failures[8];
int g_next_failure = 0;

// Phases to write once the board is back, per channel; -1 none.
int g_phases_due[3][2] = {{-1, -1}, {-1, -1}, {-1, -1}};

float control_value(int control) {
  float v = 0.0f;  // the sliders hold floats
  GetCtrlVal(panelHandle, control, &v);
  return v;
}

}  // namespace

RoutineGuard::RoutineGuard(int channel, const char* routine)
    : channel_(channel),
      routine_(routine),
      started_by_(kd71::ui::dispatched_event()),
      threshold_control_(control_value(kd71::channel_controls(channel).threshold)),
      delay_control_(control_value(kd71::channel_controls(channel).delay)),
      saved_threshold_(*saved_channel(channel).threshold),
      saved_delay_(*saved_channel(channel).sampling_delay) {}

bool RoutineGuard::board_lost() const { return link_lost(); }

bool RoutineGuard::give_back_if_lost() {
  if (!board_lost()) return false;
  const kd71::ChannelControls& c = kd71::channel_controls(channel_);
  const SavedChannel& saved = saved_channel(channel_);
  SetCtrlVal(panelHandle, c.threshold, threshold_control_);
  SetCtrlVal(panelHandle, c.delay, delay_control_);
  *saved.threshold = saved_threshold_;
  *saved.sampling_delay = saved_delay_;
  if (phase9340_ >= 0) {
    g_phases_due[channel_][0] = phase9340_;
    g_phases_due[channel_][1] = phase9372_;
  }

  const std::string reason = kd71::c_locale::format(
      "CH%d %s stopped: the board was lost; the channel's values are back as before it",
      channel_, routine_);
  std::printf("%s\n", reason.c_str());
  std::fflush(stdout);
  if (kd71::ui::FrontEnd* fe = kd71::ui::front_end()) fe->status_message(reason);
  if (started_by_ != 0) {
    g_failures[g_next_failure] = {started_by_, reason};
    g_next_failure = (g_next_failure + 1) % static_cast<int>(std::size(g_failures));
  }
  return true;
}

const char* routine_failure(unsigned long long serial) {
  for (const Failure& f : g_failures)
    if (serial != 0 && f.serial == serial) return f.reason.c_str();
  return nullptr;
}

void put_back_routine_phases() {
  for (int n = 1; n <= 2; ++n) {
    if (g_phases_due[n][0] < 0) continue;
    write_phase_settings(n, g_phases_due[n][0], g_phases_due[n][1]);
    if (!link_lost()) g_phases_due[n][0] = g_phases_due[n][1] = -1;  // else at the next reconnection
  }
}

void routine_guard_reset() {
  for (Failure& f : g_failures) f = {};
  g_next_failure = 0;
  for (auto& due : g_phases_due) due[0] = due[1] = -1;
}
