// The analog sliders (threshold and sampling delay): a slider with an entry
// box for the exact figure. Besides value changes they pass the fine-tuning
// gestures to their callback: left double click, right click and its
// release, key presses with the key's character code, and the mouse wheel
// with its direction. The wheel never moves the slider itself; the callback
// steps the value.
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "gui/view_kinds.h"
#include "platform/ui_runtime/userint.h"
#include "ui/value_text.h"

namespace kd71::qt {

namespace {

// The slider moves in steps of the control's increment, but never in more
// positions than this.
constexpr double kMaxPositions = 100000.0;

// The character code of a key that types one printable character, or 0.
int key_character(const QKeyEvent& key) {
  const QString text = key.text();
  if (text.size() != 1) return 0;
  const char16_t c = text.at(0).unicode();
  return c >= 0x20 && c != 0x7F ? static_cast<int>(c) : 0;
}

class SliderView : public ControlView {
 public:
  SliderView(int panel, const uir::ControlDef& def, InputSink& sink)
      : ControlView(panel, def, sink),
        box_(new QWidget),
        slider_(new QSlider(Qt::Horizontal)),
        entry_(new QDoubleSpinBox) {
    entry_->setDecimals(def.precision >= 0 ? def.precision : uir::kDefaultRealPrecision);
    entry_->setRange(def.min, def.max);
    entry_->setKeyboardTracking(false);
    entry_->setButtonSymbols(QAbstractSpinBox::NoButtons);
    entry_->setAlignment(Qt::AlignRight);
    auto* layout = new QHBoxLayout(box_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(slider_, 1);
    layout->addWidget(entry_);
    set_widget(box_);

    connect(slider_, &QSlider::valueChanged, this, [this](int position) {
      write_value(std::clamp(position * step_, this->def().min, this->def().max));
      post(EVENT_VAL_CHANGED);
    });
    connect(slider_, &QSlider::sliderReleased, this, [this] { post(EVENT_COMMIT); });
    connect(entry_, &QDoubleSpinBox::valueChanged, this, [this](double value) {
      write_value(value);
      post_change();
    });
  }

 protected:
  void show_value() override {
    const double value = store_number();
    const QSignalBlocker slider_blocker(slider_);
    const QSignalBlocker entry_blocker(entry_);
    slider_->setValue(static_cast<int>(std::lround(value / step_)));
    entry_->setValue(value);
  }

  void show_increment() override {
    double increment = 0.0;
    GetCtrlAttribute(panel(), def().id, ATTR_INCR_VALUE, &increment);
    const double span = def().max - def().min;
    step_ = std::max(increment, span / kMaxPositions);
    if (!(step_ > 0.0)) step_ = 1.0;
    const QSignalBlocker blocker(slider_);
    slider_->setRange(static_cast<int>(std::ceil(def().min / step_ - 1e-9)),
                      static_cast<int>(std::floor(def().max / step_ + 1e-9)));
    slider_->setSingleStep(1);
    slider_->setPageStep(std::max(1, slider_->maximum() - slider_->minimum()) / 20);
    entry_->setSingleStep(increment > 0.0 ? increment : step_);
    show_value();
  }

  QWidget* colored_widget() const override { return entry_; }

  bool filter_input(QObject* target, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Wheel: {
        const QPoint delta = static_cast<QWheelEvent*>(event)->angleDelta();
        const int turn = delta.y() != 0 ? delta.y() : delta.x();
        if (turn != 0)
          post(EVENT_MOUSE_WHEEL_SCROLL,
               turn > 0 ? MOUSE_WHEEL_SCROLL_UP : MOUSE_WHEEL_SCROLL_DOWN);
        return true;
      }
      case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
        post(EVENT_LEFT_DOUBLE_CLICK);
        return true;
      case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::RightButton) return false;
        post(EVENT_RIGHT_CLICK);
        return true;
      case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::RightButton) return false;
        post(EVENT_RIGHT_CLICK_UP);
        return true;
      case QEvent::ContextMenu:
        return true;  // the right button is the coarse-step gesture
      case QEvent::KeyPress:
        // Keys reach the slider or the entry box (the box's line is its
        // proxy); a key they pass on to the frame is not a second press.
        if (target != slider_ && target != entry_) return false;
        if (const int code = key_character(*static_cast<QKeyEvent*>(event)))
          post(EVENT_KEYPRESS, code);
        return false;  // the key still works in the slider or the entry box
      default:
        return false;
    }
  }

 private:
  QWidget* box_;
  QSlider* slider_;
  QDoubleSpinBox* entry_;
  double step_ = 1.0;
};

}  // namespace

ViewPtr make_slider_view(int panel, const uir::ControlDef& def, InputSink& sink) {
  return std::make_unique<SliderView>(panel, def, sink);
}

}  // namespace kd71::qt
