// The contours of two-dimensional scans on the simulated board, adaptive
// and a full grid fine enough for the fits: each row's walls and each
// column's rails at 1e-12 carried down from their own tails, against the
// scenario's eye, and the contour at 1e-6 read off the points.
#include "eye_scan/scan_contour.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "sim/signal_physics.h"
#include "tests/support/eye_scan_fixture.h"

namespace kd71::test {
namespace {

// Rows and columns this share of the half opening from the centre.
constexpr double kInside = 0.65;

TEST_F(EyeScanTest, EachRowAndColumnPlacesTheContourWhereTheScenariosEyeIs) {
  struct Case {
    int channel, rate_mhz;
    double rj_ps, dj_ps, amplitude_mv, noise_mv;
    int delay_steps = 0;  // 0: adaptive, else a grid of this many delays and thresholds
    int lines = 6;        // rows and columns well inside the eye
  };
  const Case cases[] = {
      {1, 10000, 2.0, 20, 80, 4}, {2, 28000, 0.8, 8, 70, 3}, {1, 10000, 2.0, 20, 80, 4, 128, 50}};
  for (const Case& c : cases) {
    restart();
    sim::Scenario s;
    sim::ChannelScenario& ch = s.channel(c.channel);
    ch.rate_mhz = c.rate_mhz;
    ch.rj_ps = c.rj_ps;
    ch.dj_ps = c.dj_ps;
    ch.amplitude_mv = c.amplitude_mv;
    ch.noise_mv = c.noise_mv;
    start(s, {c.channel});
    EyeScanRequest q;
    q.channel = c.channel;
    q.two_d = true;
    q.adaptive = c.delay_steps == 0;
    if (!q.adaptive) {
      q.delay_steps = c.delay_steps;
      q.threshold_points = c.delay_steps;
      q.resolve_ratio = 1e-10;  // a tail of several points in each row and column
    }
    const EyeScanResult& r = scan(q);
    ASSERT_EQ(r.state, EyeScanState::Finished) << r.message;
    if (q.adaptive) {
      EXPECT_LE(r.scan_s, 40.0) << c.rate_mhz;
    }

    const eye::scan_contour measured = eye::contour_of_scan(r, 1e-6);
    EXPECT_GE(measured.measured, 10) << eye::contour_source(measured);
    const eye::scan_contour at = eye::contour_of_scan(r, 1e-12);
    ASSERT_TRUE(at.why_not.empty()) << at.why_not;
    EXPECT_GE(at.fitted, 2 * c.lines) << eye::contour_source(at);
    // The scenario's eye is a box: every row and column well inside it
    // (as the adaptive scan's are) opens as wide and as high as its
    // centre, its width the period less TJ, its height the swing less
    // 2 Q(1e-12) of noise.
    const double width = 1e6 / c.rate_mhz - c.dj_ps - 2 * sim::kTotalJitterQ * c.rj_ps;
    const double height = c.amplitude_mv - 2 * sim::kTotalJitterQ * c.noise_mv;
    int inside = 0;
    for (const auto& [lines, across, truth] :
         {std::tuple{&at.rows, height, width}, std::tuple{&at.columns, width, height}}) {
      for (const eye::line_edges& l : *lines) {
        if (std::fabs(l.at) > kInside * across / 2) continue;
        ++inside;
        EXPECT_NEAR(l.hi - l.lo, truth, 0.10 * truth) << c.rate_mhz << ": the line at " << l.at;
      }
    }
    EXPECT_GE(inside, c.lines) << c.rate_mhz;
  }
}

}  // namespace
}  // namespace kd71::test
