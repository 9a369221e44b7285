// A QApplication for the Qt tests (offscreen platform) and a scratch folder.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

namespace qt_test {

inline QApplication& app() {
  static int argc = 1;
  static char name[] = "qt_test";
  static char* argv[] = {name, nullptr};
  // Lives until the process ends: Qt dislikes a second application object.
  static QApplication* instance = new QApplication(argc, argv);
  return *instance;
}

// Lets posted events and deferred notifications run.
inline void settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// Types text the way a keyboard with an input method does: one key event
// per character, carrying the character (QTest only types ASCII).
inline void typeText(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(widget, &release);
  }
}

// Base of fixtures whose members need the application already.
struct WithApp {
  WithApp() { app(); }
};

class ScratchDir {
 public:
  std::filesystem::path path() const { return dir_.path(); }
  const std::string& str() const { return dir_.path(); }

 private:
  mc::testing::TempDir dir_{"qt-test"};
};

}  // namespace qt_test
