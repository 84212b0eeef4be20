#include "hardware/debug_flags.h"

#include <cstdarg>
#include <cstdio>

#include "platform/os/c_locale.h"

unsigned char debug_main = 0;
unsigned char debug_usb = 0;
unsigned char debug_MCP4561 = 0;
unsigned char debug_dac = 0;
unsigned char debug_DS4520 = 0;
unsigned char debug_i2c = 0;

void debug_flags_reset() {
  debug_main = debug_usb = debug_MCP4561 = debug_dac = debug_DS4520 = debug_i2c = 0;
}

void debug_print(unsigned char flag, const char* format, ...) {
  if (flag != 1) return;
  va_list args;
  va_start(args, format);
  kd71::c_locale::vprint(stdout, format, args);
  va_end(args);
}
