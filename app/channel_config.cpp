#include "app/channel_config.h"

#include <cstring>

#include "app/debug_panel.h"
#include "app/settings_file.h"
#include "app/startup.h"
#include "app/statistics.h"
#include "hardware/DS4520.h"
#include "hardware/analog_scale.h"
#include "hardware/board_pins.h"
#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel_packets.h"
#include "hardware/packet_codec.h"
#include "platform/colours.h"
#include "ui/main_uir.h"

ChannelConfig channelConfig[3];
int autoSampleSize = 0;

namespace {

// What each channel's controls and saved settings are.
struct ChannelWiring {
  int *data_select, *ring_in_clk, *manual_mode;
  float* sampling_delay;
  int readouts[16];  // dimmed with "Shut Off", in this order
  int init, sampdel, autosearch, autosearch_stop, sampdel_caption;
};

const ChannelWiring kWiring[3] = {
    {},
    {&data_select_ch1,
     &ring_in_clk_ch1,
     &manual_mode_ch1,
     &Ch1_SamplingDelay,
     {PANELMAIN_COM_TOT_ERR_CNT_CH1, PANELMAIN_ERROR_HIST_BAR_CH1, PANELMAIN_BIT_TIME_CH1,
      PANELMAIN_CLOCK_FREQUENCY_CH1, PANELMAIN_CH1_THRES, PANELMAIN_ERROR_COUNT_CH1,
      PANELMAIN_ERROR_FREE_CH1, PANELMAIN_ERROR_RATIO_CH1, PANELMAIN_ONES_CNT_CH1,
      PANELMAIN_TOT_ERROR_COUNT_CH1, PANELMAIN_TOT_ERROR_RATIO_CH1, PANELMAIN_ERROR_FREE_CH1_2,
      PANELMAIN_TEST_INTERVAL_CH1, PANELMAIN_ELAPSED_TIME_CH1, PANELMAIN_CH1_SAMPDEL,
      PANELMAIN_RING_IN_CLK_CH1},
     PANELMAIN_INIT_CH1,
     PANELMAIN_CH1_SAMPDEL,
     PANELMAIN_CH1_AUTOSEARCH,
     PANELMAIN_CH1_AUTOSEARCH_STOP,
     PANELMAIN_TEXTMSG_SDAS_CH1},
    {&data_select_ch2,
     &ring_in_clk_ch2,
     &manual_mode_ch2,
     &Ch2_SamplingDelay,
     {PANELMAIN_COM_TOT_ERR_CNT_CH2, PANELMAIN_ERROR_HIST_BAR_CH2, PANELMAIN_BIT_TIME_CH2,
      PANELMAIN_CLOCK_FREQUENCY_CH2, PANELMAIN_CH2_THRES, PANELMAIN_ERROR_COUNT_CH2,
      PANELMAIN_ERROR_FREE_CH2, PANELMAIN_ERROR_RATIO_CH2, PANELMAIN_ONES_CNT_CH2,
      PANELMAIN_TOT_ERROR_COUNT_CH2, PANELMAIN_TOT_ERROR_RATIO_CH2, PANELMAIN_ERROR_FREE_CH2_2,
      PANELMAIN_TEST_INTERVAL_CH2, PANELMAIN_ELAPSED_TIME_CH2, PANELMAIN_CH2_SAMPDEL,
      PANELMAIN_RING_IN_CLK_CH2},
     PANELMAIN_INIT_CH2,
     PANELMAIN_CH2_SAMPDEL,
     PANELMAIN_CH2_AUTOSEARCH,
     PANELMAIN_CH2_AUTOSEARCH_STOP,
     PANELMAIN_TEXTMSG_SDAS_CH2},
};

void dim(int panel, int control, bool dimmed) {
  SetCtrlAttribute(panel, control, ATTR_DIMMED, dimmed ? 1 : 0);
}

// The controls that only make sense in one of the two modes.
void dim_for_manual_mode(int panel, const ChannelWiring& w, int m) {
  dim(panel, w.init, m != 0);
  for (int control : {w.sampdel, w.autosearch, w.autosearch_stop, w.sampdel_caption})
    dim(panel, control, m != 1);
}

void on_pattern(int panel, int ch, unsigned v) {
  const ChannelWiring& w = kWiring[ch];
  DS4520_IOX_wr_multibit(channel_pins(ch).pattern_chip, kPatternField, static_cast<int>(v));
  *w.data_select = static_cast<int>(v);
  const bool off = v == kPatternShutOff;
  for (int control : w.readouts) dim(panel, control, off);
  dim_for_manual_mode(panel, w, *w.manual_mode);
}

void on_manual_mode(int panel, int ch, int m) {
  const ChannelWiring& w = kWiring[ch];
  const PhaseControls& d = phase_controls(ch);
  ChannelConfig& cfg = channelConfig[ch];
  if (m == 0) cfg.cleanExit = packets[ch].error_count == 0;
  dim_for_manual_mode(panel, w, m);
  UpdateManualMode(ch);
  const ExpanderPin manual = channel_pins(ch).manual_mode;
  DS4520_IO_write(manual.chip, manual.pin, m);
  *w.manual_mode = m;

  if (m != 0) {
    // Coming out of a clean run the user's delay stands; otherwise the slider
    // shows where the board's automatic delay is (nothing is sent), and that
    // is the delay saved from now on.
    if (cfg.cleanExit == 0) {
      SetCtrlVal(panel, w.sampdel, code_volts(cfg.delayCode));
      GetCtrlVal(panel, w.sampdel, w.sampling_delay);
    }
    if (!debugPanelOpen) return;
    if (cfg.keepPhases) {
      dim(debugPanelHandle, d.ring9340, false);
      dim(debugPanelHandle, d.ring9372, false);
    } else {
      SetCtrlVal(debugPanelHandle, d.ring9340, cfg.phase9340);
      SetCtrlVal(debugPanelHandle, d.ring9372, cfg.phase9372);
      int p2 = 0, p1 = 0;
      GetCtrlVal(debugPanelHandle, d.ring9340, &p2);
      GetCtrlVal(debugPanelHandle, d.ring9372, &p1);
      write_phase_settings(ch, p2, p1);
      *d.saved9340 = p2;
      *d.saved9372 = p1;
    }
    dim(debugPanelHandle, d.keep_phases, false);
  } else if (debugPanelOpen) {
    dim(debugPanelHandle, d.ring9340, true);
    dim(debugPanelHandle, d.ring9372, true);
    dim(debugPanelHandle, d.keep_phases, true);
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
  const ChannelWiring& w = kWiring[channel];
  int& word = channelConfig[channel].clockConfig;
  word = (word & ~kInputClockBits) | input_clock_bits(ring_value);
  const int count = encode_input_clock(packets[channel].bytes, word);
  writePacket(channel, channel_code(channel, kClockRegister), count);
  *w.ring_in_clk = static_cast<signed char>(ring_value);
}

int general_purpose_IO(int panel, int control, int event, void* /*callbackData*/,
                       int /*eventData1*/, int /*eventData2*/) {
  if (event != EVENT_COMMIT) return 0;
  switch (control) {
    case PANELMAIN_DATA_SELECT_CH1:
    case PANELMAIN_DATA_SELECT_CH2: {
      unsigned v = 0;
      GetCtrlVal(panel, control, &v);
      on_pattern(panel, control == PANELMAIN_DATA_SELECT_CH1 ? 1 : 2, v);
      break;
    }
    case PANELMAIN_RING_IN_CLK_CH1:
    case PANELMAIN_RING_IN_CLK_CH2: {
      int v = 0;
      GetCtrlVal(panel, control, &v);
      const int ch = control == PANELMAIN_RING_IN_CLK_CH1 ? 1 : 2;
      send_input_clock(ch, v);
      if (ch == 2 && debugPanelOpen)
        SetCtrlVal(debugPanelHandle, PANELDEBUG_FULL_RATE_LED_CH2, v & 1);
      break;
    }
    case PANELMAIN_CKBX_MANUAL_MD_CH1:
    case PANELMAIN_CKBX_MANUAL_MD_CH2: {
      int m = 0;
      GetCtrlVal(panel, control, &m);
      on_manual_mode(panel, control == PANELMAIN_CKBX_MANUAL_MD_CH1 ? 1 : 2, m);
      break;
    }
    default:
      break;
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
