// The widget of one control, bound both ways to the control store.
//
// Store to widget: refresh() shows the store's value and attributes at once
// (value, dimmed, visible, operable, tooltip, colours, label) with the
// widget's signals blocked, so a store change never comes back as input.
// Widget to store: the user's change is written with SetCtrlVal and its
// events are queued, so the control's callback runs from the store's
// dispatch exactly as it does without a window.
#pragma once

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "platform/ui_runtime/panel_def_types.h"
#include "platform/ui_runtime/ui_frontend.h"

namespace kd71::qt {

class InputSink;

class ControlView : public QObject {
 public:
  ControlView(int panel, const uir::ControlDef& def, InputSink& sink);
  ~ControlView() override;

  const uir::ControlDef& def() const { return def_; }
  int panel() const { return panel_; }
  QWidget* widget() const { return widget_; }
  QLabel* label() const { return label_; }

  // The label shown beside the control; it follows the control's label
  // text, dimming and visibility.
  void attach_label(QLabel* label);

  // Shows what changed in the store.
  void refresh(ui::Change what);
  void refresh_all();

 protected:
  // Makes `widget` the control's widget and filters its input (and that of
  // the widgets inside it) for locking and for the view's own gestures.
  void set_widget(QWidget* widget);

  virtual void show_value() {}
  // The widget that takes the fill and text colours.
  virtual QWidget* colored_widget() const { return widget_; }
  virtual void show_on_color() {}
  virtual void show_increment() {}
  virtual void show_plots() {}
  // The label text when the control carries it on itself (buttons, boxes).
  virtual void show_own_label(const QString& /*text*/) {}
  // Fields (read-outs, entry boxes) always show their fill and text colours;
  // other controls take them only once the program sets a colour of its own.
  virtual bool is_field() const { return false; }
  // The view's own handling of input events; true swallows the event.
  virtual bool filter_input(QObject* /*target*/, QEvent* /*event*/) { return false; }

  // User input: the value goes to the store, then the events are queued.
  void write_value(double value);
  void write_value(long long value);
  void write_text(const std::string& text);
  void post(int event, int data1 = 0);
  // A finished change of a value: value changed, then commit.
  void post_change();

  bool locked() const { return locked_; }
  double store_number() const;
  std::string store_text() const;

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void show_dimmed();
  void show_visible();
  void show_operable();
  void show_tooltip();
  void show_colors();
  void show_label();

  int panel_;
  const uir::ControlDef& def_;
  InputSink& sink_;
  QPointer<QWidget> widget_;
  QPointer<QLabel> label_;
  bool locked_ = false;
  int initial_text_color_ = 0;
  int initial_fill_color_ = 0;
};

}  // namespace kd71::qt
