// Channel configuration: turning the main panel's pattern, input-clock and
// manual-mode settings into expander pins and FPGA register writes.
#pragma once

// Per channel (index 1 and 2) configuration state.
struct ChannelConfig {
  int clockConfig;  // bits 4-5: input clock mode sent to register 3/11
  int phase9340;    // automatic settings read back from the board
  int phase9372;
  int delayCode;             // 12-bit sampling-delay code
  unsigned char cleanExit;   // no errors when manual mode was last switched off
  unsigned char keepPhases;  // the debug panel keeps the phase settings
};

extern ChannelConfig channelConfig[3];
// Automatic sample size for the channel initialisation (debug panel option).
extern int autoSampleSize;

// Bits 4-5 of the clock configuration word for an input-clock ring value.
int input_clock_bits(int ring_value);
// Puts the channel's input-clock mode into its clock configuration word and
// sends it to FPGA register 3 (channel 1) or 11 (channel 2).
void send_input_clock(int channel, int ring_value);

int general_purpose_IO(int panel, int control, int event, void* callbackData, int eventData1,
                       int eventData2);
// Reads the board's automatic settings of a channel: phases and delay code.
void UpdateManualMode(int channel);
int LoadFlags(int panel, int control, int event, void* callbackData, int eventData1,
              int eventData2);
void ConfigChannel(int index);

void channel_config_reset();
