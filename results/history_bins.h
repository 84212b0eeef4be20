// A stretch of a channel's error-ratio history cut into equal time slots,
// each keeping its worst sample (the highest ratio with errors, else the
// lowest bound) and whether the pattern sync went in it, and the moments
// the link was lost: what a chart of any width draws, so that a day of
// samples draws as fast as a minute.
#pragma once

#include <vector>

struct HistoryBin {
  float worst = 0.0f;  // highest ratio of a sample with errors; 0: none
  float bound = 0.0f;  // lowest bound of a sample without errors; 0: none
  bool sync_lost = false;
};

struct HistoryBins {
  std::vector<HistoryBin> bins;
  std::vector<double> link_lost;  // clock seconds of each loss of the link
  double lowest = 1.0;            // the lowest ratio or bound among the samples
};

// The history of `channel` from `from` to `to` (clock seconds) in `bins`
// slots. The sync counts as lost where a sample out of sync follows one in
// sync, also one just before `from`.
HistoryBins bin_history(int channel, double from, double to, int bins);
