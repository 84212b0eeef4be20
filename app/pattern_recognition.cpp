#include "app/pattern_recognition.h"

#include <cstdio>
#include <initializer_list>

namespace {

constexpr int kFitLimitDivisor = 10;  // at most one failed check in ten

// a / b < c / d for non-negative counts and positive check counts.
bool smaller_fraction(const PatternFit& x, const PatternFit& y) {
  return x.errors * y.checks < y.errors * x.checks;
}

const char* polarity(const PatternFit& fit) { return fit.inverted ? " inverted" : ""; }

}  // namespace

PatternFit check_pattern(const unsigned char (&snapshot)[kSnapshotBytes], int pattern,
                         bool inverted) {
  const PrbsDefinition& def = *prbs_definition(pattern);
  int errors = 0;
  for (int k = def.n; k < kSnapshotBits; ++k) {
    const int predicted = snapshot_bit(snapshot, k - def.a) ^ snapshot_bit(snapshot, k - def.b);
    errors += predicted != snapshot_bit(snapshot, k);
  }
  const int checks = kSnapshotBits - def.n;
  return {pattern, inverted, inverted ? checks - errors : errors, checks};
}

bool pattern_fits(const PatternFit& fit) { return fit.errors * kFitLimitDivisor <= fit.checks; }

PatternRecognition recognise_pattern(const unsigned char (&snapshot)[kSnapshotBytes]) {
  PatternRecognition r{0, check_pattern(snapshot, 0, false)};
  for (int pattern = 0; pattern < kPatternCount; ++pattern) {
    for (bool inverted : {false, true}) {
      const PatternFit fit = check_pattern(snapshot, pattern, inverted);
      if (pattern_fits(fit)) ++r.fitting;
      if (smaller_fraction(fit, r.best)) r.best = fit;
    }
  }
  return r;
}

void recognition_text(const PatternRecognition& r, int channel, int selected, char* text,
                      std::size_t size) {
  const PatternFit& b = r.best;
  if (r.fitting > 1) {
    std::snprintf(text, size,
                  "no single PRBS pattern fits: %d patterns fit, the bits are nearly constant\n",
                  r.fitting);
  } else if (r.fitting == 0) {
    std::snprintf(text, size, "no PRBS pattern fits (best %s%s, %d errors)\n",
                  pattern_name(b.pattern), polarity(b), b.errors);
  } else if (b.pattern != selected) {
    std::snprintf(
        text, size, "received pattern: %s%s, %d errors in %d bits; channel %d is set to %s\n",
        pattern_name(b.pattern), polarity(b), b.errors, b.checks, channel, pattern_name(selected));
  } else {
    std::snprintf(text, size, "received pattern: %s%s, %d errors in %d bits\n",
                  pattern_name(b.pattern), polarity(b), b.errors, b.checks);
  }
}
