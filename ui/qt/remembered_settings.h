// What the program remembers between runs, outside its data folder: the
// colour scheme and the size and position of each window, one "key=value"
// line each in a file of the user's settings. A missing file, or a line
// that does not read, gives the defaults; the file is written whole on
// every change (atomically, so an interrupted write leaves the old one).
#pragma once

#include <QRect>
#include <map>
#include <optional>
#include <string>

namespace ui::qt {

class RememberedSettings {
 public:
  // Kept in memory only.
  RememberedSettings() = default;
  // Read from `file` now and written back there on every change.
  explicit RememberedSettings(std::string file);

  // $XDG_CONFIG_HOME/mochuan/mochuan.conf ($HOME/.config without it);
  // empty when neither is set.
  static std::string DefaultFile();

  const std::string& file() const { return file_; }

  // 1 blue, 2 green, 3 silver; `fallback` when none is remembered.
  int colourScheme(int fallback) const;
  void SetColourScheme(int scheme);

  // Where a window was last (client area on the screen) and the design
  // size it had then; nullopt when it was never remembered.
  struct WindowPlace {
    QRect geometry;
    QSize designSize;
  };
  std::optional<WindowPlace> windowPlace(const std::string& window) const;
  void SetWindowPlace(const std::string& window, const WindowPlace& place);

 private:
  void Read();
  void Write() const;

  std::string file_;
  std::map<std::string, std::string> values_;
};

// `frame` moved (and, when it is larger, shrunk) to lie inside `available`.
QRect placeInside(const QRect& frame, const QRect& available);

}  // namespace ui::qt
