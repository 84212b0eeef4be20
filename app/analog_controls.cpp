#include "app/analog_controls.h"

#include "app/debug_panel.h"
#include "app/settings_file.h"
#include "app/threshold_search.h"
#include "hardware/MCP4728.h"
#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel_packets.h"
#include "hardware/packet_codec.h"
#include "ui/main_uir.h"

int suppressNextChange = 0;
int smoothDelay = 1;
float previousThreshold[3] = {};

namespace {

struct Slider {
  int channel;
  bool threshold;
  float* saved;
};

bool slider_of(int control, Slider* s) {
  switch (control) {
    case PANELMAIN_CH1_THRES:
      *s = {1, true, &Ch1_Threshold};
      return true;
    case PANELMAIN_CH2_THRES:
      *s = {2, true, &Ch2_Threshold};
      return true;
    case PANELMAIN_CH1_SAMPDEL:
      *s = {1, false, &Ch1_SamplingDelay};
      return true;
    case PANELMAIN_CH2_SAMPDEL:
      *s = {2, false, &Ch2_SamplingDelay};
      return true;
    default:
      return false;
  }
}

void apply_value(int panel, int control, const Slider& s) {
  float v = 0.0f;
  GetCtrlVal(panel, control, &v);
  if (s.threshold) {
    previousThreshold[s.channel] = *s.saved;
    *s.saved = v;
    int lock = 0;
    if (debugPanelOpen) GetCtrlVal(debugPanelHandle, PANELDEBUG_TLOCK_CKBOX, &lock);
    WriteThreshold(s.channel, v, lock != 0);
    return;
  }
  *s.saved = v;
  if (smoothDelay) {
    const int count = encode_sampling_delay(packets[s.channel].bytes, v);
    writePacket(s.channel, channel_code(s.channel, kDelayRegister), count);
  } else {
    dac_write(sampling_delay_position(s.channel), v, 1);
  }
}

}  // namespace

int CB_DAC(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
           int /*eventData2*/) {
  Slider slider;
  if (!slider_of(control, &slider)) return 0;
  if (event == EVENT_VAL_CHANGED) {
    if (suppressNextChange) {
      suppressNextChange = 0;
      return 0;
    }
    apply_value(panel, control, slider);
  }
  return 0;
}

void analog_controls_reset() {
  suppressNextChange = 0;
  smoothDelay = 1;
  for (float& t : previousThreshold) t = 0.0f;
}
