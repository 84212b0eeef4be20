#include "app/statistics.h"

#include <gtest/gtest.h>

#include <cmath>

#include "hardware/lowlevel.h"
#include "tests/support/app_fixture.h"

namespace {

constexpr std::uint64_t k2p34 = 17179869184ULL;

TEST(StatisticsTexts, TotalCountWithCommasOrInExponentForm) {
  char t[kFigureText];
  EXPECT_STREQ(total_count_text(0, t), "0,000,000,000,000");
  EXPECT_STREQ(total_count_text(1234567, t), "0,000,001,234,567");
  EXPECT_STREQ(total_count_text(9999999999999ULL, t), "9,999,999,999,999");
  EXPECT_STREQ(total_count_text(10000000000000ULL, t), "1.000000000E+13");
  EXPECT_STREQ(total_count_text(~0ULL, t), "1.844674407E+19");
}

TEST(StatisticsTexts, ElapsedTimeCountsFiveTicksASecond) {
  char t[kFigureText];
  EXPECT_STREQ(elapsed_text(0, t), "00:00:00");
  EXPECT_STREQ(elapsed_text(18305, t), "01:01:01");
  EXPECT_STREQ(elapsed_text(300, t), "00:01:00");
  EXPECT_STREQ(elapsed_text(4, t), "00:00:00");
}

TEST(StatisticsTexts, ErrorBarIsLogarithmic) {
  EXPECT_EQ(error_bar_level(0, k2p34), 0u);
  EXPECT_EQ(error_bar_level(1, k2p34), 1u);
  EXPECT_EQ(error_bar_level(k2p34 / 2, k2p34), 97u);  // 1 + 33/34 * 99
  EXPECT_GE(error_bar_level(k2p34, k2p34), 99u);      // approaches 100
  EXPECT_EQ(error_bar_level(5, 0), 1u);               // a zero sample length
  EXPECT_EQ(error_bar_level(5, 1), 0u);               // not representable
}

TEST(StatisticsTexts, NoErrorIndicatorColours) {
  EXPECT_EQ(no_error_colour(128, 10000, 0), 0x00FF00);
  EXPECT_EQ(no_error_colour(128, 10000, 1), 0xFF0101);
  EXPECT_EQ(no_error_colour(128, 10000, 255), 0xFFFFFF);
  EXPECT_EQ(no_error_colour(10, 10000, 0), 0x00FF00);
  EXPECT_EQ(no_error_colour(245, 10000, 0), 0x00FF00);
  EXPECT_EQ(no_error_colour(9, 10000, 0), 0);
  EXPECT_EQ(no_error_colour(246, 10000, 0), 0);
  EXPECT_EQ(no_error_colour(128, 0, 0), 0);
}

class StatisticsTest : public kd71::test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    channelStats[1].sampleLength = channelStats[2].sampleLength = k2p34;
  }
  void sample(int ch, int frequency, int ones, int state, std::uint64_t errors, int fast = 0) {
    PacketRecord& r = packets[ch];
    r.frequency = frequency;
    r.ones_cnt = ones;
    r.channel_state = state;
    r.error_count = errors;
    r.fast_error_count = fast;
    update_sample(ch);
    display_sample(ch);
    start_run(ch);
  }
  double value(int control) const { return kd71::ui::numeric_value(panelHandle, control); }
  void toggle(int control, int on) {
    SetCtrlVal(panelHandle, control, on);
    CB_TotalErrCntButton(panelHandle, control, EVENT_COMMIT, nullptr, 0, 0);
  }
};

TEST_F(StatisticsTest, AnErrorFreeSampleShowsTheBoundAndCountsErrorFreeTime) {
  Delay(3.0);
  sample(1, 10000, 128, 0x80, 0);  // the stretch has run since the origin
  EXPECT_EQ(value(PANELMAIN_ERROR_FREE_CH1), 3.0);
  EXPECT_EQ(fill(PANELMAIN_ERROR_COUNT_CH1), 0x80FF80);
  EXPECT_EQ(visible(PANELMAIN_TEXTMSG_LT_ER_CH1), 1);
  EXPECT_FLOAT_EQ(static_cast<float>(value(PANELMAIN_ERROR_RATIO_CH1)),
                  static_cast<float>(1.0 / k2p34));
  EXPECT_EQ(value(PANELMAIN_ERROR_HIST_BAR_CH1), 0.0);
  EXPECT_FLOAT_EQ(static_cast<float>(value(PANELMAIN_CLOCK_FREQUENCY_CH1)), 10.0f);
  EXPECT_FLOAT_EQ(static_cast<float>(value(PANELMAIN_BIT_TIME_CH1)), 100.0f);
  EXPECT_EQ(value(PANELMAIN_ONES_CNT_CH1), 128.0);
  Delay(1.7);
  sample(1, 10000, 128, 0x80, 0);
  EXPECT_EQ(value(PANELMAIN_ERROR_FREE_CH1), 4.0);
}

