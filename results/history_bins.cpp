#include "results/history_bins.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "results/ratio_history.h"

HistoryBins bin_history(int channel, double from, double to, int bins) {
  HistoryBins h;
  if (bins < 1 || !(to > from)) return h;
  h.bins.resize(static_cast<std::size_t>(bins));
  const double slot = (to - from) / bins;
  bool in_sync = true;
  const int size = history_size(channel);
  const int first = history_first_from(channel, from);
  if (first > 0 && history_entry(channel, first - 1).kind == HistoryKind::Sample)
    in_sync = history_entry(channel, first - 1).in_sync;
  for (int i = first; i < size; ++i) {
    const HistoryEntry& e = history_entry(channel, i);
    if (e.time > to) break;
    if (e.kind == HistoryKind::LinkLost) {
      h.link_lost.push_back(e.time);
      continue;
    }
    if (e.kind != HistoryKind::Sample) continue;
    HistoryBin& b = h.bins[static_cast<std::size_t>(
        std::clamp(static_cast<int>((e.time - from) / slot), 0, bins - 1))];
    if (in_sync && !e.in_sync) b.sync_lost = true;
    in_sync = e.in_sync;
    if (!(e.ratio > 0.0f) || !std::isfinite(e.ratio)) continue;
    h.lowest = std::min(h.lowest, static_cast<double>(e.ratio));
    if (!e.bound)
      b.worst = std::max(b.worst, e.ratio);
    else if (b.bound == 0.0f || e.ratio < b.bound)
      b.bound = e.ratio;
  }
  return h;
}
