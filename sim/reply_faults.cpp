#include "sim/reply_faults.h"

#include <algorithm>

namespace kd71::sim {
namespace {

// Flipping these bits of the last bus byte turns the trailer 0xAA into 0xA5.
constexpr std::uint8_t kTrailerDamage = 0xF0;

}  // namespace

void ReplyFaults::add(const ReplyFault& fault) {
  if (fault.count > 0) faults_.push_back(fault);
}

bool ReplyFaults::apply(int type, std::vector<std::uint8_t>& bus_bytes) {
  auto it = std::find_if(faults_.begin(), faults_.end(), [type](const ReplyFault& f) {
    return f.request_type < 0 || f.request_type == type;
  });
  if (it == faults_.end()) return true;
  const ReplyFault fault = *it;
  if (--it->count <= 0) faults_.erase(it);
  switch (fault.kind) {
    case ReplyFault::Kind::Drop:
      ++counters_.dropped;
      return false;
    case ReplyFault::Kind::Cut:
      ++counters_.cut;
      if (fault.cut_to >= 0 && static_cast<std::size_t>(fault.cut_to) < bus_bytes.size())
        bus_bytes.resize(static_cast<std::size_t>(fault.cut_to));
      return true;
    case ReplyFault::Kind::CorruptTrailer:
      ++counters_.corrupted;
      if (!bus_bytes.empty()) bus_bytes.back() ^= kTrailerDamage;
      return true;
  }
  return true;
}

}  // namespace kd71::sim
