#include "hardware/board_pins.h"

#include "hardware/DS4520.h"

namespace {

constexpr ChannelPins kChannelPins[2] = {
    {.pattern_chip = kExpander57,
     .manual_mode = {kExpander57, 4},
     .input_clock = {kExpander57, 5},
     .phase9340_bit0 = {kExpander57, 7},
     .phase9340_bit1 = {kExpander57, 8},
     .phase9372 = {kExpander56, 6}},
    {.pattern_chip = kExpander56,
     .manual_mode = {kExpander56, 8},
     .input_clock = {kExpander57, 6},
     .phase9340_bit0 = {kExpander56, 4},
     .phase9340_bit1 = {kExpander56, 5},
     .phase9372 = {kExpander56, 7}},
};

void write_pin(ExpanderPin p, int level) { DS4520_IO_write(p.chip, p.pin, level); }

int read_pin(ExpanderPin p) { return (DS4520_IO_read(p.chip) >> p.pin) & 1; }

}  // namespace

const ChannelPins& channel_pins(int channel) { return kChannelPins[channel == 2 ? 1 : 0]; }

void write_phase9340(int channel, int setting) {
  const ChannelPins& p = channel_pins(channel);
  write_pin(p.phase9340_bit0, setting & 1);
  write_pin(p.phase9340_bit1, (setting >> 1) & 1);
}

void write_phase9372(int channel, int setting) {
  write_pin(channel_pins(channel).phase9372, setting & 1);
}

void write_phase_settings(int channel, int phase9340, int phase9372) {
  write_phase9340(channel, phase9340);
  write_phase9372(channel, phase9372);
}

void read_phase_settings(int channel, int* phase9340, int* phase9372) {
  const ChannelPins& p = channel_pins(channel);
  *phase9340 = read_pin(p.phase9340_bit0) | read_pin(p.phase9340_bit1) << 1;
  *phase9372 = read_pin(p.phase9372);
}
