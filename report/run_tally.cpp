#include "report/run_tally.h"

#include <algorithm>
#include <cmath>

#include "app/measurement.h"
#include "app/statistics.h"
#include "hardware/fpga_protocol.h"
#include "hardware/packet_codec.h"
#include "platform/ui_runtime/userint.h"

namespace {

RunTally g_tally[3];
int g_seen_samples[3];  // the run's total samples at the last sample
int g_connected = 0;

void add_sample(RunTally& t, const PacketRecord& r, double seconds) {
  const double now = Timer();
  if (t.first_time < 0.0) t.first_time = now;
  t.last_time = now;
  ++t.samples;
  // The sequence number counts the board's samples modulo 16; after a new
  // connection it starts again, so only a gap between two of one link counts.
  if (t.last_seq >= 0) t.missed += static_cast<unsigned>((r.seq_no - t.last_seq + 15) % 16);
  t.last_seq = r.seq_no;
  const bool in_sync = (r.sync_flags & kPatternSyncFlag) != 0;
  if (t.in_sync && !in_sync) ++t.sync_losses;
  t.in_sync = in_sync;
  const auto count = static_cast<double>(r.error_count);
  t.sum += count;
  t.sum_squares += static_cast<long double>(count) * count;
  if (r.error_count == 0) {
    ++t.clean_samples;
    t.clean_s += seconds;
    t.longest_clean_samples = std::max(t.longest_clean_samples, t.clean_samples);
    t.longest_clean_s = std::max(t.longest_clean_s, t.clean_s);
    t.burst = 0;
    return;
  }
  ++t.errored;
  t.clean_samples = 0;
  t.clean_s = 0.0;
  if (t.burst++ == 0) ++t.bursts;
  t.longest_burst = std::max(t.longest_burst, t.burst);
}

void tally_sample(int n, const PacketRecord& r) {
  if (n < 1 || n > 2) return;
  const ChannelStats& s = channelStats[n];
  const int seen = g_seen_samples[n];
  g_seen_samples[n] = s.totalSamples;
  // A run's totals are cleared when it is switched on, and the sample it
  // starts on is not added, so each run's first added sample makes 1.
  if (s.totalSamples != seen + 1) return;  // not added to a run
  if (s.totalSamples == 1) g_tally[n] = RunTally{};
  // The time the sample's bits took: its length at the bit rate.
  const double seconds = r.frequency > 0
                             ? static_cast<double>(s.sampleLength) / (r.frequency * 1e6)
                             : 0.0;
  add_sample(g_tally[n], r, seconds);
}

void tally_link(int connected, double /*noticed_at*/) {
  if (connected == g_connected) return;
  g_connected = connected;
  for (int n = 1; n <= 2; ++n) {
    g_tally[n].last_seq = -1;
  }
}

}  // namespace

const RunTally& run_tally(int channel) { return g_tally[channel == 2 ? 2 : 1]; }

double dispersion_index(const RunTally& t) {
  if (t.samples == 0 || t.sum <= 0.0) return std::nan("");
  const long double n = static_cast<long double>(t.samples);
  const long double mean = t.sum / n;
  const long double variance = std::max(0.0L, t.sum_squares / n - mean * mean);
  return static_cast<double>(variance / mean);
}

void attach_run_tally_to_measurement() {
  add_measurement_listener({.new_sample = tally_sample, .link_state = tally_link});
}

void run_tally_reset() {
  for (RunTally& t : g_tally) t = RunTally{};
  for (int& s : g_seen_samples) s = 0;
  g_connected = 0;
}
