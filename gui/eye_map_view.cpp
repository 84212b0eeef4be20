#include "gui/eye_map_view.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "eye_scan/eye_figures.h"
#include "eye_scan/scan_contour.h"
#include "gui/eye_contour_view.h"
#include "gui/look.h"

namespace kd71::qt {

namespace {

// The plot's margins: the threshold's labels left, the picoseconds above,
// the volts below, the colour scale right.
constexpr qreal kLeft = 58, kTop = 34, kRight = 78, kBottom = 40;
constexpr qreal kScaleWidth = 14;
constexpr double kLeastScale = 10.0;          // the colour scale spans a decade at least
constexpr double kDefaultFloorDecade = -9.0;  // before a scan resolves any ratio

struct Stop {
  double at;
  QColor colour;
};
const Stop kStops[] = {
    {0.00, QColor(0x12, 0x2C, 0x7A)}, {0.25, QColor(0x15, 0x65, 0xC0)},
    {0.45, QColor(0x26, 0xA6, 0x9A)}, {0.60, QColor(0x9C, 0xCC, 0x65)},
    {0.75, QColor(0xFF, 0xEB, 0x3B)}, {0.90, QColor(0xFF, 0x98, 0x00)},
    {1.00, QColor(0xC6, 0x28, 0x28)},
};
const QColor kErrorFree(0x08, 0x12, 0x40);
const QColor kNotYet(0xE8, 0xE8, 0xE8);

QColor mix(const QColor& a, const QColor& b, double f) {
  return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * f),
                          static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * f),
                          static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * f));
}

QColor scale_colour(double t) {
  t = std::clamp(t, 0.0, 1.0);
  for (std::size_t i = 1; i < std::size(kStops); ++i)
    if (t <= kStops[i].at)
      return mix(kStops[i - 1].colour, kStops[i].colour,
                 (t - kStops[i - 1].at) / (kStops[i].at - kStops[i - 1].at));
  return kStops[std::size(kStops) - 1].colour;
}

template <typename Draw>
void each_tick(double lo, double hi, Draw draw) {
  if (!(hi > lo)) return;
  const double step = axis_step(hi - lo);
  for (double v = std::ceil(lo / step) * step; v <= hi + step * 1e-9; v += step)
    draw(std::fabs(v) < step * 1e-9 ? 0.0 : v, step);
}

int decimals(double step) { return std::max(0, static_cast<int>(-std::floor(std::log10(step)))); }

}  // namespace

QColor eye_colour(double ratio, bool bound, double floor, double top) {
  if (bound || !(ratio > 0.0)) return kErrorFree;
  const double low = ratio_decades(floor, kDefaultFloorDecade);
  const double high = std::max(ratio_decades(top, 0.0), low + 1.0);
  return scale_colour((ratio_decades(ratio, low) - low) / (high - low));
}

EyeMapView::EyeMapView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(360, 260);
  setToolTip(
      tr("Error ratio over sampling delay and threshold: dark blue where no error came, "
         "red at the highest ratio of the scan; the white cross spans the eye's opening at "
         "the chosen ratio through its centre"));
}

