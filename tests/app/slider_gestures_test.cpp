// The fine-tuning gestures of the analog sliders: the wheel and its coarse
// steps, the two marks and their midpoint, and the double-click threshold
// sweep.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/analog_controls.h"
#include "app/panel_handles.h"
#include "app/saved_settings.h"
#include "platform/ui_runtime/ui_store.h"
#include "tests/support/signal_bridge.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

class SliderGesturesTest : public SignalTest {
 protected:
  void event(int control, int code, int data = 0) {
    CB_DAC(panelHandle, control, code, nullptr, data, 0);
  }
  // Moves the slider and applies it, as a drag of the user's does.
  void set(int control, double value) {
    SetCtrlVal(panelHandle, control, value);
    event(control, EVENT_VAL_CHANGED);
  }
  float value(int control) const {
    return static_cast<float>(ui::numeric_value(panelHandle, control));
  }
  double last_threshold() const { return board->thresholds.back().mv; }
};

TEST_F(SliderGesturesTest, TheWheelStepsByTheIncrementAndTenTimesThatWithTheRightButtonHeld) {
  set(PANELMAIN_CH1_THRES, 5.0);
  event(PANELMAIN_CH1_THRES, EVENT_MOUSE_WHEEL_SCROLL, MOUSE_WHEEL_SCROLL_UP);
  EXPECT_FLOAT_EQ(value(PANELMAIN_CH1_THRES), 5.1f);
  EXPECT_NEAR(last_threshold(), 5.1, 0.05) << "the step is applied";
  EXPECT_FLOAT_EQ(Ch1_Threshold, 5.1f);

  event(PANELMAIN_CH1_THRES, EVENT_RIGHT_CLICK);
  event(PANELMAIN_CH1_THRES, EVENT_MOUSE_WHEEL_SCROLL, MOUSE_WHEEL_SCROLL_DOWN);
  EXPECT_FLOAT_EQ(value(PANELMAIN_CH1_THRES), 4.1f);
  event(PANELMAIN_CH2_SAMPDEL, EVENT_RIGHT_CLICK_UP);  // any slider's release ends it
  event(PANELMAIN_CH1_THRES, EVENT_MOUSE_WHEEL_SCROLL, MOUSE_WHEEL_SCROLL_DOWN);
  EXPECT_FLOAT_EQ(value(PANELMAIN_CH1_THRES), 4.0f);

  // Another direction code applies the value as it stands.
  const std::size_t writes = board->thresholds.size();
  event(PANELMAIN_CH1_THRES, EVENT_MOUSE_WHEEL_SCROLL, 7);
  EXPECT_FLOAT_EQ(value(PANELMAIN_CH1_THRES), 4.0f);
  EXPECT_EQ(board->thresholds.size(), writes + 1);

  // A pending suppress flag swallows the step's application once.
  suppressNextChange = 1;
  event(PANELMAIN_CH1_THRES, EVENT_MOUSE_WHEEL_SCROLL, MOUSE_WHEEL_SCROLL_UP);
  EXPECT_FLOAT_EQ(value(PANELMAIN_CH1_THRES), 4.1f);
  EXPECT_EQ(board->thresholds.size(), writes + 1);
  EXPECT_EQ(suppressNextChange, 0);

  // A sampling delay steps by its own increment (1 mV) through the FPGA.
  set(PANELMAIN_CH1_SAMPDEL, 1.0);
  event(PANELMAIN_CH1_SAMPDEL, EVENT_MOUSE_WHEEL_SCROLL, MOUSE_WHEEL_SCROLL_UP);
  EXPECT_FLOAT_EQ(value(PANELMAIN_CH1_SAMPDEL), 1.001f);
  EXPECT_FLOAT_EQ(Ch1_SamplingDelay, 1.001f);
}

