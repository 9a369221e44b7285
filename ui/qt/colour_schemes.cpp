#include "ui/qt/colour_schemes.h"

#include <QApplication>
#include <QWidget>

namespace ui::qt {

namespace {

struct Scheme {
  QColor window;
  QColor button;
  QColor highlight;
  QColor title;
  QColor alternate;
};

Scheme schemeOf(int scheme) {
  switch (scheme) {
    case kSchemeGreen:
      return {QColor(0xE4, 0xE9, 0xD2), QColor(0xF0, 0xF3, 0xE3), QColor(0x7A, 0x8F, 0x4B),
              QColor(0x8B, 0xA1, 0x59), QColor(0xF4, 0xF6, 0xEC)};
    case kSchemeSilver:
      return {QColor(0xE4, 0xE4, 0xEA), QColor(0xF4, 0xF4, 0xF7), QColor(0x78, 0x80, 0x96),
              QColor(0xA8, 0xAB, 0xBA), QColor(0xF2, 0xF2, 0xF5)};
    default:
      return {QColor(0xDC, 0xE6, 0xF5), QColor(0xEB, 0xF1, 0xFB), QColor(0x31, 0x6A, 0xC5),
              QColor(0x24, 0x5E, 0xDB), QColor(0xF0, 0xF5, 0xFD)};
  }
}

}  // namespace

QPalette SchemePalette(int scheme) {
  const Scheme s = schemeOf(scheme);
  QPalette p(s.button, s.window);
  p.setColor(QPalette::Base, Qt::white);
  p.setColor(QPalette::AlternateBase, s.alternate);
  p.setColor(QPalette::Text, Qt::black);
  p.setColor(QPalette::WindowText, Qt::black);
  p.setColor(QPalette::ButtonText, Qt::black);
  p.setColor(QPalette::Highlight, s.highlight);
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xE1));
  p.setColor(QPalette::ToolTipText, Qt::black);
  p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
  p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
  p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
  p.setColor(QPalette::Disabled, QPalette::Base, s.window);
  return p;
}

QColor SchemeTitleColour(int scheme) { return schemeOf(scheme).title; }

void ApplyColourScheme(int scheme) {
  const QPalette p = SchemePalette(scheme);
  QApplication::setPalette(p);
  // Widgets given a palette of their own do not follow the application's.
  for (QWidget* w : QApplication::topLevelWidgets()) {
    w->setPalette(p);
    w->update();
  }
}

}  // namespace ui::qt
