#include "app/analog_controls.h"

#include "app/panel_handles.h"
#include "app/saved_settings.h"
#include "app/threshold_search.h"
#include "app/threshold_sweep.h"
#include "hardware/MCP4728.h"
#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel_packets.h"
#include "hardware/packet_codec.h"
#include "ui/channel_controls.h"
#include "ui/main_uir.h"

namespace {

// Key codes of the marks and of the midpoint jump (its low seven bits: "/"
// or, shifted, "?").
constexpr int kDotKey = '.';
constexpr int kCommaKey = ',';
constexpr int kMidpointKey = '/';
constexpr int kShiftedMidpointKey = '?';
constexpr int kKeyCharacterBits = 0x7F;
constexpr float kCoarseStepFactor = 10.0f;

struct Slider {
  int channel;
  bool threshold;
  float* saved;
};

bool slider_of(int control, Slider* s) {
  if (const int n = kd71::channel_of(control, &kd71::ChannelControls::threshold)) {
    *s = {n, true, saved_channel(n).threshold};
    return true;
  }
  if (const int n = kd71::channel_of(control, &kd71::ChannelControls::delay)) {
    *s = {n, false, saved_channel(n).sampling_delay};
    return true;
  }
  return false;
}

void apply_value(int panel, int control, const Slider& s) {
  float v = 0.0f;
  GetCtrlVal(panel, control, &v);
  if (s.threshold) {
    previousThreshold[s.channel] = *s.saved;
    *s.saved = v;
    WriteThreshold(s.channel, v, threshold_slider_lock());
    return;
  }
  *s.saved = v;
  write_sampling_delay(s.channel, v, smoothDelay != 0);
}

// The wheel steps the slider by its increment, and then applies it as a
// value change (which a set suppress flag swallows).
void wheel_step(int panel, int control, int direction) {
  if (direction == MOUSE_WHEEL_SCROLL_UP || direction == MOUSE_WHEEL_SCROLL_DOWN) {
    float v = 0.0f, increment = 0.0f;
    GetCtrlVal(panel, control, &v);
    GetCtrlAttribute(panel, control, ATTR_INCR_VALUE, &increment);
    if (coarseStep) increment *= kCoarseStepFactor;
    SetCtrlVal(panel, control, direction == MOUSE_WHEEL_SCROLL_UP ? v + increment : v - increment);
  }
  CB_DAC(panel, control, EVENT_VAL_CHANGED, nullptr, 0, 0);
}

// The midpoint only moves the slider; the board takes it at the slider's
// next value change.
void key_press(int panel, int control, int key) {
  if (key == kDotKey) GetCtrlVal(panel, control, &dotMark);
  if (key == kCommaKey) GetCtrlVal(panel, control, &commaMark);
  const int character = key & kKeyCharacterBits;
  if (character == kMidpointKey || character == kShiftedMidpointKey)
    SetCtrlVal(panelHandle, control, (static_cast<double>(commaMark) + dotMark) * 0.5);
}

}  // namespace

int threshold_slider_lock() {
  int lock = 0;
  if (debugPanelOpen) GetCtrlVal(debugPanelHandle, PANELDEBUG_TLOCK_CKBOX, &lock);
  return lock != 0;
}

void write_sampling_delay(int channel, float volts, bool smooth) {
  if (smooth) {
    const int count = encode_sampling_delay(packets[channel].bytes, volts);
    writePacket(channel, channel_code(channel, kDelayRegister), count);
  } else {
    dac_write(sampling_delay_position(channel), volts, 1);
  }
}

int CB_DAC(int panel, int control, int event, void* /*callbackData*/, int eventData1,
           int /*eventData2*/) {
  Slider slider;
  if (!slider_of(control, &slider)) return 0;
  switch (event) {
    case EVENT_VAL_CHANGED:
      if (suppressNextChange) {
        suppressNextChange = 0;
        return 0;
      }
      apply_value(panel, control, slider);
      break;
    case EVENT_MOUSE_WHEEL_SCROLL:
      wheel_step(panel, control, eventData1);
      break;
    case EVENT_RIGHT_CLICK:
      coarseStep = 1;
      break;
    case EVENT_RIGHT_CLICK_UP:
      coarseStep = 0;
      break;
    case EVENT_KEYPRESS:
      key_press(panel, control, eventData1);
      break;
    case EVENT_LEFT_DOUBLE_CLICK:
      // A sampling-delay slider has no threshold to sweep.
      if (slider.threshold) {
        float end = 0.0f;
        GetCtrlVal(panel, control, &end);
        threshold_sweep(slider.channel, end);
      }
      break;
    default:
      break;
  }
  return 0;
}

void analog_controls_reset() { slider_state_reset(); }
