#include "ui/qt/program_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ui::qt {

namespace {

QPixmap drawIcon(int side) {
  QPixmap pixmap(side, side);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(side / 64.0, side / 64.0);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x24, 0x5E, 0xDB));
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
  QPainterPath sheet;
  sheet.moveTo(18, 10);
  sheet.lineTo(40, 10);
  sheet.lineTo(48, 18);
  sheet.lineTo(48, 54);
  sheet.quadTo(48, 56, 46, 56);
  sheet.lineTo(18, 56);
  sheet.quadTo(16, 56, 16, 54);
  sheet.lineTo(16, 12);
  sheet.quadTo(16, 10, 18, 10);
  p.setBrush(Qt::white);
  p.drawPath(sheet);
  QPainterPath fold;
  fold.moveTo(40, 10);
  fold.lineTo(40, 18);
  fold.lineTo(48, 18);
  fold.closeSubpath();
  p.setBrush(QColor(0xC9, 0xD8, 0xF5));
  p.drawPath(fold);
  p.setBrush(QColor(0x8A, 0xA4, 0xD6));
  p.drawRoundedRect(QRectF(21, 20, 16, 3), 1.5, 1.5);
  p.drawRoundedRect(QRectF(21, 27, 22, 3), 1.5, 1.5);
  QPen ink(QColor(0x1B, 0x2A, 0x4A), 3.2, Qt::SolidLine, Qt::RoundCap);
  p.setPen(ink);
  p.setBrush(Qt::NoBrush);
  for (double y : {41.0, 48.0}) {
    QPainterPath wave;
    wave.moveTo(20, y);
    wave.cubicTo(24, y - 4, 28, y + 4, 32, y);
    wave.cubicTo(36, y - 4, 40, y + 4, 44, y);
    p.drawPath(wave);
  }
  return pixmap;
}

}  // namespace

QIcon ProgramIcon() {
  QIcon icon;
  for (int side : {16, 24, 32, 48, 64, 128}) icon.addPixmap(drawIcon(side));
  return icon;
}

}  // namespace ui::qt
