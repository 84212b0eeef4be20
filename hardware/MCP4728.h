// Driver of the MCP4728 quad 12-bit DACs (full scale 3.3 V) and the map of
// logical DAC positions.
#pragma once

#include "hardware/analog_scale.h"

struct testDACReg {
  unsigned char status;
  unsigned char config_code_hi;  // bits 7-4 configuration, 3-0 code bits 11-8
  unsigned char code_lo;         // code bits 7-0
};

// A device's 24-byte read-back: per channel A..D, the DAC register and its
// EEPROM copy.
struct DACSet {
  testDACReg reg[8];  // A, A EEPROM, B, B EEPROM, C, C EEPROM, D, D EEPROM
};

inline constexpr int kDacPositions = 12;
// The 7-bit I2C address of DAC device `dev` is this plus the device number.
inline constexpr int kDacBaseAddress = 0x60;

// The positions in use.
inline constexpr int kMidScalePositionA = 0;   // 1.65 V written at connect
inline constexpr int kMidScalePositionB = 4;   // 1.65 V written with position 0
inline constexpr int kSweepPosition = 6;       // dac_sweep
inline constexpr int kDebugSweepPosition = 7;  // the debug panel's DAC sweep
// The channel's sampling-delay position: 5 for channel 1, 1 for channel 2.
int sampling_delay_position(int channel);

// Device (0, 1 or 4) and channel (0 = A .. 3 = D) of a position; 0xFF for a
// position above 11.
int dac_device(int position);
int dac_channel(int position);

void dac_write(int position, float volts, int fast);
void mcp4728_dac_write(int dev, int channel, int code, int fast);
// Reads device `dev` back; `acknowledged`, when given, tells whether the
// device answered its address (otherwise the set holds no reading).
DACSet mcp4728_dac_read(int dev, bool* acknowledged = nullptr);
// The 12-bit code of a register entry.
int dac_register_code(const testDACReg& r);
void mcp4728_dac_dump();
// One sweep of `position` from 0 V upward in steps of 0.1 V (the voltage
// kept in single precision) while below 3.3 V: each value written with its
// EEPROM and followed by a 1 ms pause, and printed when `print_volts` is
// set. Returns the number of writes: 34, the last about 3.3 V (code 4095).
int dac_sweep_pass(int position, bool print_volts);
// kDacSweeps passes of position 6, printing each value.
inline constexpr int kDacSweeps = 1000;
void dac_sweep();
void InitThreshDAC(int position, float volts);
