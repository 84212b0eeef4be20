#include "gui/control_view.h"

#include <QEvent>
#include <QLabel>
#include <QWidget>

#include "gui/input_sink.h"
#include "gui/look.h"
#include "platform/ui_runtime/ui_store.h"
#include "platform/ui_runtime/userint.h"

namespace kd71::qt {

using ui::Change;

namespace {

int int_attribute(int panel, int control, int attribute) {
  int value = 0;
  GetCtrlAttribute(panel, control, attribute, &value);
  return value;
}

bool is_input_event(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
  }
}

}  // namespace

ControlView::ControlView(int panel, const uir::ControlDef& def, InputSink& sink)
    : panel_(panel), def_(def), sink_(sink) {
  initial_text_color_ = int_attribute(panel, def.id, ATTR_TEXT_COLOR);
  initial_fill_color_ = int_attribute(panel, def.id, ATTR_FILL_COLOR);
}

ControlView::~ControlView() = default;

void ControlView::set_widget(QWidget* widget) {
  widget_ = widget;
  widget->installEventFilter(this);
  for (QWidget* child : widget->findChildren<QWidget*>()) child->installEventFilter(this);
}

void ControlView::attach_label(QLabel* label) {
  label_ = label;
  show_label();
}

void ControlView::refresh(Change what) {
  if (!widget_) return;
  switch (what) {
    case Change::Value:
      show_value();
      break;
    case Change::Dimmed:
      show_dimmed();
      break;
    case Change::Visible:
      show_visible();
      break;
    case Change::Operable:
      show_operable();
      break;
    case Change::Tooltip:
      show_tooltip();
      break;
    case Change::TextColor:
    case Change::FillColor:
      show_colors();
      break;
    case Change::OnColor:
      show_on_color();
      break;
    case Change::Label:
      show_label();
      break;
    case Change::Increment:
      show_increment();
      break;
    case Change::Plots:
      show_plots();
      break;
    case Change::Timer:
      break;
  }
}

void ControlView::refresh_all() {
  for (Change what :
       {Change::Label, Change::Increment, Change::Value, Change::Dimmed, Change::Visible,
        Change::Operable, Change::Tooltip, Change::TextColor, Change::OnColor, Change::Plots})
    refresh(what);
}

void ControlView::show_dimmed() {
  const bool dimmed = int_attribute(panel_, def_.id, ATTR_DIMMED) != 0;
  widget_->setEnabled(!dimmed);
  if (label_) label_->setEnabled(!dimmed);
}

void ControlView::show_visible() {
  const bool visible = int_attribute(panel_, def_.id, ATTR_VISIBLE) != 0;
  widget_->setVisible(visible);
  if (label_) label_->setVisible(visible);
}

void ControlView::show_operable() { locked_ = int_attribute(panel_, def_.id, ATTR_CTRL_MODE) == 0; }

void ControlView::show_tooltip() {
  std::string tip;
  GetCtrlAttribute(panel_, def_.id, ATTR_TOOLTIP_TEXT, &tip);
  widget_->setToolTip(QString::fromStdString(tip));
}

void ControlView::show_colors() {
  const int text = int_attribute(panel_, def_.id, ATTR_TEXT_COLOR);
  const int fill = int_attribute(panel_, def_.id, ATTR_FILL_COLOR);
  const bool own_colors = text != initial_text_color_ || fill != initial_fill_color_;
  if (is_field() || own_colors) paint_colors(colored_widget(), fill, text);
}

void ControlView::show_label() {
  std::string text;
  GetCtrlAttribute(panel_, def_.id, ATTR_LABEL_TEXT, &text);
  const QString label = QString::fromStdString(text);
  if (label_) label_->setText(label);
  show_own_label(label);
}

void ControlView::write_value(double value) { SetCtrlVal(panel_, def_.id, value); }
void ControlView::write_value(long long value) { SetCtrlVal(panel_, def_.id, value); }
void ControlView::write_text(const std::string& text) { SetCtrlVal(panel_, def_.id, text); }

void ControlView::post(int event, int data1) { sink_.post(panel_, def_.id, event, data1); }

void ControlView::post_change() {
  post(EVENT_VAL_CHANGED);
  post(EVENT_COMMIT);
}

double ControlView::store_number() const { return ui::numeric_value(panel_, def_.id); }
std::string ControlView::store_text() const { return ui::text_value(panel_, def_.id); }

bool ControlView::eventFilter(QObject* watched, QEvent* event) {
  if (locked_ && is_input_event(event->type())) return true;  // locked: seen, not operated
  return filter_input(watched, event);
}

}  // namespace kd71::qt
