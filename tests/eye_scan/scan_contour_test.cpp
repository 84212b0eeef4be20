// The contours of an adaptive two-dimensional scan on the simulated board:
// each row's walls and each column's rails at 1e-12 carried down from their
// own tails, against the scenario's eye, and the contour at 1e-6 read off
// the points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "eye_scan/scan_contour.h"
#include "sim/signal_physics.h"
#include "tests/support/eye_scan_fixture.h"

namespace kd71::test {
namespace {

TEST_F(EyeScanTest, EachRowAndColumnPlacesTheContourWhereTheScenariosEyeIs) {
  struct Case {
    int channel, rate_mhz;
    double rj_ps, dj_ps, amplitude_mv, noise_mv;
  };
  const Case cases[] = {{1, 10000, 2.0, 20, 80, 4}, {2, 28000, 0.8, 8, 70, 3}};
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
    q.two_d = q.adaptive = true;
    const EyeScanResult& r = scan(q);
    ASSERT_EQ(r.state, EyeScanState::Finished) << r.message;
    EXPECT_LE(r.scan_s, 40.0) << c.rate_mhz;

    const eye::scan_contour measured = eye::contour_of_scan(r, 1e-6);
    EXPECT_GE(measured.measured, 10) << eye::contour_source(measured);
    const eye::scan_contour at = eye::contour_of_scan(r, 1e-12);
    ASSERT_TRUE(at.why_not.empty()) << at.why_not;
    EXPECT_EQ(at.fitted, 12) << eye::contour_source(at);
    // The scenario's eye is a box: a row's walls lie half its width from
    // the centre, a column's rails half its height. The rows and columns
    // stand well inside it, so each point meets one of the two, within 3 %
    // of the bit period or of the swing.
    const double period = 1e6 / c.rate_mhz;
    const double half_width = (period - c.dj_ps) / 2 - sim::kTotalJitterQ * c.rj_ps;
    const double half_height = c.amplitude_mv / 2 - sim::kTotalJitterQ * c.noise_mv;
    for (const eye::ContourPoint& p : at.points) {
      const double off_wall = std::fabs(std::fabs(p.ps) - half_width) / period;
      const double off_rail = std::fabs(std::fabs(p.mv) - half_height) / c.amplitude_mv;
      EXPECT_LT(std::min(off_wall, off_rail), 0.03)
          << c.rate_mhz << ": (" << p.ps << " ps, " << p.mv << " mV)";
    }
  }
}

}  // namespace
}  // namespace kd71::test
