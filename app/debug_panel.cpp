#include "app/debug_panel.h"

#include <string>

#include "app/channel_config.h"
#include "app/panel_handles.h"
#include "app/saved_settings.h"
#include "hardware/DS4520.h"
#include "hardware/MCP4728.h"
#include "hardware/board_pins.h"
#include "hardware/debug_flags.h"
#include "hardware/lowlevel_link.h"
#include "platform/os/c_locale.h"
#include "ui/channel_controls.h"
#include "ui/main_uir.h"

int debugPanelHandle = 0;
unsigned char debugPanelOpen = 0;
int scopePanelHandle = 0;
unsigned char scopePanelOpen = 0;

namespace {

constexpr int kExpanderToggles[18] = {
    PANELDEBUG_GP_0,  PANELDEBUG_GP_1,  PANELDEBUG_GP_2,  PANELDEBUG_GP_3,  PANELDEBUG_GP_4,
    PANELDEBUG_GP_5,  PANELDEBUG_GP_6,  PANELDEBUG_GP_7,  PANELDEBUG_GP_8,  PANELDEBUG_GP_9,
    PANELDEBUG_GP_10, PANELDEBUG_GP_11, PANELDEBUG_GP_12, PANELDEBUG_GP_13, PANELDEBUG_GP_14,
    PANELDEBUG_GP_15, PANELDEBUG_GP_16, PANELDEBUG_GP_17,
};

void dim(int panel, int control, bool dimmed) {
  SetCtrlAttribute(panel, control, ATTR_DIMMED, dimmed ? 1 : 0);
}

void show_chip(int chip, int first_toggle) {
  const unsigned short status = DS4520_IO_read(chip);
  for (int pin = 0; pin < kExpanderPins; ++pin)
    SetCtrlVal(debugPanelHandle, kExpanderToggles[first_toggle + pin], (status >> pin) & 1);
}

}  // namespace

void Debug(int /*menuBar*/, int /*menuItem*/, void* /*callbackData*/, int /*panel*/) {
  if (debugPanelOpen) return;
  const int handle = LoadPanel(0, "main.uir", PANELDEBUG);
  if (handle <= 0) return;
  debugPanelHandle = handle;
  DisplayPanel(handle);
  SetCtrlAttribute(panelHandle, PANELMAIN_RETRIES, ATTR_VISIBLE, 1);
  debugPanelOpen = 1;
  for (int ch : {1, 2}) {
    if ((ch == 1 ? manual_mode_ch1 : manual_mode_ch2) != 0) continue;
    dim(handle, kd71::channel_controls(ch).phase9340, true);
    dim(handle, kd71::channel_controls(ch).phase9372, true);
  }
}

int open_scope_panel(int /*panel*/, int /*control*/, int event, void* /*callbackData*/,
                     int /*eventData1*/, int /*eventData2*/) {
  if (event != EVENT_COMMIT) return 0;
  if (scopePanelOpen) {
    DeleteGraphPlot(scopePanelHandle, PANELSCOPE_GRAPH_ONES, -1, 1);
    DeleteGraphPlot(scopePanelHandle, PANELSCOPE_GRAPH_ERRS, -1, 1);
    return 0;
  }
  const int handle = LoadPanel(0, "main.uir", PANELSCOPE);
  if (handle > 0) {
    DisplayPanel(handle);
    scopePanelHandle = handle;
    scopePanelOpen = 1;
  }
  return 0;
}

void scope_panel_closed() {
  if (!scopePanelOpen) return;
  scopePanelOpen = 0;
  DiscardPanel(scopePanelHandle);
}

int debugs(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
           int /*eventData2*/) {
  if (event != EVENT_COMMIT) return 0;
  int value = 0;
  GetCtrlVal(panel, control, &value);
  const unsigned char flag = static_cast<unsigned char>(value);
  switch (control) {
    case PANELDEBUG_DEBUG_MAIN:
      debug_main = flag;
      break;
    case PANELDEBUG_DEBUG_USB:
      debug_usb = flag;
      break;
    case PANELDEBUG_DEBUG_MCP4561:
      debug_MCP4561 = flag;
      break;
    case PANELDEBUG_DEBUG_DAC:
      debug_dac = flag;
      break;
    case PANELDEBUG_DEBUG_DS4520:
      debug_DS4520 = flag;
      break;
    case PANELDEBUG_DEBUG_I2C:
      debug_i2c = flag;
      break;
    default:
      break;
  }
  return 0;
}

