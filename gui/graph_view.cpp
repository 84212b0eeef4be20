// Graphs: the recorded points and waveforms of a graph control drawn in
// their colours and styles over axes that fit them.
#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "gui/look.h"
#include "gui/view_kinds.h"
#include "platform/ui_runtime/ui_store.h"

namespace kd71::qt {

namespace {

// Styles the threshold searches plot with: plot style 0 joins a waveform's
// points with a thin line; point style 16 marks with a cross, 17 with a small
// cross, 24 draws no mark. Other point styles mark with a dot.
constexpr int kPlotThinLine = 0;
constexpr int kPointCross = 16;
constexpr int kPointSmallCross = 17;
constexpr int kPointNone = 24;

constexpr double kYPadding = 0.05;

// The plot area is dark, as on a scope: the searches draw in bright colours
// (green, yellow, red, white and their pale point colours).
const QColor kPlotArea(0x14, 0x18, 0x1C);
const QColor kPlotGrid(0x3A, 0x42, 0x4A);
const QColor kPlotNote(0xA0, 0xA8, 0xB0);

struct Range {
  double lo = std::numeric_limits<double>::infinity();
  double hi = -std::numeric_limits<double>::infinity();
  void add(double v) {
    if (!std::isfinite(v)) return;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  bool empty() const { return !(lo <= hi); }
  // A single value gets room on both sides.
  void settle() {
    if (lo == hi) lo -= 1.0, hi += 1.0;
  }
  double span() const { return hi - lo; }
  // Room above and below, so a level at the top or bottom stays visible.
  void pad(double fraction) {
    const double room = span() * fraction;
    lo -= room;
    hi += room;
  }
};

// Every waveform sample as a point.
std::vector<QPointF> waveform_points(const ui::Plot& plot) {
  std::vector<QPointF> points;
  points.reserve(plot.values.size());
  for (std::size_t i = 0; i < plot.values.size(); ++i)
    points.emplace_back(plot.initial_x + plot.x_increment * static_cast<double>(i),
                        plot.values[i] * plot.y_gain + plot.y_offset);
  return points;
}

class PlotCanvas : public QWidget {
 public:
  PlotCanvas(QString title, QString x_label, QString y_label)
      : title_(std::move(title)), x_label_(std::move(x_label)), y_label_(std::move(y_label)) {
    setMinimumSize(fontMetrics().height() * 24, fontMetrics().height() * 12);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  }
  // Room for a sweep of 32 thresholds to read point by point.
  QSize sizeHint() const override {
    return {fontMetrics().height() * 40, fontMetrics().height() * 18};
  }
  void set_title(QString title) {
    title_ = std::move(title);
    update();
  }
  void set_plots(std::vector<ui::Plot> plots) {
    plots_ = std::move(plots);
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  void mark(QPainter& p, QPointF at, int style) const;

  QString title_, x_label_, y_label_;
  std::vector<ui::Plot> plots_;
};

void PlotCanvas::mark(QPainter& p, QPointF at, int style) const {
  const double r = fontMetrics().height() * (style == kPointSmallCross ? 0.2 : 0.35);
  switch (style) {
    case kPointNone:
      return;
    case kPointCross:
    case kPointSmallCross:
      p.drawLine(at - QPointF(r, 0), at + QPointF(r, 0));
      p.drawLine(at - QPointF(0, r), at + QPointF(0, r));
      return;
    default:
      p.drawEllipse(at, r * 0.5, r * 0.5);
      return;
  }
}

void PlotCanvas::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), palette().color(QPalette::Base));

  Range xr, yr;
  for (const ui::Plot& plot : plots_) {
    if (plot.waveform) {
      for (const QPointF& pt : waveform_points(plot)) xr.add(pt.x()), yr.add(pt.y());
    } else {
      xr.add(plot.x);
      yr.add(plot.y);
    }
  }
  const bool empty = xr.empty() || yr.empty();

