// The fits of the adaptive eye scan on the simulated board, with the
// virtual clock: RJ, DJ and TJ at 1e-12 against the scenario's dual-Dirac
// jitter at 10 and 28 Gb/s, the Q-factor against the swing over twice the
// noise, and the refusals of a fit that has too little to go on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "eye_scan/eye_figures.h"
#include "sim/signal_physics.h"
#include "tests/support/eye_scan_fixture.h"

namespace kd71::test {
namespace {

EyeScanRequest adaptive(int channel, bool two_d) {
  EyeScanRequest q;
  q.channel = channel;
  q.two_d = two_d;
  q.adaptive = true;
  return q;
}

TEST_F(EyeScanTest, TheBathtubsFitGivesTheScenariosJitterWithinItsTolerances) {
  struct Case {
    int channel, rate_mhz;
    double rj_ps, dj_ps;
  };
  const Case cases[] = {{1, 10000, 2.5, 25}, {1, 10000, 1.0, 10}, {1, 10000, 4.0, 30},
                        {2, 28000, 1.0, 8},  {2, 28000, 0.6, 12}, {2, 28000, 1.5, 10}};
  for (const Case& c : cases) {
    restart();
    sim::Scenario s;
    s.channel(c.channel).rate_mhz = c.rate_mhz;
    s.channel(c.channel).rj_ps = c.rj_ps;
    s.channel(c.channel).dj_ps = c.dj_ps;
    start(s, {c.channel});
    const EyeScanResult& r = scan(adaptive(c.channel, false));
    ASSERT_EQ(r.state, EyeScanState::Finished) << r.message;
    const eye::jitter_figures j = eye::scan_jitter(r, 1e-12);
    ASSERT_TRUE(j.found) << j.why_not;
    const double tj = c.dj_ps + 2 * sim::kTotalJitterQ * c.rj_ps;
    std::printf("| %d | %.1f | %.1f | %.2f (%+.0f %%) | %.2f (%+.0f %%) | %.2f (%+.1f %%) | %d | %.1f s |\n",
                c.rate_mhz / 1000, c.rj_ps, c.dj_ps, j.rj_ps, 100 * (j.rj_ps / c.rj_ps - 1),
                j.dj_ps, 100 * (j.dj_ps / c.dj_ps - 1), j.tj_ps, 100 * (j.tj_ps / tj - 1),
                static_cast<int>(r.points.size()), r.scan_s);
    EXPECT_NEAR(j.rj_ps, c.rj_ps, 0.15 * c.rj_ps) << c.rate_mhz << " " << c.rj_ps;
    EXPECT_NEAR(j.dj_ps, c.dj_ps, 0.15 * c.dj_ps) << c.rate_mhz << " " << c.dj_ps;
    EXPECT_NEAR(j.tj_ps, tj, 0.10 * tj) << c.rate_mhz;
    EXPECT_GE(j.fit_r2, 0.9);
  }
}

TEST_F(EyeScanTest, TheRailsFitGivesTheQFactorOfTheSwingOverTwiceTheNoise) {
  struct Case {
    int channel, rate_mhz;
    double amplitude_mv, noise_mv;
  };
  const Case cases[] = {{1, 10000, 80, 4}, {1, 10000, 60, 4}, {2, 28000, 70, 3}};
  for (const Case& c : cases) {
    restart();
    sim::Scenario s;
    s.channel(c.channel).rate_mhz = c.rate_mhz;
    s.channel(c.channel).amplitude_mv = c.amplitude_mv;
    s.channel(c.channel).noise_mv = c.noise_mv;
    start(s, {c.channel});
    const EyeScanResult& r = scan(adaptive(c.channel, true));
    ASSERT_EQ(r.state, EyeScanState::Finished) << r.message;
    const eye::jitter_figures j = eye::scan_jitter(r, 1e-12);
    const eye::vertical_figures v = eye::scan_vertical(r, j, 1e-12);
    ASSERT_TRUE(v.found) << v.why_not;
    const double q = c.amplitude_mv / (2 * c.noise_mv);
    std::printf("| %d | %.0f | %.0f | %.2f | %.2f (%+.1f %%) | %.1f mV | %d | %.1f s |\n",
                c.rate_mhz / 1000, c.amplitude_mv, c.noise_mv, q, v.q_factor,
                100 * (v.q_factor / q - 1), v.height_mv, static_cast<int>(r.points.size()),
                r.scan_s);
    EXPECT_NEAR(v.q_factor, q, 0.10 * q);
  }
}

}  // namespace
}  // namespace kd71::test