void EyeMapView::show_scan(const EyeScanResult& r, const EyeReport& report) {
  two_d_ = r.request.two_d && r.thresholds.points > 1 && r.delays.points > 0;
  report_ = report;
  if (!two_d_) {
    cells_ = QImage();
    update();
    return;
  }
  const int columns = r.delays.points, rows = r.thresholds.points;
  // Before its first point a scan resolves no ratio: the scale keeps its own.
  const double floor = report.ratio > 0.0 ? report.ratio : smallest_resolved_ratio(r.points);
  if (floor > 0.0 && std::isfinite(floor)) floor_ = floor;
  // Up to the highest ratio the scan saw: a fast count that stops at its
  // top shows the same ratio at every closed point.
  top_ = floor_ * kLeastScale;
  for (const EyePoint& p : r.points)
    if (std::isfinite(point_ratio(p))) top_ = std::max(top_, point_ratio(p));
  cells_ = QImage(columns, rows, QImage::Format_RGB32);
  cells_.fill(kNotYet);
  for (std::size_t i = 0; i < r.points.size(); ++i) {
    const EyePoint& p = r.points[i];
    const int column = static_cast<int>(i) / rows, row = static_cast<int>(i) % rows;
    cells_.setPixelColor(column, rows - 1 - row,
                         eye_colour(point_ratio(p), p.errors == 0, floor_, top_));
  }
  const double dstep = r.delays.step_v, tstep = r.thresholds.step_mv;
  delay_lo_ = r.delays.first_v - dstep / 2.0;
  delay_hi_ = sweep_delay(r.delays, columns - 1) + dstep / 2.0;
  mv_lo_ = r.thresholds.first_mv - tstep / 2.0;
  mv_hi_ = sweep_threshold(r.thresholds, rows - 1) + tstep / 2.0;
  // The contours once the scan has ended: each row's tails are whole then.
  contours_.clear();
  if (r.state == EyeScanState::Finished || r.state == EyeScanState::Stopped) {
    // RJ, DJ and the rails do not depend on the ratio: one fit serves all.
    const kd71::eye::jitter_figures j = kd71::eye::scan_jitter(r, kd71::eye::kDefaultContourRatio);
    const kd71::eye::vertical_figures v =
        kd71::eye::scan_vertical(r, j, kd71::eye::kDefaultContourRatio);
    for (double ratio : kContourRatios) {
      const kd71::eye::scan_contour c = kd71::eye::contour_of_scan(r, j, v, ratio);
      std::vector<QPointF> line;
      for (const kd71::eye::ContourPoint& at : c.points)
        line.emplace_back(c.centre_v + delay_volts(at.ps), c.centre_mv + at.mv);
      contours_.push_back(line);
    }
  }
  update();
}

QRectF EyeMapView::plot_area() const {
  return QRectF(kLeft, kTop, std::max<qreal>(10, width() - kLeft - kRight),
                std::max<qreal>(10, height() - kTop - kBottom));
}

void EyeMapView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().base());
  const QRectF area = plot_area();
  if (!two_d_) {
    p.setPen(palette().color(QPalette::PlaceholderText));
    p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap,
               tr("A two-dimensional scan (\"2-D eye\") draws its eye here."));
    return;
  }
  p.drawImage(area, cells_);
  draw_axes(p, area);
  draw_scale(p, area);
  draw_opening(p, area);
  draw_contours(p, area);
}

void EyeMapView::draw_contours(QPainter& p, const QRectF& a) const {
  // White on the error-free dark blue; dashes tell the ratios apart.
  const Qt::PenStyle styles[] = {Qt::DotLine, Qt::DashLine, Qt::SolidLine};
  p.save();
  p.setClipRect(a);
  p.setRenderHint(QPainter::Antialiasing);
  for (std::size_t k = 0; k < contours_.size() && k < std::size(styles); ++k) {
    const std::vector<QPointF>& line = contours_[k];
    if (line.empty()) continue;
    QPolygonF shape;
    for (const QPointF& at : line) shape << QPointF(x_at(a, at.x()), y_at(a, at.y()));
    p.setPen(QPen(Qt::white, 1.5, styles[k]));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(shape);
    const auto top =
        std::min_element(shape.begin(), shape.end(),
                         [](const QPointF& u, const QPointF& w) { return u.y() < w.y(); });
    p.drawText(*top + QPointF(4, -3),
               QString::number(kContourRatios[k], 'e', 0).remove(QLatin1Char('+')));
  }
  p.restore();
}

qreal EyeMapView::x_at(const QRectF& a, double v) const {
  return a.left() + (v - delay_lo_) / (delay_hi_ - delay_lo_) * a.width();
}

qreal EyeMapView::y_at(const QRectF& a, double mv) const {
  return a.bottom() - (mv - mv_lo_) / (mv_hi_ - mv_lo_) * a.height();
}

