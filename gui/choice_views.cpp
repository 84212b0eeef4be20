// Rings (drop-down lists) and ring slides: the user picks one of the
// control's items; the item's value goes to the store.
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <cmath>

#include "gui/view_kinds.h"

namespace kd71::qt {

namespace {

// Position of the item holding `value`, or -1.
int item_index(const uir::ControlDef& def, double value) {
  for (std::size_t i = 0; i < def.items.size(); ++i)
    if (def.items[i].value == value) return static_cast<int>(i);
  return -1;
}

// A choice among the control's items; the chosen item's value goes to the
// store. A wheel turned while scrolling past it changes nothing.
class ChoiceView : public ControlView {
 public:
  using ControlView::ControlView;

 protected:
  void choose(int position) {
    if (position < 0 || position >= static_cast<int>(def().items.size())) return;
    write_value(static_cast<long long>(def().items[position].value));
    post_change();
  }
  bool filter_input(QObject*, QEvent* event) override { return event->type() == QEvent::Wheel; }
};

class RingView : public ChoiceView {
 public:
  RingView(int panel, const uir::ControlDef& def, InputSink& sink)
      : ChoiceView(panel, def, sink), combo_(new QComboBox) {
    for (const uir::RingItem& item : def.items) combo_->addItem(QString::fromUtf8(item.label));
    set_widget(combo_);
    connect(combo_, &QComboBox::activated, this, [this](int index) { choose(index); });
  }

 protected:
  void show_value() override {
    const QSignalBlocker blocker(combo_);
    combo_->setCurrentIndex(item_index(def(), store_number()));
  }

 private:
  QComboBox* combo_;
};

// A slider over the item positions with the chosen item's label beside it.
class RingSlideView : public ChoiceView {
 public:
  RingSlideView(int panel, const uir::ControlDef& def, InputSink& sink)
      : ChoiceView(panel, def, sink),
        box_(new QWidget),
        slider_(new QSlider(Qt::Horizontal)),
        item_label_(new QLabel) {
    slider_->setRange(0, std::max(0, static_cast<int>(def.items.size()) - 1));
    slider_->setPageStep(1);
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setTickInterval(1);
    auto* layout = new QHBoxLayout(box_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(slider_, 1);
    layout->addWidget(item_label_);
    set_widget(box_);
    connect(slider_, &QSlider::valueChanged, this, [this](int position) { choose(position); });
  }

 protected:
  void show_value() override {
    const QSignalBlocker blocker(slider_);
    const int index = item_index(def(), store_number());
    slider_->setValue(std::max(index, 0));
    show_item(index);
  }

 private:
  void show_item(int index) {
    item_label_->setText(index >= 0 ? QString::fromUtf8(def().items[index].label) : QString());
  }

  QWidget* box_;
  QSlider* slider_;
  QLabel* item_label_;
};

}  // namespace

ViewPtr make_choice_view(int panel, const uir::ControlDef& def, InputSink& sink) {
  if (def.kind == uir::Kind::RingSlide) return std::make_unique<RingSlideView>(panel, def, sink);
  return std::make_unique<RingView>(panel, def, sink);
}

}  // namespace kd71::qt
