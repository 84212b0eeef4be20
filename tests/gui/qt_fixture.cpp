#include "tests/gui/qt_fixture.h"

#include <QApplication>
#include <cstdlib>

#include "platform/ui_runtime/ui_store.h"
#include "ui/main_uir.h"

// The sanitizer build's leak checker: what the system's font configuration
// library keeps for the life of the process is not a leak of the program.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace kd71::test {

void ensure_qt_app() {
  // The tests never need a display, whoever starts them; the offscreen
  // screen is 1280 x 800.
  setenv("QT_QPA_PLATFORM", KD71_TEST_PLATFORM, 0);
  static int argc = 1;
  static char name[] = "kd71_qt_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = QApplication::instance() ? nullptr : new QApplication(argc, argv);
  (void)app;
}

std::vector<Recorded>& recorded_events() {
  static std::vector<Recorded> events;
  return events;
}

int record_event(int panel, int control, int event, void*, int data1, int) {
  recorded_events().push_back({panel, control, event, data1});
  return 0;
}

void QtFixture::SetUp() {
  FreshState::SetUp();
  ensure_qt_app();
  recorded_events().clear();
  use_hooks({});
}

void QtFixture::use_hooks(qt::WindowHooks hooks) {
  ui::set_front_end(nullptr);
  front_end_ = std::make_unique<qt::QtFrontEnd>(std::move(hooks));
  ui::set_front_end(front_end_.get());
}

void QtFixture::TearDown() {
  ui::set_front_end(nullptr);
  front_end_.reset();
  QApplication::processEvents();  // windows discarded with deleteLater go now
  FreshState::TearDown();
}

int QtFixture::open_panel(int resource_id) {
  const int panel = LoadPanel(0, "main.uir", resource_id);
  EXPECT_GT(panel, 0);
  DisplayPanel(panel);
  return panel;
}

QWidget* QtFixture::widget(int panel, int control) const {
  qt::PanelWindow* w = window(panel);
  EXPECT_NE(w, nullptr) << "no window for panel " << panel;
  if (!w) return nullptr;
  qt::ControlView* view = w->view(control);
  EXPECT_NE(view, nullptr) << "no widget for control " << control;
  return view ? view->widget() : nullptr;
}

}  // namespace kd71::test
