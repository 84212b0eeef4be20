#include "platform/ui_runtime/ui_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/support/fresh_state.h"
#include "ui/main_uir.h"

namespace {

class ControlStoreTest : public kd71::test::FreshState {
 protected:
  void SetUp() override {
    FreshState::SetUp();
    main_ = LoadPanel(0, "main.uir", PANELMAIN);
    debug_ = LoadPanel(0, "main.uir", PANELDEBUG);
    ASSERT_GT(main_, 0);
    ASSERT_GT(debug_, 0);
  }
  int main_ = 0;
  int debug_ = 0;
};

TEST_F(ControlStoreTest, ValuesAreKeptInTheControlsOwnType) {
  // An integer written to a float slider is converted to float.
  EXPECT_EQ(SetCtrlVal(main_, PANELMAIN_CH1_THRES, 12), 0);
  float thres = 0;
  EXPECT_EQ(GetCtrlVal(main_, PANELMAIN_CH1_THRES, &thres), 0);
  EXPECT_FLOAT_EQ(thres, 12.0f);

  // A double written to a float control is rounded to single precision.
  SetCtrlVal(main_, PANELMAIN_CH1_SAMPDEL, 1.65);
  float delay = 0;
  GetCtrlVal(main_, PANELMAIN_CH1_SAMPDEL, &delay);
  EXPECT_EQ(delay, 1.65f);

  // A double written to an unsigned control truncates toward zero.
  SetCtrlVal(main_, PANELMAIN_ERROR_FREE_CH1, 41.9);
  unsigned int seconds = 0;
  GetCtrlVal(main_, PANELMAIN_ERROR_FREE_CH1, &seconds);
  EXPECT_EQ(seconds, 41u);

  // A 40-bit count fits the 64-bit error count control unchanged.
  SetCtrlVal(main_, PANELMAIN_ERROR_COUNT_CH1, 4294967296ULL);
  long long errors = 0;
  GetCtrlVal(main_, PANELMAIN_ERROR_COUNT_CH1, &errors);
  EXPECT_EQ(errors, 4294967296LL);

  unsigned char state = 0;
  SetCtrlVal(debug_, PANELDEBUG_CHANNEL_STATE_CH1, 0x80);
  GetCtrlVal(debug_, PANELDEBUG_CHANNEL_STATE_CH1, &state);
  EXPECT_EQ(state, 0x80);
}

TEST_F(ControlStoreTest, NumericsClampToTheirRangeAndIgnoreNaN) {
  float thres = 0;
  SetCtrlVal(main_, PANELMAIN_CH2_THRES, 150.0);
  GetCtrlVal(main_, PANELMAIN_CH2_THRES, &thres);
  EXPECT_FLOAT_EQ(thres, 89.45f);
  SetCtrlVal(main_, PANELMAIN_CH2_THRES, -1e9);
  GetCtrlVal(main_, PANELMAIN_CH2_THRES, &thres);
  EXPECT_FLOAT_EQ(thres, -89.45f);

  SetCtrlVal(main_, PANELMAIN_CH2_THRES, 3.5);
  EXPECT_NE(SetCtrlVal(main_, PANELMAIN_CH2_THRES, std::nan("")), 0);
  GetCtrlVal(main_, PANELMAIN_CH2_THRES, &thres);
  EXPECT_FLOAT_EQ(thres, 3.5f);

  // Unsigned controls clamp negative values to their range.
  SetCtrlVal(main_, PANELMAIN_ONES_CNT_CH1, -5);
  unsigned int ones = 99;
  GetCtrlVal(main_, PANELMAIN_ONES_CNT_CH1, &ones);
  EXPECT_EQ(ones, 0u);
  SetCtrlVal(main_, PANELMAIN_ONES_CNT_CH1, 1000u);
  GetCtrlVal(main_, PANELMAIN_ONES_CNT_CH1, &ones);
  EXPECT_EQ(ones, 255u);

  // The snapshot channel holds only 1 or 2.
  int ch = 0;
  SetCtrlVal(debug_, PANELDEBUG_SNAPSHOT_CH, 7);
  GetCtrlVal(debug_, PANELDEBUG_SNAPSHOT_CH, &ch);
  EXPECT_EQ(ch, 2);
}

TEST_F(ControlStoreTest, RingsTakeOnlyTheValuesOfTheirItems) {
  unsigned int pattern = 0;
  EXPECT_EQ(SetCtrlVal(main_, PANELMAIN_DATA_SELECT_CH1, 99u), 0);
  GetCtrlVal(main_, PANELMAIN_DATA_SELECT_CH1, &pattern);
  EXPECT_EQ(pattern, 99u);

  EXPECT_NE(SetCtrlVal(main_, PANELMAIN_DATA_SELECT_CH1, 9u), 0);
  EXPECT_NE(SetCtrlVal(main_, PANELMAIN_DATA_SELECT_CH1, 2.5), 0);
  GetCtrlVal(main_, PANELMAIN_DATA_SELECT_CH1, &pattern);
  EXPECT_EQ(pattern, 99u);

  int clock_mode = -1;
  EXPECT_NE(SetCtrlVal(main_, PANELMAIN_RING_IN_CLK_CH1, 3), 0);
  SetCtrlVal(main_, PANELMAIN_RING_IN_CLK_CH1, 2);
  GetCtrlVal(main_, PANELMAIN_RING_IN_CLK_CH1, &clock_mode);
  EXPECT_EQ(clock_mode, 2);

  int phase = -1;
  EXPECT_NE(SetCtrlVal(debug_, PANELDEBUG_RINGSLIDE_9372PHS_CH2, 2), 0);
  SetCtrlVal(debug_, PANELDEBUG_RINGSLIDE_9340PHS_CH2, 3);
  GetCtrlVal(debug_, PANELDEBUG_RINGSLIDE_9340PHS_CH2, &phase);
  EXPECT_EQ(phase, 3);
}

TEST_F(ControlStoreTest, TextBoxesAppendOtherTextControlsReplace) {
  SetCtrlVal(debug_, PANELDEBUG_DEBUG_OUTPUT, "USB came on -- Initialized\n");
  SetCtrlVal(debug_, PANELDEBUG_DEBUG_OUTPUT, "second line\n");
  std::string log;
  GetCtrlVal(debug_, PANELDEBUG_DEBUG_OUTPUT, &log);
  EXPECT_EQ(log, "USB came on -- Initialized\nsecond line\n");
  // A full log drops its oldest lines, whole, and keeps the newest.
  const std::string line = std::string(99, 'x') + "\n";
  for (std::size_t n = 0; n < 2 * kd71::ui::kTextBoxLimit / line.size(); ++n)
    SetCtrlVal(debug_, PANELDEBUG_DEBUG_OUTPUT, line);
  SetCtrlVal(debug_, PANELDEBUG_DEBUG_OUTPUT, "newest\n");
  GetCtrlVal(debug_, PANELDEBUG_DEBUG_OUTPUT, &log);
  EXPECT_LE(log.size(), kd71::ui::kTextBoxLimit);
  EXPECT_GE(log.size(), kd71::ui::kTextBoxLimit / 2 - line.size());
  EXPECT_EQ(log.substr(0, line.size()), line);
  EXPECT_EQ(log.substr(log.size() - 7), "newest\n");

  SetCtrlVal(main_, PANELMAIN_NOTIFY_USER, "USB CONNECTED");
  SetCtrlVal(main_, PANELMAIN_NOTIFY_USER, "USB NOT CONNECTED");
  char notice[8];
  GetCtrlVal(main_, PANELMAIN_NOTIFY_USER, notice);  // bounded to the buffer
  EXPECT_STREQ(notice, "USB NOT");

  EXPECT_EQ(SetCtrlVal(main_, PANELMAIN_NOTIFY_USER, 5), UIE_WRONG_TYPE);
  EXPECT_EQ(SetCtrlVal(main_, PANELMAIN_CH1_THRES, "5"), UIE_WRONG_TYPE);
}

TEST_F(ControlStoreTest, AttributesAreKeptPerControl) {
  int value = -1;
  SetCtrlAttribute(main_, PANELMAIN_CH1_THRES, ATTR_DIMMED, 1);
  GetCtrlAttribute(main_, PANELMAIN_CH1_THRES, ATTR_DIMMED, &value);
  EXPECT_EQ(value, 1);
  GetCtrlAttribute(main_, PANELMAIN_CH2_THRES, ATTR_DIMMED, &value);
  EXPECT_EQ(value, 0);

  GetCtrlAttribute(main_, PANELMAIN_RETRIES, ATTR_VISIBLE, &value);
  EXPECT_EQ(value, 0);
  SetCtrlAttribute(main_, PANELMAIN_RETRIES, ATTR_VISIBLE, 1);
  GetCtrlAttribute(main_, PANELMAIN_RETRIES, ATTR_VISIBLE, &value);
  EXPECT_EQ(value, 1);

  SetCtrlAttribute(main_, PANELMAIN_CH1_SAMPDEL, ATTR_CTRL_MODE, 0);
  GetCtrlAttribute(main_, PANELMAIN_CH1_SAMPDEL, ATTR_CTRL_MODE, &value);
  EXPECT_EQ(value, 0);

  SetCtrlAttribute(main_, PANELMAIN_NOTIFY_USER, ATTR_TEXT_COLOR, 0x008000);
  GetCtrlAttribute(main_, PANELMAIN_NOTIFY_USER, ATTR_TEXT_COLOR, &value);
  EXPECT_EQ(value, 0x008000);
  SetCtrlAttribute(main_, PANELMAIN_RETRIES, ATTR_FILL_COLOR, 0x800080);
  GetCtrlAttribute(main_, PANELMAIN_RETRIES, ATTR_FILL_COLOR, &value);
  EXPECT_EQ(value, 0x800080);
  SetCtrlAttribute(debug_, PANELDEBUG_SYNC_LED_CH1, ATTR_ON_COLOR, 0xFFFF00);
  GetCtrlAttribute(debug_, PANELDEBUG_SYNC_LED_CH1, ATTR_ON_COLOR, &value);
  EXPECT_EQ(value, 0xFFFF00);

  std::string tip;
  GetCtrlAttribute(main_, PANELMAIN_CH1_SAMPDEL, ATTR_TOOLTIP_TEXT, &tip);
  EXPECT_EQ(tip, "Skew Adjustment, Clock to Data");
  SetCtrlAttribute(main_, PANELMAIN_VER, ATTR_TOOLTIP_TEXT, "Feb 28 2017 16:54:02");
  GetCtrlAttribute(main_, PANELMAIN_VER, ATTR_TOOLTIP_TEXT, &tip);
  EXPECT_EQ(tip, "Feb 28 2017 16:54:02");

  float incr = 0;
  GetCtrlAttribute(main_, PANELMAIN_CH1_THRES, ATTR_INCR_VALUE, &incr);
  EXPECT_FLOAT_EQ(incr, 0.1f);
  GetCtrlAttribute(main_, PANELMAIN_CH2_SAMPDEL, ATTR_INCR_VALUE, &incr);
  EXPECT_FLOAT_EQ(incr, 0.001f);

  EXPECT_EQ(SetCtrlAttribute(main_, PANELMAIN_CH1_THRES, 12345, 1), UIE_BAD_ATTRIBUTE);
  EXPECT_EQ(SetCtrlAttribute(main_, 999, ATTR_DIMMED, 1), UIE_BAD_CONTROL);
  EXPECT_EQ(SetCtrlAttribute(999, PANELMAIN_CH1_THRES, ATTR_DIMMED, 1), UIE_BAD_PANEL);
}

TEST_F(ControlStoreTest, EachLoadGivesANewHandleWithResourceDefaults) {
  SetCtrlVal(debug_, PANELDEBUG_SMOOTH, 0);
  SetCtrlVal(debug_, PANELDEBUG_SAMPLE_LEN, 5LL);
  DiscardPanel(debug_);
  EXPECT_FALSE(kd71::ui::panel_exists(debug_));
  EXPECT_EQ(SetCtrlVal(debug_, PANELDEBUG_SMOOTH, 1), UIE_BAD_PANEL);

  const int again = LoadPanel(0, "main.uir", PANELDEBUG);
  EXPECT_GT(again, debug_);
  EXPECT_NE(again, main_);
  int smooth = 0;
  GetCtrlVal(again, PANELDEBUG_SMOOTH, &smooth);
  EXPECT_EQ(smooth, 1);
  long long len = 0;
  GetCtrlVal(again, PANELDEBUG_SAMPLE_LEN, &len);
  EXPECT_EQ(len, 17179869184LL);

  EXPECT_LT(LoadPanel(0, "other.uir", PANELMAIN), 0);
  EXPECT_LT(LoadPanel(0, "main.uir", 42), 0);
}

TEST_F(ControlStoreTest, GraphsRecordTheirPlots) {
  const int scope = LoadPanel(0, "main.uir", PANELSCOPE);
  const int ones[3] = {200, 128, 40};
  EXPECT_GT(PlotWaveform(scope, PANELSCOPE_GRAPH_ONES, ones, 3, 1.0, 0.0, -89.45, 2.7953125, 0, 24,
                         0, 1, 0x00FF00),
            0);
  EXPECT_GT(PlotPoint(scope, PANELSCOPE_GRAPH_ONES, 0.0, 237, 16, 0x80FF80), 0);
  const auto plots = kd71::ui::plots(scope, PANELSCOPE_GRAPH_ONES);
  ASSERT_EQ(plots.size(), 2u);
  EXPECT_TRUE(plots[0].waveform);
  EXPECT_EQ(plots[0].values, std::vector<int>({200, 128, 40}));
  EXPECT_DOUBLE_EQ(plots[0].initial_x, -89.45);
  EXPECT_EQ(plots[0].point_style, 24);
  EXPECT_EQ(plots[1].color, 0x80FF80);
  EXPECT_DOUBLE_EQ(plots[1].y, 237.0);

  DeleteGraphPlot(scope, PANELSCOPE_GRAPH_ONES, -1, 1);
  EXPECT_TRUE(kd71::ui::plots(scope, PANELSCOPE_GRAPH_ONES).empty());
  EXPECT_LT(PlotPoint(scope, PANELSCOPE_INV_LED, 0, 0, 16, 0), 0);  // not a graph
}

TEST_F(ControlStoreTest, ReadingIntoTheWrongTypeIsCaughtInDebugBuilds) {
  int wrong = 0;
  EXPECT_DEBUG_DEATH(GetCtrlVal(main_, PANELMAIN_CH1_THRES, &wrong), "type");
  unsigned int also_wrong = 0;
  EXPECT_DEBUG_DEATH(GetCtrlVal(main_, PANELMAIN_RING_IN_CLK_CH1, &also_wrong), "type");
}

}  // namespace
