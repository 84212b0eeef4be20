// The metrics page: the figures of the board and its channels in the
// Prometheus text format (version 0.0.4), as a lab's monitoring scrapes it.
//
// Each series carries the board's serial number (label `serial`), and per
// channel its number (`channel`, "1" or "2"):
//   kd71_link_up                     gauge, 1 while the board is connected
//   kd71_bit_rate_bits_per_second    gauge, the last sample's bit rate
//   kd71_errors_total, kd71_bits_total
//                                    counters, every new sample's errors and bits
//   kd71_error_ratio                 gauge, the last sample's ratio as the panel shows it
//   kd71_error_ratio_is_bound        gauge, 1 while that ratio is only the bound 1 / bits
//   kd71_pattern_sync                gauge, the last sample's pattern sync
//   kd71_error_free_seconds          gauge, the current error-free stretch
//   kd71_timed_test_running          gauge, 1 while the channel's timed test adds samples
//   kd71_timed_test_ber_bound        gauge, the bound of the test's ratio (label
//                                    `confidence`, in percent), while or after a test ran
//   kd71_samples_missed_total        counter, samples the board published that no tick read
// The counters of every board met since the start stay on the page. A
// channel switched off ("Shut Off") has no gauges at all, and while no board
// is connected the last sample's gauges are absent too: a missing series
// is no figure, where a zero would read as one.
#pragma once

#include <string>
#include <vector>

namespace prometheus {
struct MetricFamily;
}

namespace kd71::metrics {

std::vector<prometheus::MetricFamily> collect_metrics();
// The page itself.
std::string metrics_page();

// The page's media type.
inline constexpr const char* kExpositionContentType = "text/plain; version=0.0.4; charset=utf-8";

}  // namespace kd71::metrics
