#include "app/channel_config.h"

#include <cstring>

#include "app/panel_handles.h"
#include "app/saved_settings.h"
#include "app/statistics.h"
#include "hardware/DS4520.h"
#include "hardware/analog_scale.h"
#include "hardware/board_pins.h"
#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel_packets.h"
#include "hardware/packet_codec.h"
#include "platform/ui_runtime/colours.h"
#include "ui/channel_controls.h"
#include "ui/main_uir.h"

ChannelConfig channelConfig[3];
int autoSampleSize = 0;

namespace {

using kd71::ChannelControls;

// Dimmed with "Shut Off", in this order.
constexpr int ChannelControls::*kReadouts[] = {
    &ChannelControls::test_toggle,   &ChannelControls::error_bar,
    &ChannelControls::bit_time,      &ChannelControls::bit_rate,
    &ChannelControls::threshold,     &ChannelControls::errors,
    &ChannelControls::error_free,    &ChannelControls::ratio,
    &ChannelControls::ones,          &ChannelControls::total_errors,
    &ChannelControls::total_ratio,   &ChannelControls::error_free_caption,
    &ChannelControls::test_interval, &ChannelControls::elapsed,
    &ChannelControls::delay,         &ChannelControls::input_clock,
};

void dim(int panel, int control, bool dimmed) {
  SetCtrlAttribute(panel, control, ATTR_DIMMED, dimmed ? 1 : 0);
}

// The controls that only make sense in one of the two modes.
void dim_for_manual_mode(int panel, const ChannelControls& c, int m) {
  dim(panel, c.init, m != 0);
  for (int control : {c.delay, c.auto_search, c.auto_search_stop, c.delay_caption})
    dim(panel, control, m != 1);
}

void on_pattern(int panel, int ch, unsigned v) {
  const ChannelControls& c = kd71::channel_controls(ch);
  const SavedChannel& saved = saved_channel(ch);
  DS4520_IOX_wr_multibit(channel_pins(ch).pattern_chip, kPatternField, static_cast<int>(v));
  *saved.data_select = static_cast<int>(v);
  const bool off = v == kPatternShutOff;
  for (int ChannelControls::*readout : kReadouts) dim(panel, c.*readout, off);
  dim_for_manual_mode(panel, c, *saved.manual_mode);
}

void on_manual_mode(int panel, int ch, int m) {
  const ChannelControls& c = kd71::channel_controls(ch);
  const SavedChannel& saved = saved_channel(ch);
  ChannelConfig& cfg = channelConfig[ch];
  if (m == 0) cfg.cleanExit = packets[ch].error_count == 0;
  dim_for_manual_mode(panel, c, m);
  UpdateManualMode(ch);
  const ExpanderPin manual = channel_pins(ch).manual_mode;
  DS4520_IO_write(manual.chip, manual.pin, m);
  *saved.manual_mode = m;

  if (m != 0) {
    // Coming out of a clean run the user's delay stands; otherwise the slider
    // shows where the board's automatic delay is (nothing is sent), and that
    // is the delay saved from now on.
    if (cfg.cleanExit == 0) {
      SetCtrlVal(panel, c.delay, code_volts(cfg.delayCode));
      GetCtrlVal(panel, c.delay, saved.sampling_delay);
    }
    if (!debugPanelOpen) return;
    if (cfg.keepPhases) {
      dim(debugPanelHandle, c.phase9340, false);
      dim(debugPanelHandle, c.phase9372, false);
    } else {
      SetCtrlVal(debugPanelHandle, c.phase9340, cfg.phase9340);
      SetCtrlVal(debugPanelHandle, c.phase9372, cfg.phase9372);
      int p2 = 0, p1 = 0;
      GetCtrlVal(debugPanelHandle, c.phase9340, &p2);
      GetCtrlVal(debugPanelHandle, c.phase9372, &p1);
      write_phase_settings(ch, p2, p1);
      *saved.phase9340 = p2;
      *saved.phase9372 = p1;
    }
    dim(debugPanelHandle, c.keep_phases, false);
  } else if (debugPanelOpen) {
    dim(debugPanelHandle, c.phase9340, true);
    dim(debugPanelHandle, c.phase9372, true);
    dim(debugPanelHandle, c.keep_phases, true);
  }
}

}  // namespace

int input_clock_bits(int ring_value) {
  switch (ring_value) {
    case 0:
      return kInputClockHalf;  // "Clock/2"
    case 2:
      return kInputClockDiv4;  // "Div /4"
    default:
      return kInputClockFull;  // "Clock"
  }
}

void send_input_clock(int channel, int ring_value) {
  const SavedChannel& saved = saved_channel(channel);
  int& word = channelConfig[channel].clockConfig;
  word = (word & ~kInputClockBits) | input_clock_bits(ring_value);
  const int count = encode_input_clock(packets[channel].bytes, word);
  writePacket(channel, channel_code(channel, kClockRegister), count);
  *saved.ring_in_clk = static_cast<signed char>(ring_value);
}

int general_purpose_IO(int panel, int control, int event, void* /*callbackData*/,
                       int /*eventData1*/, int /*eventData2*/) {
  if (event != EVENT_COMMIT) return 0;
  if (const int ch = kd71::channel_of(control, &ChannelControls::pattern)) {
    unsigned v = 0;
    GetCtrlVal(panel, control, &v);
    on_pattern(panel, ch, v);
  } else if (const int ch = kd71::channel_of(control, &ChannelControls::input_clock)) {
    int v = 0;
    GetCtrlVal(panel, control, &v);
    send_input_clock(ch, v);
    if (ch == 2 && debugPanelOpen)
      SetCtrlVal(debugPanelHandle, PANELDEBUG_FULL_RATE_LED_CH2, v & 1);
  } else if (const int ch = kd71::channel_of(control, &ChannelControls::manual_mode)) {
    int m = 0;
    GetCtrlVal(panel, control, &m);
    on_manual_mode(panel, ch, m);
  }
  return 0;
}

void UpdateManualMode(int channel) {
  const int failed = pollReadPacket(channel, channel_code(channel, kReadBackKind));
  SetCtrlVal(panelHandle, PANELMAIN_RETRIES, static_cast<unsigned>(failed));
  SetCtrlAttribute(panelHandle, PANELMAIN_RETRIES, ATTR_FILL_COLOR, failed > 0 ? kRed : kWhite);
  const AutomaticSettings a = decode_automatic_settings(packets[channel].bytes);
  ChannelConfig& cfg = channelConfig[channel];
  cfg.phase9340 = a.phase9340;
  cfg.phase9372 = a.phase9372;
  cfg.delayCode = a.delayCode;
}

int LoadFlags(int panel, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
              int /*eventData2*/) {
  if (event != EVENT_COMMIT) return 0;
  GetCtrlVal(panel, PANELDEBUG_AUTO_SAMPSIZE, &autoSampleSize);
  return 0;
}

void ConfigChannel(int index) { channelStats[index].sampleLength = 4ULL << 32; }

void channel_config_reset() {
  std::memset(channelConfig, 0, sizeof channelConfig);
  autoSampleSize = 0;
}
