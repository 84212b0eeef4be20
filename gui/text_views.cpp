// Text messages (captions, units, headings), string entries and text boxes.
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextCursor>
#include <cmath>

#include "gui/look.h"
#include "gui/view_kinds.h"

namespace kd71::qt {

namespace {

class TextMessageView : public ControlView {
 public:
  TextMessageView(int panel, const uir::ControlDef& def, InputSink& sink)
      : ControlView(panel, def, sink), label_(new QLabel) {
    label_->setFont(look_font(def.place.look, label_->font()));
    set_widget(label_);
  }

 protected:
  void show_value() override { label_->setText(QString::fromStdString(store_text())); }

 private:
  QLabel* label_;
};

// A line of text the user enters; it goes to the store when the entry is
// finished.
class StringEntryView : public ControlView {
 public:
  StringEntryView(int panel, const uir::ControlDef& def, InputSink& sink)
      : ControlView(panel, def, sink), edit_(new QLineEdit) {
    set_widget(edit_);
    connect(edit_, &QLineEdit::editingFinished, this, [this] {
      const std::string text = edit_->text().toStdString();
      if (text == store_text()) return;
      write_text(text);
      post_change();
    });
  }

 protected:
  void show_value() override {
    const QSignalBlocker blocker(edit_);
    edit_->setText(QString::fromStdString(store_text()));
  }
  bool is_field() const override { return true; }

 private:
  QLineEdit* edit_;
};

// A log: every write appends to it, so only the new tail is added to the
// widget, and the view follows the end unless the user has scrolled back.
class TextBoxView : public ControlView {
 public:
  TextBoxView(int panel, const uir::ControlDef& def, InputSink& sink)
      : ControlView(panel, def, sink), edit_(new QPlainTextEdit) {
    edit_->setReadOnly(true);
    edit_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Wide enough for the lines the program writes to it (a snapshot's
    // eight bytes in bits), whole.
    if (def.columns > 0) {
      const int text = QFontMetrics(edit_->font()).horizontalAdvance(QString(def.columns, u'0'));
      const auto margin = static_cast<int>(std::ceil(edit_->document()->documentMargin()));
      edit_->setMinimumWidth(text + 2 * (edit_->frameWidth() + margin) +
                             edit_->verticalScrollBar()->sizeHint().width());
    }
    set_widget(edit_);
  }

 protected:
  void show_value() override {
    const std::string text = store_text();
    QScrollBar* bar = edit_->verticalScrollBar();
    const bool at_end = bar->value() == bar->maximum();
    if (text.size() >= shown_size_) {
      QTextCursor cursor(edit_->document());
      cursor.movePosition(QTextCursor::End);
      cursor.insertText(QString::fromStdString(text.substr(shown_size_)));
    } else {
      edit_->setPlainText(QString::fromStdString(text));
    }
    shown_size_ = text.size();
    if (at_end) bar->setValue(bar->maximum());
  }
  bool is_field() const override { return true; }

 private:
  QPlainTextEdit* edit_;
  // The store appends to a text box, and drops its oldest half when it is
  // full: the text then is shorter than what was shown.
  std::size_t shown_size_ = 0;
};

}  // namespace

ViewPtr make_text_view(int panel, const uir::ControlDef& def, InputSink& sink) {
  switch (def.kind) {
    case uir::Kind::TextBox:
      return std::make_unique<TextBoxView>(panel, def, sink);
    case uir::Kind::String:
      return std::make_unique<StringEntryView>(panel, def, sink);
    default:
      return std::make_unique<TextMessageView>(panel, def, sink);
  }
}

}  // namespace kd71::qt
