#include "gui/bathtub_chart.h"

#include <QChart>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <tuple>

#include "eye_scan/eye_figures.h"
#include "gui/eye_map_view.h"
#include "gui/look.h"

namespace kd71::qt {

namespace {

constexpr double kTop = 1.0;  // every bit wrong
constexpr qreal kDotSize = 6.0;
const QColor kErrorColour(0xD0, 0x20, 0x20);
const QColor kBoundColour(0x90, 0x90, 0x90);
const QColor kOpeningColour(0x10, 0xA0, 0x40);

QScatterSeries* dots(QChart* chart, const QColor& fill, const QColor& line) {
  auto* s = new QScatterSeries;
  s->setMarkerShape(QScatterSeries::MarkerShapeCircle);
  s->setMarkerSize(kDotSize);
  s->setBrush(fill);
  s->setPen(QPen(line, 1.2));
  chart->addSeries(s);
  return s;
}

QLineSeries* line(QChart* chart, const QPen& pen) {
  auto* s = new QLineSeries;
  s->setPen(pen);
  chart->addSeries(s);
  return s;
}

}  // namespace

int bathtub_row(const EyeScanResult& r) {
  const ThresholdSweep& t = r.thresholds;
  if (t.points <= 1 || !(t.step_mv > 0.0)) return 0;
  const auto row = std::lround((r.threshold_mv - t.first_mv) / t.step_mv);
  return static_cast<int>(std::clamp<long>(row, 0, t.points - 1));
}

BathtubPoints bathtub_points(const EyeScanResult& r) {
  BathtubPoints p;
  double lowest = kTop * 2.0, highest = 0.0;
  for (const EyePoint& e : kd71::eye::bathtub_of(r)) {
    const double ratio = point_ratio(e);
    if (!(ratio > 0.0)) continue;
    lowest = std::min(lowest, ratio);
    highest = std::max(highest, ratio);
    const QPointF at(e.delay_v, std::min(ratio, kTop));
    (e.errors > 0 ? p.errors : p.bounds).append(at);
    if (e.saturated) p.saturated.append(at);
  }
  // Before its first point the scale keeps its default decades.
  if (lowest <= kTop) p.floor = decade_below(lowest, p.floor);
  p.top = std::max(p.floor * 10.0, std::min(kTop, decade_above(highest, kTop)));
  return p;
}

BathtubChart::BathtubChart(QWidget* parent)
    // Made with its chart: a view made without one makes a default chart,
    // which setChart would leave behind.
    : QChartView(new QChart, parent) {
  QChart* c = chart();
  c->legend()->hide();
  c->setBackgroundRoundness(0);
  c->setMargins(QMargins(2, 2, 6, 2));
  c->setTitle(tr("Bathtub"));
  volts_ = new QValueAxis;
  volts_->setTitleText(tr("Sampling delay (V)"));
  volts_->setLabelFormat(QStringLiteral("%.2f"));  // round steps of a tenth or more
  picoseconds_ = new QValueAxis;
  picoseconds_->setTitleText(tr("Delay (ps)"));
  picoseconds_->setLabelFormat(QStringLiteral("%.0f"));
  ratio_ = new QLogValueAxis;
  ratio_->setTitleText(tr("Error ratio"));
  ratio_->setBase(10.0);
  ratio_->setLabelFormat(QStringLiteral("%.0e"));
  ratio_->setMinorTickCount(0);
  c->addAxis(volts_, Qt::AlignBottom);
  c->addAxis(picoseconds_, Qt::AlignTop);
  c->addAxis(ratio_, Qt::AlignLeft);
  for (QAbstractAxis* axis :
       {static_cast<QAbstractAxis*>(volts_), static_cast<QAbstractAxis*>(picoseconds_),
        static_cast<QAbstractAxis*>(ratio_)})
    axis->setGridLineColor(QColor(0xE0, 0xE0, 0xE0));
  picoseconds_->setGridLineVisible(false);

  curve_ = line(c, QPen(QColor(0xC0, 0x60, 0x60), 1.0));
  level_ = line(c, QPen(kOpeningColour, 1.0, Qt::DashLine));
  opening_ = line(c, QPen(kOpeningColour, 4.0));
  bounds_ = dots(c, Qt::transparent, kBoundColour);
  errors_ = dots(c, kErrorColour, QColor(0x80, 0x00, 0x00));
  saturated_ = dots(c, kErrorColour.darker(), QColor(0x60, 0x00, 0x00));
  saturated_->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
  saturated_->setMarkerSize(kDotSize + 3);
  centre_ = dots(c, kOpeningColour, kOpeningColour.darker());
  centre_->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
  centre_->setMarkerSize(kDotSize + 4);
  for (QAbstractSeries* s : std::initializer_list<QAbstractSeries*>{
           curve_, level_, opening_, bounds_, errors_, saturated_, centre_}) {
    s->attachAxis(volts_);
    s->attachAxis(ratio_);
  }
  setRenderHint(QPainter::Antialiasing);
  setMinimumSize(360, 260);
  setToolTip(
      tr("Error ratio against the sampling delay: filled dots where errors were counted "
         "(triangles: the fast count stopped at its top, the ratio is at least this), grey "
         "rings at the bound of points without errors; the green bar is the eye's opening at "
         "the dashed ratio, the square its centre"));
}

void BathtubChart::show_scan(const EyeScanResult& r, const EyeReport& report) {
  const int row = bathtub_row(r);
  shown_ = bathtub_points(r);
  errors_->replace(shown_.errors);
  saturated_->replace(shown_.saturated);
  bounds_->replace(shown_.bounds);
  QList<QPointF> all = shown_.errors + shown_.bounds;
  std::sort(all.begin(), all.end(),
            [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
  curve_->replace(all);

  const double first = r.delays.first_v;
  const double last =
      r.delays.points > 1 ? sweep_delay(r.delays, r.delays.points - 1) : first + 0.1;
  // Labels at round values of each scale.
  for (const auto& [axis, lo, hi] : {std::tuple{volts_, first, last},
                                     std::tuple{picoseconds_, delay_ps(first), delay_ps(last)}}) {
    axis->setRange(lo, hi);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0.0);
    axis->setTickInterval(axis_step(hi - lo));
  }
  ratio_->setRange(std::min(shown_.floor, report.ratio > 0.0 ? report.ratio : kTop), shown_.top);

  QList<QPointF> level, opening, centre;
  if (report.ratio > 0.0) {
    level = {QPointF(first, report.ratio), QPointF(last, report.ratio)};
    // This row's own opening: a two-dimensional scan's eye may be widest at
    // another threshold.
    Opening o = r.request.adaptive ? Opening{} : bathtub_opening(r, row, report.ratio);
    if (r.request.adaptive && report.found) {
      // An adaptive scan's opening is its fit's.
      o.found = true;
      o.centre = report.centre_v;
      o.width = delay_volts(report.width_ps);
    }
    if (o.found) {
      opening = {QPointF(o.centre - o.width / 2.0, report.ratio),
                 QPointF(o.centre + o.width / 2.0, report.ratio)};
      centre = {QPointF(o.centre, report.ratio)};
    }
  }
  level_->replace(level);
  opening_->replace(opening);
  centre_->replace(centre);
  chart()->setTitle(r.request.two_d && !r.request.adaptive && r.thresholds.points > 0
                        ? tr("Bathtub at %1 mV").arg(sweep_threshold(r.thresholds, row), 0, 'f', 1)
                        : tr("Bathtub at %1 mV").arg(r.threshold_mv, 0, 'f', 1));
}

}  // namespace kd71::qt
