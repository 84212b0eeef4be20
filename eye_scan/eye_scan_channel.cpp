#include "eye_scan/eye_scan_channel.h"

#include "app/analog_controls.h"
#include "app/channel_config.h"
#include "app/panel_handles.h"
#include "app/saved_settings.h"
#include "app/threshold_search.h"
#include "hardware/DS4520.h"
#include "hardware/analog_scale.h"
#include "hardware/board_pins.h"
#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel_packets.h"
#include "hardware/packet_codec.h"
#include "platform/ui_runtime/userint.h"
#include "ui/channel_controls.h"
#include "ui/main_uir.h"

namespace {

// The channel's setting controls, dimmed while it is scanned; the
// manual-mode check box first.
constexpr int kd71::ChannelControls::*kLocked[kScanLockedControls] = {
    &kd71::ChannelControls::manual_mode, &kd71::ChannelControls::threshold,
    &kd71::ChannelControls::delay,       &kd71::ChannelControls::pattern,
    &kd71::ChannelControls::input_clock, &kd71::ChannelControls::init,
    &kd71::ChannelControls::auto_search, &kd71::ChannelControls::test_toggle,
};

int locked_control(int n, int i) { return kd71::channel_controls(n).*kLocked[i]; }

// Volts that the delay's 12-bit code truncates to `code` whatever the
// rounding on the way: the middle of the code's step.
double code_middle_volts(int code) { return code_volts(code) + code_volts(1) / 2.0; }

void set_manual_mode(int n, int on) {
  const int box = kd71::channel_controls(n).manual_mode;
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
  const kd71::ChannelControls& c = kd71::channel_controls(n);
  GetCtrlVal(panelHandle, c.threshold, &s.threshold_mv);
  GetCtrlVal(panelHandle, c.delay, &s.delay_v);
  s.automatic = *saved_channel(n).manual_mode == 0;
  s.clean_exit = channelConfig[n].cleanExit;
  for (int i = 0; i < kScanLockedControls; ++i)
    GetCtrlAttribute(panelHandle, locked_control(n, i), ATTR_DIMMED, &s.dimmed[i]);
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
  for (int i = 0; i < kScanLockedControls; ++i)
    SetCtrlAttribute(panelHandle, locked_control(n, i), ATTR_DIMMED, 1);
  return s;
}

void give_back_channel(const ScannedChannel& s) {
  const int n = s.channel;
  const kd71::ChannelControls& c = kd71::channel_controls(n);
  WriteThreshold(n, s.threshold_mv, threshold_slider_lock());
  write_sampling_delay(n, static_cast<float>(s.sampling_v), smoothDelay != 0);
  SetCtrlVal(panelHandle, c.threshold, s.threshold_mv);
  SetCtrlVal(panelHandle, c.delay, s.delay_v);
  if (s.automatic) {
    set_manual_mode(n, 0);
    // The scan's visit to manual mode is not the user's: the next switch to
    // manual mode keeps or replaces the delay as it would have.
    channelConfig[n].cleanExit = s.clean_exit;
  }
  for (int i = 0; i < kScanLockedControls; ++i)
    SetCtrlAttribute(panelHandle, locked_control(n, i), ATTR_DIMMED, s.dimmed[i]);
}
