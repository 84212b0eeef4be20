#include "app/calibration_controls.h"

#include "app/settings_file.h"
#include "ui/main_uir.h"

namespace {

const CalibrationControls kControls[2] = {
    {PANELMAIN_CH1_THRES, PANELMAIN_CH1_SAMPDEL, PANELMAIN_INIT_CH1, PANELMAIN_CH1_AUTOSEARCH,
     PANELMAIN_ERROR_COUNT_CH1, PANELMAIN_DATA_SELECT_CH1, &manual_mode_ch1},
    {PANELMAIN_CH2_THRES, PANELMAIN_CH2_SAMPDEL, PANELMAIN_INIT_CH2, PANELMAIN_CH2_AUTOSEARCH,
     PANELMAIN_ERROR_COUNT_CH2, PANELMAIN_DATA_SELECT_CH2, &manual_mode_ch2},
};

}  // namespace

const CalibrationControls& calibration_controls(int channel) {
  return kControls[channel == 2 ? 1 : 0];
}

int calibration_channel_of(int control, int CalibrationControls::*field) {
  for (int channel : {1, 2})
    if (calibration_controls(channel).*field == control) return channel;
  return 0;
}
