// Which expander pin drives what on the board, and the pin writes that use
// the map. The two DS4520 expanders are chip 6 (0x56) and chip 7 (0x57);
// each channel's pattern code is the low four pins of one chip, and its
// phase settings go to the clock/data path's two phase chips: the 9340 (two
// bits) and the 9372 (one bit).
#pragma once

#include "hardware/DS4520.h"

inline constexpr int kExpanderPins = 9;  // pins 0-8 of each chip

// The pattern code field: pins 0-3 of the channel's pattern chip.
inline constexpr int kPatternField = 0x0F;
// Pattern codes 0 to 8 are PRBS7 to PRBS31; this one switches the pattern off.
inline constexpr int kPatternShutOff = 99;

struct ExpanderPin {
  int chip;
  int pin;
};

struct ChannelPins {
  int pattern_chip;
  ExpanderPin manual_mode;
  ExpanderPin input_clock;
  ExpanderPin phase9340_bit0;
  ExpanderPin phase9340_bit1;
  ExpanderPin phase9372;
};

// The pins of channel 1 or 2.
const ChannelPins& channel_pins(int channel);

// Writes the channel's 9340 phase setting (bits 0 and 1), its 9372 phase
// setting (bit 0), or both in that order.
void write_phase9340(int channel, int setting);
void write_phase9372(int channel, int setting);
void write_phase_settings(int channel, int phase9340, int phase9372);
// The channel's phase settings as the expanders' pins read.
void read_phase_settings(int channel, int* phase9340, int* phase9372);
