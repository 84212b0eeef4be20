// Read-outs (figures and texts the program writes), numeric entry boxes and
// the level bar.
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QSignalBlocker>
#include <cmath>
#include <limits>

#include "gui/look.h"
#include "gui/view_kinds.h"
#include "platform/ui_runtime/userint.h"
#include "ui/value_text.h"

namespace kd71::qt {

namespace {

bool is_real(uir::ValueType type) {
  return type == uir::ValueType::Float || type == uir::ValueType::Double;
}

// The widest text a read-out is expected to show, so that its box keeps its
// size while the figure changes.
QString widest_text(const uir::ControlDef& def) {
  if (def.type == uir::ValueType::Text) {
    const QString start = QString::fromUtf8(def.text);
    return start.size() >= 12 ? start : QString(12, QLatin1Char('0'));
  }
  if (def.scientific) return QString::fromStdString(uir::value_text(def, -8.888e-88));
  if (is_real(def.type)) return QString::fromStdString(uir::value_text(def, -888.888));
  switch (def.type) {
    case uir::ValueType::UChar:
      return QStringLiteral("888");
    case uir::ValueType::Int64:
      return QStringLiteral("8888888888888");
    default:
      return QStringLiteral("888888");
  }
}

// A label with a box around its fill.
class ReadoutLabel : public QLabel {
 protected:
  void paintEvent(QPaintEvent* event) override {
    QLabel::paintEvent(event);
    draw_readout_box(this);
  }
};

// A figure or text that the program writes and the user reads.
class ReadoutView : public ControlView {
 public:
  ReadoutView(int panel, const uir::ControlDef& def, InputSink& sink)
      : ControlView(panel, def, sink), label_(new ReadoutLabel) {
    style_readout(label_);
    label_->setFont(look_font(def.place.look, label_->font()));
    const bool text = def.type == uir::ValueType::Text;
    label_->setAlignment((text ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const QFontMetrics metrics(label_->font());
    // The widest text, the box's margins and a character's air.
    const QMargins margins = label_->contentsMargins();
    label_->setMinimumWidth(metrics.horizontalAdvance(widest_text(def)) + margins.left() +
                            margins.right() + metrics.averageCharWidth());
    set_widget(label_);
  }

 protected:
  void show_value() override {
    if (def().type == uir::ValueType::Text)
      label_->setText(QString::fromStdString(store_text()));
    else
      label_->setText(QString::fromStdString(uir::value_text(def(), store_number())));
  }
  bool is_field() const override { return true; }

 private:
  QLabel* label_;
};

// A number the user enters; the value goes to the store when the entry is
// finished (Enter, leaving the box, or a step of the arrows).
class NumericEntryView : public ControlView {
 public:
  NumericEntryView(int panel, const uir::ControlDef& def, InputSink& sink)
      : ControlView(panel, def, sink), box_(new QDoubleSpinBox) {
    const bool real = is_real(def.type);
    box_->setDecimals(real ? (def.precision >= 0 ? def.precision : uir::kDefaultRealPrecision) : 0);
    double lo = -std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::max();
    switch (def.type) {
      case uir::ValueType::UChar:
        lo = 0;
        hi = 255;
        break;
      case uir::ValueType::Int:
        lo = std::numeric_limits<int>::min();
        hi = std::numeric_limits<int>::max();
        break;
      case uir::ValueType::UInt:
        lo = 0;
        hi = std::numeric_limits<unsigned int>::max();
        break;
      default:
        break;
    }
    if (def.has_range) {
      lo = std::max(lo, def.min);
      hi = std::min(hi, def.max);
    }
    box_->setRange(lo, hi);
    box_->setKeyboardTracking(false);
    box_->setAlignment(Qt::AlignRight);
    set_widget(box_);
    connect(box_, &QDoubleSpinBox::valueChanged, this, [this](double value) { enter(value); });
  }

 protected:
  void show_value() override {
    const QSignalBlocker blocker(box_);
    box_->setValue(store_number());
  }
  void show_increment() override {
    double step = 1.0;
    GetCtrlAttribute(panel(), def().id, ATTR_INCR_VALUE, &step);
    box_->setSingleStep(step);
  }
  bool is_field() const override { return true; }
  // The wheel steps the value only in the box being edited, never in one the
  // pointer merely passes over.
  bool filter_input(QObject*, QEvent* event) override {
    return event->type() == QEvent::Wheel && !box_->hasFocus();
  }

 private:
  void enter(double value) {
    if (is_real(def().type))
      write_value(value);
    else
      write_value(static_cast<long long>(std::llround(value)));
    post_change();
  }

  QDoubleSpinBox* box_;
};

// A numeric slide that only shows a level.
class LevelBarView : public ControlView {
 public:
  LevelBarView(int panel, const uir::ControlDef& def, InputSink& sink)
      : ControlView(panel, def, sink), bar_(new QProgressBar) {
    bar_->setRange(static_cast<int>(def.min), static_cast<int>(def.max));
    bar_->setTextVisible(false);
    const QFontMetrics metrics(bar_->font());
    bar_->setMaximumHeight(metrics.height());
    set_widget(bar_);
  }

 protected:
  void show_value() override { bar_->setValue(static_cast<int>(store_number())); }

 private:
  QProgressBar* bar_;
};

}  // namespace

ViewPtr make_readout_view(int panel, const uir::ControlDef& def, InputSink& sink) {
  return std::make_unique<ReadoutView>(panel, def, sink);
}

ViewPtr make_numeric_view(int panel, const uir::ControlDef& def, InputSink& sink) {
  if (def.kind == uir::Kind::NumericSlide) return std::make_unique<LevelBarView>(panel, def, sink);
  return std::make_unique<NumericEntryView>(panel, def, sink);
}

}  // namespace kd71::qt
