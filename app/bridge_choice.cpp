#include "app/bridge_choice.h"

#include <cstdio>
#include <cstdlib>

#include "platform/bridge/bridge_backend.h"
#include "platform/bridge/ftdi_backend.h"
#include "sim/scenario_file.h"
#include "sim/sim_board.h"

namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

bool read_bridge_scenario(BridgeChoice* choice, std::string* error) {
  if (choice->scenario_file.empty() || choice->scenario) return true;
  if (choice->backend != "sim") {
    if (error) *error = choice->scenario_file + ": a scenario file is for the simulated board only";
    return false;
  }
  auto scenario = std::make_shared<kd71::sim::Scenario>();
  if (!kd71::sim::read_scenario_file(choice->scenario_file, scenario.get(), error)) return false;
  choice->scenario = std::move(scenario);
  return true;
}

BridgeResult install_bridge(const BridgeChoice& given, std::string* error) {
  BridgeChoice choice = given;
  if (!read_bridge_scenario(&choice, error)) return BridgeResult::BadScenario;
  kd71::sim::Scenario scenario = choice.scenario ? *choice.scenario : kd71::sim::Scenario{};
  if (choice.backend == "sim") {
    // Of the board the program opens: with several, the one of --serial.
    scenario.i2c_trace_path = choice.i2c_trace;
    kd71::sim::install_simulated_board(scenario);
    return BridgeResult::Installed;
  }
  kd71::bridge::install(nullptr);
  if (choice.backend == "ftdi") {
    auto backend = kd71::ftdi::make_ftdi_backend();
    if (!backend) return BridgeResult::Unavailable;
    kd71::bridge::install(std::move(backend));
    return BridgeResult::Installed;
  }
  return BridgeResult::Unavailable;
}

bool install_bridge(const std::string& name, const std::string& i2c_trace) {
  return install_bridge(BridgeChoice{name, i2c_trace, "", nullptr}, nullptr) ==
         BridgeResult::Installed;
}

BridgeChoice bridge_choice_from_environment() {
  BridgeChoice choice;
  const std::string backend = environment("KD71_BRIDGE");
  if (!backend.empty()) choice.backend = backend;
  choice.scenario_file = environment("KD71_SIM_SCENARIO");
  return choice;
}

std::string bridge_from_environment() { return bridge_choice_from_environment().backend; }
