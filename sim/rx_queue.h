// The bridge's receive queue: reply bytes become readable when they have
// arrived (their due time on the shared clock), and a read of more bytes
// than are there waits for them, but never longer than its timeout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace kd71::sim {

class RxQueue {
 public:
  // `bytes` arrive at clock time `due`.
  void push(const std::vector<std::uint8_t>& bytes, double due);
  // Bytes readable now.
  std::size_t available();
  // Reads up to `size` bytes, waiting up to `timeout` seconds of the shared
  // clock for bytes still on their way; returns the number read.
  std::size_t read(std::uint8_t* out, std::size_t size, double timeout);
  // Drops the bytes that have arrived; bytes still on their way come later.
  void purge();
  void clear();

 private:
  struct Pending {
    double due;
    std::vector<std::uint8_t> bytes;
  };
  void deliver();

  std::deque<std::uint8_t> arrived_;
  std::deque<Pending> pending_;  // in order of arrival
};

}  // namespace kd71::sim
