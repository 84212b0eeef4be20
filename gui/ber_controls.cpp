#include "gui/ber_controls.h"

#include <QLineEdit>

#include "platform/os/text_cursor.h"
#include "results/run_verdict.h"

namespace kd71::qt {

namespace {

const QStringList kTargets = {"1e-9", "1e-10", "1e-11", "1e-12", "1e-13", "1e-15"};
const QStringList kConfidences = {"90 %", "95 %", "99 %", "99.9 %"};

// The shortest text of a value, with a point whatever the locale: "1e-12".
QString number_text(double v) {
  char text[32];
  TextCursor out(text, sizeof text);
  out.number(v);
  return QString::fromLatin1(out.terminate());
}

QString current_text(CriterionBox::Kind kind) {
  return kind == CriterionBox::Kind::Target
             ? number_text(berCriteria.target)
             : number_text(berCriteria.confidencePercent) + QStringLiteral(" %");
}

}  // namespace

CriterionBox::CriterionBox(Kind kind, QWidget* parent) : QComboBox(parent), kind_(kind) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  addItems(kind == Kind::Target ? kTargets : kConfidences);
  setToolTip(kind == Kind::Target ? tr("The bit error ratio a timed test must be shown to be below")
                                  : tr("The confidence level of the bound"));
  show_value();
  connect(this, &QComboBox::activated, this, [this](int index) { take(itemText(index)); });
  connect(lineEdit(), &QLineEdit::editingFinished, this, [this] { take(currentText()); });
}

void CriterionBox::show_value() {
  const QString text = current_text(kind_);
  if (currentText() != text) setEditText(text);
}

void CriterionBox::take(const QString& text) {
  const std::string value = text.trimmed().toStdString();
  double v = 0.0;
  if (kind_ == Kind::Target && parse_target_ber(value, &v))
    set_target_ber(v);
  else if (kind_ == Kind::Confidence && parse_confidence_percent(value, &v))
    set_confidence_percent(v);
  // What is not a value goes back to the one in force.
  show_value();
}

VerdictLabel::VerdictLabel(int channel, QWidget* parent) : QLabel(parent), channel_(channel) {
  setTextFormat(Qt::PlainText);
  refresh();
}

void VerdictLabel::refresh() {
  const RunVerdict v = run_verdict(channel_);
  QString text = tr("Channel %1").arg(channel_);
  QString colour;
  if (!v.has_bits) {
    text += v.running || v.armed ? tr(": timed test starting") : tr(": no timed test");
  } else if (v.solved) {
    char bound[kBerText], verdict[kBerText];
    // A run that lost its board cannot pass, whatever its bits say.
    const QString outcome =
        v.link_losses > 0 ? (v.link_losses == 1
                                 ? tr("link lost 1 time during the run: FAIL")
                                 : tr("link lost %1 times during the run: FAIL").arg(v.link_losses))
                          : QString::fromLatin1(
                                verdict_text(v.judgement, berCriteria.target, !v.running, verdict));
    text += QStringLiteral(": %1   %2")
                .arg(QString::fromLatin1(
                         bound_text(v.judgement.bound, berCriteria.confidencePercent, bound)),
                     outcome);
    if (v.passes())
      colour = QStringLiteral("#007000");
    else if (!v.running || v.link_losses > 0)
      colour = QStringLiteral("#B00000");
  }
  if (text != this->text()) setText(text);
  const QString style = colour.isEmpty() ? QString() : QStringLiteral("color: %1").arg(colour);
  if (style != styleSheet()) setStyleSheet(style);
}

}  // namespace kd71::qt
