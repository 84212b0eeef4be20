#include "app/apply_settings.h"

#include <cstdio>
#include <string>

#include "app/analog_controls.h"
#include "app/channel_config.h"
#include "app/panel_handles.h"
#include "app/saved_settings.h"
#include "hardware/DS4520.h"
#include "hardware/MCP4728.h"
#include "hardware/i2c_comms.h"
#include "hardware/lowlevel_link.h"
#include "ui/main_uir.h"

namespace {

constexpr double kStepPause = 0.02;
constexpr float kMidScale = static_cast<float>(kMidScaleVolts);

constexpr int kNeedABoard[] = {
    PANELMAIN_RING_IN_CLK_CH1,
    PANELMAIN_DATA_SELECT_CH1,
    PANELMAIN_ERROR_COUNT_CH1,
    PANELMAIN_ERROR_FREE_CH1,
    PANELMAIN_ONES_CNT_CH1,
    PANELMAIN_ERROR_RATIO_CH1,
    PANELMAIN_CLOCK_FREQUENCY_CH1,
    PANELMAIN_BIT_TIME_CH1,
    PANELMAIN_TOT_ERROR_COUNT_CH1,
    PANELMAIN_TOT_ERROR_RATIO_CH1,
    PANELMAIN_TEST_INTERVAL_CH1,
    PANELMAIN_CH1_SAMPDEL,
    PANELMAIN_CH1_AUTOSEARCH,
    PANELMAIN_CKBX_MANUAL_MD_CH1,
    PANELMAIN_CH1_THRES,
    PANELMAIN_INIT_CH1,
    PANELMAIN_NO_ERR_IND_CH1,
    PANELMAIN_TEXTMSG_CH1_GBPS,
    PANELMAIN_TEXTMSG_MV_CH1,
    PANELMAIN_RING_IN_CLK_CH2,
    PANELMAIN_DATA_SELECT_CH2,
    PANELMAIN_ERROR_COUNT_CH2,
    PANELMAIN_TOT_ERROR_COUNT_CH2,
    PANELMAIN_ERROR_FREE_CH2,
    PANELMAIN_ONES_CNT_CH2,
    PANELMAIN_ERROR_RATIO_CH2,
    PANELMAIN_CLOCK_FREQUENCY_CH2,
    PANELMAIN_BIT_TIME_CH2,
    PANELMAIN_TOT_ERROR_RATIO_CH2,
    PANELMAIN_TEST_INTERVAL_CH2,
    PANELMAIN_CH2_SAMPDEL,
    PANELMAIN_CH2_AUTOSEARCH,
    PANELMAIN_CH2_AUTOSEARCH_STOP,
    PANELMAIN_CH1_AUTOSEARCH_STOP,
    PANELMAIN_CKBX_MANUAL_MD_CH2,
    PANELMAIN_CH2_THRES,
    PANELMAIN_INIT_CH2,
    PANELMAIN_NO_ERR_IND_CH2,
    PANELMAIN_TEXTMSG_CH2_GBPS,
    PANELMAIN_TEXTMSG_MV_CH2,
    PANELMAIN_COM_TOT_ERR_CNT_CH1,
    PANELMAIN_COM_TOT_ERR_CNT_CH2,
    PANELMAIN_ELAPSED_TIME_CH1,
    PANELMAIN_ELAPSED_TIME_CH2,
    PANELMAIN_ERROR_HIST_BAR_CH1,
    PANELMAIN_ERROR_HIST_BAR_CH2,
    PANELMAIN_TEXTMSG_SDAS_CH1,
    PANELMAIN_TEXTMSG_SDAS_CH2,
    PANELMAIN_TEXTMSG_17,
    PANELMAIN_TEXTMSG_16,
    PANELMAIN_DEVICE_SN,
    PANELMAIN_FIRMWARE_VER_NO,
};
static_assert(sizeof kNeedABoard / sizeof kNeedABoard[0] == 52);

void apply(int control) { general_purpose_IO(panelHandle, control, EVENT_COMMIT, nullptr, 0, 0); }

void slider_changed(int control) { CB_DAC(panelHandle, control, EVENT_VAL_CHANGED, nullptr, 0, 0); }

void dim(int control, int dimmed) { SetCtrlAttribute(panelHandle, control, ATTR_DIMMED, dimmed); }

// Manual mode: the user's sampling delay goes to the board and the auto
// search is offered; automatic mode: the board chooses and "Init" is offered.
void apply_mode(int manual, int sampdel, int checkbox, int autosearch, int stop, int init) {
  if (manual == 1) {
    slider_changed(sampdel);
    dim(autosearch, 0);
    dim(stop, 0);
    dim(init, 1);
  } else {
    apply(checkbox);
    dim(autosearch, 1);
    dim(stop, 1);
    dim(init, 0);
  }
}

constexpr int kDevicesPerKind = 8;  // three address bits per chip kind

std::string i2c_device_name(int address) {
  const char* kind = "I2C device";
  if (address >= kExpanderBaseAddress && address < kExpanderBaseAddress + kDevicesPerKind)
    kind = "expander";
  else if (address >= kDacBaseAddress && address < kDacBaseAddress + kDevicesPerKind)
    kind = "DAC";
  char text[32];
  std::snprintf(text, sizeof text, "%s 0x%02x", kind, address);
  return text;
}

// The chips that did not acknowledge during the push keep what they had:
// the board is not configured as the panel shows, and the user is told so.
// Without an open link (or with one lost meanwhile, to be opened and pushed
// again) there was no board to answer.
void report_unacknowledged() {
  if (prevLinkState != 1 || link_lost()) return;
  std::string names;
  for (int address = 0; address < kI2cAddresses; ++address) {
    if (!i2c_unacknowledged(address)) continue;
    if (!names.empty()) names += ", ";
    names += i2c_device_name(address);
  }
  if (names.empty()) return;
  std::printf("board settings incomplete: no acknowledge from %s\n", names.c_str());
  std::fflush(stdout);
}

}  // namespace

