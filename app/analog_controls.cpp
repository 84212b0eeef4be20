#include "app/analog_controls.h"

#include "app/debug_panel.h"
#include "app/settings_file.h"
#include "hardware/MCP4728.h"
#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel.h"
#include "ui/main_uir.h"

int suppressNextChange = 0;
int smoothDelay = 1;
float previousThreshold[3] = {};

namespace {

// Volts per millivolt of threshold on each side of the pair: 1.65 V / 89.45 mV.
constexpr double kVoltsPerMillivolt = 0.018446059250978197;
constexpr double kMidScale = 1.65;
constexpr double kFullScale = 3.3;
constexpr int kCodes = 4096;
constexpr unsigned char kLockFlag = 0x10;
constexpr int kDelayDacChannel1 = 5;
constexpr int kDelayDacChannel2 = 1;

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

int code_of(double level) {
  const float rounded = static_cast<float>(level);  // the level is kept in single precision
  return static_cast<int>(rounded / kFullScale * kCodes);
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
    const int code = dac_code(v);
    packets[s.channel].bytes[0] = static_cast<unsigned char>(code >> 8);
    packets[s.channel].bytes[1] = static_cast<unsigned char>(code & 0xFF);
    writePacket(s.channel, channel_code(s.channel, kDelayRegister), 2);
  } else {
    dac_write(s.channel == 1 ? kDelayDacChannel1 : kDelayDacChannel2, v, 1);
  }
}

}  // namespace

int threshold_code_p(float t) { return code_of(kMidScale + t * kVoltsPerMillivolt); }
int threshold_code_n(float t) { return code_of(kMidScale - t * kVoltsPerMillivolt); }

void WriteThreshold(int channel, float t, int lock) {
  const int p = threshold_code_p(t);
  const int n = threshold_code_n(t);
  unsigned char* b = packets[channel].bytes;
  b[0] = static_cast<unsigned char>((lock ? kLockFlag : 0) | ((p >> 8) & 0x0F));
  b[1] = static_cast<unsigned char>(p & 0xFF);
  b[2] = static_cast<unsigned char>((n >> 8) & 0xFF);
  b[3] = static_cast<unsigned char>(n & 0xFF);
  writePacket(channel, channel_code(channel, kThresholdRegister), 4);
}

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
