#include "ui/qt/look.h"

#include <QFrame>
#include <QPainter>
#include <QPalette>
#include <QWidget>

namespace kd71::qt {

namespace {

// Type sizes relative to the system font.
constexpr double kTitleScale = 1.45;
constexpr double kHeadingScale = 1.1;
constexpr double kFigureScale = 1.7;

// A dimmed field: its fill drawn towards the window grey, its text grey.
constexpr int kDimmedFillBlend = 55;  // percent of the fill kept
// Group frames: this much lighter than the window (percent).
constexpr int kGroupLighter = 104;
const QColor kDimmedText(0x80, 0x80, 0x80);

QColor blend(const QColor& a, const QColor& b, int percent_a) {
  auto mix = [percent_a](int x, int y) { return (x * percent_a + y * (100 - percent_a)) / 100; };
  return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

}  // namespace

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
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    palette.setColor(QPalette::Disabled, role, kDimmedText);
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

}  // namespace kd71::qt
