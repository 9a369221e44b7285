// Text drawn with lines a fixed pitch apart. The windows size their rows and
// labels for faces whose line spacing is about their character height; a
// CJK face's own spacing is half as much again and would not fit.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

namespace ui::qt {

// Draws `text` ("\n" between paragraphs) into `area`: characters of `glyph`
// pixels, lines `pitch` pixels apart, wrapped at word boundaries (or
// anywhere in a long word) when `wrap`, otherwise only the first line. The
// first line is centred vertically when the area holds only one line or the
// text takes one; otherwise the lines start at the top. Lines sit on their
// baselines, whatever faces their characters come from. Lines that would
// show only in part are left out, except the first.
void DrawPitchedText(QPainter* p, const QRect& area, QString text, const QFont& font, int glyph,
                     int pitch, Qt::Alignment horizontal, bool wrap);

// The pixel size of a font (point sizes converted).
int PixelSizeOf(const QFont& font);

}  // namespace ui::qt
