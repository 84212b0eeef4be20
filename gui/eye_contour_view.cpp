#include "gui/eye_contour_view.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "eye_scan/eye_contour.h"
#include "eye_scan/eye_figures.h"
#include "eye_scan/scan_contour.h"
#include "gui/plot_frame.h"

namespace kd71::qt {
namespace {

const QColor kContourColours[] = {QColor(0xF5, 0x7C, 0x00), QColor(0x15, 0x65, 0xC0),
                                  QColor(0x6A, 0x1B, 0x9A)};
const QColor kPass(0x2E, 0x7D, 0x32), kFail(0xC6, 0x28, 0x28);
// Room above and below the rails, in their spreads.
constexpr double kRailRoom = 3.0;

}  // namespace

EyeContourView::EyeContourView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(320, 260);
  setToolTip(
      tr("The eye's contours at 1e-6, 1e-9 and 1e-12 from each row's and column's tails, "
         "carried down by the centre's RJ and rail noise (the centre's fits alone where a scan "
         "has fewer than three rows and columns), and the eye mask"));
}

void EyeContourView::show_scan(const EyeScanResult& r,
                               const std::optional<kd71::eye::eye_mask>& mask) {
  contours_.clear();
  mask_ = mask;
  mask_test_ = {};
  const double ratio = kd71::eye::kDefaultContourRatio;
  const kd71::eye::jitter_figures j = kd71::eye::scan_jitter(r, ratio);
  const kd71::eye::vertical_figures v = kd71::eye::scan_vertical(r, j, ratio);
  why_not_ = !r.request.two_d ? "a two-dimensional scan draws its contours here"
             : !j.found       ? "no jitter fit: " + j.why_not
             : !v.found       ? "no vertical fit: " + v.why_not
                              : "";
  if (why_not_.empty()) {
    for (double c : kContourRatios) {
      const kd71::eye::scan_contour sc = kd71::eye::contour_of_scan(r, j, v, c);
      contours_.push_back(sc.points);
      if (c == kd71::eye::kDefaultContourRatio) source_ = kd71::eye::contour_source(sc);
    }
    half_period_ = j.bit_period_ps / 2.0;
    mv_lo_ = v.zero_mv - v.best_threshold_mv - kRailRoom * v.zero_sigma_mv;
    mv_hi_ = v.one_mv - v.best_threshold_mv + kRailRoom * v.one_sigma_mv;
    // RJ, DJ and the rails do not depend on the ratio: the mask's contour
    // comes from the same fits.
    if (mask_)
      mask_test_ = kd71::eye::test_eye_mask(
          *mask_, kd71::eye::contour_of_scan(r, j, v, mask_->ratio).points);
  }
  update();
}

void EyeContourView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), palette().base());
  if (!why_not_.empty()) return draw_placeholder(p, *this, QString::fromStdString(why_not_) + ".");
  const PlotFrame f{plot_area(*this), -half_period_, half_period_, mv_lo_, mv_hi_};
  draw_frame(p, *this, f, tr("Delay from the eye's centre (ps)"),
             tr("Threshold from the centre (mV)"));
  const QFontMetricsF fm(font());
  p.save();
  p.setClipRect(f.area);
  auto path = [&f](const std::vector<kd71::eye::ContourPoint>& points) {
    QPainterPath path;
    for (std::size_t i = 0; i < points.size(); ++i)
      i == 0 ? path.moveTo(f.at(points[i].ps, points[i].mv))
             : path.lineTo(f.at(points[i].ps, points[i].mv));
    path.closeSubpath();
    return path;
  };
  if (mask_) {
    const QColor c = mask_test_.tested && mask_test_.pass ? kPass : kFail;
    QColor fill = c;
    fill.setAlpha(70);
    p.setPen(QPen(c, 1.5));
    p.setBrush(fill);
    p.drawPath(path(mask_->polygon));
  }
  p.setBrush(Qt::NoBrush);
  for (std::size_t k = 0; k < contours_.size(); ++k) {
    if (contours_[k].empty()) continue;
    p.setPen(QPen(kContourColours[k], 2.0));
    p.drawPath(path(contours_[k]));
    const auto top = std::max_element(contours_[k].begin(), contours_[k].end(),
                                      [](const auto& a, const auto& b) { return a.mv < b.mv; });
    p.drawText(f.at(top->ps, top->mv) + QPointF(4, -4),
               QString::number(kContourRatios[k], 'e', 0).remove(QLatin1Char('+')));
  }
  p.restore();
  p.setPen(palette().color(QPalette::Text));
  p.drawText(f.area.adjusted(6, 0, -6, -4), Qt::AlignBottom | Qt::AlignLeft | Qt::TextWordWrap,
             tr("The 1e-12 contour %1.").arg(QString::fromStdString(source_)));
  if (mask_) {
    const QString name = QString::fromStdString(mask_->name.empty() ? "Mask" : mask_->name);
    const QString verdict =
        mask_test_.tested
            ? tr("%1 at %2: %3, margin %4 %")
                  .arg(name, QString::number(mask_->ratio, 'e', 0),
                       mask_test_.pass ? tr("pass") : tr("fail"))
                  .arg(mask_test_.margin_percent, 0, 'f', 1)
            : tr("%1: not tested: %2").arg(name, QString::fromStdString(mask_test_.why_not));
    p.setPen(mask_test_.tested && mask_test_.pass ? kPass : kFail);
    p.drawText(QPointF(f.area.left() + 6, f.area.top() + fm.ascent() + 4), verdict);
  }
}

}  // namespace kd71::qt
