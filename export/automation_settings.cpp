// The exported setting functions: the input-clock pin, the pattern, the
// threshold, the sampling delay, the channel initialisation and manual mode.

#include <algorithm>
#include <cmath>

#include "app/analog_controls.h"
#include "app/channel_init.h"
#include "app/panel_handles.h"
#include "export/automation_session.h"
#include "export/kd71.h"
#include "hardware/DS4520.h"
#include "hardware/MCP4728.h"
#include "hardware/board_pins.h"
#include "hardware/link_state.h"
#include "ui/main_uir.h"

namespace {

using kd71::automation::Call;
using kd71::automation::valid_channel;

// Lets the board settle after a pin change, and stands in for it on an
// invalid channel, so that a caller's timing does not depend on the channel.
constexpr double kSettleWait = 0.03;
constexpr int kPatternCodeByte = 0xFF;  // only the code's low byte reaches the pins
constexpr int kLastPrbsCode = 8;        // PRBS31

bool known_pattern(int code) { return code <= kLastPrbsCode || code == kPatternShutOff; }

}  // namespace

extern "C" int InputClock(int channel, int value) {
  Call call;
  if (!call.open()) return 0;
  if (valid_channel(channel)) {
    const ExpanderPin pin = channel_pins(channel).input_clock;
    DS4520_IO_write(pin.chip, pin.pin, value & 1);
  }
  Delay(kSettleWait);
  return 1;
}

// Writes the expander's pattern pins, without the side effects of the
// window's pattern ring (saved settings, pattern restart). The ring records
// the code, so that the channel initialisation, which re-selects the ring's
// pattern, keeps the caller's, and a channel switched off is not polled.
extern "C" int DataSel(int channel, int code) {
  Call call;
  code &= kPatternCodeByte;
  // A code that names no pattern is refused: its low bits would select a
  // pattern the caller did not ask for.
  if (!call.open() || !known_pattern(code)) return 0;
  if (valid_channel(channel)) {
    DS4520_IOX_wr_multibit(channel_pins(channel).pattern_chip, kPatternField, code);
    SetCtrlVal(panelHandle, channel == 1 ? PANELMAIN_DATA_SELECT_CH1 : PANELMAIN_DATA_SELECT_CH2,
               static_cast<unsigned>(code));
  }
  Delay(kSettleWait);
  return 1;
}

// The threshold is applied as if the slider had moved to it. The slider's
// callback reads the value from the panel it is given: the main panel's
// handle, which in the control store is not the resource id PANELMAIN.
extern "C" int DataThreshold(int channel, float threshold) {
  Call call;
  if (!call.open() || !valid_channel(channel) || !std::isfinite(threshold)) return 0;
  const int slider = channel == 1 ? PANELMAIN_CH1_THRES : PANELMAIN_CH2_THRES;
  SetCtrlVal(panelHandle, slider, static_cast<double>(threshold));  // clamped to its range
  CB_DAC(panelHandle, slider, EVENT_VAL_CHANGED, nullptr, 0, 0);
  return 1;
}

// Straight to the channel's delay DAC, with its EEPROM; the slider keeps
// its value. An infinite voltage is clamped as a huge one is; NaN names none.
extern "C" int SampingDelay(int channel, float volts) {
  Call call;
  if (!call.open() || !valid_channel(channel) || std::isnan(volts)) return 0;
  volts = std::clamp(volts, 0.0f, KD71_SAMPLING_DELAY_MAX_V);
  dac_write(sampling_delay_position(channel), volts, 0);
  return 1;
}

// The channel initialisation of the channel's "Init" button, in either mode.
extern "C" int ReSync(int channel) {
  Call call;
  if (!call.open()) return 0;
  if (valid_channel(channel)) {
    CB_InitChan(0, channel == 1 ? PANELMAIN_INIT_CH1 : PANELMAIN_INIT_CH2, EVENT_COMMIT, nullptr, 0,
                0);
  }
  // A board lost on the way stopped the routine and put the channel back:
  // no initialisation to report.
  const bool lost = link_lost();
  Delay(kSettleWait);
  return lost ? 0 : 1;
}

// Only the check box: the board and the manual-mode flag follow when the
// settings are next applied.
extern "C" int ManualMode(int channel, int on) {
  Call call;
  if (!call.open()) return 0;
  if (valid_channel(channel))
    SetCtrlVal(panelHandle,
               channel == 1 ? PANELMAIN_CKBX_MANUAL_MD_CH1 : PANELMAIN_CKBX_MANUAL_MD_CH2, on);
  Delay(kSettleWait);
  return 1;
}
