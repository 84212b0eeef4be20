// The controls of the bound of a timed test's error ratio, the program's
// own beside the panel's: the target ratio and the confidence level, as
// editable lists that take a value when it is chosen or typed and entered,
// and each channel's verdict line. They read and set the criteria of
// results/run_verdict.h.
#pragma once

#include <QComboBox>
#include <QLabel>

namespace kd71::qt {

class CriterionBox : public QComboBox {
 public:
  enum class Kind { Target, Confidence };
  CriterionBox(Kind kind, QWidget* parent = nullptr);
  // Shows the criterion's value (after a change from elsewhere).
  void show_value();

 private:
  void take(const QString& text);
  Kind kind_;
};

// "Channel 1: BER < 3.0e-11 (95 %) not yet: 2.2e+11 more bits error-free",
// in green once it passes and red when an ended run did not.
class VerdictLabel : public QLabel {
 public:
  explicit VerdictLabel(int channel, QWidget* parent = nullptr);
  void refresh();

 private:
  int channel_;
};

}  // namespace kd71::qt
