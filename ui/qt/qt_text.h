// Conversions between the program's texts (UTF-8, CR LF line breaks) and
// Qt's, and the fonts the windows ask for by their Windows names.
#pragma once

#include <QFont>
#include <QString>
#include <string>
#include <string_view>

#include "ui/types.h"

namespace ui::qt {

inline QString ToQ(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string ToStd(const QString& s) { return s.toUtf8().toStdString(); }

// CR LF (and lone CR) become "\n" for Qt's text widgets.
QString ToQLines(std::string_view s);
// "\n" (and a lone CR) becomes CR LF.
std::string FromQLines(const QString& s);

// "所有图片文件|*.jpg;*.bmp|JPEG|*.jpg" -> "所有图片文件 (*.jpg *.bmp);;JPEG (*.jpg)".
// A trailing description without patterns stands alone.
QString ToQtFilter(std::string_view filter);

// The installed family that stands for a Windows family name ("宋体" is a
// serif CJK face, anything else the sans CJK face); falls back to the
// default family when no CJK font is installed.
QString FamilyFor(std::string_view windowsFamily);
// A font of `pixelHeight` character height in that family.
QFont FontFor(const ui::Font& font);
// The font every window uses unless a unit asks for another.
QFont WindowFont();

}  // namespace ui::qt
