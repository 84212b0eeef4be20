// The upper bound of a bit error ratio at a confidence level, from the
// errors counted in a number of bits, and the texts that tell it.
//
// The errors of a run are a Poisson count with mean u x bits. The bound u
// is the mean ratio at which a count as small as the one seen (n or fewer
// errors) would happen with probability 1 - CL: P(X <= n; u N) = 1 - CL.
// For no errors, u = -ln(1 - CL) / N (2.996 / N at 95 %). The equation is
// solved exactly for any n, through the regularised incomplete gamma
// function (P(X <= n; m) = Q(n + 1, m)); the cost grows with the square root
// of n, so long runs full of errors are solved away from the tick.
#pragma once

#include <cstdint>

// P(X <= n) for a Poisson count of mean `mean`.
double poisson_cdf(std::uint64_t n, double mean);

// The mean m with P(X <= n; m) = 1 - confidence (confidence a fraction,
// 0 < confidence < 1): the bound times the bits. 2.996 for n = 0 at 0.95.
double poisson_upper_factor(std::uint64_t n, double confidence);

// What a run of `bits` bits with `errors` errors says about a target ratio.
struct BerJudgement {
  double bound = 0.0;        // the ratio is below this at the confidence level
  bool pass = false;         // bound <= target
  double bits_needed = 0.0;  // more error-free bits until it passes (0 when it does)
};

// `factor` is poisson_upper_factor(errors, confidence); bits > 0.
BerJudgement judge_ber(double factor, double bits, double target);

// The texts, formatted into the caller's buffer without locale and
// without allocation: "BER < 3.0e-11 (95 %)", "PASS at 1e-12",
// "not yet: 2.2e+11 more bits error-free", "FAIL at 1e-12".
inline constexpr int kBerText = 64;
const char* bound_text(double bound, double confidence_percent, char (&text)[kBerText]);
const char* verdict_text(const BerJudgement& j, double target, bool final, char (&text)[kBerText]);
