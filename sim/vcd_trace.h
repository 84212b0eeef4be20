// Records the board's I2C lines as a Value Change Dump file (signals SCL and
// SDA) that any waveform viewer opens. Time advances one step per bridge
// call, so every line change and every sample of the lines has its own step.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kd71::sim {

class VcdTrace {
 public:
  VcdTrace() = default;
  VcdTrace(const VcdTrace&) = delete;
  VcdTrace& operator=(const VcdTrace&) = delete;
  ~VcdTrace() { close(); }

  // Starts a trace in `path` with the lines' present levels; false (and
  // `error` set) when the file cannot be written.
  bool open(const std::string& path, bool scl, bool sda, std::string* error);
  void close();
  bool is_open() const { return file_ != nullptr; }

  // The lines at bridge call `step`; `sampled` marks a call that read them.
  void record(std::uint64_t step, bool scl, bool sda, bool sampled);

 private:
  std::FILE* file_ = nullptr;
  bool scl_ = true;
  bool sda_ = true;
  std::uint64_t last_step_ = 0;
};

}  // namespace kd71::sim
