// Window to store: the user's actions write the control's value and queue its
// events, so the callbacks run from the store's dispatch with the event codes
// they act on.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QMenuBar>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>

#include "platform/ui_runtime/ui_store.h"
#include "tests/gui/qt_fixture.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

std::vector<int> events_of(int control) {
  std::vector<int> events;
  for (const Recorded& r : recorded_events())
    if (r.control == control) events.push_back(r.event);
  return events;
}

void turn_wheel(QWidget* w, int degrees_times_8) {
  const QPointF at(w->width() / 2.0, w->height() / 2.0);
  QWheelEvent wheel(at, w->mapToGlobal(at), QPoint(), QPoint(0, degrees_times_8), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(w, &wheel);
}

class UserInputTest : public QtFixture {
 protected:
  void SetUp() override {
    QtFixture::SetUp();
    for (const char* name : {"CB_InitChan", "general_purpose_IO", "CB_DAC", "CB_TotalErrCntButton"})
      ui::bind_callback(name, record_event);
    main_ = open_panel(PANELMAIN);
  }
  int main_ = 0;
};

TEST_F(UserInputTest, ClickingACommandButtonRunsItsCallback) {
  QTest::mouseClick(part<QAbstractButton>(main_, PANELMAIN_INIT_CH2), Qt::LeftButton);
  EXPECT_TRUE(recorded_events().empty()) << "callbacks run from the store's dispatch only";
  ui::process_pending();
  ASSERT_EQ(recorded_events().size(), 1u);
  EXPECT_EQ(recorded_events()[0].panel, main_);
  EXPECT_EQ(recorded_events()[0].control, PANELMAIN_INIT_CH2);
  EXPECT_EQ(recorded_events()[0].event, EVENT_COMMIT);
}

TEST_F(UserInputTest, ChangingARingCommitsTheChosenItemsValue) {
  auto* clock_ring = part<QComboBox>(main_, PANELMAIN_RING_IN_CLK_CH1);
  ASSERT_EQ(clock_ring->currentText(), "Clock");
  QTest::keyClick(clock_ring, Qt::Key_Down);  // "Div /4"
  ui::process_pending();
  int value = -1;
  GetCtrlVal(main_, PANELMAIN_RING_IN_CLK_CH1, &value);
  EXPECT_EQ(value, 2);
  EXPECT_EQ(events_of(PANELMAIN_RING_IN_CLK_CH1),
            (std::vector<int>{EVENT_VAL_CHANGED, EVENT_COMMIT}));

  // Pattern rings hold 99 for "Shut Off", not its position.
  auto* pattern = part<QComboBox>(main_, PANELMAIN_DATA_SELECT_CH2);
  QTest::keyClick(pattern, Qt::Key_End);
  ui::process_pending();
  unsigned int pattern_value = 0;
  GetCtrlVal(main_, PANELMAIN_DATA_SELECT_CH2, &pattern_value);
  EXPECT_EQ(pattern_value, 99u);
  EXPECT_EQ(events_of(PANELMAIN_DATA_SELECT_CH2),
            (std::vector<int>{EVENT_VAL_CHANGED, EVENT_COMMIT}));

  // A wheel turned over a ring does not change the channel's pattern.
  turn_wheel(pattern, -120);
  EXPECT_EQ(ui::pending_event_count(), 0);
  EXPECT_EQ(pattern->currentText(), "Shut Off");
}

TEST_F(UserInputTest, ToggleButtonsCheckBoxesAndEntriesWriteTheirValues) {
  QTest::mouseClick(part<QAbstractButton>(main_, PANELMAIN_COM_TOT_ERR_CNT_CH1), Qt::LeftButton);
  auto* manual_box = part<QAbstractButton>(main_, PANELMAIN_CKBX_MANUAL_MD_CH2);
  QTest::mouseClick(manual_box, Qt::LeftButton, {}, QPoint(6, manual_box->height() / 2));
  auto* interval = part<QDoubleSpinBox>(main_, PANELMAIN_TEST_INTERVAL_CH2);
  interval->selectAll();
  QTest::keyClicks(interval, "900");
  QTest::keyClick(interval, Qt::Key_Return);
  ui::process_pending();

  int toggle = 0, manual = 0;
  unsigned int seconds = 0;
  GetCtrlVal(main_, PANELMAIN_COM_TOT_ERR_CNT_CH1, &toggle);
  GetCtrlVal(main_, PANELMAIN_CKBX_MANUAL_MD_CH2, &manual);
  GetCtrlVal(main_, PANELMAIN_TEST_INTERVAL_CH2, &seconds);
  EXPECT_EQ(toggle, 1);
  EXPECT_EQ(manual, 1);
  EXPECT_EQ(seconds, 900u);
  EXPECT_EQ(events_of(PANELMAIN_COM_TOT_ERR_CNT_CH1),
            (std::vector<int>{EVENT_VAL_CHANGED, EVENT_COMMIT}));
  EXPECT_EQ(events_of(PANELMAIN_CKBX_MANUAL_MD_CH2),
            (std::vector<int>{EVENT_VAL_CHANGED, EVENT_COMMIT}));
}

TEST_F(UserInputTest, TheSliderGesturesReachTheCallbackWithTheirEventCodes) {
  SetCtrlVal(main_, PANELMAIN_CH1_THRES, 0.0f);
  auto* slider = part<QSlider>(main_, PANELMAIN_CH1_THRES);

  turn_wheel(slider, 120);
  turn_wheel(slider, -120);
  QTest::mousePress(slider, Qt::RightButton);
  QTest::mouseRelease(slider, Qt::RightButton);
  QTest::keyClick(slider, '.');
  QTest::keyClick(slider, ',');
  QTest::keyClick(slider, '/');
  ui::process_pending();

  std::vector<std::pair<int, int>> got;
  for (const Recorded& r : recorded_events()) got.emplace_back(r.event, r.data1);
  const std::vector<std::pair<int, int>> want = {
      {EVENT_MOUSE_WHEEL_SCROLL, MOUSE_WHEEL_SCROLL_UP},
      {EVENT_MOUSE_WHEEL_SCROLL, MOUSE_WHEEL_SCROLL_DOWN},
      {EVENT_RIGHT_CLICK, 0},
      {EVENT_RIGHT_CLICK_UP, 0},
      {EVENT_KEYPRESS, 46},
      {EVENT_KEYPRESS, 44},
      {EVENT_KEYPRESS, 47},
  };
  EXPECT_EQ(got, want);
  for (const Recorded& r : recorded_events()) EXPECT_EQ(r.control, PANELMAIN_CH1_THRES);

  // The wheel leaves the value to the callback.
  float value = 1.0f;
  GetCtrlVal(main_, PANELMAIN_CH1_THRES, &value);
  EXPECT_EQ(value, 0.0f);
  EXPECT_EQ(slider->value(), 0);
}

TEST_F(UserInputTest, ADoubleClickOnTheSliderIsPassedOn) {
  SetCtrlVal(main_, PANELMAIN_CH2_THRES, 0.0f);  // the handle sits in the middle
  QTest::mouseDClick(part<QSlider>(main_, PANELMAIN_CH2_THRES), Qt::LeftButton);
  ui::process_pending();
  const std::vector<int> events = events_of(PANELMAIN_CH2_THRES);
  EXPECT_EQ(std::count(events.begin(), events.end(), EVENT_LEFT_DOUBLE_CLICK), 1);
}

TEST_F(UserInputTest, MovingTheSliderChangesTheValueInStepsOfItsIncrement) {
  SetCtrlVal(main_, PANELMAIN_CH1_SAMPDEL, 1.0f);
  QTest::keyClick(part<QSlider>(main_, PANELMAIN_CH1_SAMPDEL), Qt::Key_Right);
  ui::process_pending();
  float value = 0.0f;
  GetCtrlVal(main_, PANELMAIN_CH1_SAMPDEL, &value);
  EXPECT_NEAR(value, 1.001, 1e-6);
  EXPECT_EQ(events_of(PANELMAIN_CH1_SAMPDEL), (std::vector<int>{EVENT_VAL_CHANGED}))
      << "an arrow key types no character";

  recorded_events().clear();
  auto* entry = part<QDoubleSpinBox>(main_, PANELMAIN_CH1_SAMPDEL);
  entry->selectAll();
  QTest::keyClicks(entry, "2.5");
  QTest::keyClick(entry, Qt::Key_Return);
  ui::process_pending();
  GetCtrlVal(main_, PANELMAIN_CH1_SAMPDEL, &value);
  EXPECT_FLOAT_EQ(value, 2.5f);
  const std::vector<int> events = events_of(PANELMAIN_CH1_SAMPDEL);
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[events.size() - 2], EVENT_VAL_CHANGED);
  EXPECT_EQ(events.back(), EVENT_COMMIT);
  EXPECT_EQ(std::count(events.begin(), events.end(), EVENT_KEYPRESS), 3) << "'2', '.', '5'";
}

TEST_F(UserInputTest, MenuItemsRunTheirMenuCallbacks) {
  static int menu_item = 0;
  ui::bind_menu_callback("FileSaveAs", [](int, int item, void*, int) { menu_item = item; });
  QAction* save_as = nullptr;
  for (QAction* top : window(main_)->menuBar()->actions())
    if (top->menu())
      for (QAction* item : top->menu()->actions())
        if (item->text() == "Save As Configuration") save_as = item;
  ASSERT_NE(save_as, nullptr);
  save_as->trigger();
  ui::process_pending();
  EXPECT_EQ(menu_item, MENUBAR_FILE_FILESAVEAS);
}

}  // namespace
}  // namespace kd71::test
