// The main-panel controls of each channel that the calibration routines
// read, move and dim.
#pragma once

struct CalibrationControls {
  int threshold;     // decision threshold slider, mV
  int delay;         // sampling-delay slider, V
  int init;          // "Init"
  int auto_search;   // "Sampling Delay Auto Search"
  int error_count;   // dimmed while the channel is initialised
  int data_select;   // data pattern ring
  int* manual_mode;  // the saved manual-mode setting
};

// The controls of channel 1 or 2.
const CalibrationControls& calibration_controls(int channel);
// The channel (1 or 2) whose control `control` is of the field `field` of
// the table (&CalibrationControls::init, ...), or 0.
int calibration_channel_of(int control, int CalibrationControls::*field);
