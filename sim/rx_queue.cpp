#include "sim/rx_queue.h"

#include <algorithm>

#include "platform/os/clock.h"

namespace kd71::sim {

void RxQueue::push(const std::vector<std::uint8_t>& bytes, double due) {
  if (bytes.empty()) return;
  pending_.push_back({due, bytes});
  deliver();
}

void RxQueue::deliver() {
  const double now = kd71::clock::now();
  while (!pending_.empty() && pending_.front().due <= now) {
    arrived_.insert(arrived_.end(), pending_.front().bytes.begin(), pending_.front().bytes.end());
    pending_.pop_front();
  }
}

std::size_t RxQueue::available() {
  deliver();
  return arrived_.size();
}

std::size_t RxQueue::read(std::uint8_t* out, std::size_t size, double timeout) {
  deliver();
  const double deadline = kd71::clock::now() + timeout;
  while (arrived_.size() < size) {
    const double next = pending_.empty() ? deadline : std::min(deadline, pending_.front().due);
    kd71::clock::wait_until(next);
    deliver();
    if (next >= deadline) break;
  }
  const std::size_t n = std::min(size, arrived_.size());
  std::copy_n(arrived_.begin(), n, out);
  arrived_.erase(arrived_.begin(), arrived_.begin() + static_cast<std::ptrdiff_t>(n));
  return n;
}

void RxQueue::purge() {
  deliver();
  arrived_.clear();
}

void RxQueue::clear() {
  arrived_.clear();
  pending_.clear();
}

}  // namespace kd71::sim
