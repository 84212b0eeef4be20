// What a user reads off the windows at a glance: toggles whose on and off
// look apart, dimmed fields whose values are as grey as their captions, the
// keys of the menu commands with the About box, and the program's icon.
#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <algorithm>

#include "app/apply_settings.h"
#include "app/debug_panel.h"
#include "app/startup.h"
#include "app/statistics.h"
#include "app/version.h"
#include "platform/ui_runtime/ui_store.h"
#include "tests/gui/qt_fixture.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

// Pixels of a lamp's lit green.
int lit_pixels(QWidget* w) {
  const QImage image = w->grab().toImage();
  int lit = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      lit += c.green() > 150 && c.red() < 120 && c.blue() < 120;
    }
  return lit;
}

// Lightness (0 black .. 255 white) of the darkest pixel inside `w`, its box
// left out.
int darkest(QWidget* w) {
  const QImage image = w->grab().toImage();
  int dark = 255;
  for (int y = 3; y < image.height() - 3; ++y)
    for (int x = 3; x < image.width() - 3; ++x)
      dark = std::min(dark, image.pixelColor(x, y).lightness());
  return dark;
}

QAction* menu_action(QMainWindow* w, const QString& text) {
  for (QAction* top : w->menuBar()->actions())
    if (top->menu())
      for (QAction* item : top->menu()->actions())
        if (item->text() == text) return item;
  return nullptr;
}

std::vector<int>& menu_items() {
  static std::vector<int> items;
  return items;
}

void record_menu(int, int item, void*, int) { menu_items().push_back(item); }

class WindowLookTest : public QtFixture {
 protected:
  void SetUp() override {
    QtFixture::SetUp();
    menu_items().clear();
    kd71_bind_callbacks();
  }
  // Makes `w` the window that has the keyboard.
  void activate(QWidget* w) {
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
  }
};

TEST_F(WindowLookTest, AToggleShowsALitLampWhileItIsOnAndATimedTestWhileItRuns) {
  panelHandle = open_panel(PANELMAIN);
  QAbstractButton* run = part<QAbstractButton>(panelHandle, PANELMAIN_COM_TOT_ERR_CNT_CH1);
  EXPECT_EQ(lit_pixels(run), 0);
  QTest::mouseClick(run, Qt::LeftButton);  // the user starts a timed test
  ui::process_pending();
  EXPECT_EQ(channelStats[1].startCountdown, 1) << "the test is under way";
  EXPECT_GT(lit_pixels(run), 10);
  EXPECT_EQ(lit_pixels(part<QAbstractButton>(panelHandle, PANELMAIN_COM_TOT_ERR_CNT_CH2)), 0);
  // Its interval runs out: the program pops the toggle out, the lamp goes out.
  channelStats[1].testTicks = 60 * 5;
  check_test_interval(1);
  EXPECT_EQ(lit_pixels(run), 0);

  // The expander pins read the same way.
  Debug(GetPanelMenuBar(panelHandle), MENUBAR_ITEM1, nullptr, panelHandle);
  SetCtrlVal(debugPanelHandle, PANELDEBUG_GP_3, 1);
  EXPECT_GT(lit_pixels(widget(debugPanelHandle, PANELDEBUG_GP_3)), 10);
  EXPECT_EQ(lit_pixels(widget(debugPanelHandle, PANELDEBUG_GP_4)), 0);
}

TEST_F(WindowLookTest, DimmedFieldsShowTheirValuesAsGreyAsTheirCaptions) {
  panelHandle = open_panel(PANELMAIN);
  // A field the program has coloured, as a sample does.
  SetCtrlAttribute(panelHandle, PANELMAIN_ERROR_COUNT_CH1, ATTR_FILL_COLOR, 0x80FF80);
  SetAllAttribsMain(1);  // no board
  QApplication::processEvents();
  // Each field and its caption: the label beside it, or the text in front.
  const std::pair<int, QWidget*> fields[] = {
      {PANELMAIN_TOT_ERROR_COUNT_CH1, nullptr},
      {PANELMAIN_ELAPSED_TIME_CH1, nullptr},
      {PANELMAIN_TEST_INTERVAL_CH1, widget(panelHandle, PANELMAIN_TEXTMSG_16)},
      {PANELMAIN_ERROR_FREE_CH1, nullptr},
      {PANELMAIN_BIT_TIME_CH1, nullptr},
      {PANELMAIN_CLOCK_FREQUENCY_CH2, nullptr},
      {PANELMAIN_ERROR_COUNT_CH1, nullptr},
      {PANELMAIN_ONES_CNT_CH2, nullptr}};
  for (auto [control, caption] : fields) {
    if (!caption) caption = window(panelHandle)->view(control)->label();
    ASSERT_NE(caption, nullptr) << control;
    EXPECT_GE(darkest(widget(panelHandle, control)), darkest(caption) - 20)
        << "control " << control << " keeps dark text while its caption is dimmed";
  }
  SetAllAttribsMain(0);  // the board's settings applied
  for (auto [control, caption] : fields)
    EXPECT_LT(darkest(widget(panelHandle, control)), 100) << "control " << control;
}

