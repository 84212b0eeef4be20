// The threshold of a channel: its write, the ones-density search, the error
// search and the rule that picks a point from a sweep, against a board
// whose signal the test draws.
#include "app/threshold_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "app/panel_handles.h"
#include "app/slider_state.h"
#include "platform/ui_runtime/ui_store.h"
#include "tests/support/signal_bridge.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

// A signal whose ones count falls by 2 per mV through 128 at +10 mV: it is
// 172 and more up to -12 mV and more than 84 up to +31.5 mV.
int falling_ones(double mv) { return std::clamp(static_cast<int>(128 - 2 * (mv - 10)), 0, 255); }

class ThresholdSearchTest : public SignalTest {
 protected:
  double slider(int control) const { return ui::numeric_value(panelHandle, control); }
  std::string log() const { return ui::text_value(debugPanelHandle, PANELDEBUG_DEBUG_OUTPUT); }
};

TEST_F(ThresholdSearchTest, TheWrittenCodesStayInsideTheScaleWhateverTheThreshold) {
  WriteThreshold(1, 10.0f, 1);
  // Data bytes 0x18 0xE4 0x07 0x1B to register 5, nibble-coded.
  EXPECT_EQ(board->calls_of(kd71::bridge::Fn::Write).back().data,
            (std::vector<UCHAR>{0x5F, 0x1B, 0x8B, 0xEB, 0x4B, 0x0B, 0x7B, 0x1B, 0xBB}));
  struct Case {
    float t;
    int p, n;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (const Case& c : {Case{0.0f, 2047, 2047}, Case{89.45f, 4095, 0}, Case{-89.45f, 0, 4095},
                        Case{150.0f, 4095, 0}, Case{-1e9f, 0, 4095}, Case{nan, 2047, 2047}}) {
    WriteThreshold(2, c.t, 0);
    ASSERT_FALSE(board->thresholds.empty());
    const ThresholdWrite& w = board->thresholds.back();
    EXPECT_EQ(w.channel, 2);
    EXPECT_EQ(w.code_p, c.p) << c.t;
    EXPECT_EQ(w.code_n, c.n) << c.t;
  }
  EXPECT_EQ(usable_threshold(-120.0f), -89.45f);
  EXPECT_EQ(usable_threshold(12.5f), 12.5f);
}

TEST_F(ThresholdSearchTest, FindOptimumTakesTheMiddleOfTheLongestErrorFreeRun) {
  struct Case {
    std::vector<int> values;
    int chosen, begin, end;
  };
  std::vector<int> ends_free(32, 9), tail_free(32, 9);
  for (int i : {0, 1, 2, 3, 28, 29, 30, 31}) ends_free[i] = 0;
  for (int i = 20; i < 32; ++i) tail_free[i] = 0;
  const Case cases[] = {
      {{5, 0, 0, 3, 0, 0, 0, 1}, 5, 4, 7},
      {{0, 0, 1, 0, 0}, 1, 0, 2},  // equal runs: the first
      {std::vector<int>(32, 0), 16, 0, 32},
      {{3, 1, 2, 1}, 1, 0, 0},  // no zero: the first fewest
      {std::vector<int>(32, 255), 16, 0, 32},
      {ends_free, 2, 0, 4},
      {tail_free, 26, 20, 32},  // closed at position 32
  };
  for (const Case& c : cases) {
    zoneBeginIndex = zoneEndIndex = -1;
    EXPECT_EQ(FindOptimum(c.values.data(), static_cast<int>(c.values.size())), c.chosen);
    EXPECT_EQ(zoneBeginIndex, c.begin);
    EXPECT_EQ(zoneEndIndex, c.end);
  }
}

TEST_F(ThresholdSearchTest, AOnesMeasurementWaitsForAMeasuringChannel) {
  board->ones = [](double) { return 77; };
  struct Case {
    int unmeasured, polls;
    bool complaint;
  };
  for (const Case& c :
       {Case{0, 1, false}, Case{8, 9, false}, Case{9, 10, true}, Case{1000, 100, true}}) {
    board->unmeasured_replies = c.unmeasured;
    board->routine_polls = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(MeasOnesCnt(1, 5.0f), 77);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(board->routine_polls, c.polls) << c.unmeasured;
    EXPECT_EQ(printed, c.complaint ? "Retry count exceeded on ones cal\n" : "") << c.unmeasured;
    EXPECT_TRUE(board->thresholds.back().lock);
  }

  // The debug panel's extra delay comes before every attempt.
  open_debug_panel();
  SetCtrlVal(debugPanelHandle, PANELDEBUG_EXTRA_DELAY, 0.25);
  board->unmeasured_replies = 2;
  const double start = Timer();
  MeasOnesCnt(1, 5.0f);
  EXPECT_NEAR(Timer() - start, 3 * (0.25 + 0.01), 1e-6);  // each read waits 10 ms
}

TEST_F(ThresholdSearchTest, TheOnesSearchFindsBothEdgesAndSetsTheirMidpoint) {
  open_debug_panel();
  board->ones = falling_ones;
  SetThresholdOnes(1);
  const std::vector<ThresholdWrite>& w = board->thresholds;
  ASSERT_EQ(w.size(), 24u);  // 23 measurements and the result
  EXPECT_EQ(board->routine_polls, 23);
  EXPECT_NEAR(w[0].mv, 0.0, 0.05);  // parked at 0 mV first
  EXPECT_NEAR(w[1].mv, -89.45, 0.05);
  EXPECT_NEAR(w[2].mv, 89.45, 0.05);
  EXPECT_NEAR(w[3].mv, 0.0, 0.05);  // the first bisection starts in the middle
  EXPECT_NEAR(w[4].mv, -44.725, 0.05);
  for (std::size_t i = 0; i < 23; ++i) EXPECT_TRUE(w[i].lock) << i;
  EXPECT_EQ(thresholdRange[1].onesMask, 0);
  EXPECT_NEAR(thresholdRange[1].rangeLo, -12.0, 0.18);
  EXPECT_NEAR(thresholdRange[1].rangeHi, 31.5, 0.18);
  const double mid = (thresholdRange[1].rangeLo + thresholdRange[1].rangeHi) / 2.0;
  EXPECT_FALSE(w.back().lock);
  EXPECT_NEAR(w.back().mv, mid, 0.05);
  EXPECT_FLOAT_EQ(static_cast<float>(slider(PANELMAIN_CH1_THRES)), static_cast<float>(mid));
  char line[160];
  std::snprintf(line, sizeof line,
                "(SetThresholdOnes) chosen rangeMid: %f rangeLo: %f rangeHi: %f\n", mid,
                thresholdRange[1].rangeLo, thresholdRange[1].rangeHi);
  EXPECT_EQ(log(), line);
  EXPECT_EQ(sweepCounter, 1);
  EXPECT_EQ(lastSweepColour, 0xFFFFFF) << "nothing was drawn";
}

TEST_F(ThresholdSearchTest, RisingOnesAreInvertedByTheMaskAndNoSignalEndsAtTheBottom) {
  board->ones = [](double mv) { return 255 - falling_ones(mv); };
  SetThresholdOnes(2);
  EXPECT_EQ(thresholdRange[2].onesMask, 255);
  EXPECT_NEAR(thresholdRange[2].rangeLo, -12.0, 0.18);
  EXPECT_NEAR(thresholdRange[2].rangeHi, 31.5, 0.18);

  board->ones = [](double) { return 0; };
  SetThresholdOnes(1);
  EXPECT_EQ(thresholdRange[1].onesMask, 0);
  EXPECT_NEAR(thresholdRange[1].rangeLo, -89.45 + 178.9 / 1024, 1e-3);
  EXPECT_LT(thresholdRange[1].rangeHi, -89.0);
}

TEST_F(ThresholdSearchTest, ThePresweepIsDrawnInTheColourOfItsSearch) {
  open_debug_panel(true);
  SetCtrlVal(debugPanelHandle, PANELDEBUG_THRESH_PRESWEEP, 1);
  board->ones = [](double mv) { return mv < -50 ? 0 : falling_ones(mv); };
  board->fast_errors = [](double) { return 7; };
  SetThresholdOnes(1);
  EXPECT_EQ(board->routine_polls, 64 + 23);
  const ui::Plot errs = ui::plots(scopePanelHandle, PANELSCOPE_GRAPH_ERRS).front();
  ASSERT_EQ(errs.values.size(), 64u);
  EXPECT_EQ(errs.color, 0x00FF00) << "the first search's colour";
  EXPECT_DOUBLE_EQ(errs.initial_x, -89.45);
  EXPECT_DOUBLE_EQ(errs.x_increment, 2.7953125);
  EXPECT_EQ(errs.values[0], 255) << "where no bit is a one";
  EXPECT_EQ(errs.values[40], 7);
  // On the ones graph the waveform, the bisections' 20 probes and the
  // range's three points, lightened.
  const std::vector<ui::Plot> ones = ui::plots(scopePanelHandle, PANELSCOPE_GRAPH_ONES);
  ASSERT_EQ(ones.size(), 1u + 20 + 3);
  EXPECT_EQ(ones[0].values[40], falling_ones(-89.45 + 40 * 2.7953124));
  EXPECT_DOUBLE_EQ(ones[20].y, 237.0 - 9);
  EXPECT_EQ(ones[23].color, 0x00FF00 | 0x808080);

  SetThresholdOnes(1);
  EXPECT_EQ(lastSweepColour, 0xFFFF00) << "the second search's colour";
}

TEST_F(ThresholdSearchTest, TheErrorSearchSettlesInTheMiddleOfTheErrorFreeSteps) {
  open_debug_panel(true);
  thresholdRange[1] = {-20.0f, 44.0f, 0};
  board->fast_errors = [](double mv) { return mv > -0.1 && mv < 20.1 ? 0 : 40; };
  board->ones = [](double mv) { return static_cast<int>(std::lround(100 - mv)); };
  SetThresholdErrs(1);
  const std::vector<ThresholdWrite>& w = board->thresholds;
  ASSERT_EQ(w.size(), 33u);
  EXPECT_EQ(board->routine_polls, 32);
  for (int i = 0; i < 32; ++i) {
    EXPECT_NEAR(w[i].mv, -20.0 + 2.0 * i, 0.05) << i;  // 44 mV itself is not probed
    EXPECT_FALSE(w[i].lock) << i;
  }
  // Steps 10 to 20 (0 to 20 mV) are error-free: step 15 is their middle.
  EXPECT_NEAR(w.back().mv, 10.0, 0.05);
  EXPECT_FALSE(w.back().lock);
  EXPECT_FLOAT_EQ(static_cast<float>(slider(PANELMAIN_CH1_THRES)), 10.0f);
  EXPECT_EQ(suppressNextChange, 0);  // the user's next move is not swallowed
  const std::string text = log();
  EXPECT_EQ(text.rfind("i:  0, v: -20.000000 e:  40 o: 120\n", 0), 0u) << text;
  EXPECT_NE(text.find("i: 15, v: 10.000000 e:   0 o:  90\n"), std::string::npos);
  EXPECT_TRUE(
      text.ends_with("(SetThresholdErrs) selPoint: 15 chosen voltSetting: 10.000000 "
                     "zoneBegin: 0.000000 zoneEnd: 22.000000\n"))
      << text;
  const std::vector<ui::Plot> marks = ui::plots(scopePanelHandle, PANELSCOPE_GRAPH_ONES);
  ASSERT_EQ(marks.size(), 3u);
  EXPECT_DOUBLE_EQ(marks[0].x, 10.0);
  EXPECT_EQ(marks[0].point_style, 17);
  EXPECT_DOUBLE_EQ(marks[2].x, 22.0);
  EXPECT_DOUBLE_EQ(marks[2].y, 37.0);
}

TEST_F(ThresholdSearchTest, AnErrorStepThatNeverMeasuresIsReportedAndUsedAsItIs) {
  thresholdRange[1] = {5.0f, 5.0f, 0};  // an empty range: every step probes 5 mV
  board->fast_errors = [](double) { return 3; };
  board->unmeasured_replies = 100;  // the first step never measures
  testing::internal::CaptureStdout();
  SetThresholdErrs(1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Retry limit exceeded on errs phase\n");
  EXPECT_EQ(board->routine_polls, 100 + 31);
  EXPECT_NEAR(board->thresholds.back().mv, 5.0, 0.05);
}

}  // namespace
}  // namespace kd71::test
