#include "ui/qt/qt_text.h"

#include <QFontDatabase>
#include <QStringList>

namespace ui::qt {

QString ToQLines(std::string_view s) {
  QString q = ToQ(s);
  if (q.contains(QLatin1Char('\r'))) {
    q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    q.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  }
  return q;
}

std::string FromQLines(const QString& s) {
  QString q = s;
  q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  q.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  // Qt's text widgets use U+2029 between paragraphs in some selections.
  q.replace(QChar(0x2029), QLatin1Char('\n'));
  q.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return ToStd(q);
}

QString ToQtFilter(std::string_view filter) {
  const QStringList parts = ToQ(filter).split(QLatin1Char('|'));
  QStringList out;
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    if (i + 1 >= parts.size()) {
      if (!description.isEmpty()) out << description;
      break;
    }
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
      patterns << p.trimmed();
    out << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
  }
  return out.join(QStringLiteral(";;"));
}

namespace {

QString firstInstalled(std::initializer_list<const char*> candidates) {
  const QStringList families = QFontDatabase::families();
  for (const char* c : candidates) {
    const QString name = QString::fromUtf8(c);
    if (families.contains(name, Qt::CaseInsensitive)) return name;
  }
  return {};
}

}  // namespace

QString FamilyFor(std::string_view windowsFamily) {
  static const QString serif =
      firstInstalled({"Noto Serif CJK SC", "Noto Sans CJK SC", "WenQuanYi Zen Hei"});
  static const QString sans =
      firstInstalled({"Noto Sans CJK SC", "Noto Serif CJK SC", "WenQuanYi Zen Hei"});
  const bool wantsSerif = windowsFamily == "宋体" || windowsFamily == "新宋体";
  const QString& found = wantsSerif ? serif : sans;
  return found.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::GeneralFont).family() : found;
}

QFont FontFor(const ui::Font& font) {
  QFont f(FamilyFor(font.family));
  f.setPixelSize(font.height > 0 ? font.height : 12);
  f.setBold(font.bold);
  return f;
}

QFont WindowFont() {
  QFont f(FamilyFor("微软雅黑"));
  f.setPixelSize(13);
  return f;
}

}  // namespace ui::qt
