// Bit-banged I2C master on the bridge's asynchronous bit-bang mode.
//
// Both lines are open-drain: a line is pulled low by making its pin an output
// (the latch holds 0) and released, to be pulled high by the bus resistor, by
// making it an input. So every line change is a change of the direction mask,
// one FT_SetBitMode each, and the data bytes written only ever set latches.
// There are no timed waits inside a bit: each USB transaction paces the clock.

#include "hardware/i2c_comms.h"

#include <cstdio>

#include "hardware/debug_flags.h"
#include "platform/userint.h"

namespace {

constexpr unsigned char kDirMaskAtRest = 0xFC;  // bits 2-7 outputs, both lines released
constexpr unsigned char kBothLines = kSclBit | kSdaBit;
constexpr int kBusFreeAttempts = 10;
constexpr int kBusFreeSamples = 3;
constexpr double kBusFreeWait = 0.001;

void report(const char* line) {
  if (debug_i2c == 1) std::fprintf(stderr, "%s", line);
}

// Sends the shadow mask with `mask` as its new value.
void set_lines(FT_HANDLE handle, unsigned char mask, const char* failure = "USB ERROR.\n") {
  i2cDirMask = mask;
  if (FT_SetBitMode(handle, i2cDirMask, FT_BITMODE_ASYNC_BITBANG) != FT_OK) report(failure);
}

void release_both(FT_HANDLE h, const char* failure = "USB ERROR.\n") {
  set_lines(h, i2cDirMask & 0xFC, failure);
}
void scl_low_sda_released(FT_HANDLE h) { set_lines(h, (i2cDirMask & 0xFC) | kSclBit); }
void scl_released_sda_low(FT_HANDLE h) { set_lines(h, (i2cDirMask & 0xFC) | kSdaBit); }
void both_low(FT_HANDLE h) { set_lines(h, i2cDirMask | kBothLines); }

// One FT_Write of the output base with the given latch bits.
void write_latches(FT_HANDLE handle, unsigned char latches) {
  unsigned char byte = i2cOutputBase | latches;
  DWORD written = 0;
  if (FT_Write(handle, &byte, 1, &written) != FT_OK) report("USB ERROR.\n");
}
void write_base(FT_HANDLE h) { write_latches(h, 0x00); }
void write_base_sda(FT_HANDLE h) { write_latches(h, kSdaBit); }
void write_base_scl(FT_HANDLE h) { write_latches(h, kSclBit); }

// Samples the pins; 0 when the sample fails.
unsigned char sample(FT_HANDLE handle, const char* failure = "USB ERROR.\n") {
  unsigned char pins = 0;
  if (FT_GetBitMode(handle, &pins) != FT_OK) {
    report(failure);
    return 0;
  }
  return pins;
}

}  // namespace

unsigned char i2cDirMask = kDirMaskAtRest;
unsigned char i2cOutputBase = 0x00;
int i2cBusy = 0;

int i2c_init(FT_HANDLE handle) {
  unsigned char pins = 0;
  if (FT_GetBitMode(handle, &pins) != FT_OK) report("Unable to get bit mode\n");
  if (FT_SetBitMode(handle, (pins & kSdaBit) | i2cOutputBase, FT_BITMODE_ASYNC_BITBANG) != FT_OK)
    report("Unable to set bit mode for FTDI\n");
  return 0;
}

void issue_i2c_start(FT_HANDLE handle) {
  i2cBusy = 1;
  release_both(handle, "Unable to set all ports as input\n");

  // Wait for a free bus (both lines high). Only the first samples look at the
  // lines; after them the start goes ahead anyway, about 10 ms later.
  unsigned char pins = 0;
  for (int attempt = 0; attempt < kBusFreeAttempts; ++attempt) {
    if (attempt < kBusFreeSamples)
      pins = sample(handle, "Unable to get bit mode\n");
    else
      report("ERROR! - I2C bus seems to be busy or not connected \n");
    if ((pins & kBothLines) == kBothLines) break;
    Delay(kBusFreeWait);
  }

  // START: SDA falls while SCL is high, then SCL falls.
  write_base_scl(handle);
  scl_released_sda_low(handle);
  write_base(handle);
  both_low(handle);
}

void issue_i2c_stop(FT_HANDLE handle) {
  // STOP: SDA rises while SCL is high.
  write_base(handle);
  both_low(handle);
  scl_released_sda_low(handle);
  release_both(handle);
  i2cBusy = 0;
}

void tx_i2c_byte(FT_HANDLE handle, unsigned char byte) {
  for (int bit = 7; bit >= 0; --bit) {
    if (((byte >> bit) & 1) == 0) {
      write_base(handle);
      both_low(handle);
      scl_released_sda_low(handle);
      sample(handle);
      write_base(handle);
      both_low(handle);
    } else {
      write_base_sda(handle);
      scl_low_sda_released(handle);
      release_both(handle);
      sample(handle);
      write_base_sda(handle);
      scl_low_sda_released(handle);
    }
  }
  // Acknowledge clock: the slave holds SDA low while SCL is high.
  release_both(handle);
  if (sample(handle) & kSdaBit) {
    report("ERROR! - I2C ack not returned.\n");
    report("USB ERROR.\n");
  }
  write_base_sda(handle);
  scl_low_sda_released(handle);
}

unsigned char rx_i2c_byte(FT_HANDLE handle, int last) {
  unsigned char value = 0;
  for (int i = 0; i < 8; ++i) {
    release_both(handle);  // SCL rises; the slave's bit is on SDA
    const int bit = (sample(handle) >> 1) & 1;
    write_base_sda(handle);
    scl_low_sda_released(handle);
    value = static_cast<unsigned char>((value << 1) | bit);
  }
  if (last == 1) {
    // No-acknowledge: SDA stays released through the ninth clock.
    write_base_sda(handle);
    scl_low_sda_released(handle);
    release_both(handle);
    sample(handle);
    write_base_sda(handle);
    scl_low_sda_released(handle);
  } else {
    write_base(handle);
    both_low(handle);
    scl_released_sda_low(handle);
    sample(handle);
    write_base(handle);
    both_low(handle);
    scl_low_sda_released(handle);
  }
  return value;
}

unsigned char wait_i2c_scl_high(FT_HANDLE handle) {
  unsigned char pins = 0;
  if (FT_GetBitMode(handle, &pins) != FT_OK) return 0;
  return pins;
}

void i2c_reset() {
  i2cDirMask = kDirMaskAtRest;
  i2cOutputBase = 0x00;
  i2cBusy = 0;
}
