// How the errors of each channel's test run were spread over its samples,
// for the test report: how many samples had errors, the longest stretch
// without any, the bursts (runs of consecutive samples with errors), the
// dispersion index of the per-sample counts (variance over mean: about 1
// when errors come at random, well above 1 when they come in bursts), the
// samples the board counted that never reached the program, and the losses
// of the pattern sync while the run went on (those of the link are the
// verdict's, results/run_verdict.h).
//
// It follows the run's totals: a sample counts when the statistics added it
// to them, and a run that starts afresh starts a fresh tally. Kept on the
// tick in a few numbers per channel, whatever the run's length.
#pragma once

#include <cstdint>

struct RunTally {
  std::uint64_t samples = 0;
  std::uint64_t errored = 0;  // samples with at least one error
  double sum = 0.0;           // of the per-sample error counts
  long double sum_squares = 0.0L;
  double first_time = -1.0;   // clock seconds of the run's first sample
  double last_time = -1.0;    // and of its last
  double clean_s = 0.0;       // the error-free stretch under way, seconds of samples
  double longest_clean_s = 0.0;
  std::uint64_t clean_samples = 0;
  std::uint64_t longest_clean_samples = 0;
  std::uint64_t burst = 0;  // errored samples in a row, under way
  std::uint64_t bursts = 0;
  std::uint64_t longest_burst = 0;
  std::uint64_t missed = 0;  // samples lost between two that arrived
  int sync_losses = 0;
  int last_seq = -1;
  bool in_sync = true;
};

// The tally of channel 1 or 2's present (or last) run.
const RunTally& run_tally(int channel);
// Variance over mean of the per-sample counts; NaN without errors.
double dispersion_index(const RunTally& t);

// Registers the tally with the measurement cycle.
void attach_run_tally_to_measurement();

void run_tally_reset();
