// What the lab's monitoring takes from the measurement cycle: per board
// (by serial number) and channel, the errors and bits of every new sample
// since the program started that was aligned to its pattern from start to
// end, the samples lost between two ticks, and the figures of the last
// sample. A sample that spans the pattern's alignment (the first after the
// board is configured, one out of sync, the first after sync returns)
// counts errors that are no link's: left out of the totals, it is counted
// apart, so that a restart or a replug raises no alarm. The totals only
// grow: an unplug, a board powered up afresh or a channel switched off
// stops them, never resets them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PacketRecord;

namespace kd71::metrics {

struct ChannelTally {
  double errors = 0.0;  // sum of the samples' error counts
  double bits = 0.0;    // sum of their sample lengths
  double missed = 0.0;  // samples the board published that no tick read
  double aligning = 0.0;  // samples left out of errors and bits: they spanned the alignment
  bool aligned = false;   // the last sample of this connection ended in sync
  // The last sample, as the panel shows it.
  bool seen = false;
  double bit_rate_bps = 0.0;
  double ratio = 0.0;
  bool ratio_is_bound = false;
  bool sync = false;
  int last_seq = -1;  // -1: no earlier sample of this connection to count gaps from
};

struct BoardTally {
  std::string serial;
  ChannelTally channels[3];  // 1 and 2
};

// The serial number the metrics carry: the chosen board's, else the one
// last opened, else "" (no board opened yet).
std::string metrics_serial();

// Every board seen since the program started, the current one included
// (created with zero totals when it has none yet).
const std::vector<BoardTally>& board_tallies();
const BoardTally& current_board_tally();

// True while channel `channel`'s pattern is "Shut Off": it is not measured.
bool channel_shut_off(int channel);

// The measurement listener's parts, and its registration.
void tally_new_sample(int channel, const PacketRecord& sample);
void tally_link_state(int connected, double noticed_at);
void tally_link_opened();
void attach_metrics_to_measurement();

void sample_tally_reset();

}  // namespace kd71::metrics
