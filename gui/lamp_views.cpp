// LEDs and colour indicators: round and square lamps painted in the colour
// the store gives them.
#include <QPainter>
#include <QWidget>

#include "gui/look.h"
#include "gui/view_kinds.h"
#include "platform/ui_runtime/userint.h"

namespace kd71::qt {

namespace {

// An unlit LED shows its on-colour this dark (percent), so the user still
// sees which colour it would light in.
constexpr int kUnlitDarkness = 400;

class Lamp : public QWidget {
 public:
  explicit Lamp(LampShape shape) : shape_(shape) {
    const int h = fontMetrics().height();
    setFixedSize(shape == LampShape::Round ? QSize(h, h) : QSize(h * 3, h));
  }
  void set_color(const QColor& color) {
    color_ = color;
    update();
  }
  QColor color() const { return color_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    paint_lamp(p, QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), color_, shape_, !isEnabled(),
               palette().color(QPalette::Dark));
  }

 private:
  LampShape shape_;
  QColor color_ = Qt::black;
};

class LedView : public ControlView {
 public:
  LedView(int panel, const uir::ControlDef& def, InputSink& sink)
      : ControlView(panel, def, sink), lamp_(new Lamp(LampShape::Round)) {
    set_widget(lamp_);
  }

 protected:
  void show_value() override { show_lamp(); }
  void show_on_color() override { show_lamp(); }

 private:
  void show_lamp() {
    int on_color = 0;
    GetCtrlAttribute(panel(), def().id, ATTR_ON_COLOR, &on_color);
    const QColor lit = to_qcolor(on_color);
    lamp_->set_color(store_number() != 0.0 ? lit : lit.darker(kUnlitDarkness));
  }

  Lamp* lamp_;
};

// Its value is the colour it shows.
class ColorIndicatorView : public ControlView {
 public:
  ColorIndicatorView(int panel, const uir::ControlDef& def, InputSink& sink)
      : ControlView(panel, def, sink), lamp_(new Lamp(LampShape::Square)) {
    set_widget(lamp_);
  }

 protected:
  void show_value() override { lamp_->set_color(to_qcolor(static_cast<int>(store_number()))); }

 private:
  Lamp* lamp_;
};

}  // namespace

ViewPtr make_lamp_view(int panel, const uir::ControlDef& def, InputSink& sink) {
  if (def.kind == uir::Kind::Led) return std::make_unique<LedView>(panel, def, sink);
  return std::make_unique<ColorIndicatorView>(panel, def, sink);
}

}  // namespace kd71::qt
