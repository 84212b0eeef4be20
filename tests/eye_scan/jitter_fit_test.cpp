// The fits of the adaptive eye scan on the simulated board, with the
// virtual clock: RJ, DJ and TJ at 1e-12 against the scenario's dual-Dirac
// jitter at 10 and 28 Gb/s, the Q-factor against the swing over twice the
// noise, and the refusals of a fit that has too little to go on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>

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

class FitTest : public EyeScanTest {
 protected:
  // An adaptive scan of `channel` at `rate_mhz` on a board with `set`
  // applied to the channel's signal, from the program's start.
  const EyeScanResult& scan_signal(int channel, int rate_mhz, bool two_d,
                                   const std::function<void(sim::ChannelScenario&)>& set) {
    restart();
    sim::Scenario s;
    s.channel(channel).rate_mhz = rate_mhz;
    set(s.channel(channel));
    start(s, {channel});
    const EyeScanResult& r = scan(adaptive(channel, two_d));
    EXPECT_EQ(r.state, EyeScanState::Finished) << r.message;
    return r;
  }
};

TEST_F(FitTest, TheBathtubsFitGivesTheScenariosJitterWithinItsTolerances) {
  struct Case {
    int channel, rate_mhz;
    double rj_ps, dj_ps;
    double centre_v = 1.2;  // the eye's; the channel samples at 1.2 V
  };
  // The last eye lies off the channel's sampling point: the scan looks
  // round the period for it first.
  const Case cases[] = {{1, 10000, 2.5, 25}, {1, 10000, 1.0, 10}, {1, 10000, 4.0, 30},
                        {2, 28000, 1.0, 8},  {2, 28000, 0.6, 12}, {2, 28000, 1.5, 10},
                        {1, 10000, 2.0, 20, 0.45}};
  for (const Case& c : cases) {
    const EyeScanResult& r =
        scan_signal(c.channel, c.rate_mhz, false, [&c](sim::ChannelScenario& s) {
          s.rj_ps = c.rj_ps;
          s.dj_ps = c.dj_ps;
          s.eye_centre_v = c.centre_v;
        });
    const eye::jitter_figures j = eye::scan_jitter(r, 1e-12);
    ASSERT_TRUE(j.found) << j.why_not << " " << r.points.size();
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

TEST_F(FitTest, TheRailsFitGivesTheQFactorOfTheSwingOverTwiceTheNoise) {
  struct Case {
    int channel, rate_mhz;
    double amplitude_mv, noise_mv;
  };
  const Case cases[] = {{1, 10000, 80, 4}, {1, 10000, 60, 4}, {2, 28000, 70, 3}};
  for (const Case& c : cases) {
    const EyeScanResult& r =
        scan_signal(c.channel, c.rate_mhz, true, [&c](sim::ChannelScenario& s) {
          s.amplitude_mv = c.amplitude_mv;
          s.noise_mv = c.noise_mv;
        });
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

TEST_F(EyeScanTest, TheFitsRefuseWithTheirReasonWhereTheScanDoesNotCarryThem) {
  struct Case {
    const char* what;
    bool adaptive, two_d;
    double amplitude_mv;
    const char* jitter_why;  // in the reason
    const char* vertical_why;
  };
  // A grid's walls fall within a step or two at one count a point; a swing
  // smaller than the noise closes the eye; a bathtub has no rails.
  const Case cases[] = {
      {"grid", false, false, 80, "usable points (at least 3 are needed)",
       "a bathtub sweeps no threshold"},
      {"closed", true, true, 4, "no point of the bathtub is free of errors",
       "no threshold of the sweep is free of errors"}};
  for (const Case& c : cases) {
    restart();
    sim::Scenario s;
    s.channel(1).amplitude_mv = c.amplitude_mv;
    start(s, {1});
    EyeScanRequest q = adaptive(1, c.two_d);
    q.adaptive = c.adaptive;
    const EyeScanResult& r = scan(q);
    const eye::jitter_figures j = eye::scan_jitter(r, 1e-12);
    const eye::vertical_figures v = eye::scan_vertical(r, j, 1e-12);
    EXPECT_FALSE(j.found) << c.what;
    EXPECT_TRUE(std::isnan(j.rj_ps) && std::isnan(j.tj_ps)) << c.what;
    EXPECT_NE(j.why_not.find(c.jitter_why), std::string::npos) << c.what << ": " << j.why_not;
    EXPECT_FALSE(v.found) << c.what;
    EXPECT_NE(v.why_not.find(c.vertical_why), std::string::npos) << c.what << ": " << v.why_not;
  }
}

TEST_F(EyeScanTest, AStoppedAdaptiveScanSaysSoAndGivesTheChannelBack) {
  start({}, {1});
  const double delay = value(kDelay[1]);
  fe_->at_progress = [&](const std::string& text) {
    if (text.find("point 5 of") != std::string::npos) eye_scan_stop();
  };
  const EyeScanResult& r = scan(adaptive(1, true));
  EXPECT_EQ(r.state, EyeScanState::Stopped);
  EXPECT_EQ(r.points.size(), 5u);
  EXPECT_EQ(r.message, "stopped after 5 of 84 points");
  EXPECT_EQ(value(kDelay[1]), delay);
  EXPECT_EQ(dimmed(kDelay[1]), 0);
}

}  // namespace
}  // namespace kd71::test