void EyeMapView::draw_axes(QPainter& p, const QRectF& a) const {
  const QFontMetricsF fm(font());
  p.setPen(palette().color(QPalette::Text));
  p.drawRect(a);
  each_tick(delay_lo_, delay_hi_, [&](double v, double step) {
    const qreal x = x_at(a, v);
    p.drawLine(QPointF(x, a.bottom()), QPointF(x, a.bottom() + 4));
    const QString label = QString::number(v, 'f', decimals(step));
    p.drawText(QPointF(x - fm.horizontalAdvance(label) / 2, a.bottom() + 4 + fm.ascent()), label);
  });
  const double ps_lo = delay_ps(delay_lo_), ps_hi = delay_ps(delay_hi_);
  each_tick(ps_lo, ps_hi, [&](double ps, double step) {
    const qreal x = a.left() + (ps - ps_lo) / (ps_hi - ps_lo) * a.width();
    p.drawLine(QPointF(x, a.top()), QPointF(x, a.top() - 4));
    const QString label = QString::number(ps, 'f', decimals(step));
    p.drawText(QPointF(x - fm.horizontalAdvance(label) / 2, a.top() - 6), label);
  });
  each_tick(mv_lo_, mv_hi_, [&](double mv, double step) {
    const qreal y = y_at(a, mv);
    p.drawLine(QPointF(a.left() - 4, y), QPointF(a.left(), y));
    const QString label = QString::number(mv, 'f', decimals(step));
    p.drawText(QPointF(a.left() - 6 - fm.horizontalAdvance(label), y + fm.ascent() / 2 - 1), label);
  });
  const QString volts = tr("Sampling delay (V)"), ps = tr("Delay (ps)");
  p.drawText(QPointF(a.center().x() - fm.horizontalAdvance(volts) / 2, height() - 4), volts);
  p.drawText(QPointF(a.center().x() - fm.horizontalAdvance(ps) / 2, fm.ascent() + 1), ps);
  p.save();
  p.translate(fm.ascent() + 1, a.center().y());
  p.rotate(-90);
  const QString mv = tr("Threshold (mV)");
  p.drawText(QPointF(-fm.horizontalAdvance(mv) / 2, 0), mv);
  p.restore();
}

void EyeMapView::draw_scale(QPainter& p, const QRectF& a) const {
  const QRectF bar(a.right() + 10, a.top(), kScaleWidth, a.height());
  const double low = ratio_decades(floor_, kDefaultFloorDecade);
  const double high = std::max(ratio_decades(top_, 0.0), low + 1.0);
  for (int y = 0; y < static_cast<int>(bar.height()); ++y) {
    const double t = 1.0 - y / bar.height();
    p.setPen(scale_colour(t));
    p.drawLine(QPointF(bar.left(), bar.top() + y), QPointF(bar.right(), bar.top() + y));
  }
  p.setPen(palette().color(QPalette::Text));
  p.drawRect(bar);
  const QFontMetricsF fm(font());
  const int first = static_cast<int>(std::ceil(low)), last = static_cast<int>(std::floor(high));
  const int every = std::max(1, (last - first) / 4);
  for (int d = last; d >= first; d -= every) {
    const qreal y = bar.bottom() - (d - low) / (high - low) * bar.height();
    p.drawLine(QPointF(bar.right(), y), QPointF(bar.right() + 3, y));
    p.drawText(QPointF(bar.right() + 5, y + fm.ascent() / 2 - 1),
               d == 0 ? QStringLiteral("1") : QStringLiteral("1e%1").arg(d));
  }
}

void EyeMapView::draw_opening(QPainter& p, const QRectF& a) const {
  if (!report_.found || !report_.height_found) return;
  const double half_v = delay_volts(report_.width_ps) / 2.0, half_mv = report_.height_mv / 2.0;
  const QPointF centre(x_at(a, report_.centre_v), y_at(a, report_.centre_mv));
  p.save();
  p.setClipRect(a);
  p.setPen(QPen(Qt::white, 2.0));
  p.drawLine(QPointF(x_at(a, report_.centre_v - half_v), centre.y()),
             QPointF(x_at(a, report_.centre_v + half_v), centre.y()));
  p.drawLine(QPointF(centre.x(), y_at(a, report_.centre_mv - half_mv)),
             QPointF(centre.x(), y_at(a, report_.centre_mv + half_mv)));
  p.setBrush(Qt::white);
  p.drawEllipse(centre, 4, 4);
  p.restore();
}

}  // namespace kd71::qt
