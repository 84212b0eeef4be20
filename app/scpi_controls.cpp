#include "app/scpi_controls.h"

#include "app/analog_controls.h"
#include "app/scpi_errors.h"
#include "app/startup.h"
#include "hardware/board_pins.h"
#include "hardware/lowlevel_link.h"
#include "platform/c_locale.h"
#include "platform/ui_store.h"
#include "ui/main_uir.h"

namespace scpi {

namespace {

constexpr ChannelControls kControls[2] = {
    {PANELMAIN_DATA_SELECT_CH1, PANELMAIN_RING_IN_CLK_CH1, PANELMAIN_CKBX_MANUAL_MD_CH1,
     PANELMAIN_CH1_THRES, PANELMAIN_CH1_SAMPDEL, PANELMAIN_INIT_CH1, PANELMAIN_CH1_AUTOSEARCH,
     PANELMAIN_CH1_AUTOSEARCH_STOP, PANELMAIN_COM_TOT_ERR_CNT_CH1, PANELMAIN_TEST_INTERVAL_CH1,
     PANELMAIN_CLOCK_FREQUENCY_CH1, PANELMAIN_BIT_TIME_CH1, PANELMAIN_ERROR_COUNT_CH1,
     PANELMAIN_ERROR_RATIO_CH1, PANELMAIN_TEXTMSG_LT_ER_CH1, PANELMAIN_ONES_CNT_CH1,
     PANELMAIN_ERROR_FREE_CH1, PANELMAIN_TOT_ERROR_RATIO_CH1, PANELMAIN_TEXTMSG_LT_CH1},
    {PANELMAIN_DATA_SELECT_CH2, PANELMAIN_RING_IN_CLK_CH2, PANELMAIN_CKBX_MANUAL_MD_CH2,
     PANELMAIN_CH2_THRES, PANELMAIN_CH2_SAMPDEL, PANELMAIN_INIT_CH2, PANELMAIN_CH2_AUTOSEARCH,
     PANELMAIN_CH2_AUTOSEARCH_STOP, PANELMAIN_COM_TOT_ERR_CNT_CH2, PANELMAIN_TEST_INTERVAL_CH2,
     PANELMAIN_CLOCK_FREQUENCY_CH2, PANELMAIN_BIT_TIME_CH2, PANELMAIN_ERROR_COUNT_CH2,
     PANELMAIN_ERROR_RATIO_CH2, PANELMAIN_TEXTMSG_LT_ER_CH2, PANELMAIN_ONES_CNT_CH2,
     PANELMAIN_ERROR_FREE_CH2, PANELMAIN_TOT_ERROR_RATIO_CH2, PANELMAIN_TEXTMSG_LT_CH2},
};

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
  if ((control == c.delay || control == c.auto_search || control == c.stop) && !manual)
    return kd71::c_locale::format("channel %d is in automatic mode", channel);
  if (static_cast<int>(value_of(c.pattern)) == kPatternShutOff)
    return kd71::c_locale::format("channel %d is switched off", channel);
  return "the control is dimmed";
}

}  // namespace

const ChannelControls& channel_controls(int channel) { return kControls[channel == 2 ? 1 : 0]; }

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

}  // namespace scpi
