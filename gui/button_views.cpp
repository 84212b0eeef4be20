// Command buttons, toggle buttons and check boxes: they carry their label on
// themselves. Toggle buttons are tool buttons, which size to their text, with
// a lamp beside it that is lit while the button is on (a running timed test,
// a raised expander pin), so that on and off read apart at a glance.
#include <QCheckBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <type_traits>

#include "gui/look.h"
#include "gui/view_kinds.h"
#include "platform/ui_runtime/userint.h"

namespace kd71::qt {

namespace {

constexpr int kLampShare = 80;  // a toggle's lamp, in percent of the text height

// Pressed: a commit; no value.
class CommandButtonView : public ControlView {
 public:
  CommandButtonView(int panel, const uir::ControlDef& def, InputSink& sink)
      : ControlView(panel, def, sink), button_(new QPushButton) {
    set_widget(button_);
    connect(button_, &QPushButton::clicked, this, [this] { post(EVENT_COMMIT); });
  }

 protected:
  void show_own_label(const QString& text) override { button_->setText(text); }

 private:
  QPushButton* button_;
};

// On/off buttons and boxes: the user's click writes 1 or 0, then commits.
template <typename Button>
class OnOffView : public ControlView {
 public:
  OnOffView(int panel, const uir::ControlDef& def, InputSink& sink)
      : ControlView(panel, def, sink), button_(new Button) {
    button_->setCheckable(true);
    // Toggles fill their cell; a row of short ones ("0" .. "17") stays narrow.
    if constexpr (std::is_same_v<Button, QToolButton>) {
      button_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
      const int lamp = button_->fontMetrics().height() * kLampShare / 100;
      button_->setIcon(toggle_lamp_icon(lamp));
      button_->setIconSize(QSize(lamp, lamp));
      button_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    }
    set_widget(button_);
    QObject::connect(button_, &Button::clicked, this, [this](bool on) {
      write_value(static_cast<long long>(on ? 1 : 0));
      post_change();
    });
  }

 protected:
  void show_value() override {
    const QSignalBlocker blocker(button_);
    button_->setChecked(store_number() != 0.0);
  }
  void show_own_label(const QString& text) override { button_->setText(text); }

 private:
  Button* button_;
};

}  // namespace

ViewPtr make_button_view(int panel, const uir::ControlDef& def, InputSink& sink) {
  switch (def.kind) {
    case uir::Kind::CommandButton:
      return std::make_unique<CommandButtonView>(panel, def, sink);
    case uir::Kind::ToggleButton:
      return std::make_unique<OnOffView<QToolButton>>(panel, def, sink);
    default:
      return std::make_unique<OnOffView<QCheckBox>>(panel, def, sink);
  }
}

}  // namespace kd71::qt
