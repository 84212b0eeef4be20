// The receive queue of one open bridge. libftdi has no query for the number
// of bytes waiting, so the queue is filled by short reads of what the chip
// has already sent, and FT_GetStatus reports its size. FT_Read takes from it
// first, in order, then waits a bounded time for the rest; FT_Purge empties
// it and reads away the pin samples still in flight.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace kd71::ftdi {

// Reads up to `size` bytes the chip has sent into `data`: the count (0 when
// nothing is there) or libftdi's negative code.
using ChipRead = std::function<int(std::uint8_t* data, int size)>;

// Far more than any reply; a chip left sampling pins cannot grow it further.
inline constexpr std::size_t kReadAheadCapacity = 64 * 1024;
// How long FT_Read waits for bytes that have not arrived yet. A reply is
// complete within a few latency periods; a missing one costs this much.
inline constexpr double kReadTimeoutSeconds = 0.050;
// The pause between two reads that found nothing, so a chip answering at
// once never makes the wait spin.
inline constexpr double kIdleReadSeconds = 0.001;
// The most reads a purge spends on bytes still arriving: each read takes
// one latency period, and the chip sends an empty one as soon as the flush
// left nothing in flight.
inline constexpr int kMaxDrainReads = 16;

class ReadAhead {
 public:
  explicit ReadAhead(std::size_t capacity = kReadAheadCapacity);

  std::size_t waiting() const { return bytes_.size(); }

  // One read of what the chip has, kept in the queue; never more than the
  // queue has room for. 0, or libftdi's negative code.
  int top_up(const ChipRead& read);

  // Delivers `size` bytes in arrival order: those read ahead, then what the
  // chip sends until all arrived or `timeout` seconds passed. `*got` is the
  // count delivered, also when a read failed. 0, or libftdi's negative code.
  int read(std::uint8_t* out, std::size_t size, std::size_t* got, const ChipRead& chip,
           double timeout = kReadTimeoutSeconds);

  // Forgets the queue and reads away whatever the chip still delivers.
  // 0, or libftdi's negative code.
  int drain(const ChipRead& chip);

  void clear() { bytes_.clear(); }

 private:
  std::deque<std::uint8_t> bytes_;
  std::size_t capacity_;
  std::vector<std::uint8_t> scratch_;
};

}  // namespace kd71::ftdi
