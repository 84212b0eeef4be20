#include "app/saved_settings.h"

float Ch1_SamplingDelay = 0.0f;
float Ch2_SamplingDelay = 0.0f;
float Ch1_Threshold = 0.0f;
float Ch2_Threshold = 0.0f;
int data_select_ch1 = 0;
int data_select_ch2 = 0;
int ring_in_clk_ch1 = 0;
int ring_in_clk_ch2 = 0;
int ringslide_9240phs_ch1 = 0;
int ringslide_9240phs_ch2 = 0;
int ringslide_9372phs_ch1 = 0;
int ringslide_9372phs_ch2 = 0;
int manual_mode_ch1 = 0;
int manual_mode_ch2 = 0;

void saved_settings_reset() {
  Ch1_SamplingDelay = Ch2_SamplingDelay = Ch1_Threshold = Ch2_Threshold = 0.0f;
  data_select_ch1 = data_select_ch2 = 0;
  ring_in_clk_ch1 = ring_in_clk_ch2 = 0;
  ringslide_9240phs_ch1 = ringslide_9240phs_ch2 = 0;
  ringslide_9372phs_ch1 = ringslide_9372phs_ch2 = 0;
  manual_mode_ch1 = manual_mode_ch2 = 0;
}

const SavedChannel& saved_channel(int channel) {
  static const SavedChannel kChannels[2] = {
      {&Ch1_SamplingDelay, &Ch1_Threshold, &data_select_ch1, &ring_in_clk_ch1,
       &ringslide_9240phs_ch1, &ringslide_9372phs_ch1, &manual_mode_ch1},
      {&Ch2_SamplingDelay, &Ch2_Threshold, &data_select_ch2, &ring_in_clk_ch2,
       &ringslide_9240phs_ch2, &ringslide_9372phs_ch2, &manual_mode_ch2},
  };
  return kChannels[channel == 2 ? 1 : 0];
}
