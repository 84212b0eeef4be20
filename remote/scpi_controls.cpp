#include "remote/scpi_controls.h"

#include "app/panel_handles.h"
#include "app/slider_state.h"
#include "hardware/board_pins.h"
#include "hardware/lowlevel_link.h"
#include "platform/os/c_locale.h"
#include "platform/ui_runtime/ui_store.h"
#include "remote/scpi_errors.h"
#include "ui/main_uir.h"

namespace kd71::scpi {

namespace {

bool g_stop_pressed_in_routine = false;

// Why a channel's control is dimmed, as the panel's rules dim it: without a
// board everything is; the channel's mode dims "Init" (manual) or the
// sampling delay, its auto search and stop (automatic); "Shut Off" dims
// the channel's other settings and figures.
std::string dimmed_reason(int channel, int control) {
  if (!board_connected()) return "no board connected";
  const ChannelControls& c = channel_controls(channel);
  const bool manual = value_of(c.manual_mode) != 0.0;
  if (control == c.init && manual)
    return kd71::c_locale::format("channel %d is in manual mode", channel);
  if ((control == c.delay || control == c.auto_search || control == c.auto_search_stop) && !manual)
    return kd71::c_locale::format("channel %d is in automatic mode", channel);
  if (static_cast<int>(value_of(c.pattern)) == kPatternShutOff)
    return kd71::c_locale::format("channel %d is switched off", channel);
  return "the control is dimmed";
}

}  // namespace

bool board_connected() { return linkUp && prevLinkState == 1; }

bool operable(Context& c, int control) {
  int dimmed = 1;
  GetCtrlAttribute(panelHandle, control, ATTR_DIMMED, &dimmed);
  if (!dimmed) return true;
  c.error(kSettingsConflict, dimmed_reason(c.channel, control));
  return false;
}

void commit(int control, int value) {
  SetCtrlVal(panelHandle, control, value);
  kd71::ui::dispatch_now(panelHandle, control, EVENT_COMMIT);
}

void slide(int control, double value) {
  SetCtrlVal(panelHandle, control, value);
  // A value change left to be swallowed is meant for the window's echo of
  // a threshold a routine set; this one is the client's own and is applied.
  suppressNextChange = 0;
  kd71::ui::dispatch_now(panelHandle, control, EVENT_VAL_CHANGED);
}

void press_stop(int control) {
  // A search ends by taking every pending commit; one press per routine
  // keeps a client that sends stops without pause from holding it there.
  if (kd71::ui::in_callback()) {
    if (g_stop_pressed_in_routine) return;
    g_stop_pressed_in_routine = true;
  }
  kd71::ui::post_event(panelHandle, control, EVENT_COMMIT);
}

void stop_press_rearm() { g_stop_pressed_in_routine = false; }

double value_of(int control) { return kd71::ui::numeric_value(panelHandle, control); }

std::string text_of(int control) { return kd71::ui::text_value(panelHandle, control); }

bool shown(int control) {
  int visible = 0;
  GetCtrlAttribute(panelHandle, control, ATTR_VISIBLE, &visible);
  return visible != 0;
}

Range range_of(int control) {
  const kd71::uir::ControlDef* def = kd71::ui::control_def(panelHandle, control);
  if (!def) return {0.0, 0.0, 0.0};
  return {def->has_range ? def->min : 0.0, def->has_range ? def->max : 0.0, def->value};
}

}  // namespace kd71::scpi
