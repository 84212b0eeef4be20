// Store to window: every change in the store shows on the control's widget at
// once, and never comes back as input.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTest>

#include "hardware/lowlevel_link.h"
#include "platform/ui_runtime/ui_store.h"
#include "tests/gui/qt_fixture.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

QColor pixel(QWidget* w, QPoint at) { return w->grab().toImage().pixelColor(at); }

bool near(const QColor& a, const QColor& b, int tolerance = 40) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

// Pixels of the widget's image within `tolerance` of `color`.
int count_pixels(QWidget* w, const QColor& color, int tolerance = 40) {
  const QImage image = w->grab().toImage();
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (near(image.pixelColor(x, y), color, tolerance)) ++n;
  return n;
}

using ControlBindingTest = QtFixture;

TEST_F(ControlBindingTest, ValuesShowInTheFormOfTheirControls) {
  const int main = open_panel(PANELMAIN);
  SetCtrlVal(main, PANELMAIN_CLOCK_FREQUENCY_CH1, 10.0f);
  SetCtrlVal(main, PANELMAIN_ERROR_RATIO_CH2, static_cast<float>(1.0 / 17179869184.0));
  SetCtrlVal(main, PANELMAIN_ERROR_COUNT_CH1, 1234567890123LL);
  SetCtrlVal(main, PANELMAIN_NOTIFY_USER, "USB CONNECTED");
  SetCtrlVal(main, PANELMAIN_TOT_ERROR_COUNT_CH2, "0,000,001,234,567");
  SetCtrlVal(main, PANELMAIN_DATA_SELECT_CH1, 99u);
  SetCtrlVal(main, PANELMAIN_CKBX_MANUAL_MD_CH2, 1);
  SetCtrlVal(main, PANELMAIN_CH1_THRES, 12.3f);
  SetCtrlVal(main, PANELMAIN_TEST_INTERVAL_CH1, 3600u);

  EXPECT_EQ(part<QLabel>(main, PANELMAIN_CLOCK_FREQUENCY_CH1)->text(), "10.000");
  EXPECT_EQ(part<QLabel>(main, PANELMAIN_ERROR_RATIO_CH2)->text(), "5.821e-11");
  EXPECT_EQ(part<QLabel>(main, PANELMAIN_ERROR_COUNT_CH1)->text(), "1234567890123");
  EXPECT_EQ(part<QLabel>(main, PANELMAIN_NOTIFY_USER)->text(), "USB CONNECTED");
  EXPECT_EQ(part<QLabel>(main, PANELMAIN_TOT_ERROR_COUNT_CH2)->text(), "0,000,001,234,567");
  EXPECT_EQ(part<QComboBox>(main, PANELMAIN_DATA_SELECT_CH1)->currentText(), "Shut Off");
  EXPECT_TRUE(part<QAbstractButton>(main, PANELMAIN_CKBX_MANUAL_MD_CH2)->isChecked());
  EXPECT_FALSE(part<QAbstractButton>(main, PANELMAIN_CKBX_MANUAL_MD_CH1)->isChecked());
  EXPECT_NEAR(part<QDoubleSpinBox>(main, PANELMAIN_CH1_THRES)->value(), 12.3, 1e-6);
  EXPECT_EQ(part<QSlider>(main, PANELMAIN_CH1_THRES)->value(), 123);  // steps of 0.1 mV
  EXPECT_EQ(part<QDoubleSpinBox>(main, PANELMAIN_TEST_INTERVAL_CH1)->value(), 3600.0);

  SetPanelAttribute(main, ATTR_TITLE, "Error Detector - test");
  EXPECT_EQ(window(main)->windowTitle(), "Error Detector - test");
}

TEST_F(ControlBindingTest, TheMainWindowsTitleNamesTheBoardOfACopyForOne) {
  const int main = open_panel(PANELMAIN);
  choose_board_serial("FT5X9K2A");
  SetPanelAttribute(main, ATTR_TITLE, "Error Detector");
  EXPECT_EQ(window(main)->windowTitle(), "Error Detector (board FT5X9K2A)");
  choose_board_serial("");
  SetPanelAttribute(main, ATTR_TITLE, "Error Detector");
  EXPECT_EQ(window(main)->windowTitle(), "Error Detector");
}

