// Which pattern is on the input: the snapshot checked against every data
// pattern and its inversion, for an engineer who does not know what the
// transmitter sends. Nothing here touches a control or the board.
#pragma once

#include <cstddef>

#include "app/prbs_analysis.h"

// One pattern checked by self-synchronising prediction: each bit k = n..255
// is predicted from the received bits k - a and k - b and compared with
// received bit k. `checks` is 256 - n. Inverted data fails every check that
// plain data passes, so the inverted count is checks - errors.
struct PatternFit {
  int pattern;  // 0..8
  bool inverted;
  int errors;
  int checks;
};
PatternFit check_pattern(const unsigned char (&snapshot)[kSnapshotBytes], int pattern,
                         bool inverted);

// Whether a check result names its pattern. A received bit error spoils up
// to three checks (its own and the two that predict from it), so a limit of
// one failed check in ten allows about one bit error in thirty; a pattern
// other than the one received fails close to half of its checks (never
// below a quarter over 256 bits), far above the limit.
bool pattern_fits(const PatternFit& fit);

// The verdict over the nine patterns and their inversions: how many fit,
// and the best (the smallest fraction of failed checks; the lower pattern
// value and the plain polarity on a tie). Nearly constant data satisfies
// every recurrence at once: more than one fit names no pattern.
struct PatternRecognition {
  int fitting;
  PatternFit best;
};
PatternRecognition recognise_pattern(const unsigned char (&snapshot)[kSnapshotBytes]);

// The debug-output line, for example
//   "received pattern: PRBS23, 0 errors in 233 bits\n"
//   "received pattern: PRBS7 inverted, 0 errors in 249 bits; channel 2 is set to PRBS31\n"
//   "no PRBS pattern fits (best PRBS31, 41 errors)\n"
//   "no single PRBS pattern fits: 9 patterns fit, the bits are nearly constant\n"
// naming the channel's selected pattern (`selected`, the data-pattern value)
// when the received one differs from it.
void recognition_text(const PatternRecognition& r, int channel, int selected, char* text,
                      std::size_t size);
