#include "ui/qt/snapshot.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QWidget>

#include "ui/qt/colour_schemes.h"

namespace ui::qt {

QImage Snapshot(QWidget& widget, const QString& caption, int scheme) {
  QCoreApplication::processEvents();
  const QPixmap body = widget.grab();
  const int titleHeight = 26;
  const int border = 1;
  QImage image(body.width() + 2 * border, body.height() + titleHeight + border,
               QImage::Format_ARGB32);
  const QColor title = SchemeTitleColour(scheme);
  image.fill(title.darker(130));
  QPainter p(&image);
  QLinearGradient g(0, 0, 0, titleHeight);
  g.setColorAt(0, title.lighter(125));
  g.setColorAt(1, title);
  p.fillRect(QRect(border, border, body.width(), titleHeight - border), g);
  QFont f = QApplication::font();
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(border + 8, border, body.width() - 16, titleHeight - border),
             Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, caption);
  p.drawPixmap(border, titleHeight, body);
  p.end();
  return image;
}

bool SaveSnapshot(const QImage& image, const QString& dir, const QString& name) {
  QString file = name;
  for (QChar& c : file)
    if (c == QLatin1Char('/') || c == QChar(0)) c = QLatin1Char('_');
  QDir().mkpath(dir);
  return image.save(QDir(dir).filePath(file + QStringLiteral(".png")), "PNG");
}

}  // namespace ui::qt
