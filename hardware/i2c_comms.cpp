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
#include "hardware/link_state.h"
#include "platform/ui_runtime/userint.h"

namespace {

constexpr unsigned char kDirMaskAtRest = 0xFC;  // bits 2-7 outputs, both lines released
constexpr unsigned char kBothLines = kSclBit | kSdaBit;
constexpr int kBusFreeAttempts = 10;
constexpr int kBusFreeSamples = 3;
constexpr double kBusFreeWait = 0.001;

// Whether the byte being sent is the address byte after a START.
bool g_address_next = false;
// 7-bit addresses that did not acknowledge since they were last forgotten.
bool g_unacknowledged[kI2cAddresses];

void report(const char* line) {
  if (debug_i2c == 1) std::fprintf(stderr, "%s", line);
}

// Sends the shadow mask with `mask` as its new value.
void set_lines(FT_HANDLE handle, unsigned char mask, const char* failure = "USB ERROR.\n") {
  i2cDirMask = mask;
  if (link_call_failed("FT_SetBitMode", FT_SetBitMode, handle, i2cDirMask,
                       FT_BITMODE_ASYNC_BITBANG))
    report(failure);
}

// The four line states, as direction masks: a line whose bit is set is
// pulled low.
unsigned char lines_released() { return static_cast<unsigned char>(i2cDirMask & ~kBothLines); }
void release_both(FT_HANDLE h, const char* failure = "USB ERROR.\n") {
  set_lines(h, lines_released(), failure);
}
void scl_low_sda_released(FT_HANDLE h) { set_lines(h, lines_released() | kSclBit); }
void scl_released_sda_low(FT_HANDLE h) { set_lines(h, lines_released() | kSdaBit); }
void both_low(FT_HANDLE h) { set_lines(h, i2cDirMask | kBothLines); }

// One FT_Write of the output base with the given latch bits.
void write_latches(FT_HANDLE handle, unsigned char latches) {
  unsigned char byte = i2cOutputBase | latches;
  DWORD written = 0;
  if (link_call_failed("FT_Write", FT_Write, handle, &byte, DWORD{1}, &written))
    report("USB ERROR.\n");
}
void write_base(FT_HANDLE h) { write_latches(h, 0x00); }
void write_base_sda(FT_HANDLE h) { write_latches(h, kSdaBit); }
void write_base_scl(FT_HANDLE h) { write_latches(h, kSclBit); }

// Samples the pins; 0 when the sample fails. `sampled` tells whether the
// pins were read: a lost link answers nothing.
unsigned char sample(FT_HANDLE handle, const char* failure = "USB ERROR.\n",
                     bool* sampled = nullptr) {
  unsigned char pins = 0;
  const bool failed = link_call_failed("FT_GetBitMode", FT_GetBitMode, handle, &pins);
  if (sampled) *sampled = !failed && !link_lost();
  if (failed) {
    report(failure);
    return 0;
  }
  return pins;
}

// ---- Steps of a clock -------------------------------------------------------
// Each states the line state it starts from and the one it leaves.

// Any state -> SCL low, SDA low.
void hold_both_low(FT_HANDLE h) {
  write_base(h);
  both_low(h);
}

// SCL low -> SCL low, SDA released.
void release_sda_scl_low(FT_HANDLE h) {
  write_base_sda(h);
  scl_low_sda_released(h);
}

// SCL low, SDA released -> both released (SCL rises), then samples the pins
// while SCL is high.
unsigned char raise_scl_and_sample(FT_HANDLE h, bool* sampled = nullptr) {
  release_both(h);
  return sample(h, "USB ERROR.\n", sampled);
}

// ---- Clocked bits -----------------------------------------------------------

// Sends a 0: SDA goes low while SCL is low, then SCL pulses.
// SCL low -> SCL low, SDA low.
void clock_out_zero(FT_HANDLE h) {
  hold_both_low(h);
  scl_released_sda_low(h);  // SCL rises: the slave reads 0
  sample(h);                // not looked at; the bit's high phase
  hold_both_low(h);
}

// Sends a 1, and the no-acknowledge after a read's last byte: SDA is
// released while SCL is low, then SCL pulses.
// SCL low -> SCL low, SDA released.
void clock_out_one(FT_HANDLE h) {
  release_sda_scl_low(h);
  raise_scl_and_sample(h);  // the slave reads 1; the sample is not looked at
  release_sda_scl_low(h);
}

// Receives a bit: the slave drives SDA while SCL is high.
// SCL low, SDA released -> the same.
int clock_in(FT_HANDLE h) {
  const int bit = (raise_scl_and_sample(h) & kSdaBit) ? 1 : 0;
  release_sda_scl_low(h);
  return bit;
}

}  // namespace

