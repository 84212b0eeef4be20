// The saved-settings record: the fourteen values of the settings file, named
// by its keys. The controls' callbacks keep it current; the settings file
// writes it at quit and fills it (and then the main panel) at start-up.
#pragma once

extern float Ch1_SamplingDelay;
extern float Ch2_SamplingDelay;
extern float Ch1_Threshold;
extern float Ch2_Threshold;
extern int data_select_ch1;
extern int data_select_ch2;
extern int ring_in_clk_ch1;
extern int ring_in_clk_ch2;
extern int ringslide_9240phs_ch1;  // the 9340 phase settings, under their file keys
extern int ringslide_9240phs_ch2;
extern int ringslide_9372phs_ch1;
extern int ringslide_9372phs_ch2;
extern int manual_mode_ch1;
extern int manual_mode_ch2;

// Every value back to 0.
void saved_settings_reset();

// One channel's values of the record.
struct SavedChannel {
  float* sampling_delay;
  float* threshold;
  int* data_select;
  int* ring_in_clk;
  int* phase9340;
  int* phase9372;
  int* manual_mode;
};
// The values of channel 1 or 2 (any other number gives channel 1's).
const SavedChannel& saved_channel(int channel);