  const QFontMetrics fm = fontMetrics();
  const int h = fm.height();
  const QRectF area(fm.horizontalAdvance(QStringLiteral("-88888")) + h * 1.5, h * 1.6,
                    width() - fm.horizontalAdvance(QStringLiteral("-88888")) - h * 2.5,
                    height() - h * 4.2);
  if (area.width() <= 0 || area.height() <= 0) return;
  const QColor ink = palette().color(QPalette::Text);
  p.fillRect(area, kPlotArea);
  p.setPen(ink);
  p.drawRect(area);
  p.drawText(QRectF(area.left(), area.bottom() + h * 1.3, area.width(), h), Qt::AlignHCenter,
             x_label_);
  QFont bold = font();
  bold.setBold(true);
  p.setFont(bold);
  p.drawText(QRectF(area.left(), 0, area.width(), h * 1.4), Qt::AlignHCenter | Qt::AlignVCenter,
             title_);
  p.setFont(font());
  p.save();
  p.translate(h * 0.2, area.center().y());
  p.rotate(-90);
  p.drawText(QRectF(-area.height() / 2, 0, area.height(), h), Qt::AlignHCenter, y_label_);
  p.restore();
  // Without points there is no scale to show: no made-up axes.
  if (empty) {
    p.setPen(kPlotNote);
    p.drawText(area, Qt::AlignCenter, tr("No points yet"));
    return;
  }
  xr.settle();
  yr.settle();
  yr.pad(kYPadding);
  auto to_screen = [&](double x, double y) {
    return QPointF(area.left() + (x - xr.lo) / xr.span() * area.width(),
                   area.bottom() - (y - yr.lo) / yr.span() * area.height());
  };

  // Grid, ticks and labels.
  const QColor grid = kPlotGrid;
  const double xs = axis_step(xr.span()), ys = axis_step(yr.span());
  for (double x = std::ceil(xr.lo / xs) * xs; x <= xr.hi + xs * 1e-9; x += xs) {
    const QPointF at = to_screen(x, yr.lo);
    p.setPen(grid);
    p.drawLine(QPointF(at.x(), area.top()), QPointF(at.x(), area.bottom()));
    p.setPen(ink);
    p.drawText(QRectF(at.x() - h * 3, area.bottom() + 2, h * 6, h), Qt::AlignHCenter,
               QString::number(std::abs(x) < xs * 1e-9 ? 0.0 : x, 'g', 6));
  }
  for (double y = std::ceil(yr.lo / ys) * ys; y <= yr.hi + ys * 1e-9; y += ys) {
    const QPointF at = to_screen(xr.lo, y);
    p.setPen(grid);
    p.drawLine(QPointF(area.left(), at.y()), QPointF(area.right(), at.y()));
    p.setPen(ink);
    p.drawText(QRectF(0, at.y() - h / 2.0, area.left() - 4, h), Qt::AlignRight | Qt::AlignVCenter,
               QString::number(std::abs(y) < ys * 1e-9 ? 0.0 : y, 'g', 6));
  }
  // The plots, clipped to the plot area.
  p.setClipRect(area.adjusted(-2, -2, 2, 2));
  for (const ui::Plot& plot : plots_) {
    const QColor color = to_qcolor(plot.color);
    p.setPen(QPen(color, 1.4));
    p.setBrush(color);
    if (!plot.waveform) {
      mark(p, to_screen(plot.x, plot.y), plot.point_style == kPointNone ? -1 : plot.point_style);
      continue;
    }
    const std::vector<QPointF> points = waveform_points(plot);
    if (plot.plot_style == kPlotThinLine) {
      QPainterPath path;
      bool started = false;
      for (const QPointF& pt : points) {
        if (!std::isfinite(pt.x()) || !std::isfinite(pt.y())) {
          started = false;
          continue;
        }
        const QPointF at = to_screen(pt.x(), pt.y());
        if (started)
          path.lineTo(at);
        else
          path.moveTo(at);
        started = true;
      }
      p.setBrush(Qt::NoBrush);
      p.drawPath(path);
      p.setBrush(color);
    }
    const int every = std::max(1, plot.point_frequency);
    for (std::size_t i = 0; i < points.size(); i += static_cast<std::size_t>(every))
      if (std::isfinite(points[i].x()) && std::isfinite(points[i].y()))
        mark(p, to_screen(points[i].x(), points[i].y()), plot.point_style);
  }
}

class GraphView : public ControlView {
 public:
  GraphView(int panel, const uir::ControlDef& def, InputSink& sink)
      : ControlView(panel, def, sink),
        canvas_(new PlotCanvas(QString::fromUtf8(def.label), QString::fromUtf8(def.x_label),
                               QString::fromUtf8(def.y_label))) {
    set_widget(canvas_);
  }

 protected:
  void show_plots() override { canvas_->set_plots(ui::plots(panel(), def().id)); }
  void show_own_label(const QString& text) override { canvas_->set_title(text); }

 private:
  PlotCanvas* canvas_;
};

}  // namespace

ViewPtr make_graph_view(int panel, const uir::ControlDef& def, InputSink& sink) {
  return std::make_unique<GraphView>(panel, def, sink);
}

}  // namespace kd71::qt