unsigned char i2cDirMask = kDirMaskAtRest;
unsigned char i2cOutputBase = 0x00;
int i2cBusy = 0;

int i2c_init(FT_HANDLE handle) {
  unsigned char pins = 0;
  if (link_call_failed("FT_GetBitMode", FT_GetBitMode, handle, &pins))
    report("Unable to get bit mode\n");
  if (link_call_failed("FT_SetBitMode", FT_SetBitMode, handle,
                       static_cast<UCHAR>((pins & kSdaBit) | i2cOutputBase),
                       FT_BITMODE_ASYNC_BITBANG))
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
    if (link_lost()) break;  // no bus to wait for
    if (attempt < kBusFreeSamples)
      pins = sample(handle, "Unable to get bit mode\n");
    else
      report("ERROR! - I2C bus seems to be busy or not connected \n");
    if ((pins & kBothLines) == kBothLines) break;
    Delay(kBusFreeWait);
  }

  // START: SDA falls while SCL is high, then SCL falls.
  // Both released -> SCL low, SDA low.
  write_base_scl(handle);
  scl_released_sda_low(handle);
  hold_both_low(handle);
  g_address_next = true;
}

void issue_i2c_stop(FT_HANDLE handle) {
  // STOP: SDA rises while SCL is high. SCL low -> both released.
  hold_both_low(handle);
  scl_released_sda_low(handle);
  release_both(handle);
  i2cBusy = 0;
}

int tx_i2c_byte(FT_HANDLE handle, unsigned char byte) {
  // SCL low on entry and between bits.
  for (int bit = 7; bit >= 0; --bit) {
    if ((byte >> bit) & 1)
      clock_out_one(handle);
    else
      clock_out_zero(handle);
  }
  // Acknowledge clock: the slave holds SDA low while SCL is high.
  // SCL low -> SCL low, SDA released.
  bool sampled = false;
  const unsigned char pins = raise_scl_and_sample(handle, &sampled);
  if (pins & kSdaBit) {
    report("ERROR! - I2C ack not returned.\n");
    report("USB ERROR.\n");
  }
  release_sda_scl_low(handle);
  const bool acked = sampled && !(pins & kSdaBit);
  if (g_address_next && !acked) g_unacknowledged[byte >> 1] = true;
  g_address_next = false;
  return acked ? 1 : 0;
}

unsigned char rx_i2c_byte(FT_HANDLE handle, int last) {
  // SCL low, SDA released on entry and between bits.
  unsigned char value = 0;
  for (int i = 0; i < 8; ++i) value = static_cast<unsigned char>((value << 1) | clock_in(handle));
  if (last == 1) {
    clock_out_one(handle);  // no-acknowledge: SDA stays released through the ninth clock
  } else {
    clock_out_zero(handle);        // acknowledge
    scl_low_sda_released(handle);  // SDA free for the slave's next byte
  }
  return value;
}

unsigned char wait_i2c_scl_high(FT_HANDLE handle) {
  unsigned char pins = 0;
  if (FT_GetBitMode(handle, &pins) != FT_OK) return 0;
  return pins;
}

bool i2c_unacknowledged(int address) {
  return address >= 0 && address < kI2cAddresses && g_unacknowledged[address];
}

void i2c_forget_unacknowledged() {
  for (bool& a : g_unacknowledged) a = false;
}

void i2c_reset() {
  i2cDirMask = kDirMaskAtRest;
  i2cOutputBase = 0x00;
  i2cBusy = 0;
  g_address_next = false;
  i2c_forget_unacknowledged();
}
