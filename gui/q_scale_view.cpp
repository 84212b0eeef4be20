#include "gui/q_scale_view.h"

#include <QPainter>
#include <cmath>

#include "eye_scan/eye_figures.h"
#include "eye_scan/jitter_fit.h"
#include "eye_scan/q_scale.h"
#include "gui/plot_frame.h"

namespace kd71::qt {
namespace {

// The Q scale shown: from a ratio of about 1e-2 down to below 1e-15.
constexpr double kQTop = 2.0, kQBottom = 8.5;
constexpr int kFirstDecade = 3, kLastDecade = 15, kDecadeStep = 3;
const QColor kLeftWall(0x15, 0x65, 0xC0), kRightWall(0xC6, 0x28, 0x28);
const QColor kBound(0x9E, 0x9E, 0x9E);

}  // namespace

QScaleView::QScaleView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(320, 260);
  setToolTip(
      tr("The bathtub on the Q scale: each wall's tail is a straight line whose slope gives "
         "the random jitter and whose foot the deterministic jitter's edge; the lines are "
         "drawn down to the chosen ratio, where the eye's width is what TJ leaves"));
}

void QScaleView::show_scan(const EyeScanResult& r, double ratio) {
  ratio_ = ratio;
  jitter_ = kd71::eye::scan_jitter(r, ratio);
  half_period_ = r.delays.bit_period_ps > 0.0 ? r.delays.bit_period_ps / 2.0 : 50.0;
  tail_.clear();
  bounds_.clear();
  if (!jitter_.found) {
    update();
    return;
  }
  const double scale = 2.0 / kd71::eye::kPrbsTransitionDensity;
  for (const EyePoint& p : kd71::eye::bathtub_of(r)) {
    if (!(p.bits > 0.0)) continue;
    // From the fitted centre, round the period.
    double ps = delay_ps(p.delay_v) - jitter_.centre_ps;
    ps -= 2.0 * half_period_ * std::round(ps / (2.0 * half_period_));
    if (p.errors == 0)
      bounds_.push_back({ps, kd71::eye::inverse_q(scale / p.bits)});
    else if (!p.saturated)
      tail_.push_back({ps, kd71::eye::inverse_q(scale * point_ratio(p))});
  }
  update();
}

void QScaleView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), palette().base());
  if (!jitter_.found) {
    draw_placeholder(p, *this,
                     jitter_.why_not.empty()
                         ? tr("An adaptive scan draws its bathtub on the Q scale here.")
                         : tr("No jitter fit: %1.").arg(QString::fromStdString(jitter_.why_not)));
    return;
  }
  // Q grows downwards, as the ratio falls.
  PlotFrame f{plot_area(*this), -half_period_, half_period_, -kQBottom, -kQTop};
  std::vector<YTick> ticks;
  for (int q = static_cast<int>(kQTop); q <= static_cast<int>(kQBottom); ++q)
    ticks.push_back({-static_cast<double>(q), QString::number(q)});
  draw_frame(p, *this, f, tr("Delay from the eye's centre (ps)"), tr("Q"), ticks);
  const QFontMetricsF fm(font());
  for (int d = kFirstDecade; d <= kLastDecade; d += kDecadeStep) {
    const qreal y = f.y(-kd71::eye::inverse_q(std::pow(10.0, -d)));
    p.drawLine(QPointF(f.area.right(), y), QPointF(f.area.right() + 4, y));
    p.drawText(QPointF(f.area.right() + 6, y + fm.ascent() / 2 - 1), QStringLiteral("1e-%1").arg(d));
  }
  p.save();
  p.setClipRect(f.area);
  // The chosen ratio and the width the jitter leaves there.
  const double q_at = kd71::eye::inverse_q(ratio_);
  p.setPen(QPen(palette().color(QPalette::Text), 1.0, Qt::DashLine));
  p.drawLine(f.at(-half_period_, -q_at), f.at(half_period_, -q_at));
  p.setPen(QPen(QColor(0x2E, 0x7D, 0x32), 3.0));
  p.drawLine(f.at(-jitter_.width_ps / 2, -q_at), f.at(jitter_.width_ps / 2, -q_at));
  // Each wall's own fitted line, from its Dirac edge (from the centre) on
  // past the chosen ratio's Q.
  const double half_gap = (jitter_.right.edge - jitter_.left.edge) / 2.0;
  const double reach = q_at * 1.1;
  p.setPen(QPen(kLeftWall, 1.5));
  p.drawLine(f.at(-half_gap, 0.0), f.at(-half_gap + reach * jitter_.left.sigma, -reach));
  p.setPen(QPen(kRightWall, 1.5));
  p.drawLine(f.at(half_gap, 0.0), f.at(half_gap - reach * jitter_.right.sigma, -reach));
  p.setPen(Qt::NoPen);
  for (const QPointF& t : tail_) {
    p.setBrush(t.x() < 0 ? kLeftWall : kRightWall);
    p.drawEllipse(f.at(t.x(), -t.y()), 3.5, 3.5);
  }
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(kBound, 1.2));
  for (const QPointF& b : bounds_) p.drawEllipse(f.at(b.x(), -b.y()), 3.5, 3.5);
  p.restore();
  p.setPen(palette().color(QPalette::Text));
  const QString figures = tr("RJ %1 ps  DJ %2 ps  TJ %3 ps at %4")
                              .arg(jitter_.rj_ps, 0, 'f', 2)
                              .arg(jitter_.dj_ps, 0, 'f', 1)
                              .arg(jitter_.tj_ps, 0, 'f', 1)
                              .arg(QString::number(ratio_, 'e', 0));
  p.drawText(QPointF(f.area.left() + 6, f.area.top() + fm.ascent() + 4), figures);
}

}  // namespace kd71::qt
