// The eye scan's arithmetic: where its delays and thresholds lie, how many
// fast counts a point takes, when a point is open, and the openings it
// finds along a sweep (folded onto a bit period and wrapping around) and in
// a two-dimensional eye.
#include "eye_scan/eye_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "eye_scan/eye_scan_plan.h"

namespace kd71::test {
namespace {

// 1/64 of the 100 ps period of 10 Gb/s: 1.5625 ps, 0.0384 V.
constexpr double kStep10G = 100.0 / 64 / 0.0328 * 0.000806;

TEST(EyeScanPlan, DelaysAreAFractionOfTheBitPeriodInsideTheRangeAndCountsResolveTheRatio) {
  DelaySweep s = plan_delay_sweep(10000, 64, DelaySpan::BitPeriod, 1.35, 0.0, 2.7);
  EXPECT_NEAR(s.step_v, kStep10G, 1e-12);
  EXPECT_EQ(s.points, 64);
  EXPECT_NEAR(sweep_delay(s, 32), 1.35, 1e-12) << "the sampling point in the middle";
  EXPECT_TRUE(sweep_spans_period(s));
  // Near an end the period moves inside the range.
  s = plan_delay_sweep(10000, 64, DelaySpan::BitPeriod, 2.6, 0.0, 2.7);
  EXPECT_NEAR(sweep_delay(s, 63), 2.7, 1e-12);
  // At 5 Gb/s a period (4.9 V) is longer than the range: fewer points.
  s = plan_delay_sweep(5000, 32, DelaySpan::BitPeriod, 1.2, 0.0, 2.7);
  EXPECT_EQ(s.points, static_cast<int>(2.7 / s.step_v) + 1);
  EXPECT_FALSE(sweep_spans_period(s));
  EXPECT_EQ(plan_delay_sweep(0, 64, DelaySpan::BitPeriod, 1.2, 0.0, 2.7).points, 0);

  const double bits = bits_per_count(10000);  // 2e8: 20 ms at 10 Gb/s
  EXPECT_EQ(counts_for_ratio(0.0, bits), 1);
  EXPECT_EQ(counts_for_ratio(5e-9, bits), 1) << "what one count resolves";
  EXPECT_EQ(counts_for_ratio(3e-10, bits), 17);
  EXPECT_EQ(counts_for_ratio(1e-13, bits), kEyeMaxCountsPerPoint);
}

EyePoint point(std::uint64_t errors, double bits) {
  EyePoint p;
  p.errors = errors;
  p.bits = bits;
  return p;
}

TEST(EyeScanPoints, APointIsOpenWhenItShowsItsRatioBelowTheOneChosen) {
  EXPECT_DOUBLE_EQ(point_ratio(point(0, 2e8)), 5e-9) << "the bound";
  EXPECT_TRUE(point_open(point(0, 2e8), 5e-9)) << "no error in the bits that resolve it";
  EXPECT_FALSE(point_open(point(0, 2e8), 4e-9)) << "too few bits to show it";
  EXPECT_FALSE(point_open(point(1, 2e8), 5e-9));
  EXPECT_TRUE(point_open(point(1, 2e8), 1e-6));
  EXPECT_FALSE(point_open(point(0, 0.0), 1.0)) << "no bits, nothing shown";
  EXPECT_DOUBLE_EQ(smallest_resolved_ratio({point(3, 2e8), point(0, 1e9), point(0, 2e8)}), 1e-9);
}

std::vector<bool> open_of(const char* marks) {
  std::vector<bool> v;
  for (const char* m = marks; *m; ++m) v.push_back(*m == '.');
  return v;
}

TEST(EyeScanOpenings, ALinearSweepTakesItsLongestRunAndSaysWhetherErrorsBoundIt) {
  Opening o = linear_opening(open_of("xx...x.....xx"), 10.0, 2.0);
  EXPECT_TRUE(o.found);
  EXPECT_TRUE(o.bounded);
  EXPECT_EQ(o.first, 6);
  EXPECT_EQ(o.count, 5);
  EXPECT_DOUBLE_EQ(o.width, 10.0);
  EXPECT_DOUBLE_EQ(o.centre, 10.0 + 8 * 2.0);

  EXPECT_FALSE(linear_opening(open_of("x..x...."), 0.0, 1.0).bounded) << "it reaches the end";
  EXPECT_DOUBLE_EQ(linear_opening(open_of("x....x"), 0.0, 1.0).centre, 2.5) << "between two";
}

TEST(EyeScanOpenings, AFullPeriodIsFoldedSoThatAnOpeningMayWrapAroundItsEnds) {
  // Eight steps to the period of 0.8 V from 0.4 V: the open phases 6, 7, 0
  // and 1 are one run across the sweep's ends.
  DelaySweep s;
  s.steps_per_bit = 8;
  s.step_v = 0.1;
  s.first_v = 0.4;
  s.points = 8;
  Opening o = delay_opening(open_of("..xxxx.."), s, 0.8, 0.0, 2.7);
  EXPECT_TRUE(o.bounded);
  EXPECT_EQ(o.count, 4);
  EXPECT_EQ(o.first, 6);
  EXPECT_NEAR(o.width, 0.4, 1e-12);
  // Phase 7.5 lies at 1.15 V and, a period earlier, at 0.35 V: the nearer
  // to the anchor is taken, inside the range.
  EXPECT_NEAR(o.centre, 1.15, 1e-12);
  EXPECT_NEAR(delay_opening(open_of("..xxxx.."), s, 0.3, 0.36, 2.7).centre, 1.15, 1e-12);

  // Over two and a half periods a phase is open only where every visit was.
  s.points = 20;
  o = delay_opening(open_of("xx....xx"
                            "xx...xxx"
                            "xx.."),
                    s, 1.0, 0.0, 2.7);
  EXPECT_EQ(o.first, 2);
  EXPECT_EQ(o.count, 3);
  EXPECT_NEAR(o.centre, 0.7, 1e-12) << "phase 3 nearest 1.0 V";
}

TEST(EyeScanOpenings, TheTwoDimensionalEyeIsMeasuredThroughItsCentre) {
  // Ten delays of 0.1 V (no full period) by nine thresholds of 5 mV from
  // -20 mV; a diamond-shaped eye, widest in rows 3 to 5 (columns 2..6),
  // its centre in column 4.
  DelaySweep d;
  d.steps_per_bit = 64;
  d.step_v = 0.1;
  d.first_v = 1.0;
  d.points = 10;
  const ThresholdSweep t = plan_threshold_sweep(-20.0, 20.0, 9);
  const char* rows[9] = {"xxxxxxxxxx", "xxxx.xxxxx", "xxx...xxxx", "xx.....xxx", "xx.....xxx",
                         "xx.....xxx", "xxx...xxxx", "xxxx.xxxxx", "xxxxxxxxxx"};
  std::vector<EyePoint> points;
  for (int c = 0; c < d.points; ++c)
    for (int r = 0; r < t.points; ++r)
      points.push_back(rows[r][c] == '.' ? point(0, 2e8) : point(9, 2e8));

  const EyeOpening eye = eye_opening(points, d, t, 5e-9, 1.4, 0.0, 2.7);
  EXPECT_EQ(eye.row, 4) << "of the three widest rows, the middle";
  EXPECT_EQ(eye.horizontal.count, 5);
  EXPECT_NEAR(eye.horizontal.centre, 1.4, 1e-12);
  EXPECT_EQ(eye.column, 4);
  EXPECT_EQ(eye.vertical.count, 7);
  EXPECT_NEAR(eye.vertical.width, 35.0, 1e-9);
  EXPECT_NEAR(eye.vertical.centre, 0.0, 1e-9);
  EXPECT_TRUE(eye.vertical.bounded);

  // A scan stopped halfway: its missing points count as closed.
  points.resize(points.size() / 2);
  const EyeOpening half = eye_opening(points, d, t, 5e-9, 1.4, 0.0, 2.7);
  EXPECT_EQ(half.horizontal.count, 3);
  EXPECT_FALSE(eye_opening({}, d, t, 5e-9, 1.4, 0.0, 2.7).horizontal.found);
}

}  // namespace
}  // namespace kd71::test
