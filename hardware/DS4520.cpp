// DS4520 I/O expander driver. There is no software copy of the outputs: every
// change reads the current pin levels from the chip and writes them back with
// the change applied. Writing 1 to a pin's bit in both the pull-up and the
// I/O control register makes the pin high (pull-up on, output released);
// writing 0 to both drives it low.

#include "hardware/DS4520.h"

#include <cstdio>

#include "hardware/debug_flags.h"
#include "hardware/i2c_comms.h"
#include "hardware/i2c_transactions.h"
#include "hardware/link_state.h"
#include "platform/ui_runtime/userint.h"

namespace {

constexpr unsigned char kPullUpLow = 0xF0;   // pull-up enable, pins 0-7
constexpr unsigned char kPullUpHigh = 0xF1;  // pull-up enable, pin 8 (bit 0)
constexpr unsigned char kIoControlLow = 0xF2;
constexpr unsigned char kIoControlHigh = 0xF3;
constexpr unsigned char kConfig = 0xF4;      // 0x00 EEPROM writing on, 0xFF off
constexpr unsigned char kStatusLow = 0xF8;   // pin levels, pins 0-7
constexpr unsigned char kStatusHigh = 0xF9;  // pin level, pin 8 (bit 0)
constexpr unsigned char kScratchFirst = 0xFA;
constexpr unsigned char kScratchPattern[] = {0x55, 0xAA, 0x33, 0xCC, 0x0F, 0xF0};
constexpr unsigned char kEepromOn = 0x00;
constexpr unsigned char kEepromOff = 0xFF;
constexpr int kHighPin = 8;
constexpr double kSettleWait = 0.02;
constexpr double kLedStepWait = 0.1;
constexpr int kLedTestPositions = 18;

unsigned char address_byte(int chip) { return i2c_address_byte(kExpanderBaseAddress + chip); }

// Reads one status register: the register pointer in one transaction, the
// byte in the next. `acked` tells whether the chip acknowledged both.
unsigned char read_status(int chip, unsigned char reg, bool* acked) {
  issue_i2c_start(usb_handle);
  int ack = tx_i2c_byte(usb_handle, address_byte(chip));
  ack &= tx_i2c_byte(usb_handle, reg);
  issue_i2c_stop(usb_handle);
  issue_i2c_start(usb_handle);
  ack &= tx_i2c_byte(usb_handle, address_byte(chip) | 1);
  const unsigned char value = rx_i2c_byte(usb_handle, 1);
  issue_i2c_stop(usb_handle);
  *acked = ack == 1;
  return value;
}

// Reads `n` bytes from the low status register on: the register pointer,
// then a repeated start; every byte but the last acknowledged. True when the
// chip acknowledged.
bool read_status_repeated_start(int chip, unsigned char* out, int n) {
  issue_i2c_start(usb_handle);
  int ack = tx_i2c_byte(usb_handle, address_byte(chip));
  ack &= tx_i2c_byte(usb_handle, kStatusLow);
  issue_i2c_start(usb_handle);
  ack &= tx_i2c_byte(usb_handle, address_byte(chip) | 1);
  for (int i = 0; i < n; ++i) out[i] = rx_i2c_byte(usb_handle, i == n - 1 ? 1 : 0);
  issue_i2c_stop(usb_handle);
  return ack == 1;
}

// The read of a pin change was not acknowledged: the pins stay as they are.
// With the link lost the link's own line has said why.
void report_write_skipped(int chip) {
  if (link_lost()) return;
  debug_print(debug_DS4520,
              "DS4520 chip %d (0x%02x) did not acknowledge the pin read: write skipped\n", chip,
              kExpanderBaseAddress + chip);
}

void print_read(const char* which, int value) {
  debug_print(debug_DS4520, "                                       data       data\n");
  debug_print(debug_DS4520, "READ current DS4520 register - %s        %d       0x%02x\n\n", which,
              value, value);
}

void print_write_low(int value) {
  debug_print(debug_DS4520, "                             \t       data       data\n");
  debug_print(debug_DS4520, "WRITE DS4520 register - iostatusL       %d       0x%02x\n\n\n\n\n",
              value, value);
}

void print_write_high(int value) {
  debug_print(debug_DS4520, "                             \t       data       data\n");
  debug_print(debug_DS4520, "WRITE DS4520 register - iostatusH       %d       0x%02x \n\n\n\n\n",
              value, value);
}

void write_pin(int chip, int ch_io, int data, bool pause) {
  const bool high = ch_io == kHighPin;
  debug_print(debug_DS4520, "START OF DS4520_IO_WRITE routine\n");
  debug_print(debug_DS4520, "                      \t\t\tch_io   data     data \n");
  debug_print(debug_DS4520, "bit_load_DS4520     \t\t\t%d         %d     0x%02x\n\n", ch_io, data,
              data);

  bool acked = false;
  const unsigned char cur = read_status(chip, high ? kStatusHigh : kStatusLow, &acked);
  if (!acked) {
    report_write_skipped(chip);
    return;
  }
  print_read(high ? "iostatusH" : "iostatusL", cur);

  // A pin number above 8 selects no bit: the pins are written back unchanged.
  unsigned char value;
  if (high)
    value = data == 1 ? (cur | 0x01) : (cur & 0xFE);
  else
    value = static_cast<unsigned char>(data == 1 ? (cur | (1u << ch_io)) : (cur & ~(1u << ch_io)));
  if (high)
    print_write_high(value);
  else
    print_write_low(value);

  i2c_write_register(address_byte(chip), high ? kPullUpHigh : kPullUpLow, value);
  if (pause) Delay(kSettleWait);
  i2c_write_register(address_byte(chip), high ? kIoControlHigh : kIoControlLow, value);
  if (pause) Delay(kSettleWait);
}

}  // namespace

