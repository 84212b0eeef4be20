#include "app/bridge_choice.h"

#include <cstdio>
#include <cstdlib>

#include "platform/bridge_backend.h"
#include "platform/ftdi_backend.h"
#include "sim/sim_board.h"

bool install_bridge(const std::string& name, const std::string& i2c_trace) {
  if (name == "sim") {
    kd71::sim::SimBoard* board = kd71::sim::install_simulated_board();
    std::string error;
    if (!i2c_trace.empty() && !board->start_i2c_trace(i2c_trace, &error))
      std::fprintf(stderr, "kd71: cannot record the I2C trace: %s\n", error.c_str());
    return true;
  }
  kd71::bridge::install(nullptr);
  if (name == "ftdi") {
    auto backend = kd71::ftdi::make_ftdi_backend();
    if (!backend) return false;
    kd71::bridge::install(std::move(backend));
    return true;
  }
  return false;
}

std::string bridge_from_environment() {
  const char* name = std::getenv("KD71_BRIDGE");
  return name && *name ? name : "ftdi";
}