TEST_F(ControlBindingTest, DimmingVisibilityTooltipAndLabelFollowTheStore) {
  const int main = open_panel(PANELMAIN);
  QWidget* count = widget(main, PANELMAIN_ERROR_COUNT_CH1);
  QLabel* count_label = window(main)->view(PANELMAIN_ERROR_COUNT_CH1)->label();
  ASSERT_NE(count_label, nullptr);
  EXPECT_EQ(count_label->text(), "Error Count");

  SetCtrlAttribute(main, PANELMAIN_ERROR_COUNT_CH1, ATTR_DIMMED, 1);
  EXPECT_FALSE(count->isEnabled());
  EXPECT_FALSE(count_label->isEnabled());
  SetCtrlAttribute(main, PANELMAIN_ERROR_COUNT_CH1, ATTR_DIMMED, 0);
  EXPECT_TRUE(count->isEnabled());

  // The retries counter starts hidden, label and all, until the store shows it.
  QWidget* retries = widget(main, PANELMAIN_RETRIES);
  QLabel* retries_label = window(main)->view(PANELMAIN_RETRIES)->label();
  EXPECT_TRUE(retries->isHidden());
  EXPECT_TRUE(retries_label->isHidden());
  SetCtrlAttribute(main, PANELMAIN_RETRIES, ATTR_VISIBLE, 1);
  EXPECT_FALSE(retries->isHidden());
  EXPECT_FALSE(retries_label->isHidden());

  // The bound caption beside a ratio.
  QWidget* bound = widget(main, PANELMAIN_TEXTMSG_LT_ER_CH1);
  SetCtrlAttribute(main, PANELMAIN_TEXTMSG_LT_ER_CH1, ATTR_VISIBLE, 0);
  EXPECT_TRUE(bound->isHidden());

  SetCtrlAttribute(main, PANELMAIN_VER, ATTR_TOOLTIP_TEXT, "Feb 28 2017 16:54:02");
  EXPECT_EQ(widget(main, PANELMAIN_VER)->toolTip(), "Feb 28 2017 16:54:02");
  SetCtrlAttribute(main, PANELMAIN_ERROR_COUNT_CH1, ATTR_LABEL_TEXT, "Errors");
  EXPECT_EQ(count_label->text(), "Errors");
  SetCtrlAttribute(main, PANELMAIN_INIT_CH1, ATTR_LABEL_TEXT, "Initialise");
  EXPECT_EQ(part<QAbstractButton>(main, PANELMAIN_INIT_CH1)->text(), "Initialise");
}

TEST_F(ControlBindingTest, FillAndTextColoursArePainted) {
  const int main = open_panel(PANELMAIN);
  window(main)->resize(1280, 800);
  QWidget* count = widget(main, PANELMAIN_ERROR_COUNT_CH1);
  SetCtrlVal(main, PANELMAIN_ERROR_COUNT_CH1, 0LL);
  // Right-aligned figure: the left edge of the box shows its fill.
  const QPoint inside(4, count->height() / 2);
  EXPECT_TRUE(near(pixel(count, inside), QColor(0xFF, 0xFF, 0xFF), 8)) << "fields start white";
  SetCtrlAttribute(main, PANELMAIN_ERROR_COUNT_CH1, ATTR_FILL_COLOR, 0xFFCCCC);
  EXPECT_TRUE(near(pixel(count, inside), QColor(0xFF, 0xCC, 0xCC), 8));
  SetCtrlAttribute(main, PANELMAIN_ERROR_COUNT_CH1, ATTR_FILL_COLOR, 0x80FF80);
  EXPECT_TRUE(near(pixel(count, inside), QColor(0x80, 0xFF, 0x80), 8));

  QWidget* notice = widget(main, PANELMAIN_NOTIFY_USER);
  SetCtrlVal(main, PANELMAIN_NOTIFY_USER, "USB CONNECTED");
  SetCtrlAttribute(main, PANELMAIN_NOTIFY_USER, ATTR_TEXT_COLOR, 0x008000);
  EXPECT_GT(count_pixels(notice, QColor(0x00, 0x80, 0x00)), 20);
  EXPECT_EQ(count_pixels(notice, QColor(0x80, 0x00, 0x00), 30), 0);
  SetCtrlAttribute(main, PANELMAIN_NOTIFY_USER, ATTR_TEXT_COLOR, 0x800000);
  EXPECT_GT(count_pixels(notice, QColor(0x80, 0x00, 0x00)), 20);
}

TEST_F(ControlBindingTest, LampsShowTheirColours) {
  const int main = open_panel(PANELMAIN);
  QWidget* indicator = widget(main, PANELMAIN_NO_ERR_IND_CH1);
  const QPoint centre(indicator->width() / 2, indicator->height() / 2);
  SetCtrlVal(main, PANELMAIN_NO_ERR_IND_CH1, 0x00FF00);
  EXPECT_TRUE(near(pixel(indicator, centre), QColor(0x00, 0xFF, 0x00), 10));
  SetCtrlVal(main, PANELMAIN_NO_ERR_IND_CH1, 0xFF0101);
  EXPECT_TRUE(near(pixel(indicator, centre), QColor(0xFF, 0x01, 0x01), 10));

  const int scope = open_panel(PANELSCOPE);
  QWidget* led = widget(scope, PANELSCOPE_INV_LED);
  const QPoint led_centre(led->width() / 2, led->height() / 2);
  SetCtrlAttribute(scope, PANELSCOPE_INV_LED, ATTR_ON_COLOR, 0xFFFF00);
  SetCtrlVal(scope, PANELSCOPE_INV_LED, 1);
  const QColor lit = pixel(led, led_centre);
  EXPECT_GT(lit.red(), 200);
  EXPECT_GT(lit.green(), 200);
  EXPECT_LT(lit.blue(), 120);
  SetCtrlVal(scope, PANELSCOPE_INV_LED, 0);
  const QColor unlit = pixel(led, led_centre);
  EXPECT_LT(unlit.red(), 120) << "an unlit LED is dark";
}