TEST_F(SliderGesturesTest, TheMidpointKeyMovesTheSliderBetweenTheMarksOnly) {
  set(PANELMAIN_CH2_THRES, 2.0);
  event(PANELMAIN_CH2_THRES, EVENT_KEYPRESS, '.');
  set(PANELMAIN_CH2_THRES, 7.0);
  event(PANELMAIN_CH2_THRES, EVENT_KEYPRESS, ',');
  const std::size_t writes = board->thresholds.size();
  event(PANELMAIN_CH2_THRES, EVENT_KEYPRESS, '/');
  EXPECT_FLOAT_EQ(value(PANELMAIN_CH2_THRES), 4.5f);
  EXPECT_EQ(board->thresholds.size(), writes) << "the board keeps 7 mV until the next change";
  EXPECT_FLOAT_EQ(Ch2_Threshold, 7.0f);

  // The marks are shared by the sliders; "?" and "/" with the high bit set
  // are the midpoint too, other keys nothing.
  SetCtrlVal(panelHandle, PANELMAIN_CH1_THRES, 0.0);
  event(PANELMAIN_CH1_THRES, EVENT_KEYPRESS, 'x');
  EXPECT_FLOAT_EQ(value(PANELMAIN_CH1_THRES), 0.0f);
  for (int key : {int{'?'}, '/' | 0x80}) {
    SetCtrlVal(panelHandle, PANELMAIN_CH1_THRES, 0.0);
    event(PANELMAIN_CH1_THRES, EVENT_KEYPRESS, key);
    EXPECT_FLOAT_EQ(value(PANELMAIN_CH1_THRES), 4.5f) << key;
  }
}

TEST_F(SliderGesturesTest, ADoubleClickSweepsFromThePreviousThresholdAndSettlesInTheFreeZone) {
  open_debug_panel();
  board->fast_errors = [](double mv) { return mv > 9.9 && mv < 20.1 ? 0 : 12; };
  set(PANELMAIN_CH1_THRES, 0.0);
  set(PANELMAIN_CH1_THRES, 32.0);  // the previous threshold is now 0 mV
  const std::size_t first = board->thresholds.size();
  event(PANELMAIN_CH1_THRES, EVENT_LEFT_DOUBLE_CLICK);

  const std::vector<ThresholdWrite>& w = board->thresholds;
  ASSERT_EQ(w.size(), first + 33);
  EXPECT_EQ(board->routine_polls, 32);
  for (int i = 0; i < 32; ++i) {
    EXPECT_NEAR(w[first + i].mv, i, 0.05) << i;  // 32 mV itself is not probed
    EXPECT_TRUE(w[first + i].lock) << i;
  }
  // 10 to 20 mV are error-free: the middle of the zone.
  EXPECT_NEAR(w.back().mv, 15.0, 0.05);
  EXPECT_FALSE(w.back().lock);
  EXPECT_FLOAT_EQ(value(PANELMAIN_CH1_THRES), 15.0f);
  EXPECT_EQ(ui::text_value(debugPanelHandle, PANELDEBUG_DEBUG_OUTPUT),
            "startRange: 0.000000 voltSetting (end): 32.000000 abscInc: 1.000000 \n"
            "selPoint: 15 chosen voltSetting: 15.000000\n");
  // The settings save the sweep's choice, as after an Init; the next change
  // is swallowed once.
  EXPECT_FLOAT_EQ(Ch1_Threshold, 15.0f);
  EXPECT_FLOAT_EQ(previousThreshold[1], 0.0f);
  EXPECT_EQ(suppressNextChange, 1);
  set(PANELMAIN_CH2_THRES, 3.0);
  EXPECT_EQ(w.size(), first + 33);
  EXPECT_EQ(suppressNextChange, 0);
}

TEST_F(SliderGesturesTest, ADoubleClickOnASamplingDelaySweepsNothing) {
  set(PANELMAIN_CH2_SAMPDEL, 1.0);
  const std::size_t calls = board->calls.size();
  event(PANELMAIN_CH2_SAMPDEL, EVENT_LEFT_DOUBLE_CLICK);
  EXPECT_EQ(board->calls.size(), calls);
  EXPECT_EQ(suppressNextChange, 0);
}

}  // namespace
}  // namespace kd71::test
