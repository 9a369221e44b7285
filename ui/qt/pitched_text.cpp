#include "ui/qt/pitched_text.h"

#include <QFontInfo>
#include <QPainter>
#include <QTextLayout>
#include <vector>

namespace ui::qt {

int PixelSizeOf(const QFont& font) {
  return font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
}

void DrawPitchedText(QPainter* p, const QRect& area, QString text, const QFont& font, int glyph,
                     int pitch, Qt::Alignment horizontal, bool wrap) {
  if (text.isEmpty() || area.width() <= 0 || area.height() <= 0) return;
  glyph = std::max(1, glyph);
  pitch = std::max(1, pitch);
  const int lineCount = std::max(1, area.height() / pitch);
  // Only what can show is laid out: long question texts stay cheap.
  const qsizetype perLine = area.width() * 4 / glyph + 2;
  if (!wrap) {
    const qsizetype cut = text.indexOf(QLatin1Char('\n'));
    if (cut >= 0) text.truncate(cut);
    if (text.size() > perLine) text.truncate(perLine);
  } else if (text.size() > perLine * lineCount) {
    text.truncate(perLine * lineCount);
  }
  text.replace(QLatin1Char('\n'), QChar::LineSeparator);
  QTextLayout layout(text, font);
  QTextOption option(horizontal);
  option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
  layout.setTextOption(option);
  // The baseline of a line below its top: the characters' box (0.88 of a
  // glyph above the baseline) centred in the pitch. Lines are placed by
  // their baseline, not their top: a line's ascent is that of the faces it
  // happens to use (Chinese alone, or with Latin letters and digits from
  // another face), and placing tops would set such lines at other heights.
  const qreal baseline = 0.88 * glyph + (pitch - glyph) / 2.0;
  layout.beginLayout();
  std::vector<QTextLine> lines;
  for (int n = 0; n == 0 || area.top() + (n + 1) * pitch <= area.bottom() + 1; ++n) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLineWidth(area.width());
    line.setPosition(QPointF(0, area.top() + n * pitch + baseline - line.ascent()));
    lines.push_back(line);
  }
  // One baseline for every cell of a row: where only one line fits, that
  // line is centred, however much text is cut off after it; taller areas
  // centre a text of one line and start longer ones at the top.
  const bool oneLine = lines.size() == 1 && lines.front().textLength() >= text.size();
  if (lineCount == 1 || !wrap || oneLine)
    lines.front().setPosition(QPointF(
        0, area.top() + (area.height() - pitch) / 2.0 + baseline - lines.front().ascent()));
  layout.endLayout();
  p->save();
  p->setClipRect(area);
  layout.draw(p, QPointF(area.left(), 0));
  p->restore();
}

}  // namespace ui::qt
