#include "ui/testing/scripted_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "text/text.h"
#include "ui/units.h"

namespace ui::testing {

namespace {

const char* buttonsName(MessageButtons b) {
  switch (b) {
    case MessageButtons::Ok: return "OK";
    case MessageButtons::OkCancel: return "OK/Cancel";
    case MessageButtons::AbortRetryIgnore: return "Abort/Retry/Ignore";
    case MessageButtons::YesNoCancel: return "Yes/No/Cancel";
    case MessageButtons::YesNo: return "Yes/No";
    case MessageButtons::RetryCancel: return "Retry/Cancel";
  }
  return "?";
}

bool buttonOffered(MessageButtons b, int button) {
  switch (b) {
    case MessageButtons::Ok: return button == kButtonOk;
    case MessageButtons::OkCancel: return button == kButtonOk || button == kButtonCancel;
    case MessageButtons::AbortRetryIgnore:
      return button == kButtonAbort || button == kButtonRetry || button == kButtonIgnore;
    case MessageButtons::YesNoCancel:
      return button == kButtonYes || button == kButtonNo || button == kButtonCancel;
    case MessageButtons::YesNo: return button == kButtonYes || button == kButtonNo;
    case MessageButtons::RetryCancel: return button == kButtonRetry || button == kButtonCancel;
  }
  return false;
}

std::uint32_t le(const Bytes& b, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
  return v;
}

// Uncompressed 24- and 32-bit BMP files, enough for tests.
std::optional<Image> decodeSimpleBmp(const Bytes& b) {
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return std::nullopt;
  const std::uint32_t offset = le(b, 10, 4);
  const auto width = static_cast<std::int32_t>(le(b, 18, 4));
  const auto rawHeight = static_cast<std::int32_t>(le(b, 22, 4));
  const std::uint32_t bpp = le(b, 28, 2);
  const std::uint32_t compression = le(b, 30, 4);
  if (width <= 0 || rawHeight == 0 || (bpp != 24 && bpp != 32) ||
      (compression != 0 && compression != 3))
    return std::nullopt;
  const bool bottomUp = rawHeight > 0;
  const std::int64_t height = bottomUp ? rawHeight : -static_cast<std::int64_t>(rawHeight);
  if (width > 1 << 14 || height > 1 << 14) return std::nullopt;
  const std::size_t stride = ((static_cast<std::size_t>(width) * bpp / 8) + 3) & ~std::size_t{3};
  if (offset > b.size() || (b.size() - offset) / stride < static_cast<std::size_t>(height))
    return std::nullopt;
  Image img;
  img.width = width;
  img.height = static_cast<int>(height);
  img.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (std::int64_t y = 0; y < height; ++y) {
    const std::size_t srcRow = static_cast<std::size_t>(bottomUp ? height - 1 - y : y);
    const std::size_t base = offset + srcRow * stride;
    for (std::int32_t x = 0; x < width; ++x) {
      const std::size_t p = base + static_cast<std::size_t>(x) * (bpp / 8);
      const std::uint32_t blue = b[p], green = b[p + 1], red = b[p + 2];
      img.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                 static_cast<std::size_t>(x)] = 0xFF000000u | (red << 16) | (green << 8) | blue;
    }
  }
  return img;
}

template <class T>
std::optional<T> takeAnswer(std::deque<std::optional<T>>& answers, const char* what,
                            std::string_view detail) {
  if (answers.empty()) {
    ADD_FAILURE() << "unexpected " << what << ": " << detail;
    return std::nullopt;
  }
  auto answer = std::move(answers.front());
  answers.pop_front();
  return answer;
}

}  // namespace

ScriptedHost::ScriptedHost() = default;

ScriptedHost::~ScriptedHost() {
  if (ownsTempFolder_) {
    std::error_code ec;
    std::filesystem::remove_all(tempFolder_, ec);
  }
}

void ScriptedHost::AnswerMessage(int button, std::string textContains) {
  messageAnswers_.push_back({button, std::move(textContains)});
}
void ScriptedHost::AnswerInput(std::optional<std::string> text) {
  inputAnswers_.push_back(std::move(text));
}
void ScriptedHost::AnswerOpenFile(std::optional<std::string> path) {
  fileAnswers_.push_back(std::move(path));
}
void ScriptedHost::AnswerSaveFile(std::optional<std::string> path) {
  saveAnswers_.push_back(std::move(path));
}
void ScriptedHost::AnswerFolder(std::optional<std::string> path) {
  folderAnswers_.push_back(std::move(path));
}
void ScriptedHost::AnswerColour(std::optional<Rgb> colour) { colourAnswers_.push_back(colour); }
void ScriptedHost::AnswerPopup(std::string itemCaption) {
  popupAnswers_.push_back(std::move(itemCaption));
}

