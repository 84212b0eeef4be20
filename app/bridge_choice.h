// Chooses the bridge backend: "sim" (the simulated board, optionally described
// by a scenario file) or "ftdi" (USB boards through libftdi1).
#pragma once

#include <memory>
#include <string>

namespace kd71::sim {
struct Scenario;
}

// What the program or the automation library runs on.
struct BridgeChoice {
  std::string backend = "ftdi";  // "sim" or "ftdi"
  std::string i2c_trace;         // for "sim": a VCD file to record the board's I2C lines into
  std::string scenario_file;     // for "sim": the simulated board's scenario file
  std::shared_ptr<const kd71::sim::Scenario> scenario;  // that file, once read
};

enum class BridgeResult {
  Installed,
  Unavailable,  // an unknown or unavailable backend: none is installed
  BadScenario,  // the scenario file is missing or wrong: nothing is installed
};

// Reads the choice's scenario file (when it names one) into `choice`, so
// that a wrong file can stop the program before it touches anything. False,
// with `error` naming the file, the line and what is wrong.
bool read_bridge_scenario(BridgeChoice* choice, std::string* error);

// Installs the backend, with the scenario read before or, when it was not,
// read now; nothing is installed when it is wrong.
BridgeResult install_bridge(const BridgeChoice& choice, std::string* error);

// Installs the named backend without a scenario file. Returns false for an
// unknown or unavailable backend (none is installed then).
bool install_bridge(const std::string& name, const std::string& i2c_trace = "");

// The automation library's choice: $KD71_BRIDGE ("sim" or "ftdi"; "ftdi" when
// unset or empty) and, for the simulated board, $KD71_SIM_SCENARIO.
BridgeChoice bridge_choice_from_environment();
// Just the backend of that choice.
std::string bridge_from_environment();