TEST_F(StatisticsTest, OneErrorRestartsTheStretchAndHidesTheBound) {
  Delay(5.0);
  sample(2, 28000, 128, 0x80, 1);
  EXPECT_EQ(value(PANELMAIN_ERROR_FREE_CH2), 0.0);
  EXPECT_EQ(value(PANELMAIN_ERROR_HIST_BAR_CH2), 1.0);
  EXPECT_EQ(visible(PANELMAIN_TEXTMSG_LT_ER_CH2), 0);
  EXPECT_EQ(fill(PANELMAIN_ERROR_COUNT_CH2), 0xFFFFFF);
  Delay(2.0);
  sample(2, 28000, 128, 0x80, 0);
  EXPECT_EQ(value(PANELMAIN_ERROR_FREE_CH2), 2.0);  // counted from the errored sample
}

TEST_F(StatisticsTest, SuspectSamplesShowOnPink) {
  sample(1, 10000, 128, 0x80, k2p34 / 2);  // ratio 0.5
  EXPECT_EQ(fill(PANELMAIN_ERROR_COUNT_CH1), 0xFFCCCC);
  sample(2, 10000, 128, 0x80, k2p34 / 2);
  EXPECT_EQ(fill(PANELMAIN_ERROR_COUNT_CH2), 0xFFCCCC);
  // Data stuck at one: pink on channel 1; channel 2 does not test for it.
  Delay(4.0);
  sample(1, 10000, 255, 0x80, 0);
  EXPECT_EQ(fill(PANELMAIN_ERROR_COUNT_CH1), 0xFFCCCC);
  EXPECT_EQ(value(PANELMAIN_ERROR_FREE_CH1), 0.0);
  sample(2, 10000, 255, 0x80, 0);
  EXPECT_EQ(fill(PANELMAIN_ERROR_COUNT_CH2), 0xFFFFFF);
  EXPECT_EQ(value(PANELMAIN_ERROR_FREE_CH2), 0.0);
  // No clock: zero rate on pink, zero bit time.
  sample(1, 0, 128, 0x80, 0);
  EXPECT_EQ(fill(PANELMAIN_CLOCK_FREQUENCY_CH1), 0xFFCCCC);
  EXPECT_EQ(value(PANELMAIN_BIT_TIME_CH1), 0.0);
}

TEST_F(StatisticsTest, AZeroSampleLengthShowsInfiniteRatios) {
  channelStats[1].sampleLength = 0;
  sample(1, 10000, 128, 0x80, 3);
  EXPECT_TRUE(std::isinf(value(PANELMAIN_ERROR_RATIO_CH1)));
  EXPECT_EQ(value(PANELMAIN_ERROR_HIST_BAR_CH1), 1.0);
}

