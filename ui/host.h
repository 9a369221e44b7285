// Everything the platform does for the windows: dialogs, clipboard,
// documents, showing windows, pending events, timers, text measuring, the
// clock, the temporary folder and ending the program. The Qt layer
// implements it for the screen; ui::testing::ScriptedHost for tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ui/types.h"

namespace ui {

class Window;
class MenuItem;
class Timer;

// The pressed button of a message box.
inline constexpr int kButtonOk = 0;
inline constexpr int kButtonCancel = 1;
inline constexpr int kButtonAbort = 2;
inline constexpr int kButtonRetry = 3;
inline constexpr int kButtonIgnore = 4;
inline constexpr int kButtonYes = 5;
inline constexpr int kButtonNo = 6;

enum class MessageButtons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MessageIcon { None, Error, Question, Warning, Information };

inline constexpr std::string_view kMessageCaption = "信息：";

// What closing a message box without choosing a button gives.
constexpr int dismissAnswer(MessageButtons b) {
  switch (b) {
    case MessageButtons::Ok: return kButtonOk;
    case MessageButtons::YesNo: return kButtonNo;
    case MessageButtons::AbortRetryIgnore: return kButtonAbort;
    default: return kButtonCancel;
  }
}

// Thrown by hosts that cannot end the process (the scripted host) when the
// program ends itself; carries the exit code. Deliberately not derived from
// std::exception so ordinary error handling does not swallow it.
struct ProgramExit {
  int code = 0;
};

class Host {
 public:
  virtual ~Host() = default;

  // ---- Dialogs --------------------------------------------------------
  // Modal message box; returns the pressed button (kButtonOk ... kButtonNo).
  // Closing the box without a button gives Cancel (or the single OK / No).
  virtual int MessageBox(const Window* owner, std::string_view text,
                         std::string_view caption = kMessageCaption,
                         MessageButtons buttons = MessageButtons::Ok,
                         MessageIcon icon = MessageIcon::None) = 0;
  // Shorthand: caption "信息：", OK button.
  void Message(const Window* owner, std::string_view text) { MessageBox(owner, text); }

  // Modal input box; nullopt when cancelled. `masked` shows "*".
  virtual std::optional<std::string> InputBox(const Window* owner, std::string_view prompt,
                                               std::string_view caption = "请输入：",
                                               std::string_view initial = {},
                                               bool masked = false) = 0;
  // File-open dialog. `filter` as the windows give it: pairs of
  // "description|patterns" joined by "|", patterns separated by ";".
  // Returns the chosen path, nullopt when cancelled.
  virtual std::optional<std::string> OpenFileDialog(const Window* owner, std::string_view filter,
                                                    std::string_view title = {}) = 0;
  // File-save dialog: `filter` as for openFileDialog, `suggested` the name
  // offered. Returns the chosen path, nullopt when cancelled. A host without
  // such a dialog lets the person type the path.
  virtual std::optional<std::string> SaveFileDialog(const Window* owner, std::string_view filter,
                                                    std::string_view title = {},
                                                    std::string_view suggested = {}) {
    (void)filter;
    return InputBox(owner, "请输入文件名：", title.empty() ? "保存" : title, suggested);
  }
  // Folder picker with a prompt; nullopt when cancelled.
  virtual std::optional<std::string> ChooseFolder(const Window* owner,
                                                  std::string_view prompt) = 0;
  // Colour dialog starting at `initial`; nullopt when cancelled.
  virtual std::optional<Rgb> ChooseColour(const Window* owner, Rgb initial) = 0;

  // ---- Clipboard ------------------------------------------------------
  virtual std::optional<std::string> ClipboardText() = 0;  // nullopt: no text
  virtual void SetClipboardText(std::string_view text) = 0;
  virtual std::optional<Image> ClipboardImage() = 0;       // nullopt: no bitmap
  virtual void SetClipboardImage(const Image& image) = 0;

  // ---- Images ---------------------------------------------------------
  // Decodes image-file bytes the program does not decode itself (BMP, GIF,
  // icon, TIFF, and whatever else the platform reads). nullopt: unreadable.
  virtual std::optional<Image> DecodeImage(const Bytes& fileBytes) = 0;

  // ---- Documents and windows ------------------------------------------
  // Opens a file with the desktop's default program; false when it failed.
  virtual bool OpenDocument(const std::string& path) = 0;
  // Shows the window modally over `owner` and returns once it has closed.
  virtual void ShowModal(Window& window, Window* owner) = 0;
  // Shows the window and returns at once.
  virtual void ShowModeless(Window& window, Window* owner) = 0;
  // Pops a menu up at x, y of `window`'s client area; returns when it has
  // closed. An entry the person chose has run its handler by then.
  virtual void PopupMenu(Window& window, MenuItem& menu, int x, int y) = 0;
  // Lets the events that are waiting run (clicks, timer ticks), once.
  virtual void ProcessPendingEvents() = 0;
  // The visual style's colour scheme for every window: 1 blue, 2 green,
  // 3 silver.
  virtual void SetColourScheme(int scheme) = 0;
  // The scheme the person chose last time the program ran; `fallback` when
  // the platform remembers none.
  virtual int RememberedColourScheme(int fallback) { return fallback; }

  // ---- Timers ---------------------------------------------------------
  // A timer's interval became > 0 (or changed): call timer.Tick() every
  // interval ms until stopTimer.
  virtual void StartTimer(Timer& timer) = 0;
  virtual void StopTimer(Timer& timer) = 0;

  // ---- Measuring ------------------------------------------------------
  // Lines a word-wrapping multi-line edit box of `width` pixels needs to
  // show `text` (CR LF separates paragraphs) in `font`; at least 1.
  virtual int CountTextLines(int width, std::string_view text, const Font& font) = 0;

  // ---- Environment ----------------------------------------------------
  // Local date-time now, in days since 1899-12-30 (text::toDays scale).
  virtual double Now() = 0;
  // A steadily rising millisecond count, for elapsed times.
  virtual std::int64_t TickCountMs() = 0;
  // The program's private temporary folder, created on demand (no trailing
  // slash).
  virtual std::string TemporaryFolder() = 0;
  // Whether a word processor for .docx documents is installed.
  virtual bool WordProcessorAvailable() = 0;
  // Ends the program with `code`. Never returns: the real host exits the
  // process; the scripted host throws ProgramExit.
  [[noreturn]] virtual void ExitProgram(int code) = 0;
};

}  // namespace ui