void DS4520_IO_write(int chip, int ch_io, int data) { write_pin(chip, ch_io, data, true); }

void DS4520_IO_write_fast(int chip, int ch_io, int data) { write_pin(chip, ch_io, data, false); }

void DS4520_IOX_wr_multibit(int chip, int field_mask, int data) {
  debug_print(debug_DS4520, "START OF DS4520_IO_WRITE routine\n");
  debug_print(debug_DS4520, "                      \t\t\tfield_mask   data     data \n");
  debug_print(debug_DS4520, "bit_load_DS4520     \t\t\t%d         %d     0x%02x\n\n", field_mask,
              data, data);

  unsigned char cur = 0;
  if (!read_status_repeated_start(chip, &cur, 1)) {
    report_write_skipped(chip);
    return;
  }
  print_read("iostatusL", cur);
  // Only the field's own pins change: "Shut Off" (99) must not set the other
  // pins of the chip, which hold the other channel's clock divider and phases.
  const unsigned char value = static_cast<unsigned char>((data & field_mask) | (cur & ~field_mask));
  print_write_low(value);

  i2c_write_register(address_byte(chip), kPullUpLow, value);
  Delay(kSettleWait);
  i2c_write_register(address_byte(chip), kIoControlLow, value);
  Delay(kSettleWait);
}

unsigned short DS4520_IO_read(int chip) {
  unsigned char bytes[2] = {};  // pins 0-7, then pin 8
  read_status_repeated_start(chip, bytes, 2);
  const unsigned short status = static_cast<unsigned short>((bytes[1] << 8) | bytes[0]);
  debug_print(debug_DS4520, "-----START OF DS4520_IO_Read routine----\n");
  debug_print(debug_DS4520, "                                       data       data\n");
  debug_print(debug_DS4520, "READ current DS4520 register - iostatus        %d       0x%04x\n\n\n",
              status, status);
  return status;
}

void DS4520_IO_ee_wr_on(int chip) { i2c_write_register(address_byte(chip), kConfig, kEepromOn); }

void DS4520_IO_ee_wr_off(int chip) { i2c_write_register(address_byte(chip), kConfig, kEepromOff); }

void DS4520_IO_dump() {
  for (int chip : {kExpander56, kExpander57}) {
    const unsigned char addr = address_byte(chip);
    for (int i = 0; i < 6; ++i) i2c_write_register(addr, kScratchFirst + i, kScratchPattern[i]);

    issue_i2c_start(usb_handle);
    tx_i2c_byte(usb_handle, addr);
    for (int i = 0; i < 6; ++i) {
      const unsigned char reg = kScratchFirst + i;
      tx_i2c_byte(usb_handle, reg);
      issue_i2c_start(usb_handle);
      tx_i2c_byte(usb_handle, addr | 1);
      const unsigned char value = rx_i2c_byte(usb_handle, 1);
      issue_i2c_stop(usb_handle);
      std::printf("4520 RAM byte, chip@%02X: addr %02X: %02X\n", addr, reg, value);
      issue_i2c_start(usb_handle);
      tx_i2c_byte(usb_handle, addr);
    }
    tx_i2c_byte(usb_handle, kStatusLow);
    issue_i2c_start(usb_handle);
    tx_i2c_byte(usb_handle, addr | 1);
    const unsigned char low = rx_i2c_byte(usb_handle, 0);
    const unsigned char high = rx_i2c_byte(usb_handle, 1);
    issue_i2c_stop(usb_handle);
    std::printf("4520 status, i2c_slave_addr %02X: %02X%02X\n", addr, high, low);
  }
  ledTest();
}

void ledTest() {
  for (int level : {1, 0}) {
    for (int i = 0; i < kLedTestPositions; ++i) {
      if (i < 8)
        DS4520_IO_write(kExpander56, i, level);
      else
        DS4520_IO_write(kExpander57, i - 8, level);
      Delay(kLedStepWait);
    }
  }
}
