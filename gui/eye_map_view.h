// The two-dimensional eye of a scan: a colour map of the log error ratio
// over sampling delay (volts along the bottom, picoseconds along the top)
// and threshold (mV), dark blue where no error came, through green and
// yellow to red at the scan's highest ratio; a scale of the colours
// beside it, the eye's opening at the chosen ratio drawn as a white cross
// through its centre, and, once the scan has ended, its contours at 1e-6,
// 1e-9 and 1e-12 in white (dotted, dashed, solid).
#pragma once

#include <QImage>
#include <QWidget>
#include <vector>

#include "eye_scan/eye_scan.h"
#include "eye_scan/eye_scan_report.h"

namespace kd71::qt {

// The colour of a point whose ratio is `ratio` on a scale from `floor`
// (the smallest resolved) to `top` (the scan's highest); points without
// errors take a darker colour than the floor's.
QColor eye_colour(double ratio, bool bound, double floor, double top);

class EyeMapView : public QWidget {
 public:
  explicit EyeMapView(QWidget* parent = nullptr);

  void show_scan(const EyeScanResult& result, const EyeReport& report);
  // One pixel per point, delay to the right, threshold upwards.
  const QImage& cells() const { return cells_; }
  // The contours drawn, (delay V, threshold mV), in the order of kContourRatios.
  const std::vector<std::vector<QPointF>>& contours() const { return contours_; }

  QSize sizeHint() const override { return {520, 380}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRectF plot_area() const;
  // Where delay `v` and threshold `mv` lie in the plot area `a`.
  qreal x_at(const QRectF& a, double v) const;
  qreal y_at(const QRectF& a, double mv) const;
  void draw_axes(QPainter& p, const QRectF& area) const;
  void draw_scale(QPainter& p, const QRectF& area) const;
  void draw_opening(QPainter& p, const QRectF& area) const;
  void draw_contours(QPainter& p, const QRectF& area) const;

  QImage cells_;
  bool two_d_ = false;
  double floor_ = 1e-9;
  double top_ = 0.5;
  double delay_lo_ = 0.0, delay_hi_ = 1.0;  // the cells' outer edges
  double mv_lo_ = -1.0, mv_hi_ = 1.0;
  EyeReport report_;
  std::vector<std::vector<QPointF>> contours_;  // (delay V, threshold mV), by kContourRatios
};

}  // namespace kd71::qt
