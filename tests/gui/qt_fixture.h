// Widget tests: a fresh program state with the Qt window attached to the
// store, on the virtual clock.
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "gui/control_view.h"
#include "gui/panel_window.h"
#include "gui/qt_front_end.h"
#include "tests/support/fresh_state.h"

namespace kd71::test {

// The application object of the test program (made on first use).
void ensure_qt_app();

// A control callback that records the events it receives.
struct Recorded {
  int panel, control, event, data1;
};
std::vector<Recorded>& recorded_events();
int record_event(int panel, int control, int event, void* data, int data1, int data2);

class QtFixture : public FreshState {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Replaces the window front-end by one with `hooks` (before any panel loads).
  void use_hooks(qt::WindowHooks hooks);
  // Loads and shows panel `resource_id`; returns its handle.
  int open_panel(int resource_id);
  qt::PanelWindow* window(int panel) const { return front_end_->window(panel); }
  // The widget of control `control` on panel `panel` (fails the test when
  // there is none).
  QWidget* widget(int panel, int control) const;
  // Finds a child widget of type T inside a control's widget (the widget
  // itself when it is a T).
  template <typename T>
  T* part(int panel, int control) const {
    QWidget* w = widget(panel, control);
    if (auto* self = qobject_cast<T*>(w)) return self;
    return w ? w->findChild<T*>() : nullptr;
  }

  std::unique_ptr<qt::QtFrontEnd> front_end_;
};

}  // namespace kd71::test
