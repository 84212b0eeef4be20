#include "sim/vcd_trace.h"

#include <cerrno>
#include <cstring>

#include "platform/os/c_locale.h"
#include "platform/os/link_rule.h"

namespace kd71::sim {
namespace {

constexpr char kSclId = '!';
constexpr char kSdaId = '"';

}  // namespace

bool VcdTrace::open(const std::string& path, bool scl, bool sda, std::string* error) {
  close();
  std::string target;
  if (!kd71::platform::writing_target(path, &target, error)) return false;
  file_ = std::fopen(target.c_str(), "w");
  if (!file_) {
    if (error) *error = "fopen(" + path + "): " + std::strerror(errno);
    return false;
  }
  scl_ = scl;
  sda_ = sda;
  last_step_ = 0;
  kd71::c_locale::print(file_,
                        "$version kd71 simulated board $end\n"
                        "$comment I2C lines of the board; one time step per bridge call $end\n"
                        "$timescale 1 us $end\n"
                        "$scope module board $end\n"
                        "$var wire 1 %c SCL $end\n"
                        "$var wire 1 %c SDA $end\n"
                        "$upscope $end\n"
                        "$enddefinitions $end\n"
                        "#0\n$dumpvars\n%d%c\n%d%c\n$end\n",
                        kSclId, kSdaId, scl ? 1 : 0, kSclId, sda ? 1 : 0, kSdaId);
  return true;
}

void VcdTrace::close() {
  if (!file_) return;
  kd71::c_locale::print(file_, "#%llu\n", static_cast<unsigned long long>(last_step_ + 1));
  std::fclose(file_);
  file_ = nullptr;
}

void VcdTrace::record(std::uint64_t step, bool scl, bool sda, bool sampled) {
  if (!file_) return;
  const bool changed = scl != scl_ || sda != sda_;
  if (!changed && !sampled) return;
  if (step != last_step_)
    kd71::c_locale::print(file_, "#%llu\n", static_cast<unsigned long long>(step));
  if (scl != scl_) kd71::c_locale::print(file_, "%d%c\n", scl ? 1 : 0, kSclId);
  if (sda != sda_) kd71::c_locale::print(file_, "%d%c\n", sda ? 1 : 0, kSdaId);
  scl_ = scl;
  sda_ = sda;
  last_step_ = step;
}

}  // namespace kd71::sim
