// Driver of the two DS4520 nine-bit I/O expanders (chip 6 at 0x56, chip 7 at
// 0x57) that select each channel's pattern, manual mode and phase settings.
#pragma once

// The 7-bit I2C address of expander `chip` is this plus the chip number.
inline constexpr int kExpanderBaseAddress = 0x50;
inline constexpr int kExpander56 = 6;
inline constexpr int kExpander57 = 7;

// Pin and field writes read the chip's pin levels and write them back with
// the change. A chip that does not acknowledge that read keeps its pins: the
// write is skipped (a line under debug_DS4520), since building it on the
// 0xFF that an unanswered read gives would raise every other pin.
void DS4520_IO_write(int chip, int ch_io, int data);
void DS4520_IO_write_fast(int chip, int ch_io, int data);
void DS4520_IOX_wr_multibit(int chip, int field_mask, int data);
// Pins 0-7 in the low byte, pin 8 in bit 8.
unsigned short DS4520_IO_read(int chip);
void DS4520_IO_ee_wr_on(int chip);
void DS4520_IO_ee_wr_off(int chip);
void DS4520_IO_dump();
void ledTest();
