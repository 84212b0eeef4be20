#include "results/ratio_history.h"

namespace {

struct Ring {
  HistoryEntry entries[kHistoryCapacity];
  std::uint64_t added;  // entries ever added; the newest is at (added - 1) % capacity
  std::uint64_t samples;
};

// Static storage: the rings are never allocated, and their pages are taken
// from the system only as they fill.
Ring g_rings[2];

Ring* ring_of(int channel) {
  return channel == 1 || channel == 2 ? &g_rings[channel - 1] : nullptr;
}

void add(Ring& ring, const HistoryEntry& entry) {
  ring.entries[ring.added % kHistoryCapacity] = entry;
  ++ring.added;
}

}  // namespace

void history_note_sample(int channel, double time, double ratio, bool bound, bool in_sync) {
  Ring* ring = ring_of(channel);
  if (!ring) return;
  add(*ring, {time, static_cast<float>(ratio), HistoryKind::Sample, bound, in_sync});
  ++ring->samples;
}

void history_note_link(bool found, double time) {
  for (Ring& ring : g_rings)
    add(ring, {time, 0.0f, found ? HistoryKind::LinkFound : HistoryKind::LinkLost, false, false});
}

int history_size(int channel) {
  const Ring* ring = ring_of(channel);
  if (!ring) return 0;
  return ring->added < kHistoryCapacity ? static_cast<int>(ring->added) : kHistoryCapacity;
}

const HistoryEntry& history_entry(int channel, int index) {
  const Ring& ring = *ring_of(channel);
  const std::uint64_t oldest = ring.added - static_cast<std::uint64_t>(history_size(channel));
  return ring.entries[(oldest + static_cast<std::uint64_t>(index)) % kHistoryCapacity];
}

int history_first_from(int channel, double time) {
  // Entries are in time order: a binary search.
  int low = 0, high = history_size(channel);
  while (low < high) {
    const int mid = low + (high - low) / 2;
    if (history_entry(channel, mid).time < time)
      low = mid + 1;
    else
      high = mid;
  }
  return low;
}

std::uint64_t history_samples(int channel) {
  const Ring* ring = ring_of(channel);
  return ring ? ring->samples : 0;
}

void ratio_history_reset() {
  for (Ring& ring : g_rings) {
    ring.added = 0;
    ring.samples = 0;
  }
}
