// A host for tests: every dialog is answered from a script given in
// advance, every message box is recorded, windows shown modally run a
// test-supplied function that plays the user, and clock, timers, pending
// events and text measuring are under the test's control.
//
// A dialog the script did not expect fails the running test (ADD_FAILURE)
// and is answered as if cancelled. Message boxes with only an OK button
// need no answer and take none from the script (so an answer queued for a
// later question is not used up by them), unless strictMessages is set.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "ui/host.h"
#include "ui/menu.h"
#include "ui/window.h"

namespace ui::testing {

struct MessageRecord {
  std::string caption;
  std::string text;
  MessageButtons buttons = MessageButtons::Ok;
  MessageIcon icon = MessageIcon::None;
  std::string owner;   // caption of the owner window, "" without one
  int answer = kButtonOk;
};

struct InputRecord {
  std::string prompt;
  std::string caption;
  std::string initial;
  bool masked = false;
};

struct FileDialogRecord {
  std::string filter;
  std::string title;
};

struct PopupRecord {
  std::string menu;                 // caption of the popped-up menu, "&" included
  int x = 0, y = 0;
  std::vector<std::string> shown;   // captions of its visible entries, "&" included
};

struct ShownWindow {
  std::string caption;  // caption when shown (after created)
  bool modal = false;
};

class ScriptedHost : public Host {
 public:
  ScriptedHost();
  ~ScriptedHost() override;

  // ---- Script -----------------------------------------------------------
  // Next message box answer (a button). With `textContains`, the box's text
  // must contain it.
  void AnswerMessage(int button, std::string textContains = {});
  // Next input box answer; nullopt = Cancel.
  void AnswerInput(std::optional<std::string> text);
  void AnswerOpenFile(std::optional<std::string> path);
  // Next file-save dialog answer; nullopt = Cancel.
  void AnswerSaveFile(std::optional<std::string> path);
  void AnswerFolder(std::optional<std::string> path);
  void AnswerColour(std::optional<Rgb> colour);
  // The entry (caption with or without "&") chosen at the next pop-up
  // menu; without an answer a pop-up is dismissed.
  void AnswerPopup(std::string itemCaption);
  // Every message box, also OK-only ones, must have been answered.
  void setStrictMessages(bool on) { strictMessages_ = on; }

  // Plays the user in a window shown modally (or modeless) whose initial
  // or current caption is `caption`; runs after onCreated. When the
  // function returns and the modal window is still open, it is closed as a
  // person would (userClose); if it refuses, the test fails and the window
  // is destroyed. A later registration for the same caption replaces it.
  void onShow(std::string caption, std::function<void(Window&)> play);
  // Same, matching the window's dynamic type.
  template <class W>
  void onShow(std::function<void(W&)> play) {
    typeScripts_.push_back({&typeid(W), [play](Window& w) { play(dynamic_cast<W&>(w)); },
                            [](Window& w) { return dynamic_cast<W*>(&w) != nullptr; }});
  }
  // Modal windows without a script fail the test unless allowed here; an
  // allowed one is closed at once (userClose).
  void allowUnscriptedWindows(bool on) { allowUnscripted_ = on; }

  // Run by processPendingEvents each time.
  void onPendingEvents(std::function<void()> hook) { pendingHook_ = std::move(hook); }

  // ---- Clipboard and environment ------------------------------------------
  void setClipboardTextDirect(std::optional<std::string> text) { clipboardText_ = std::move(text); }
  void setClipboardImageDirect(std::optional<Image> image) { clipboardImage_ = std::move(image); }
  void setNow(double days) { now_ = days; }
  void AdvanceSeconds(double seconds);
  void setTemporaryFolder(std::string path) { tempFolder_ = std::move(path); }
  void setWordProcessorAvailable(bool on) { wordAvailable_ = on; }
  // Line counting: a line holds width / pixelsPerByte GBK bytes (at least
  // one; default 10 px a byte); each CR LF paragraph needs at least 1 line.
  void setPixelsPerByte(int pixels) { pixelsPerByte_ = pixels; }
  // Replaces the line counter altogether.
  void setLineCounter(std::function<int(int width, std::string_view text, const Font&)> f) {
    lineCounter_ = std::move(f);
  }
  // Replaces the image decoder (default: uncompressed 24/32-bit BMP only).
  void setImageDecoder(std::function<std::optional<Image>(const Bytes&)> f) {
    decoder_ = std::move(f);
  }

