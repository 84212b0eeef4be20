// Register transactions built from the I2C master's start, byte and stop
// steps, shared by the expander and DAC drivers.
#pragma once

// Start, address byte, register, value, stop; true when every byte was
// acknowledged.
bool i2c_write_register(unsigned char address_byte, unsigned char reg, unsigned char value);