TEST_F(StatisticsTest, TheRunStartsOnTheSampleAfterTheToggleAndEndsWithItsInterval) {
  SetCtrlVal(panelHandle, PANELMAIN_TEST_INTERVAL_CH1, 60u);
  sample(1, 10000, 128, 0x80, 7);
  toggle(PANELMAIN_COM_TOT_ERR_CNT_CH1, 1);
  EXPECT_EQ(channelStats[1].startCountdown, 1);  // armed
  sample(1, 10000, 128, 0x80, 5);                // the run starts on this one, not counting it
  EXPECT_EQ(channelStats[1].totalsRunning, 1);
  EXPECT_EQ(channelStats[1].totalErrors, 0u);
  sample(1, 10000, 128, 0x80, 4);
  sample(1, 10000, 128, 0x80, 0);
  EXPECT_EQ(channelStats[1].totalErrors, 4u);
  EXPECT_EQ(channelStats[1].totalSamples, 2);
  EXPECT_EQ(text(PANELMAIN_TOT_ERROR_COUNT_CH1), "0,000,000,000,004");
  EXPECT_EQ(visible(PANELMAIN_TEXTMSG_LT_CH1), 0);
  EXPECT_FLOAT_EQ(static_cast<float>(value(PANELMAIN_TOT_ERROR_RATIO_CH1)),
                  static_cast<float>(4.0 / (2.0 * k2p34)));

  for (int tick = 0; tick < 299; ++tick) {
    count_test_tick(1);
    check_test_interval(1);
  }
  EXPECT_EQ(channelStats[1].totalsRunning, 1);
  display_elapsed_times();
  EXPECT_EQ(text(PANELMAIN_ELAPSED_TIME_CH1), "00:00:59");
  count_test_tick(1);
  check_test_interval(1);  // 300 ticks: 60 s
  EXPECT_EQ(channelStats[1].totalsRunning, 0);
  int toggle_value = -1;
  GetCtrlVal(panelHandle, PANELMAIN_COM_TOT_ERR_CNT_CH1, &toggle_value);
  EXPECT_EQ(toggle_value, 0);
  sample(1, 10000, 128, 0x80, 9);
  EXPECT_EQ(channelStats[1].totalErrors, 4u);  // frozen
  count_test_tick(1);
  EXPECT_EQ(channelStats[1].testTicks, 300);
}

TEST_F(StatisticsTest, SwitchingOffBeforeTheNextSampleStartsNoRun) {
  channelStats[2].totalErrors = 55;
  toggle(PANELMAIN_COM_TOT_ERR_CNT_CH2, 1);
  toggle(PANELMAIN_COM_TOT_ERR_CNT_CH2, 0);
  sample(2, 10000, 128, 0x80, 3);
  sample(2, 10000, 128, 0x80, 3);
  EXPECT_EQ(channelStats[2].totalsRunning, 0);
  EXPECT_EQ(channelStats[2].totalErrors, 0u);  // cleared by the switch-on, and stays so
  EXPECT_EQ(visible(PANELMAIN_TEXTMSG_LT_CH2), 1);
}

TEST_F(StatisticsTest, AnIntervalAlreadyReachedAddsNoSample) {
  toggle(PANELMAIN_COM_TOT_ERR_CNT_CH1, 1);
  channelStats[1].testInterval = 0;  // the entry takes no 0: a run already over
  check_test_interval(1);
  sample(1, 10000, 128, 0x80, 3);  // sets totals running...
  check_test_interval(1);            // ...and the same tick stops it
  sample(1, 10000, 128, 0x80, 3);
  EXPECT_EQ(channelStats[1].totalErrors, 0u);
  EXPECT_EQ(channelStats[1].totalsRunning, 0);
}

TEST_F(StatisticsTest, TheTotalRatioOfALongRunDoesNotOverflow) {
  ChannelStats& s = channelStats[1];
  s.sampleLength = 1ULL << 40;
  s.totalsRunning = 1;
  s.totalSamples = 1 << 30;  // 2^70 bits in all: beyond 64 bits
  s.totalErrors = 1;
  sample(1, 10000, 128, 0x80, 0);
  const double ratio = value(PANELMAIN_TOT_ERROR_RATIO_CH1);
  EXPECT_GT(ratio, 0.0);
  EXPECT_NEAR(ratio / std::ldexp(1.0, -70), 1.0, 1e-6);
}

TEST_F(StatisticsTest, OtherEventsAndControlsAreIgnoredByTheToggleCallback) {
  SetCtrlVal(panelHandle, PANELMAIN_COM_TOT_ERR_CNT_CH1, 1);
  EXPECT_EQ(CB_TotalErrCntButton(panelHandle, PANELMAIN_COM_TOT_ERR_CNT_CH1, EVENT_VAL_CHANGED,
                                 nullptr, 0, 0),
            0);
  EXPECT_EQ(CB_TotalErrCntButton(panelHandle, PANELMAIN_INIT_CH1, EVENT_COMMIT, nullptr, 0, 0), 0);
  EXPECT_EQ(channelStats[1].startCountdown, 0);
}

}  // namespace