int io_expander(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                int /*eventData2*/) {
  if (event != EVENT_COMMIT) return 0;
  if (control == PANELDEBUG_READ_VALUES) {
    show_chip(kExpander57, 0);
    show_chip(kExpander56, kExpanderPins);
    return 0;
  }
  for (int i = 0; i < 18; ++i) {
    if (kExpanderToggles[i] != control) continue;
    int value = 0;
    GetCtrlVal(panel, control, &value);
    DS4520_IO_write(i < kExpanderPins ? kExpander57 : kExpander56, i % kExpanderPins, value);
  }
  return 0;
}

int general_purpose_IO_DebugPanel(int panel, int control, int event, void* /*callbackData*/,
                                  int /*eventData1*/, int /*eventData2*/) {
  if (event != EVENT_COMMIT) return 0;
  int v = 0;
  GetCtrlVal(panel, control, &v);
  const int saved = static_cast<signed char>(v);
  for (int ch : {1, 2}) {
    const kd71::ChannelControls& c = kd71::channel_controls(ch);
    if (control == c.phase9340) {
      write_phase9340(ch, v);
      *saved_channel(ch).phase9340 = saved;
    } else if (control == c.phase9372) {
      write_phase9372(ch, v);
      *saved_channel(ch).phase9372 = saved;
    } else if (control == c.keep_phases) {
      channelConfig[ch].keepPhases = v != 0;
      dim(panel, c.phase9340, v == 0);
      dim(panel, c.phase9372, v == 0);
    }
  }
  return 0;
}

// Reads back the DAC device of a channel's analog levels and shows the code
// of each of its four registers: channel B is the sampling delay (the
// channel's delay position), A and C the threshold's pair, D the clock's
// duty cycle. A device that does not answer leaves the indicators as they
// were, and the log says so.
int CB_ReadDAC(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
               int /*eventData2*/) {
  if (event != EVENT_COMMIT || (control != PANELDEBUG_CH1_READ && control != PANELDEBUG_CH2_READ))
    return 0;
  const int ch = control == PANELDEBUG_CH1_READ ? 1 : 2;
  const int delay = sampling_delay_position(ch);
  const int dev = dac_device(delay);
  int indicators[4];
  if (ch == 1) {
    indicators[0] = PANELDEBUG_DATA_THRESH_CH1_P_IND;
    indicators[2] = PANELDEBUG_DATA_THRESH_CH1_N_IND;
    indicators[3] = PANELDEBUG_CLK_DUTY_CH1_IND;
  } else {
    indicators[0] = PANELDEBUG_DATA_THRESH_CH2_P_IND;
    indicators[2] = PANELDEBUG_DATA_THRESH_CH2_N_IND;
    indicators[3] = PANELDEBUG_CLK_DUTY_CH2_IND;
  }
  indicators[dac_channel(delay)] =
      ch == 1 ? PANELDEBUG_SAMP_DLY_CH1_IND : PANELDEBUG_SAMP_DLY_CH2_IND;

  bool acknowledged = false;
  const DACSet set = mcp4728_dac_read(dev, &acknowledged);
  if (!acknowledged) {
    const std::string line = kd71::c_locale::format(
        "Read Ch%d DAC: the DAC at 0x%02X did not answer; codes not updated\n", ch,
        kDacBaseAddress + dev);
    SetCtrlVal(panel, PANELDEBUG_DEBUG_OUTPUT, line.c_str());
    return 0;
  }
  for (int i = 0; i < 4; ++i) SetCtrlVal(panel, indicators[i], dac_register_code(set.reg[2 * i]));
  return 0;
}

int UsbReset(int /*panel*/, int /*control*/, int event, void* /*callbackData*/, int /*eventData1*/,
             int /*eventData2*/) {
  if (event != EVENT_COMMIT) return 0;
  close();
  mark_link_disconnected();
  return 0;
}

int CBdebugTimer(int panel, int control, int event, void* /*callbackData*/, int /*eventData1*/,
                 int /*eventData2*/) {
  (void)control;
  if (event != EVENT_TIMER_TICK) return 0;
  int read_back = 0;
  GetCtrlVal(panel, PANELDEBUG_CHECKBOX_GP_IO, &read_back);  // the tick itself does the read-back
  return 0;
}

void debug_panel_reset() {
  debugPanelHandle = 0;
  debugPanelOpen = 0;
  scopePanelHandle = 0;
  scopePanelOpen = 0;
}
