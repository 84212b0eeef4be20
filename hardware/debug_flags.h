// The per-module diagnostic print switches. A module prints its diagnostic
// lines only while its flag equals 1; the debug panel's toggles set them.
#pragma once

extern unsigned char debug_main;
extern unsigned char debug_usb;  // USB link and packet transport
extern unsigned char debug_MCP4561;
extern unsigned char debug_dac;     // DAC driver
extern unsigned char debug_DS4520;  // expander driver
extern unsigned char debug_i2c;     // I2C master (prints to standard error)

// printf to standard output when `flag` equals 1.
void debug_print(unsigned char flag, const char* format, ...) __attribute__((format(printf, 2, 3)));

void debug_flags_reset();
