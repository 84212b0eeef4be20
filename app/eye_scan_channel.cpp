#include "app/eye_scan_channel.h"

#include "app/analog_controls.h"
#include "app/calibration_controls.h"
#include "app/channel_config.h"
#include "app/debug_panel.h"
#include "app/startup.h"
#include "app/threshold_search.h"
#include "hardware/DS4520.h"
#include "hardware/analog_scale.h"
#include "hardware/board_pins.h"
#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel_packets.h"
#include "hardware/packet_codec.h"
#include "platform/userint.h"
#include "ui/main_uir.h"

namespace {

// The channel's setting controls, dimmed while it is scanned; the
// manual-mode check box first.
constexpr int kLocked[3][kScanLockedControls] = {
    {},
    {PANELMAIN_CKBX_MANUAL_MD_CH1, PANELMAIN_CH1_THRES, PANELMAIN_CH1_SAMPDEL,
     PANELMAIN_DATA_SELECT_CH1, PANELMAIN_RING_IN_CLK_CH1, PANELMAIN_INIT_CH1,
     PANELMAIN_CH1_AUTOSEARCH, PANELMAIN_COM_TOT_ERR_CNT_CH1},
    {PANELMAIN_CKBX_MANUAL_MD_CH2, PANELMAIN_CH2_THRES, PANELMAIN_CH2_SAMPDEL,
     PANELMAIN_DATA_SELECT_CH2, PANELMAIN_RING_IN_CLK_CH2, PANELMAIN_INIT_CH2,
     PANELMAIN_CH2_AUTOSEARCH, PANELMAIN_COM_TOT_ERR_CNT_CH2},
};

// Volts that the delay's 12-bit code truncates to `code` whatever the
// rounding on the way: the middle of the code's step.
double code_middle_volts(int code) { return code_volts(code) + code_volts(1) / 2.0; }

void set_manual_mode(int n, int on) {
  const int box = kLocked[n][0];
  SetCtrlVal(panelHandle, box, on);
  general_purpose_IO(panelHandle, box, EVENT_COMMIT, nullptr, 0, 0);
}

}  // namespace

void enter_manual_mode(int n) {
  set_manual_mode(n, 1);
  if (!debugPanelOpen)
    write_phase_settings(n, channelConfig[n].phase9340, channelConfig[n].phase9372);
}

ScannedChannel take_channel(int n) {
  ScannedChannel s;
  s.channel = n;
  const CalibrationControls& c = calibration_controls(n);
  GetCtrlVal(panelHandle, c.threshold, &s.threshold_mv);
  GetCtrlVal(panelHandle, c.delay, &s.delay_v);
  s.automatic = *c.manual_mode == 0;
  s.clean_exit = channelConfig[n].cleanExit;
  for (int i = 0; i < kScanLockedControls; ++i)
    GetCtrlAttribute(panelHandle, kLocked[n][i], ATTR_DIMMED, &s.dimmed[i]);
  if (s.automatic) {
    // The check box's path reads the board's settings back before it
    // switches; manual mode keeps the delay the board chose for itself.
    enter_manual_mode(n);
    s.sampling_v = code_middle_volts(channelConfig[n].delayCode);
  } else {
    // A channel restored in manual mode from the settings has its check box
    // ticked but the board's pin as it powered up: the pin is set, so that
    // the board honours the delays the scan sets.
    const ExpanderPin& pin = channel_pins(n).manual_mode;
    DS4520_IO_write(pin.chip, pin.pin, 1);
    const bool read = pollReadPacket(n, channel_code(n, kReadBackKind)) < kMaxPollAttempts;
    s.sampling_v = read ? code_middle_volts(decode_automatic_settings(packets[n].bytes).delayCode)
                        : s.delay_v;  // without a read-back the slider is all there is
  }
  for (int control : kLocked[n]) SetCtrlAttribute(panelHandle, control, ATTR_DIMMED, 1);
  return s;
}

void give_back_channel(const ScannedChannel& s) {
  const int n = s.channel;
  const CalibrationControls& c = calibration_controls(n);
  WriteThreshold(n, s.threshold_mv, threshold_slider_lock());
  WriteSamplingDelay(n, static_cast<float>(s.sampling_v), smoothDelay != 0);
  SetCtrlVal(panelHandle, c.threshold, s.threshold_mv);
  SetCtrlVal(panelHandle, c.delay, s.delay_v);
  if (s.automatic) {
    set_manual_mode(n, 0);
    // The scan's visit to manual mode is not the user's: the next switch to
    // manual mode keeps or replaces the delay as it would have.
    channelConfig[n].cleanExit = s.clean_exit;
  }
  for (int i = 0; i < kScanLockedControls; ++i)
    SetCtrlAttribute(panelHandle, kLocked[n][i], ATTR_DIMMED, s.dimmed[i]);
}
