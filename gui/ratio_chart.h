// The strip chart of one channel's error ratio: the samples of the chosen
// span up to now on a logarithmic scale (the decades drawn as log10 of the
// ratio, labelled "1e-12" .. "1") down to the bound of the sample length; samples with errors as
// filled dots, samples without errors at their bound as hollow grey rings, and triangles along the
// top where the link (red) or the pattern sync (orange) was lost. Drawn from the history ring when
// refresh() is called (the pane's timer), never from the tick.
#pragma once

#include <QChartView>
#include <QList>
#include <QPointF>

class QCategoryAxis;
class QScatterSeries;
class QValueAxis;

namespace kd71::qt {

// The points of a chart. Time runs in `unit` seconds before now (x <= 0);
// the span is cut into `bins` slots and each slot shows its worst sample
// (its highest ratio with errors, else its bound), so that a day of
// samples draws as fast as a minute.
struct ChartPoints {
  QList<QPointF> errors;    // samples with errors: log10 of their ratio
  QList<QPointF> bounds;    // samples without errors: log10 of their bound
  QList<double> link_lost;  // x of each loss of the link
  QList<double> sync_lost;  // x where the sync was lost
  double floor = 1e-12;     // the scale's bottom: a decade at or below every bound
};
ChartPoints chart_points(int channel, double now, double span_s, int bins, double unit_s);

// The spans to choose from, in seconds, and their names ("1 min" .. "24 h").
struct ChartSpan {
  const char* name;
  double seconds;
};
const QList<ChartSpan>& chart_spans();

class RatioChart : public QChartView {
 public:
  explicit RatioChart(int channel, QWidget* parent = nullptr);

  void set_span(double seconds);
  double span() const { return span_s_; }
  // Redraws from the history; the time axis moves on with the clock.
  void refresh();

  const ChartPoints& shown() const { return shown_; }

 private:
  int channel_;
  double span_s_ = 60.0;
  QValueAxis* x_ = nullptr;
  QCategoryAxis* y_ = nullptr;
  double labelled_floor_;  // log10 of the scale bottom the labels are for
  QScatterSeries* errors_ = nullptr;
  QScatterSeries* bounds_ = nullptr;
  QScatterSeries* link_lost_ = nullptr;
  QScatterSeries* sync_lost_ = nullptr;
  ChartPoints shown_;
};

}  // namespace kd71::qt
