#include "app/bridge_choice.h"

#include "platform/bridge_backend.h"
#include "platform/ftdi_backend.h"

bool install_bridge(const std::string& name, const std::string& /*i2c_trace*/) {
  kd71::bridge::install(nullptr);
  if (name == "ftdi") {
    auto backend = kd71::ftdi::make_ftdi_backend();
    if (!backend) return false;
    kd71::bridge::install(std::move(backend));
    return true;
  }
  return false;
}
