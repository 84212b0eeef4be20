// Register transactions built from the I2C master's start, byte and stop
// steps, shared by the expander and DAC drivers.
#pragma once

// The address byte that opens a write to the device at 7-bit address
// `address`; a read sets its bit 0.
inline unsigned char i2c_address_byte(int address) {
  return static_cast<unsigned char>(address << 1);
}

// Start, address byte, register, value, stop; true when every byte was
// acknowledged.
bool i2c_write_register(unsigned char address_byte, unsigned char reg, unsigned char value);
