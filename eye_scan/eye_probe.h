// The points of a running scan: the waits the board needs after a change,
// the fast counts that make a point, the progress line, and the stop
// that ends a scan after the point under way. The grid's sweep sets the
// delay and threshold itself; the sweeps that place their points one at a
// time call probe_point, which sets each only when it changes.
#pragma once

#include <cstdint>
#include <string>

#include "eye_scan/eye_scan_types.h"

// After a delay step the FPGA's smooth path needs the settling time of an
// auto-search move; after a jump of up to half a bit period, as long as
// the auto search gives its centring.
inline constexpr double kStepSettle = 0.25;
inline constexpr double kJumpSettle = 2.0;
// After a threshold change the next fast count must lie wholly after it:
// the one under way when it came is not, the one after is.
inline constexpr double kThresholdSettle = 2.0 * kFastCountSeconds;

struct CountRule {
  int max_counts = 1;
  std::uint64_t enough_errors = 1;  // a point with this many errors is decided
};

enum class PointEnd { Counted, Stopped, Failed };

// The stop of the scan under way (cleared as a scan is queued), and
// whether it, or a stop signal, has come.
void set_scan_stop(bool stop);
bool scan_stopping();
// Lets `seconds` pass with input let through; ends early at a stop.
void scan_wait(double seconds);

// Fast counts of `channel` added to `p`, 20 ms apart, until it has seen
// the rule's errors (or a count at its top) or read its counts.
PointEnd count_point(int channel, const CountRule& rule, EyePoint& p, std::string* why);
void show_scan_progress(const EyeScanResult& r, const EyePoint& p);

// Before the first probe: the delay the channel holds.
void begin_probes(double delay_v);
// The point at `delay_v` and `threshold_mv`, counted by `rule` after the
// waits its changes need, added to the scan's points.
PointEnd probe_point(EyeScanResult& r, double delay_v, double threshold_mv, const CountRule& rule,
                     EyePoint* point, std::string* why);
