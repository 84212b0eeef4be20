#include "monitoring/sample_tally.h"

#include "app/measurement.h"
#include "app/panel_handles.h"
#include "app/statistics.h"
#include "hardware/board_pins.h"
#include "hardware/fpga_protocol.h"
#include "hardware/lowlevel_link.h"
#include "hardware/packet_codec.h"
#include "platform/ui_runtime/userint.h"
#include "ui/channel_controls.h"

namespace kd71::metrics {
namespace {

constexpr int kSequenceNumbers = 16;  // the routine packet's 4-bit sequence number
// Boards kept: a copy without a chosen board may meet a few in a day; the
// oldest are forgotten past this, so the page cannot grow without bound.
constexpr std::size_t kMaxBoards = 8;

std::vector<BoardTally> g_boards;

BoardTally& tally_of(const std::string& serial) {
  for (BoardTally& b : g_boards)
    if (b.serial == serial) return b;
  if (g_boards.size() >= kMaxBoards) g_boards.erase(g_boards.begin());
  g_boards.push_back({serial, {}});
  return g_boards.back();
}

// A gap of sequence numbers is counted only between two samples of one
// connection that no shut-off came between.
// A new connection starts with the pattern's alignment, as does a channel
// switched back on.
void forget_sequence(BoardTally& board) {
  for (ChannelTally& c : board.channels) {
    c.last_seq = -1;
    c.aligned = false;
  }
}

}  // namespace

bool channel_shut_off(int channel) {
  if (panelHandle <= 0) return false;
  unsigned pattern = 0;
  GetCtrlVal(panelHandle, kd71::channel_controls(channel).pattern, &pattern);
  return pattern == kPatternShutOff;
}

std::string metrics_serial() {
  const char* chosen = chosen_board_serial();
  return chosen[0] != '\0' ? chosen : deviceSerialNumber;
}

const std::vector<BoardTally>& board_tallies() {
  tally_of(metrics_serial());
  return g_boards;
}

const BoardTally& current_board_tally() { return tally_of(metrics_serial()); }

void tally_new_sample(int channel, const PacketRecord& r) {
  if (channel < 1 || channel > 2) return;
  ChannelTally& c = tally_of(metrics_serial()).channels[channel];
  const std::uint64_t length = channelStats[channel].sampleLength;
  const bool in_sync = (r.sync_flags & kPatternSyncFlag) != 0;
  // The sync flag tells the sample's end: its start was aligned only when
  // the one before it ended in sync.
  if (c.aligned && in_sync) {
    c.errors += static_cast<double>(r.error_count);
    c.bits += static_cast<double>(length);
  } else {
    c.aligning += 1.0;
  }
  c.aligned = in_sync;
  if (c.last_seq >= 0)
    c.missed += (r.seq_no - c.last_seq - 1 + 2 * kSequenceNumbers) % kSequenceNumbers;
  c.last_seq = r.seq_no;
  c.seen = true;
  c.bit_rate_bps = r.frequency * 1e6;
  c.ratio = sample_error_ratio(channel, r);
  c.ratio_is_bound = r.error_count == 0;
  c.sync = in_sync;
}

void tally_link_state(int connected, double /*noticed_at*/) {
  BoardTally& board = tally_of(metrics_serial());
  if (!connected) forget_sequence(board);
  for (int n = 1; n <= 2; ++n) {
    if (!channel_shut_off(n)) continue;
    board.channels[n].last_seq = -1;
    board.channels[n].aligned = false;
  }
}

void tally_link_opened() { forget_sequence(tally_of(metrics_serial())); }

void attach_metrics_to_measurement() {
  add_measurement_listener({.new_sample = tally_new_sample,
                            .link_state = tally_link_state,
                            .link_opened = tally_link_opened});
}

void sample_tally_reset() { g_boards.clear(); }

}  // namespace kd71::metrics