void ScriptedHost::onShow(std::string caption, std::function<void(Window&)> play) {
  for (auto& entry : captionScripts_) {
    if (entry.first == caption) {
      entry.second = std::move(play);
      return;
    }
  }
  captionScripts_.emplace_back(std::move(caption), std::move(play));
}

void ScriptedHost::AdvanceSeconds(double seconds) {
  now_ += seconds / 86400.0;
  tickMs_ += static_cast<std::int64_t>(seconds * 1000.0);
}

void ScriptedHost::TickTimers() {
  const auto snapshot = timers_;
  for (Timer* t : snapshot)
    if (std::find(timers_.begin(), timers_.end(), t) != timers_.end()) t->Tick();
}

std::vector<std::string> ScriptedHost::MessageTexts() const {
  std::vector<std::string> out;
  out.reserve(messages_.size());
  for (const auto& m : messages_) out.push_back(m.text);
  return out;
}

void ScriptedHost::ClearRecords() {
  messages_.clear();
  inputs_.clear();
  fileDialogs_.clear();
  folderPrompts_.clear();
  popups_.clear();
  shown_.clear();
  documents_.clear();
  pendingRuns_ = 0;
}

bool ScriptedHost::ScriptUsedUp() const {
  return messageAnswers_.empty() && inputAnswers_.empty() && fileAnswers_.empty() &&
         saveAnswers_.empty() && folderAnswers_.empty() && colourAnswers_.empty() && popupAnswers_.empty();
}

int ScriptedHost::MessageBox(const Window* owner, std::string_view text, std::string_view caption,
                             MessageButtons buttons, MessageIcon icon) {
  MessageRecord rec{std::string(caption), std::string(text), buttons, icon,
                    owner ? owner->caption() : std::string(), kButtonOk};
  const bool okOnly = buttons == MessageButtons::Ok;
  if (okOnly && !strictMessages_) {
    rec.answer = kButtonOk;  // nothing to decide; scripted answers wait for questions
  } else if (!messageAnswers_.empty()) {
    MessageAnswer a = messageAnswers_.front();
    messageAnswers_.pop_front();
    if (!a.textContains.empty() && text.find(a.textContains) == std::string_view::npos)
      ADD_FAILURE() << "message box \"" << text << "\" came where one containing \""
                    << a.textContains << "\" was expected";
    if (!buttonOffered(buttons, a.button))
      ADD_FAILURE() << "answer " << a.button << " is not a button of the " << buttonsName(buttons)
                    << " box \"" << text << "\"";
    rec.answer = a.button;
  } else {
    ADD_FAILURE() << "unexpected " << buttonsName(buttons) << " message box \"" << text
                  << "\" (caption \"" << caption << "\")";
    rec.answer = dismissAnswer(buttons);
  }
  messages_.push_back(rec);
  return rec.answer;
}

std::optional<std::string> ScriptedHost::InputBox(const Window*, std::string_view prompt,
                                                  std::string_view caption,
                                                  std::string_view initial, bool masked) {
  inputs_.push_back({std::string(prompt), std::string(caption), std::string(initial), masked});
  return takeAnswer(inputAnswers_, "input box", prompt);
}

std::optional<std::string> ScriptedHost::OpenFileDialog(const Window*, std::string_view filter,
                                                        std::string_view title) {
  fileDialogs_.push_back({std::string(filter), std::string(title)});
  return takeAnswer(fileAnswers_, "file dialog", filter);
}

std::optional<std::string> ScriptedHost::SaveFileDialog(const Window*, std::string_view filter,
                                                        std::string_view title,
                                                        std::string_view) {
  fileDialogs_.push_back({std::string(filter), std::string(title)});
  return takeAnswer(saveAnswers_, "save dialog", filter);
}

std::optional<std::string> ScriptedHost::ChooseFolder(const Window*, std::string_view prompt) {
  folderPrompts_.emplace_back(prompt);
  return takeAnswer(folderAnswers_, "folder picker", prompt);
}

std::optional<Rgb> ScriptedHost::ChooseColour(const Window*, Rgb) {
  return takeAnswer(colourAnswers_, "colour dialog", "");
}

std::optional<std::string> ScriptedHost::ClipboardText() { return clipboardText_; }
void ScriptedHost::SetClipboardText(std::string_view text) {
  clipboardText_ = std::string(text);
  clipboardImage_.reset();
}
std::optional<Image> ScriptedHost::ClipboardImage() { return clipboardImage_; }
void ScriptedHost::SetClipboardImage(const Image& image) {
  clipboardImage_ = image;
  clipboardText_.reset();
}

