#include "gui/program_icon.h"

#include <QByteArray>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include "gui/program_icon_svg.h"

namespace kd71::qt {

namespace {

QIcon draw_icon() {
  QSvgRenderer svg{QByteArray(kProgramIconSvg)};
  QIcon icon;
  if (!svg.isValid()) return icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    svg.render(&p);
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace

QIcon program_icon() {
  static const QIcon icon = draw_icon();
  return icon;
}

}  // namespace kd71::qt
