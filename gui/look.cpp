#include "gui/look.h"

#include <QApplication>
#include <QFrame>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QRadialGradient>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace kd71::qt {

namespace {

// Type sizes relative to the system font.
constexpr double kTitleScale = 1.45;
constexpr double kHeadingScale = 1.1;
constexpr double kFigureScale = 1.6;

// A dimmed field: its fill drawn towards the window grey, its text in the
// grey of the dimmed captions beside it.
constexpr int kDimmedFillBlend = 55;  // percent of the fill kept
// Group frames: this much lighter than the window (percent).
constexpr int kGroupLighter = 104;

// Toggle lamps: lit green, unlit a dark grey.
const QColor kToggleLit(0x20, 0xD0, 0x20);
const QColor kToggleUnlit(0x58, 0x58, 0x58);
constexpr int kDimmedLampAlpha = 90;

QColor blend(const QColor& a, const QColor& b, int percent_a) {
  auto mix = [percent_a](int x, int y) { return (x * percent_a + y * (100 - percent_a)) / 100; };
  return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

}  // namespace

QColor dimmed_caption_color() {
  return QApplication::palette("QLabel").color(QPalette::Disabled, QPalette::WindowText);
}

QColor to_qcolor(int rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

void paint_colors(QWidget* widget, int fill, int text) {
  QPalette palette = widget->palette();
  const QColor fill_color = to_qcolor(fill);
  const QColor text_color = to_qcolor(text);
  const QColor window_grey = palette.color(QPalette::Active, QPalette::Window);
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
      palette.setColor(group, role, fill_color);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
      palette.setColor(group, role, text_color);
  }
  const QColor dimmed_fill = blend(fill_color, window_grey, kDimmedFillBlend);
  for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
    palette.setColor(QPalette::Disabled, role, dimmed_fill);
  const QColor dimmed_text = dimmed_caption_color();
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    palette.setColor(QPalette::Disabled, role, dimmed_text);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

QFont look_font(uir::Look look, const QFont& base) {
  QFont font = base;
  const double size = base.pointSizeF() > 0 ? base.pointSizeF() : 10.0;
  switch (look) {
    case uir::Look::Title:
      font.setPointSizeF(size * kTitleScale);
      font.setBold(true);
      break;
    case uir::Look::Heading:
      font.setPointSizeF(size * kHeadingScale);
      font.setBold(true);
      break;
    case uir::Look::Figure:
      font.setPointSizeF(size * kFigureScale);
      font.setBold(true);
      break;
    case uir::Look::Plain:
      break;
  }
  return font;
}

void style_group_frame(QFrame* frame) {
  frame->setObjectName(kGroupFrameName);
  frame->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
  QPalette palette = frame->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Window).lighter(kGroupLighter));
  frame->setPalette(palette);
  frame->setAutoFillBackground(true);
}

void style_readout(QFrame* readout) {
  readout->setObjectName(kReadoutName);
  const int margin = readout->fontMetrics().averageCharWidth() / 2 + 1;
  readout->setContentsMargins(margin, 1, margin, 1);
}

void draw_readout_box(QWidget* readout) {
  QPainter p(readout);
  p.setPen(readout->palette().color(QPalette::Mid));
  p.drawRect(QRectF(readout->rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

void paint_lamp(QPainter& p, const QRectF& r, QColor color, LampShape shape, bool dimmed,
                const QColor& rim) {
  p.setRenderHint(QPainter::Antialiasing);
  if (dimmed) color.setAlpha(kDimmedLampAlpha);
  p.setPen(QPen(rim, 1.2));
  if (shape == LampShape::Round) {
    QRadialGradient glow(r.center() - QPointF(r.width() / 5, r.height() / 5), r.width() / 1.4);
    glow.setColorAt(0, color.lighter(150));
    glow.setColorAt(1, color);
    p.setBrush(glow);
    p.drawEllipse(r);
  } else {
    p.setBrush(color);
    p.drawRoundedRect(r, 3, 3);
  }
}

QIcon toggle_lamp_icon(int size) {
  auto lamp = [size](const QColor& color) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    paint_lamp(p, QRectF(0, 0, size, size).adjusted(1.5, 1.5, -1.5, -1.5), color, LampShape::Round,
               false, color.darker(200));
    return pixmap;
  };
  QIcon icon;
  icon.addPixmap(lamp(kToggleLit), QIcon::Normal, QIcon::On);
  icon.addPixmap(lamp(kToggleUnlit), QIcon::Normal, QIcon::Off);
  return icon;
}

double axis_step(double span) {
  constexpr int kTicks = 6;
  if (!(span > 0.0) || !std::isfinite(span)) return 1.0;
  const double raw = span / kTicks;
  const double decade = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0})
    if (raw <= m * decade) return m * decade;
  return 10.0 * decade;
}

namespace {
constexpr double kDeepestDecade = -30.0;
}  // namespace

double ratio_decades(double ratio, double otherwise) {
  if (!(ratio > 0.0)) return otherwise;
  return std::clamp(std::log10(ratio), kDeepestDecade, 0.0);
}

double decade_below(double ratio, double otherwise) {
  return ratio > 0.0 ? std::pow(10.0, std::floor(ratio_decades(ratio, 0.0))) : otherwise;
}

double decade_above(double ratio, double otherwise) {
  return ratio > 0.0 ? std::pow(10.0, std::ceil(ratio_decades(ratio, 0.0))) : otherwise;
}

}  // namespace kd71::qt
