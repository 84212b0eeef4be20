// The bathtub of an eye scan: the error ratio against the sampling delay
// on a logarithmic scale, the delay in volts along the bottom and its shift
// in picoseconds along the top; points with errors as filled dots on the
// curve (triangles where a fast count stopped at its top, so that the ratio
// is at least that), points without errors as grey rings at their bound, the ratio the
// opening is taken at as a dashed line and the opening itself as a green
// bar on it, with the centre marked.
#pragma once

#include <QChartView>
#include <QList>
#include <QPointF>

#include "eye_scan/eye_scan.h"
#include "eye_scan/eye_scan_report.h"

class QLineSeries;
class QLogValueAxis;
class QScatterSeries;
class QValueAxis;

namespace kd71::qt {

// The row of a scan its bathtub shows: a bathtub's one, or the threshold of
// a two-dimensional scan nearest the channel's threshold.
int bathtub_row(const EyeScanResult& result);

struct BathtubPoints {
  QList<QPointF> errors;     // (delay V, ratio) of points with errors
  QList<QPointF> saturated;  // of those whose count stopped at its top
  QList<QPointF> bounds;     // (delay V, bound) of points without
  double floor = 1e-9;       // the scale's bottom: a decade at or below every bound
  double top = 1.0;          // its top: the decade at or above the highest ratio
};
// The points of the bathtub (kd71::eye::bathtub_of) as the chart draws them.
BathtubPoints bathtub_points(const EyeScanResult& result);

class BathtubChart : public QChartView {
 public:
  explicit BathtubChart(QWidget* parent = nullptr);

  void show_scan(const EyeScanResult& result, const EyeReport& report);
  const BathtubPoints& shown() const { return shown_; }

 private:
  QValueAxis* volts_ = nullptr;
  QValueAxis* picoseconds_ = nullptr;
  QLogValueAxis* ratio_ = nullptr;
  QLineSeries* curve_ = nullptr;
  QScatterSeries* errors_ = nullptr;
  QScatterSeries* saturated_ = nullptr;
  QScatterSeries* bounds_ = nullptr;
  QLineSeries* level_ = nullptr;
  QLineSeries* opening_ = nullptr;
  QScatterSeries* centre_ = nullptr;
  BathtubPoints shown_;
};

}  // namespace kd71::qt
