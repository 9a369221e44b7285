// The platform for the windows, on Qt: dialogs, clipboard, documents,
// showing windows (each through a WindowView), timers, text measuring and
// the colour schemes. A QApplication must exist before a QtHost.
#pragma once

#include <QElapsedTimer>
#include <QSize>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "ui/host.h"
#include "ui/qt/remembered_settings.h"

class QInputDialog;
class QMessageBox;
class QObject;
class QTimer;
class QWidget;
class QFont;

namespace ui::qt {

class WindowView;

// Lines a word-wrapping multi-line edit box `width` pixels wide needs for
// `text` (CR LF between paragraphs) in `font`; at least 1.
int CountWrappedLines(int width, std::string_view text, const QFont& font);

class QtHost : public Host {
 public:
  // Ways to run the program without a person, for tests and pictures.
  struct Automation {
    // Runs once a modal window is shown (and created); when it returns, the
    // window is closed as a person would close it.
    std::function<void(Window&)> onModal;
    // Answers a message box instead of showing it; nullopt shows it.
    std::function<std::optional<int>(std::string_view caption, std::string_view text,
                                     MessageButtons buttons)>
        onMessage;
    // Input, file, folder and colour dialogs answer Cancel, pop-up menus
    // close without a choice.
    bool cancelDialogs = false;
    // Told of every window shown ("window <caption>") and message box
    // ("message <caption> <text>").
    std::function<void(const std::string&)> log;
  };

  QtHost();
  ~QtHost() override;

  void setAutomation(Automation automation) { automation_ = std::move(automation); }

  // Remembers the colour scheme and every window's size and position in
  // `settings` from now on, and places windows as they were. Without it
  // nothing is remembered (tests, pictures).
  void rememberIn(RememberedSettings settings) { remembered_ = std::move(settings); }
  const std::optional<RememberedSettings>& remembered() const { return remembered_; }

  // Shows a window without waiting for it: its view, opened (created) and
  // visible. showModal waits on top of this; pictures use it directly.
  WindowView* OpenView(Window& window, Window* owner, bool modal);
  // The view of an open window; nullptr when it is not shown.
  WindowView* ViewOf(const Window& window) const;
  int colourScheme() const { return scheme_; }

  // The message box MessageBox() shows, not yet shown (pictures of it).
  static std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, std::string_view text,
                                                     std::string_view caption,
                                                     MessageButtons buttons, MessageIcon icon);

  // The input box InputBox() shows, not yet shown.
  static std::unique_ptr<QInputDialog> MakeInputDialog(QWidget* parent, std::string_view prompt,
                                                       std::string_view caption,
                                                       std::string_view initial, bool masked);

  // ---- Host ----
  int MessageBox(const Window* owner, std::string_view text, std::string_view caption,
                 MessageButtons buttons, MessageIcon icon) override;
  std::optional<std::string> InputBox(const Window* owner, std::string_view prompt,
                                      std::string_view caption, std::string_view initial,
                                      bool masked) override;
  std::optional<std::string> SaveFileDialog(const Window* owner, std::string_view filter,
                                            std::string_view title = {},
                                            std::string_view suggested = {}) override;
  std::optional<std::string> OpenFileDialog(const Window* owner, std::string_view filter,
                                            std::string_view title) override;
  std::optional<std::string> ChooseFolder(const Window* owner, std::string_view prompt) override;
  std::optional<Rgb> ChooseColour(const Window* owner, Rgb initial) override;
  std::optional<std::string> ClipboardText() override;
  void SetClipboardText(std::string_view text) override;
  std::optional<Image> ClipboardImage() override;
  void SetClipboardImage(const Image& image) override;
  std::optional<Image> DecodeImage(const Bytes& fileBytes) override;
  bool OpenDocument(const std::string& path) override;
  void ShowModal(Window& window, Window* owner) override;
  void ShowModeless(Window& window, Window* owner) override;
  void PopupMenu(Window& window, MenuItem& menu, int x, int y) override;
  void ProcessPendingEvents() override;
  void SetColourScheme(int scheme) override;
  int RememberedColourScheme(int fallback) override;
  void StartTimer(Timer& timer) override;
  void StopTimer(Timer& timer) override;
  int CountTextLines(int width, std::string_view text, const Font& font) override;
  double Now() override;
  std::int64_t TickCountMs() override;
  std::string TemporaryFolder() override;
  bool WordProcessorAvailable() override;
  [[noreturn]] void ExitProgram(int code) override;

 private:
  QWidget* ParentFor(const Window* owner) const;
  // Size and position of a new view: as remembered, else centred over its
  // parent (or the screen); inside the screen's available area either way.
  void PlaceView(WindowView& view, const Window& window, QWidget* parent);
  void RememberPlace(const WindowView& view, const Window& window);
  void WindowClosed(Window& window);
  void Log(const std::string& line) const;

  // Context of connections that must end with the host.
  std::unique_ptr<QObject> guard_;
  Automation automation_;
  std::map<const Window*, WindowView*> views_;
  std::map<const Window*, std::uint64_t> closedConnections_;
  std::map<Timer*, QTimer*> timers_;
  int scheme_ = 1;
  QElapsedTimer clock_;
  std::string tempFolder_;
  std::optional<bool> wordAvailable_;
  std::optional<RememberedSettings> remembered_;
  // What the window manager adds around a window's client area, as last
  // seen on a shown window.
  QSize frameExtra_{10, 36};
};

}  // namespace ui::qt