TEST_F(ControlBindingTest, GraphsDrawThePlotsInTheirColours) {
  const int scope = open_panel(PANELSCOPE);
  QWidget* graph = widget(scope, PANELSCOPE_GRAPH_ONES);
  graph->resize(600, 300);
  const QColor red(0xFF, 0x00, 0x00), blue(0x00, 0x00, 0xFF);
  EXPECT_EQ(count_pixels(graph, red, 60), 0);

  int ones[64];
  for (int i = 0; i < 64; ++i) ones[i] = 4 * i;
  PlotWaveform(scope, PANELSCOPE_GRAPH_ONES, ones, 64, 1.0, 0.0, -89.45, 2.7953125, 0, 24, 0, 1,
               0xFF0000);
  EXPECT_GT(count_pixels(graph, red, 60), 100) << "the waveform's line";
  PlotPoint(scope, PANELSCOPE_GRAPH_ONES, 0.0, 128.0, 16, 0x0000FF);
  EXPECT_GT(count_pixels(graph, blue, 60), 5) << "the point's cross";

  DeleteGraphPlot(scope, PANELSCOPE_GRAPH_ONES, -1, 1);
  EXPECT_EQ(count_pixels(graph, red, 60), 0);
  EXPECT_EQ(count_pixels(graph, blue, 60), 0);
}

TEST_F(ControlBindingTest, TheLogAppendsWhatIsWrittenToIt) {
  const int debug = open_panel(PANELDEBUG);
  SetCtrlVal(debug, PANELDEBUG_DEBUG_OUTPUT, "startRange: 1.0\n");
  SetCtrlVal(debug, PANELDEBUG_DEBUG_OUTPUT, "selPoint: 7\n");
  EXPECT_EQ(part<QPlainTextEdit>(debug, PANELDEBUG_DEBUG_OUTPUT)->toPlainText(),
            "startRange: 1.0\nselPoint: 7\n");
}

TEST_F(ControlBindingTest, AStoreChangeNeverComesBackAsInput) {
  for (const char* name : {"general_purpose_IO", "CB_DAC", "CB_TotalErrCntButton", "CB_Debug"})
    ui::bind_callback(name, record_event);
  const int main = open_panel(PANELMAIN);
  const int debug = open_panel(PANELDEBUG);
  SetCtrlVal(main, PANELMAIN_DATA_SELECT_CH2, 3u);
  SetCtrlVal(main, PANELMAIN_RING_IN_CLK_CH1, 2);
  SetCtrlVal(main, PANELMAIN_CKBX_MANUAL_MD_CH1, 1);
  SetCtrlVal(main, PANELMAIN_COM_TOT_ERR_CNT_CH1, 1);
  SetCtrlVal(main, PANELMAIN_CH2_SAMPDEL, 1.5f);
  SetCtrlVal(main, PANELMAIN_CH1_THRES, -20.0f);
  SetCtrlVal(main, PANELMAIN_TEST_INTERVAL_CH2, 10u);
  SetCtrlVal(debug, PANELDEBUG_SNAPSHOT_CH, 2);
  SetCtrlVal(debug, PANELDEBUG_RINGSLIDE_9340PHS_CH1, 3);
  EXPECT_EQ(ui::pending_event_count(), 0);
  ui::process_pending();
  EXPECT_TRUE(recorded_events().empty());
}

TEST_F(ControlBindingTest, ALockedControlIsShownButNotOperated) {
  ui::bind_callback("CB_InitChan", record_event);
  const int main = open_panel(PANELMAIN);
  auto* init = part<QAbstractButton>(main, PANELMAIN_INIT_CH1);
  SetCtrlAttribute(main, PANELMAIN_INIT_CH1, ATTR_CTRL_MODE, 0);
  EXPECT_TRUE(init->isEnabled()) << "locked is not dimmed";
  QTest::mouseClick(init, Qt::LeftButton);
  EXPECT_EQ(ui::pending_event_count(), 0);
  SetCtrlAttribute(main, PANELMAIN_INIT_CH1, ATTR_CTRL_MODE, 1);
  QTest::mouseClick(init, Qt::LeftButton);
  ui::process_pending();
  ASSERT_EQ(recorded_events().size(), 1u);
  EXPECT_EQ(recorded_events()[0].control, PANELMAIN_INIT_CH1);
}

TEST_F(ControlBindingTest, ADiscardedPanelTakesItsWindowAlong) {
  const int debug = open_panel(PANELDEBUG);
  ASSERT_NE(window(debug), nullptr);
  EXPECT_TRUE(window(debug)->isVisible());
  DiscardPanel(debug);
  EXPECT_EQ(window(debug), nullptr);
}

}  // namespace
}  // namespace kd71::test