TEST_F(WindowLookTest, TheKeysOfTheMenuCommandsShowInTheMenusAndWorkFromEveryWindow) {
  ui::bind_callback("QuitAll", record_event);
  ui::bind_menu_callback("FileSaveAs", record_menu);
  ui::bind_menu_callback("FileOpen", record_menu);
  panelHandle = open_panel(PANELMAIN);
  qt::PanelWindow* main = window(panelHandle);
  const std::pair<const char*, const char*> keys[] = {{"Save As Configuration", "Ctrl+S"},
                                                      {"Open Configuration", "Ctrl+O"},
                                                      {"Quit", "Ctrl+Q"},
                                                      {"About", "F1"}};
  for (const auto& [text, key] : keys) {
    QAction* action = menu_action(main, text);
    ASSERT_NE(action, nullptr) << text;
    EXPECT_EQ(action->shortcut().toString(), key) << text;
  }

  activate(main);
  QTest::keyClick(main, Qt::Key_S, Qt::ControlModifier);
  QTest::keyClick(main, Qt::Key_O, Qt::ControlModifier);
  ui::process_pending();
  EXPECT_EQ(menu_items(), (std::vector<int>{MENUBAR_FILE_FILESAVEAS, MENUBAR_FILE_FILEOPEN}));

  // Ctrl+Q from the debug window presses the main panel's Quit button.
  Debug(GetPanelMenuBar(panelHandle), MENUBAR_ITEM1, nullptr, panelHandle);
  qt::PanelWindow* debug = window(debugPanelHandle);
  activate(debug);
  QTest::keyClick(debug, Qt::Key_Q, Qt::ControlModifier);
  ui::process_pending();
  ASSERT_EQ(recorded_events().size(), 1u);
  EXPECT_EQ(recorded_events()[0].panel, panelHandle);
  EXPECT_EQ(recorded_events()[0].control, PANELMAIN_CMDQUIT);
  EXPECT_EQ(recorded_events()[0].event, EVENT_COMMIT);
}

TEST_F(WindowLookTest, AboutShowsTheVersionAndTheBuildStampOfTheProgram) {
  panelHandle = open_panel(PANELMAIN);
  SetCtrlVal(panelHandle, PANELMAIN_VER, kVersionText);  // as start-up sets them
  SetCtrlAttribute(panelHandle, PANELMAIN_VER, ATTR_TOOLTIP_TEXT, build_stamp());
  qt::PanelWindow* main = window(panelHandle);
  activate(main);
  QTest::keyClick(main, Qt::Key_F1);
  auto* about = main->findChild<QMessageBox*>(qt::kAboutBoxName);
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(about->isVisible());
  EXPECT_TRUE(about->text().contains(QStringLiteral("Version V 1.0.8")))
      << about->text().toStdString();
  EXPECT_TRUE(about->text().contains(QString::fromUtf8(build_stamp())))
      << about->text().toStdString();
  EXPECT_EQ(ui::pending_event_count(), 0) << "About is the window's own; the program sees nothing";
  about->accept();
}

TEST_F(WindowLookTest, EveryWindowCarriesTheProgramsIcon) {
  panelHandle = open_panel(PANELMAIN);
  Debug(GetPanelMenuBar(panelHandle), MENUBAR_ITEM1, nullptr, panelHandle);
  open_scope_panel(debugPanelHandle, PANELDEBUG_SCOPE, EVENT_COMMIT, nullptr, 0, 0);
  for (int panel : {panelHandle, debugPanelHandle, scopePanelHandle}) {
    const QImage icon = window(panel)->windowIcon().pixmap(32, 32).toImage();
    ASSERT_FALSE(icon.isNull()) << "panel " << panel;
    int drawn = 0;
    for (int y = 0; y < icon.height(); ++y)
      for (int x = 0; x < icon.width(); ++x) drawn += icon.pixelColor(x, y).alpha() > 200;
    EXPECT_GT(drawn, icon.width() * icon.height() / 2) << "panel " << panel;
  }
}

}  // namespace
}  // namespace kd71::test