int LoadSettingsIntoHardware() {
  i2c_forget_unacknowledged();
  apply(PANELMAIN_DATA_SELECT_CH1);
  Delay(kStepPause);
  apply(PANELMAIN_DATA_SELECT_CH2);
  Delay(kStepPause);
  int clock_mode = 0;
  GetCtrlVal(panelHandle, PANELMAIN_RING_IN_CLK_CH1, &clock_mode);
  send_input_clock(1, clock_mode);
  Delay(kStepPause);
  apply(PANELMAIN_RING_IN_CLK_CH2);
  Delay(kStepPause);

  dac_write(kMidScalePositionB, kMidScale, 0);
  dac_write(kMidScalePositionA, kMidScale, 0);

  // A flag left by a channel initialisation must not swallow the threshold
  // that a reconnection re-sends to the board.
  suppressNextChange = 0;
  slider_changed(PANELMAIN_CH1_THRES);
  slider_changed(PANELMAIN_CH2_THRES);

  if (debugPanelOpen)
    SetCtrlVal(debugPanelHandle, PANELDEBUG_DEBUG_OUTPUT, "USB came on -- Initialized\n");
  SetAllAttribsMain(0);

  apply_mode(manual_mode_ch1, PANELMAIN_CH1_SAMPDEL, PANELMAIN_CKBX_MANUAL_MD_CH1,
             PANELMAIN_CH1_AUTOSEARCH, PANELMAIN_CH1_AUTOSEARCH_STOP, PANELMAIN_INIT_CH1);
  apply_mode(manual_mode_ch2, PANELMAIN_CH2_SAMPDEL, PANELMAIN_CKBX_MANUAL_MD_CH2,
             PANELMAIN_CH2_AUTOSEARCH, PANELMAIN_CH2_AUTOSEARCH_STOP, PANELMAIN_INIT_CH2);
  report_unacknowledged();
  return 0;
}

void SetAllAttribsMain(int dimmed) {
  for (int control : kNeedABoard) dim(control, dimmed);
}