  // ---- Timers ---------------------------------------------------------------
  const std::vector<Timer*>& runningTimers() const { return timers_; }
  // Ticks every running timer once.
  void TickTimers();

  // ---- Records ----------------------------------------------------------------
  const std::vector<MessageRecord>& messages() const { return messages_; }
  // Texts of the message boxes shown, in order.
  std::vector<std::string> MessageTexts() const;
  const std::vector<InputRecord>& inputs() const { return inputs_; }
  const std::vector<FileDialogRecord>& fileDialogs() const { return fileDialogs_; }
  const std::vector<std::string>& folderPrompts() const { return folderPrompts_; }
  const std::vector<PopupRecord>& popups() const { return popups_; }
  const std::vector<ShownWindow>& shownWindows() const { return shown_; }
  const std::vector<std::string>& openedDocuments() const { return documents_; }
  int colourScheme() const { return colourScheme_; }
  int pendingEventRuns() const { return pendingRuns_; }
  void ClearRecords();
  // True when every scripted answer has been used.
  bool ScriptUsedUp() const;

  // ---- Host -------------------------------------------------------------------
  // (Defaults repeated so calls through a ScriptedHost read like calls
  // through a Host.)
  int MessageBox(const Window* owner, std::string_view text,
                 std::string_view caption = kMessageCaption,
                 MessageButtons buttons = MessageButtons::Ok,
                 MessageIcon icon = MessageIcon::None) override;
  std::optional<std::string> InputBox(const Window* owner, std::string_view prompt,
                                      std::string_view caption = "请输入：",
                                      std::string_view initial = {},
                                      bool masked = false) override;
  std::optional<std::string> SaveFileDialog(const Window* owner, std::string_view filter,
                                            std::string_view title = {},
                                            std::string_view suggested = {}) override;
  std::optional<std::string> OpenFileDialog(const Window* owner, std::string_view filter,
                                            std::string_view title = {}) override;
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
  void StartTimer(Timer& timer) override;
  void StopTimer(Timer& timer) override;
  int CountTextLines(int width, std::string_view text, const Font& font) override;
  double Now() override { return now_; }
  std::int64_t TickCountMs() override;
  std::string TemporaryFolder() override;
  bool WordProcessorAvailable() override { return wordAvailable_; }
  // Throws ProgramExit{code}.
  [[noreturn]] void ExitProgram(int code) override;

 private:
  struct TypeScript {
    const std::type_info* type;
    std::function<void(Window&)> play;
    std::function<bool(Window&)> matches;
  };
  struct MessageAnswer {
    int button;
    std::string textContains;
  };
  const std::function<void(Window&)>* ScriptFor(Window& w) const;
  void Play(Window& window, bool modal);

  std::deque<MessageAnswer> messageAnswers_;
  std::deque<std::optional<std::string>> inputAnswers_;
  std::deque<std::optional<std::string>> fileAnswers_;
  std::deque<std::optional<std::string>> saveAnswers_;
  std::deque<std::optional<std::string>> folderAnswers_;
  std::deque<std::optional<Rgb>> colourAnswers_;
  std::deque<std::string> popupAnswers_;
  std::vector<std::pair<std::string, std::function<void(Window&)>>> captionScripts_;
  std::vector<TypeScript> typeScripts_;
  std::function<void()> pendingHook_;
  bool strictMessages_ = false;
  bool allowUnscripted_ = false;

  std::optional<std::string> clipboardText_;
  std::optional<Image> clipboardImage_;
  double now_ = 45000.0;  // 2023-03-15
  std::int64_t tickMs_ = 0;
  std::string tempFolder_;
  bool ownsTempFolder_ = false;
  bool wordAvailable_ = false;
  int pixelsPerByte_ = 10;
  std::function<int(int, std::string_view, const Font&)> lineCounter_;
  std::function<std::optional<Image>(const Bytes&)> decoder_;

  std::vector<Timer*> timers_;
  std::vector<MessageRecord> messages_;
  std::vector<InputRecord> inputs_;
  std::vector<FileDialogRecord> fileDialogs_;
  std::vector<std::string> folderPrompts_;
  std::vector<PopupRecord> popups_;
  std::vector<ShownWindow> shown_;
  std::vector<std::string> documents_;
  int colourScheme_ = 0;
  int pendingRuns_ = 0;
};

}  // namespace ui::testing
