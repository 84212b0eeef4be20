// Each channel's controls on the main and the debug panel, in one table:
// every module that reads, sets, dims or shows a channel finds its controls
// here.
#pragma once

namespace kd71 {

struct ChannelControls {
  // ---- Main panel: the settings
  int pattern;           // data pattern ring
  int input_clock;       // input clock ring
  int manual_mode;       // "Manual Mode" check box
  int threshold;         // decision threshold slider, mV
  int delay;             // sampling-delay slider, V
  int delay_caption;     // the caption over the auto search
  int init;              // "Init"
  int auto_search;       // "Sampling Delay Auto Search"
  int auto_search_stop;  // its "Stop"
  // ---- Main panel: the timed test
  int test_toggle;    // "Total Error Count"
  int test_interval;  // its interval, s
  int total_errors;
  int total_ratio;
  int total_bound;  // "<" before the total ratio
  int elapsed;
  // ---- Main panel: the last sample
  int bit_rate;
  int bit_time;
  int errors;
  int ratio;
  int ratio_bound;  // "<" before the ratio
  int error_bar;
  int error_free;
  int error_free_caption;
  int ones;
  int no_error;  // no-error indicator
  // ---- Debug panel
  int state;
  int sync_led;
  int inverted_led;
  int seq_no;
  int fast_errors;
  int phase9340;
  int phase9372;
  int keep_phases;
};

// The controls of channel 1 or 2 (any other number gives channel 1's).
const ChannelControls& channel_controls(int channel);

// The channel (1 or 2) whose control `field` is `control`, or 0.
int channel_of(int control, int ChannelControls::*field);

}  // namespace kd71
