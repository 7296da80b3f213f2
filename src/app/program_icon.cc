#include "app/program_icon.h"

#include <QPainter>
#include <QPixmap>

namespace velmora {

QImage DrawProgramIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal unit = size / 16.0;
  // Track: a grey band with a white edge line across the lower third.
  painter.fillRect(QRectF(0, 11 * unit, size, 5 * unit), QColor(90, 90, 90));
  painter.fillRect(QRectF(0, 11 * unit, size, unit * 0.6), Qt::white);
  // Flag: four by three squares on a pole.
  painter.fillRect(QRectF(2 * unit, 1 * unit, unit, 14 * unit), QColor(60, 40, 20));
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 4; ++column) {
      const QColor colour = (row + column) % 2 == 0 ? Qt::black : Qt::white;
      painter.fillRect(QRectF((3 + column * 3) * unit, (1 + row * 3) * unit, 3 * unit, 3 * unit),
                       colour);
    }
  }
  painter.setPen(QPen(Qt::black, unit * 0.5));
  painter.drawRect(QRectF(3 * unit, 1 * unit, 12 * unit, 9 * unit));
  painter.end();
  return image;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) icon.addPixmap(QPixmap::fromImage(DrawProgramIcon(size)));
  return icon;
}

}  // namespace velmora