std::optional<Image> ScriptedHost::DecodeImage(const Bytes& fileBytes) {
  if (decoder_) return decoder_(fileBytes);
  return decodeSimpleBmp(fileBytes);
}

bool ScriptedHost::OpenDocument(const std::string& path) {
  documents_.push_back(path);
  return true;
}

const std::function<void(Window&)>* ScriptedHost::ScriptFor(Window& w) const {
  for (const auto& entry : captionScripts_)
    if (entry.first == w.caption() || entry.first == w.initialCaption()) return &entry.second;
  for (auto it = typeScripts_.rbegin(); it != typeScripts_.rend(); ++it)
    if (it->matches(w)) return &it->play;
  return nullptr;
}

void ScriptedHost::Play(Window& window, bool modal) {
  shown_.push_back({window.caption(), modal});
  const auto* script = ScriptFor(window);
  if (script) {
    // Copy: the script may register new scripts while it runs.
    const auto run = *script;
    run(window);
  } else if (modal && !allowUnscripted_) {
    ADD_FAILURE() << "window \"" << window.caption() << "\" was shown modally without a script";
  }
}

void ScriptedHost::ShowModal(Window& window, Window* owner) {
  if (window.isOpen()) {
    ADD_FAILURE() << "window \"" << window.caption() << "\" shown modally while already open";
    return;
  }
  window.Open(true, owner);
  if (!window.isOpen()) return;
  Play(window, true);
  if (!window.isOpen()) return;
  if (!window.UserClose()) {
    ADD_FAILURE() << "modal window \"" << window.caption() << "\" refused to close";
    window.Destroy();
  }
}

void ScriptedHost::ShowModeless(Window& window, Window* owner) {
  const bool wasOpen = window.isOpen();
  window.Open(false, owner);
  if (wasOpen || !window.isOpen()) return;
  Play(window, false);
}

void ScriptedHost::PopupMenu(Window&, MenuItem& menu, int x, int y) {
  PopupRecord rec{menu.caption(), x, y, {}};
  for (const MenuItem* item : menu.items())
    if (item->visible() && !item->isSeparator()) rec.shown.push_back(item->caption());
  popups_.push_back(rec);
  if (popupAnswers_.empty()) return;
  const std::string wanted = popupAnswers_.front();
  popupAnswers_.pop_front();
  MenuItem* item = menu.Find(wanted);
  if (!item) {
    ADD_FAILURE() << "pop-up menu \"" << rec.menu << "\" has no entry \"" << wanted << "\"";
    return;
  }
  if (!item->Choose())
    ADD_FAILURE() << "entry \"" << wanted << "\" of pop-up menu \"" << rec.menu
                  << "\" could not be chosen (hidden or disabled)";
}

void ScriptedHost::ProcessPendingEvents() {
  ++pendingRuns_;
  if (pendingHook_) pendingHook_();
}

void ScriptedHost::SetColourScheme(int scheme) { colourScheme_ = scheme; }

void ScriptedHost::StartTimer(Timer& timer) {
  if (std::find(timers_.begin(), timers_.end(), &timer) == timers_.end())
    timers_.push_back(&timer);
}

void ScriptedHost::StopTimer(Timer& timer) { std::erase(timers_, &timer); }

int ScriptedHost::CountTextLines(int width, std::string_view text, const Font& font) {
  if (lineCounter_) return lineCounter_(width, text, font);
  const int perLine = std::max(1, width / std::max(1, pixelsPerByte_));
  int lines = 0;
  for (const std::string& para : text::SplitLines(text)) {
    const auto bytes = static_cast<int>(text::GbkLength(para));
    lines += std::max(1, (bytes + perLine - 1) / perLine);
  }
  return std::max(1, lines);
}

std::int64_t ScriptedHost::TickCountMs() { return tickMs_; }

std::string ScriptedHost::TemporaryFolder() {
  if (tempFolder_.empty()) {
    const char* base = std::getenv("MC_TEST_TMP");
    std::string root = base && *base ? base : "/tmp";
    std::error_code ec;
    std::filesystem::create_directories(root, ec);
    std::string pattern = root + "/scripted-host-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) != nullptr) {
      tempFolder_ = buf.data();
      ownsTempFolder_ = true;
    } else {
      ADD_FAILURE() << "cannot create a temporary folder under " << root;
      tempFolder_ = root;
    }
  }
  return tempFolder_;
}

void ScriptedHost::ExitProgram(int code) { throw ProgramExit{code}; }

}  // namespace ui::testing
