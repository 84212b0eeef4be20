#include "app/bridge_choice.h"

#include "platform/bridge_backend.h"

bool install_bridge(const std::string& name, const std::string& /*i2c_trace*/) {
  (void)name;
  kd71::bridge::install(nullptr);
  return false;
}
