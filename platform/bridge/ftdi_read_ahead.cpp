#include "platform/bridge/ftdi_read_ahead.h"

#include <algorithm>

#include "platform/os/clock.h"

namespace kd71::ftdi {
namespace {

// The most one read asks for: a few of the chip's 256-byte receive buffers.
constexpr std::size_t kChunkBytes = 4096;

int chunk(std::size_t wanted) { return static_cast<int>(std::min(wanted, kChunkBytes)); }

}  // namespace

ReadAhead::ReadAhead(std::size_t capacity) : capacity_(capacity), scratch_(kChunkBytes) {}

int ReadAhead::top_up(const ChipRead& read) {
  const std::size_t room = capacity_ - std::min(capacity_, bytes_.size());
  if (room == 0) return 0;
  const int n = read(scratch_.data(), chunk(room));
  if (n < 0) return n;
  bytes_.insert(bytes_.end(), scratch_.begin(), scratch_.begin() + n);
  return 0;
}

int ReadAhead::read(std::uint8_t* out, std::size_t size, std::size_t* got, const ChipRead& chip,
                    double timeout) {
  const std::size_t queued = std::min(size, bytes_.size());
  std::copy_n(bytes_.begin(), queued, out);
  bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(queued));
  *got = queued;

  // The rest goes straight into the caller's buffer: libftdi keeps whatever
  // a transfer brought beyond it for the next read, so nothing is lost.
  const double deadline = kd71::clock::now() + timeout;
  while (*got < size) {
    const int n = chip(out + *got, chunk(size - *got));
    if (n < 0) return n;
    *got += static_cast<std::size_t>(n);
    if (*got == size || kd71::clock::now() >= deadline) break;
    if (n == 0) kd71::clock::spend(kIdleReadSeconds);
  }
  return 0;
}

int ReadAhead::drain(const ChipRead& chip) {
  bytes_.clear();
  for (int i = 0; i < kMaxDrainReads; ++i) {
    const int n = chip(scratch_.data(), chunk(kChunkBytes));
    if (n <= 0) return n;
  }
  return 0;
}

}  // namespace kd71::ftdi
