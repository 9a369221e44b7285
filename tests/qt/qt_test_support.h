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
  ScratchDir() {
    const char* base = std::getenv("MC_TEST_TMP");
    std::filesystem::path root = base && *base ? base : "/tmp";
    std::filesystem::create_directories(root);
    std::string pattern = (root / "qt-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace qt_test
