// Each window opens at the size that shows what its panel holds, on the
// smallest screen the windows are made for (the offscreen screen of the
// tests, 1280 x 800): the main and scope windows without scrolling, the
// debug window with every group of a page fully in view when its tab is
// chosen.
#include <QApplication>
#include <QFrame>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

#include "app/debug_panel.h"
#include "app/startup.h"
#include "gui/look.h"
#include "tests/gui/qt_fixture.h"
#include "ui/main_uir.h"

namespace kd71::test {
namespace {

constexpr QSize kScreen(1280, 800);

QScrollArea* scroll_area(qt::PanelWindow* w) {
  return qobject_cast<QScrollArea*>(w->centralWidget());
}

// Whether the whole of `w` is on view: not on a hidden tab, and inside each
// of the widgets around it up to its window (a scroll area's viewport clips).
bool fully_in_view(QWidget* w) {
  if (!w->isVisible()) return false;
  for (QWidget* around = w->parentWidget(); around; around = around->parentWidget()) {
    if (!around->rect().contains(QRect(w->mapTo(around, QPoint(0, 0)), w->size()))) return false;
    if (around->isWindow()) break;
  }
  return true;
}

class PanelSizeTest : public QtFixture {
 protected:
  void SetUp() override {
    QtFixture::SetUp();
    ASSERT_EQ(QGuiApplication::primaryScreen()->availableSize(), kScreen)
        << "the tests' screen is set by KD71_TEST_PLATFORM";
    kd71_bind_callbacks();
    panelHandle = open_panel(PANELMAIN);
    Debug(GetPanelMenuBar(panelHandle), MENUBAR_ITEM1, nullptr, panelHandle);
    open_scope_panel(debugPanelHandle, PANELDEBUG_SCOPE, EVENT_COMMIT, nullptr, 0, 0);
    QApplication::processEvents();
  }

  // Every control of `panel` with a widget on view is shown whole.
  void expect_controls_in_view(int panel) {
    for (const uir::ControlDef& def : window(panel)->def().controls) {
      qt::ControlView* view = window(panel)->view(def.id);
      if (!view || !view->widget()->isVisibleTo(window(panel))) continue;
      EXPECT_TRUE(fully_in_view(view->widget())) << def.constant << " is cut off";
    }
  }

  void expect_no_scrolling(int panel) {
    qt::PanelWindow* w = window(panel);
    RecordProperty(w->def().constant,
                   QStringLiteral("%1 x %2").arg(w->width()).arg(w->height()).toStdString());
    EXPECT_LE(w->width(), kScreen.width()) << w->def().constant;
    EXPECT_LE(w->height(), kScreen.height()) << w->def().constant;
    EXPECT_FALSE(scroll_area(w)->horizontalScrollBar()->isVisible()) << w->def().constant;
    EXPECT_FALSE(scroll_area(w)->verticalScrollBar()->isVisible()) << w->def().constant;
  }
};

TEST_F(PanelSizeTest, TheMainAndScopeWindowsShowAllTheyHoldWithoutScrolling) {
  for (int panel : {panelHandle, scopePanelHandle}) {
    expect_no_scrolling(panel);
    expect_controls_in_view(panel);
  }
  // The scope's graphs open large enough to read a sweep point by point.
  QWidget* errs = widget(scopePanelHandle, PANELSCOPE_GRAPH_ERRS);
  EXPECT_GE(errs->width(), errs->fontMetrics().height() * 30);
  EXPECT_GE(errs->height(), errs->fontMetrics().height() * 12);
}

TEST_F(PanelSizeTest, EachGroupOfTheDebugPanelIsInViewWhenItsPageIsChosen) {
  qt::PanelWindow* debug = window(debugPanelHandle);
  expect_no_scrolling(debugPanelHandle);
  auto* tabs = debug->findChild<QTabWidget*>();
  ASSERT_NE(tabs, nullptr);
  QStringList pages;
  for (int i = 0; i < tabs->count(); ++i) pages << tabs->tabText(i);
  EXPECT_EQ(pages, (QStringList{"Pins and DACs", "Snapshot", "Subchannels", "Calibration",
                                "Prints and Routines"}));

  const QList<QFrame*> groups = debug->findChildren<QFrame*>(qt::kGroupFrameName);
  EXPECT_EQ(groups.size(), static_cast<qsizetype>(debug->def().groups.size()));
  for (int i = 0; i < tabs->count(); ++i) {
    tabs->setCurrentIndex(i);
    QApplication::processEvents();
    EXPECT_FALSE(scroll_area(debug)->horizontalScrollBar()->isVisible()) << i;
    EXPECT_FALSE(scroll_area(debug)->verticalScrollBar()->isVisible()) << i;
    for (QFrame* group : groups) {
      const bool on_this_page = tabs->widget(i)->isAncestorOf(group);
      const bool beside_the_tabs = !tabs->isAncestorOf(group);
      if (!on_this_page && !beside_the_tabs) continue;
      EXPECT_TRUE(fully_in_view(group)) << "a group on page " << i << " is cut off";
      EXPECT_GE(group->width(), group->minimumSizeHint().width());
      EXPECT_GE(group->height(), group->minimumSizeHint().height());
    }
    expect_controls_in_view(debugPanelHandle);
  }
}

}  // namespace
}  // namespace kd71::test
