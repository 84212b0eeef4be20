#include "gui/plot_frame.h"

#include <algorithm>
#include <cmath>

#include "gui/look.h"

namespace kd71::qt {
namespace {

constexpr qreal kLeft = 58, kTop = 16, kRight = 56, kBottom = 40;

int decimals(double step) { return std::max(0, static_cast<int>(-std::floor(std::log10(step)))); }

std::vector<YTick> round_ticks(double lo, double hi) {
  std::vector<YTick> ticks;
  if (!(hi > lo)) return ticks;
  const double step = axis_step(hi - lo);
  for (double v = std::ceil(lo / step) * step; v <= hi + step * 1e-9; v += step) {
    const double at = std::fabs(v) < step * 1e-9 ? 0.0 : v;
    ticks.push_back({at, QString::number(at, 'f', decimals(step))});
  }
  return ticks;
}

}  // namespace

QRectF plot_area(const QWidget& w) {
  return QRectF(kLeft, kTop, std::max<qreal>(10, w.width() - kLeft - kRight),
                std::max<qreal>(10, w.height() - kTop - kBottom));
}

void draw_frame(QPainter& p, const QWidget& w, const PlotFrame& f, const QString& x_title,
                const QString& y_title, const std::vector<YTick>& y_ticks) {
  const QFontMetricsF fm(w.font());
  const QRectF& a = f.area;
  p.setPen(w.palette().color(QPalette::Text));
  p.setBrush(Qt::NoBrush);
  p.drawRect(a);
  for (const YTick& t : round_ticks(f.x_lo, f.x_hi)) {
    const qreal x = f.x(t.at);
    p.drawLine(QPointF(x, a.bottom()), QPointF(x, a.bottom() + 4));
    p.drawText(QPointF(x - fm.horizontalAdvance(t.label) / 2, a.bottom() + 4 + fm.ascent()),
               t.label);
  }
  for (const YTick& t : y_ticks.empty() ? round_ticks(f.y_lo, f.y_hi) : y_ticks) {
    const qreal y = f.y(t.at);
    if (y < a.top() - 1 || y > a.bottom() + 1) continue;
    p.drawLine(QPointF(a.left() - 4, y), QPointF(a.left(), y));
    p.drawText(QPointF(a.left() - 6 - fm.horizontalAdvance(t.label), y + fm.ascent() / 2 - 1),
               t.label);
  }
  p.drawText(QPointF(a.center().x() - fm.horizontalAdvance(x_title) / 2, w.height() - 4), x_title);
  p.save();
  p.translate(fm.ascent() + 1, a.center().y());
  p.rotate(-90);
  p.drawText(QPointF(-fm.horizontalAdvance(y_title) / 2, 0), y_title);
  p.restore();
}

void draw_placeholder(QPainter& p, const QWidget& w, const QString& text) {
  p.setPen(w.palette().color(QPalette::PlaceholderText));
  p.drawText(w.rect().adjusted(12, 0, -12, 0), Qt::AlignCenter | Qt::TextWordWrap, text);
}

}  // namespace kd71::qt
