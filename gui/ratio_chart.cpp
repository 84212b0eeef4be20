#include "gui/ratio_chart.h"

#include <QCategoryAxis>
#include <QChart>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/statistics.h"
#include "platform/os/clock.h"
#include "results/history_bins.h"

namespace kd71::qt {

namespace {

constexpr int kBins = 600;         // about one per pixel of a chart's width
constexpr double kTop = 1.0;       // the scale's top: every bit wrong
constexpr double kMarkerY = -0.5;  // log10 of where the loss markers sit, below the top
constexpr int kMostLabels = 5;     // decade labels on the ratio axis
constexpr qreal kDotSize = 6.0;

// The unit of the time axis for a span, and its label format.
struct TimeUnit {
  double seconds;
  const char* format;
};
TimeUnit unit_for(double span_s) {
  if (span_s <= 120.0) return {1.0, "%.0f s"};
  if (span_s <= 7200.0) return {60.0, "%.0f min"};
  return {3600.0, "%.0f h"};
}

QScatterSeries* dots(QChart* chart, QScatterSeries::MarkerShape shape, const QColor& fill,
                     const QColor& line, qreal size) {
  auto* s = new QScatterSeries;
  s->setMarkerShape(shape);
  s->setMarkerSize(size);
  s->setBrush(fill);
  s->setPen(QPen(line, 1.2));
  chart->addSeries(s);
  return s;
}

}  // namespace

const QList<ChartSpan>& chart_spans() {
  static const QList<ChartSpan> spans = {
      {"1 min", 60.0}, {"10 min", 600.0}, {"1 h", 3600.0}, {"6 h", 21600.0}, {"24 h", 86400.0}};
  return spans;
}

ChartPoints chart_points(int channel, double now, double span_s, int bins, double unit_s) {
  ChartPoints p;
  const double from = now - span_s;
  const double slot = span_s / bins;
  const HistoryBins h = bin_history(channel, from, now, bins);
  double lowest = std::min(kTop, h.lowest);
  for (const double t : h.link_lost) p.link_lost.append((t - now) / unit_s);
  for (int b = 0; b < static_cast<int>(h.bins.size()); ++b) {
    const HistoryBin& bin = h.bins[static_cast<std::size_t>(b)];
    const double x = (from + (b + 0.5) * slot - now) / unit_s;
    if (bin.worst > 0.0f)
      p.errors.append(QPointF(x, std::log10(std::min(static_cast<double>(bin.worst), kTop))));
    else if (bin.bound > 0.0f)
      p.bounds.append(QPointF(x, std::log10(bin.bound)));
    if (bin.sync_lost) p.sync_lost.append(x);
  }
  // Down to the bound of the sample length the channel uses now.
  const auto length = static_cast<double>(static_cast<std::int64_t>(
      channel == 1 || channel == 2 ? channelStats[channel].sampleLength : 0));
  if (length > 1.0) lowest = std::min(lowest, 1.0 / length);
  p.floor = std::pow(10.0, std::floor(std::log10(lowest)));
  return p;
}

RatioChart::RatioChart(int channel, QWidget* parent)
    // Made with its chart: a view made without one makes a default chart,
    // which setChart would leave behind.
    : QChartView(new QChart, parent), channel_(channel), labelled_floor_(std::nan("")) {
  QChart* c = chart();
  c->legend()->hide();
  c->setMargins(QMargins(2, 2, 6, 2));
  c->setBackgroundRoundness(0);
  QFont small = font();
  small.setPointSizeF(small.pointSizeF() * 0.8);

  x_ = new QValueAxis;
  y_ = new QCategoryAxis;
  y_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  y_->setTruncateLabels(false);
  for (QAbstractAxis* axis : {static_cast<QAbstractAxis*>(x_), static_cast<QAbstractAxis*>(y_)}) {
    axis->setLabelsFont(small);
    axis->setGridLineColor(QColor(0xE0, 0xE0, 0xE0));
  }
  c->addAxis(x_, Qt::AlignBottom);
  c->addAxis(y_, Qt::AlignLeft);

  bounds_ = dots(c, QScatterSeries::MarkerShapeCircle, Qt::transparent, QColor(0x90, 0x90, 0x90),
                 kDotSize);
  errors_ = dots(c, QScatterSeries::MarkerShapeCircle, QColor(0xD0, 0x20, 0x20),
                 QColor(0x80, 0x00, 0x00), kDotSize);
  sync_lost_ = dots(c, QScatterSeries::MarkerShapeTriangle, QColor(0xFF, 0x99, 0x00),
                    QColor(0xA0, 0x60, 0x00), kDotSize + 3);
  link_lost_ = dots(c, QScatterSeries::MarkerShapeTriangle, QColor(0xFF, 0x00, 0x00),
                    QColor(0x80, 0x00, 0x00), kDotSize + 3);
  for (QScatterSeries* s : {bounds_, errors_, sync_lost_, link_lost_}) {
    s->attachAxis(x_);
    s->attachAxis(y_);
  }
  setRenderHint(QPainter::Antialiasing);
  setMinimumSize(240, 90);
  setToolTip(
      tr("Error ratio of each sample: filled dots where errors were counted, grey rings at "
         "the bound of samples without errors; triangles where the link (red) or the "
         "pattern sync (orange) was lost"));
  set_span(span_s_);
}

void RatioChart::set_span(double seconds) {
  span_s_ = seconds;
  const TimeUnit unit = unit_for(seconds);
  x_->setLabelFormat(unit.format);
  x_->setRange(-seconds / unit.seconds, 0.0);
  x_->setTickCount(7);
  refresh();
}

void RatioChart::refresh() {
  const TimeUnit unit = unit_for(span_s_);
  shown_ = chart_points(channel_, kd71::clock::now(), span_s_, kBins, unit.seconds);
  errors_->replace(shown_.errors);
  bounds_->replace(shown_.bounds);
  auto markers = [](const QList<double>& xs) {
    QList<QPointF> points;
    for (double x : xs) points.append(QPointF(x, kMarkerY));
    return points;
  };
  link_lost_->replace(markers(shown_.link_lost));
  sync_lost_->replace(markers(shown_.sync_lost));
  // Decade labels, a few of them however deep the scale goes.
  const double low = std::log10(shown_.floor);
  if (low != labelled_floor_) {
    labelled_floor_ = low;
    for (const QString& label : y_->categoriesLabels()) y_->remove(label);
    const int decades = static_cast<int>(-low);
    const int step = std::max(1, (decades + kMostLabels - 2) / (kMostLabels - 1));
    // From the bottom up: each category ends above the one before.
    y_->setStartValue(low);
    for (int d = decades / step * step; d >= 0; d -= step)
      y_->append(d == 0 ? QStringLiteral("1") : QStringLiteral("1e-%1").arg(d), -d);
    y_->setRange(low, std::log10(kTop));
  }
}

}  // namespace kd71::qt
