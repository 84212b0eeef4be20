// Chooses the bridge backend: "sim" (the simulated board) or "ftdi" (USB
// boards through libftdi1).
#pragma once

#include <string>

// Installs the named backend. `i2c_trace`, for "sim", names a VCD file to
// record the board's I2C lines into. Returns false for an unknown or
// unavailable backend (none is installed then).
bool install_bridge(const std::string& name, const std::string& i2c_trace = "");

// The backend the automation library uses: $KD71_BRIDGE ("sim" or "ftdi"),
// "ftdi" when unset or empty.
std::string bridge_from_environment();
