// The bit-banged I2C master on bridge bits 0 (SCL) and 1 (SDA). Lines are
// open-drain: pulled low by making the pin an output with latch 0, released
// by making it an input; every line change is one FT_SetBitMode and every
// sample one FT_GetBitMode.
#pragma once

#include "platform/bridge/ftd2xx.h"

inline constexpr unsigned char kSclBit = 0x01;
inline constexpr unsigned char kSdaBit = 0x02;
inline constexpr int kI2cAddresses = 128;  // 7-bit addresses

// Shadow of the bridge's direction mask (1 = output); 0xFC releases both lines.
extern unsigned char i2cDirMask;
// OR-ed into every byte written; only the direction mask decides the lines.
extern unsigned char i2cOutputBase;
// 1 from the start of a transaction to the end of its stop.
extern int i2cBusy;

int i2c_init(FT_HANDLE handle);
void issue_i2c_start(FT_HANDLE handle);
void issue_i2c_stop(FT_HANDLE handle);
// 1 when the byte was acknowledged (SDA sampled low in the ninth clock).
int tx_i2c_byte(FT_HANDLE handle, unsigned char byte);
// `last` = 1 answers the byte with no-acknowledge.
unsigned char rx_i2c_byte(FT_HANDLE handle, int last);
unsigned char wait_i2c_scl_high(FT_HANDLE handle);

// Whether the device at a 7-bit address left its address byte
// unacknowledged since the record was last cleared: the settings push tells
// the user which chips it did not reach.
bool i2c_unacknowledged(int address);
void i2c_forget_unacknowledged();

void i2c_reset();
