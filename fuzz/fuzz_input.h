// The fuzzer's bytes taken apart into the values a target sets up: numbers
// from the front, the rest as the payload. Past the end every value reads 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kd71::fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  template <typename T>
  T take() {
    T value{};
    const std::size_t n = sizeof(T) < left() ? sizeof(T) : left();
    if (n > 0) std::memcpy(&value, data_ + pos_, n);
    pos_ += n;
    return value;
  }
  // A byte-sized choice among `count` possibilities.
  int choose(int count) { return count > 0 ? take<std::uint8_t>() % count : 0; }
  // Up to `n` bytes.
  std::string_view bytes(std::size_t n) {
    const std::size_t k = n < left() ? n : left();
    std::string_view out(reinterpret_cast<const char*>(data_ + pos_), k);
    pos_ += k;
    return out;
  }
  std::string_view rest() { return bytes(left()); }
  std::size_t left() const { return size_ - pos_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Sends the program's console lines to /dev/null: the targets drive code
// that reports on standard output, and the fuzzer's own report goes to
// standard error.
void silence_console();

// Stops the run with a finding: prints `what` and aborts, which the fuzzer
// records as a crash with the input that caused it.
[[noreturn]] void finding(const char* what);

}  // namespace kd71::fuzz
