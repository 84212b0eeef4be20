// The bound of a run's error ratio at a confidence level: the factors of
// the table, the root of the Poisson sum for larger counts, the bits still
// needed, the texts, and the verdict from a channel's totals.
#include "results/ber_confidence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "app/statistics.h"
#include "results/run_verdict.h"
#include "tests/support/fresh_state.h"

namespace {

// P(X <= n) for the mean m, summed term by term in long double from the
// largest term down, independently of the code under test.
long double direct_poisson_sum(std::uint64_t n, long double m) {
  long double log_term = -m + static_cast<long double>(n) * std::log(m) -
                         std::lgamma(static_cast<long double>(n) + 1.0L);
  long double sum = 0.0L;
  for (std::uint64_t k = n + 1; k-- > 0;) {
    const long double term = std::exp(log_term);
    sum += term;
    if (term < sum * 1e-20L) break;
    log_term += std::log(static_cast<long double>(k) / m);  // term(k - 1) = term(k) k / m
  }
  return sum;
}

TEST(BerBound, TheFactorsAtNinetyFivePercentAreThoseOfTheTable) {
  const double table[] = {2.996, 4.744, 6.296, 7.754};
  for (std::uint64_t n = 0; n < 4; ++n)
    EXPECT_NEAR(poisson_upper_factor(n, 0.95), table[n], 0.0005) << n << " errors";
  // No errors: -ln(1 - CL) exactly.
  EXPECT_DOUBLE_EQ(poisson_upper_factor(0, 0.95), -std::log(0.05));
  EXPECT_DOUBLE_EQ(poisson_upper_factor(0, 0.99), -std::log(0.01));
}

TEST(BerBound, ForLargerCountsTheFactorIsTheRootOfThePoissonSum) {
  for (double confidence : {0.9, 0.95, 0.999}) {
    for (std::uint64_t n : {4ull, 10ull, 57ull, 300ull, 2500ull, 40000ull}) {
      const double m = poisson_upper_factor(n, confidence);
      EXPECT_NEAR(static_cast<double>(direct_poisson_sum(n, m)), 1.0 - confidence, 1e-10)
          << n << " errors at " << confidence;
      // The root itself, not a point near it: a hair either side crosses.
      EXPECT_GT(direct_poisson_sum(n, m * (1.0 - 1e-7)), 1.0 - confidence) << n;
      EXPECT_LT(direct_poisson_sum(n, m * (1.0 + 1e-7)), 1.0 - confidence) << n;
    }
  }
  // The bound lies above the count and grows with the confidence.
  EXPECT_GT(poisson_upper_factor(1000, 0.99), poisson_upper_factor(1000, 0.95));
  EXPECT_GT(poisson_upper_factor(1000, 0.5), 1000.0);
}

TEST(BerBound, TheSumIsRightOnBothSidesOfTheMean) {
  // Below n + 2 the series is used, above it the continued fraction.
  for (auto [n, m] : {std::pair{100ull, 60.0},
                      {100ull, 101.5},
                      {100ull, 102.5},
                      {100ull, 140.0},
                      {0ull, 0.5},
                      {0ull, 3.0},
                      {7ull, 0.01},
                      {20000ull, 20300.0}})
    EXPECT_NEAR(poisson_cdf(n, m), static_cast<double>(direct_poisson_sum(n, m)), 1e-12)
        << n << " at " << m;
  EXPECT_EQ(poisson_cdf(5, 0.0), 1.0);
  // Counts too large to sum still solve, with the bound just above them.
  const double m = poisson_upper_factor(1000000000ull, 0.95);
  EXPECT_NEAR((m - 1e9) / std::sqrt(1e9), 1.6449, 0.001);
  EXPECT_NEAR(poisson_cdf(1000000000ull, m), 0.05, 1e-9);
}

TEST(BerBound, BitsStillNeededBringTheBoundDownToTheTarget) {
  const double factor = poisson_upper_factor(0, 0.95);
  const BerJudgement early = judge_ber(factor, 1e11, 1e-12);
  EXPECT_FALSE(early.pass);
  EXPECT_DOUBLE_EQ(early.bound, factor / 1e11);
  EXPECT_DOUBLE_EQ(early.bits_needed, factor / 1e-12 - 1e11);
  // With those bits, and no error among them, the run passes.
  const BerJudgement later = judge_ber(factor, 1e11 + early.bits_needed, 1e-12);
  EXPECT_TRUE(later.pass);
  EXPECT_NEAR(later.bound, 1e-12, 1e-24);
  EXPECT_EQ(later.bits_needed, 0.0);
  // Errors raise what is needed: two errors need the factor of two.
  const BerJudgement two = judge_ber(poisson_upper_factor(2, 0.95), 1e11, 1e-12);
  EXPECT_NEAR(two.bits_needed, 6.2958e12 - 1e11, 1e9);
  EXPECT_FALSE(judge_ber(factor, 0.0, 1e-3).pass);  // no bits, no bound
}

TEST(BerBound, TheTextsTellTheBoundAndTheVerdict) {
  char text[kBerText];
  EXPECT_STREQ(bound_text(2.996 / 1e11, 95.0, text), "BER < 3.0e-11 (95 %)");
  EXPECT_STREQ(bound_text(1.5e-12, 99.9, text), "BER < 1.5e-12 (99.9 %)");
  const BerJudgement pass = judge_ber(2.996, 3e12, 1e-12);
  EXPECT_STREQ(verdict_text(pass, 1e-12, false, text), "PASS at 1e-12");
  const BerJudgement short_of = judge_ber(2.996, 2.776e12, 1e-12);
  EXPECT_STREQ(verdict_text(short_of, 1e-12, false, text), "not yet: 2.2e+11 more bits error-free");
  EXPECT_STREQ(verdict_text(short_of, 1e-12, true, text), "FAIL at 1e-12");
  EXPECT_STREQ(verdict_text(pass, 2.5e-12, true, text), "PASS at 2.5e-12");
}

TEST(BerCriteria, TargetAndConfidenceAreReadWithoutLocaleAndChecked) {
  double v = 0.0;
  EXPECT_TRUE(parse_target_ber("1e-12", &v));
  EXPECT_EQ(v, 1e-12);
  EXPECT_TRUE(parse_target_ber("0.5", &v));
  for (const char* bad : {"", "0", "1", "-1e-9", "1e-12x", "1,5e-9", "abc", "nan", "inf"})
    EXPECT_FALSE(parse_target_ber(bad, &v)) << bad;
  EXPECT_EQ(v, 0.5);  // untouched by the failures
  EXPECT_TRUE(parse_confidence_percent("99.9 %", &v));
  EXPECT_EQ(v, 99.9);
  EXPECT_TRUE(parse_confidence_percent("50", &v));
  for (const char* bad : {"49.9", "100", "0.95", "95x", ""})
    EXPECT_FALSE(parse_confidence_percent(bad, &v)) << bad;
}

class RunVerdictTest : public kd71::test::FreshState {};

TEST_F(RunVerdictTest, TheVerdictFollowsTheTotalsAndTheCriteria) {
  ChannelStats& s = channelStats[1];
  s.sampleLength = 1ull << 34;
  EXPECT_FALSE(run_verdict(1).has_bits);  // no run yet
  s.totalsRunning = 1;
  s.totalSamples = 6;
  s.testTicks = 52;
  RunVerdict v = run_verdict(1);
  ASSERT_TRUE(v.solved);
  EXPECT_EQ(v.bits, 6.0 * 17179869184.0);
  EXPECT_EQ(v.elapsed_s, 10.4);
  EXPECT_DOUBLE_EQ(v.judgement.bound, -std::log(0.05) / v.bits);
  EXPECT_FALSE(v.judgement.pass);  // 2.9e-11 is not below 1e-12

  ASSERT_TRUE(set_target_ber(1e-10));
  EXPECT_TRUE(run_verdict(1).judgement.pass);
  // A new error count and a new confidence are solved afresh.
  s.totalErrors = 3;
  EXPECT_NEAR(run_verdict(1).judgement.bound * v.bits, 7.754, 0.0005);
  ASSERT_TRUE(set_confidence_percent(99.0));
  EXPECT_NEAR(run_verdict(1).judgement.bound * v.bits, poisson_upper_factor(3, 0.99), 1e-9);
  EXPECT_FALSE(set_confidence_percent(100.0));
  EXPECT_EQ(berCriteria.confidencePercent, 99.0);

  // Above the limit of what the caller lets it solve, the bound waits.
  s.totalErrors = 5000000;
  EXPECT_FALSE(run_verdict(1, kTickSolveLimit).solved);
  EXPECT_TRUE(run_verdict(1).solved);
  EXPECT_TRUE(run_verdict(1, kTickSolveLimit).solved);  // solved once, known to both
}

}  // namespace
