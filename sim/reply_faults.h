// Faults injected into the FPGA's replies on their way to the bridge: a
// reply that never comes, one cut short, one whose trailer is damaged.
#pragma once

#include <cstdint>
#include <vector>

namespace kd71::sim {

struct ReplyFault {
  enum class Kind { Drop, Cut, CorruptTrailer };
  Kind kind = Kind::Drop;
  int count = 1;          // replies it affects
  int request_type = -1;  // only replies to this poll type; -1 any
  int cut_to = 24;        // bus bytes left by a cut
};

struct ReplyFaultCounters {
  std::uint64_t dropped = 0;
  std::uint64_t cut = 0;
  std::uint64_t corrupted = 0;
};

class ReplyFaults {
 public:
  void add(const ReplyFault& fault);
  void clear() { faults_.clear(); }
  // Applies the oldest fault that matches `type` to a reply's bus bytes;
  // false when the reply is to be dropped.
  bool apply(int type, std::vector<std::uint8_t>& bus_bytes);
  const ReplyFaultCounters& counters() const { return counters_; }

 private:
  std::vector<ReplyFault> faults_;
  ReplyFaultCounters counters_;
};

}  // namespace kd71::sim
