// The error-ratio history of each channel for the strip chart: every new
// sample's ratio (the bound 1 / sample length when it had no errors) and
// pattern sync, and the moments the link was lost and found again, in a
// fixed ring per channel. The ring holds more than a day of samples at two
// a second; beyond that the oldest go. Memory stays the same however long
// the program runs, and noting a sample allocates nothing.
#pragma once

#include <cstdint>

enum class HistoryKind : std::uint8_t { Sample, LinkLost, LinkFound };

struct HistoryEntry {
  double time;  // clock seconds (Timer)
  float ratio;  // samples: the ratio the panel showed
  HistoryKind kind;
  bool bound;    // samples: no errors, the ratio is only the bound
  bool in_sync;  // samples: the pattern was in sync
};

inline constexpr int kHistoryCapacity = 1 << 18;

void history_note_sample(int channel, double time, double ratio, bool bound, bool in_sync);
// Noted in both channels.
void history_note_link(bool found, double time);

// Entries held, oldest first: index 0 .. history_size - 1.
int history_size(int channel);
const HistoryEntry& history_entry(int channel, int index);
// The index of the first entry at or after `time` (history_size when none).
int history_first_from(int channel, double time);
// Samples noted since the start (also those the ring has let go).
std::uint64_t history_samples(int channel);

void ratio_history_reset();
