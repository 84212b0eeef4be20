// The target ratio and the confidence level that timed tests are judged by
// (the program's own settings, beside the panel's), and each channel's
// verdict on its test run: the bound of its error ratio and whether it
// passes the target.
#pragma once

#include <cstdint>
#include <string_view>

#include "results/ber_confidence.h"

struct BerCriteria {
  double target;             // the ratio a run must stay below
  double confidencePercent;  // the confidence of the bound, in percent
};

extern BerCriteria berCriteria;

inline constexpr double kDefaultTargetBer = 1e-12;
inline constexpr double kDefaultConfidencePercent = 95.0;

// A target ratio between 0 and 1 (both excluded), and a confidence level
// from 50 % up to (not including) 100 %, as text ("1e-12", "95", "99.9"),
// read without locale. False, and nothing changed, for anything else.
bool parse_target_ber(std::string_view text, double* target);
bool parse_confidence_percent(std::string_view text, double* percent);
bool set_target_ber(double target);
bool set_confidence_percent(double percent);

struct RunVerdict {
  bool has_bits = false;  // the run has added samples: a bound exists
  bool running = false;
  bool armed = false;  // switched on, to start at the next sample
  std::uint64_t errors = 0;
  double bits = 0.0;
  double elapsed_s = 0.0;
  bool solved = false;  // the bound below is known
  BerJudgement judgement;
  // Times the link was lost while the run went on: the board was not
  // watched all along, so whatever its counted bits say, the run fails.
  int link_losses = 0;

  bool passes() const { return solved && judgement.pass && link_losses == 0; }
};

// Solving for a large error count takes long (its square root in terms);
// the tick solves only up to this many errors itself and leaves larger
// ones to the refreshes that run between ticks.
inline constexpr std::uint64_t kTickSolveLimit = 1000000;

// The verdict on channel `channel`'s run from its totals, solving the bound
// when its error count or the confidence level changed since the last
// solve, if the count is at most `solve_limit`.
RunVerdict run_verdict(int channel, std::uint64_t solve_limit = UINT64_MAX);

// From the measurement cycle: a sample of `channel` (a run's first added
// sample starts its count of link losses afresh) and the link's state.
void run_verdict_note_sample(int channel);
void run_verdict_note_link(bool connected);

// Back to the default criteria, nothing solved, no losses.
void run_verdict_reset();
