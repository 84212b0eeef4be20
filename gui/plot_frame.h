// The frame of the eye scan's drawn plots: the data's ranges mapped onto
// the widget's plot area, the box, the ticks and the axis titles.
#pragma once

#include <QPainter>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

namespace kd71::qt {

struct PlotFrame {
  QRectF area;
  double x_lo = 0.0, x_hi = 1.0;
  double y_lo = 0.0, y_hi = 1.0;  // y_lo at the bottom

  qreal x(double v) const { return area.left() + (v - x_lo) / (x_hi - x_lo) * area.width(); }
  qreal y(double v) const { return area.bottom() - (v - y_lo) / (y_hi - y_lo) * area.height(); }
  QPointF at(double vx, double vy) const { return {x(vx), y(vy)}; }
};

// The area inside margins for the labels.
QRectF plot_area(const QWidget& w);

struct YTick {
  double at;
  QString label;
};
// The box, x ticks at round steps, the given y ticks (round steps when
// empty) and the titles.
void draw_frame(QPainter& p, const QWidget& w, const PlotFrame& f, const QString& x_title,
                const QString& y_title, const std::vector<YTick>& y_ticks = {});

// A message in the middle of an empty plot.
void draw_placeholder(QPainter& p, const QWidget& w, const QString& text);

}  // namespace kd71::qt
