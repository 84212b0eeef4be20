// LEDs and colour indicators: round and square lamps painted in the colour
// the store gives them.
#include <QPainter>
#include <QRadialGradient>
#include <QWidget>

#include "platform/userint.h"
#include "ui/qt/look.h"
#include "ui/qt/view_kinds.h"

namespace kd71::qt {

namespace {

// An unlit LED shows its on-colour this dark (percent), so the user still
// sees which colour it would light in.
constexpr int kUnlitDarkness = 400;

class Lamp : public QWidget {
 public:
  enum class Shape { Round, Square };
  explicit Lamp(Shape shape) : shape_(shape) {
    const int h = fontMetrics().height();
    setFixedSize(shape == Shape::Round ? QSize(h, h) : QSize(h * 3, h));
  }
  void set_color(const QColor& color) {
    color_ = color;
    update();
  }
  QColor color() const { return color_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = color_;
    if (!isEnabled()) fill.setAlpha(90);
    const QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    p.setPen(QPen(palette().color(QPalette::Dark), 1.2));
    if (shape_ == Shape::Round) {
      QRadialGradient glow(r.center() - QPointF(r.width() / 5, r.height() / 5), r.width() / 1.4);
      glow.setColorAt(0, fill.lighter(150));
      glow.setColorAt(1, fill);
      p.setBrush(glow);
      p.drawEllipse(r);
    } else {
      p.setBrush(fill);
      p.drawRoundedRect(r, 3, 3);
    }
  }

 private:
  Shape shape_;
  QColor color_ = Qt::black;
};

class LedView : public ControlView {
 public:
  LedView(int panel, const uir::ControlDef& def, InputSink& sink)
      : ControlView(panel, def, sink), lamp_(new Lamp(Lamp::Shape::Round)) {
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
      : ControlView(panel, def, sink), lamp_(new Lamp(Lamp::Shape::Square)) {
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
