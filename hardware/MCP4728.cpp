// MCP4728 quad DAC driver and the map of logical DAC positions.
//
// Codes are 12 bits on a 3.3 V scale. A fast write is a multi-write of the
// DAC register only; a normal write is a single write of the DAC register and
// its EEPROM, which the part needs up to 50 ms to program, hence the pause.
// The update bit of the command is 0, so the output changes at the stop.

#include "hardware/MCP4728.h"

#include <cstdio>

#include "hardware/debug_flags.h"
#include "hardware/i2c_comms.h"
#include "hardware/i2c_transactions.h"
#include "hardware/link_state.h"
#include "platform/os/c_locale.h"
#include "platform/ui_runtime/userint.h"

namespace {

constexpr int kDevice[kDacPositions] = {0, 0, 0, 0, 1, 1, 1, 1, 4, 4, 4, 4};
constexpr int kNoDevice = 0xFF;
constexpr unsigned char kMultiWrite = 0x40;         // DAC register only
constexpr unsigned char kSingleWriteEeprom = 0x58;  // DAC register and EEPROM
constexpr unsigned char kGainTimesTwo = 0x10;       // Vref 0, power-down 00, gain 1
constexpr double kEepromWait = 0.06;
constexpr int kReadBackBytes = 24;
constexpr double kSweepPause = 0.001;
constexpr double kSweepStep = 0.1;

unsigned char address_byte(int dev) { return i2c_address_byte(kDacBaseAddress + dev); }

// Reads `n` bytes from `dev`, every byte acknowledged; false when the
// device did not acknowledge its address (the bytes are then the idle bus's).
bool read_all(int dev, unsigned char* out, int n) {
  issue_i2c_start(usb_handle);
  const int acknowledged = tx_i2c_byte(usb_handle, address_byte(dev) | 1);
  for (int i = 0; i < n; ++i) out[i] = rx_i2c_byte(usb_handle, 2);
  issue_i2c_stop(usb_handle);
  return acknowledged == 1;
}

}  // namespace

int dac_register_code(const testDACReg& r) { return (r.config_code_hi & 0x0F) << 8 | r.code_lo; }

int dac_device(int position) {
  return position >= 0 && position < kDacPositions ? kDevice[position] : kNoDevice;
}

int sampling_delay_position(int channel) { return channel == 2 ? 1 : 5; }

int dac_channel(int position) {
  return position >= 0 && position < kDacPositions ? position % 4 : kNoDevice;
}

void dac_write(int position, float volts, int fast) {
  if (linkUp != 1) return;
  mcp4728_dac_write(dac_device(position), dac_channel(position), dac_code(volts), fast);
}

void mcp4728_dac_write(int dev, int channel, int code, int fast) {
  debug_print(debug_dac, "bit_load_dac(%d, %d [0x%04x])\n", channel, code, code);
  const unsigned char command =
      static_cast<unsigned char>((fast == 1 ? kMultiWrite : kSingleWriteEeprom) | (channel << 1));
  issue_i2c_start(usb_handle);
  tx_i2c_byte(usb_handle, address_byte(dev));
  tx_i2c_byte(usb_handle, command);
  tx_i2c_byte(usb_handle, static_cast<unsigned char>((code >> 8) | kGainTimesTwo));
  tx_i2c_byte(usb_handle, static_cast<unsigned char>(code & 0xFF));
  issue_i2c_stop(usb_handle);
  if (fast != 1) Delay(kEepromWait);
}

DACSet mcp4728_dac_read(int dev, bool* acknowledged) {
  debug_print(
      debug_dac,
      "sizeof(uint16_t): %d; sizeof(DACSet): %d; sizeof(testDACReg): %d, sizeof(testDACReg): %d\n",
      2, static_cast<int>(sizeof(DACSet)), static_cast<int>(sizeof(testDACReg)),
      static_cast<int>(sizeof(testDACReg)));
  debug_print(debug_dac, "---------DAC READ--------\n");
  debug_print(debug_dac, "i2c_slave_addr(%d,[0x%04x])\n", address_byte(dev), address_byte(dev));
  unsigned char bytes[kReadBackBytes];
  const bool answered = read_all(dev, bytes, kReadBackBytes);
  if (acknowledged) *acknowledged = answered;
  DACSet set;
  for (int i = 0; i < 8; ++i) set.reg[i] = {bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
  const char* names[] = {"dacAinputReg", "dacBinputReg", "dacCinputReg", "dacDinputReg"};
  for (int ch = 0; ch < 4; ++ch) {
    const testDACReg& r = set.reg[2 * ch];
    debug_print(debug_dac, "%s: %4X\n", names[ch], dac_register_code(r));
  }
  for (unsigned char b : bytes) debug_print(debug_dac, "%02X ", b);
  debug_print(debug_dac, "\n");
  return set;
}

void mcp4728_dac_dump() {
  unsigned char bytes[2 * kReadBackBytes];
  read_all(0, bytes, kReadBackBytes);
  read_all(0, bytes + kReadBackBytes, kReadBackBytes);
  for (int i = 0; i < 8; ++i) {
    std::printf("DAC R: %d-%02X %02X %02X\n", i, bytes[6 * i], bytes[6 * i + 1], bytes[6 * i + 2]);
    std::printf("DAC E: %d-%02X %02X %02X\n", i, bytes[6 * i + 3], bytes[6 * i + 4],
                bytes[6 * i + 5]);
  }
  std::printf("\n");
}

int dac_sweep_pass(int position, bool print_volts) {
  int writes = 0;
  float volts = 0.0f;
  do {
    dac_write(position, volts, 0);
    ++writes;
    Delay(kSweepPause);
    if (print_volts) kd71::c_locale::print(stdout, "%f \n", volts);
    volts = static_cast<float>(volts + kSweepStep);
  } while (volts < kFullScaleVolts);
  return writes;
}

void dac_sweep() {
  for (int sweep = 0; sweep < kDacSweeps; ++sweep) dac_sweep_pass(kSweepPosition, true);
}

void InitThreshDAC(int position, float volts) { dac_write(position, volts, 1); }
