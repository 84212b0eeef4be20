// The bathtub on the Q scale, where the dual-Dirac model's tails are
// straight lines: each point with errors at Q^-1 of its ratio (over the
// share of bits a wall reaches) against its delay from the eye's centre,
// points without errors as rings at their bound, each wall's fitted line
// down to the chosen ratio, and the total jitter there. The right-hand
// scale gives the ratios the Q values stand for.
#pragma once

#include <QPointF>
#include <QVector>
#include <QWidget>

#include "eye_scan/eye_scan.h"
#include "eye_scan/jitter_figures.h"

namespace kd71::qt {

class QScaleView : public QWidget {
 public:
  explicit QScaleView(QWidget* parent = nullptr);

  void show_scan(const EyeScanResult& result, double ratio);
  const kd71::eye::jitter_figures& figures() const { return jitter_; }

  QSize sizeHint() const override { return {420, 380}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  kd71::eye::jitter_figures jitter_;
  QVector<QPointF> tail_;    // (ps from the centre, Q)
  QVector<QPointF> bounds_;  // points without errors, at their bound
  double ratio_ = 1e-12;
  double half_period_ = 50.0;
};

}  // namespace kd71::qt
