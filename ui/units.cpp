#include "ui/units.h"

#include <algorithm>

#include "ui/host.h"
#include "ui/window.h"

namespace ui {

namespace {

// Number of UTF-8 characters (lead bytes) in s.
std::size_t charCount(std::string_view s) {
  std::size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

// The first `chars` UTF-8 characters of s.
std::string_view firstChars(std::string_view s, std::size_t chars) {
  std::size_t i = 0;
  std::size_t n = 0;
  while (i < s.size()) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (n == chars) break;
      ++n;
    }
    ++i;
  }
  return s.substr(0, i);
}

}  // namespace

// ---- Label -----------------------------------------------------------------

Label::Label(Window& window, std::string name, std::string text)
    : Unit(&window, std::move(name), UnitKind::Label), text_(std::move(text)) {}
Label::Label(std::string text) : Unit(nullptr, {}, UnitKind::Label), text_(std::move(text)) {}

void Label::setText(std::string text) {
  if (text_ == text) return;
  text_ = std::move(text);
  Notify(change::kText);
}

bool Label::Click() {
  if (!CanAct()) return false;
  if (onClick) onClick();
  return true;
}

// ---- EditBox ---------------------------------------------------------------

EditBox::EditBox(Window& window, std::string name, std::string text)
    : Unit(&window, std::move(name), UnitKind::EditBox), text_(std::move(text)) {}
EditBox::EditBox(std::string text) : Unit(nullptr, {}, UnitKind::EditBox), text_(std::move(text)) {}

void EditBox::setText(std::string text) {
  if (text_ == text) return;
  text_ = std::move(text);
  Notify(change::kText);
  if (onTextChanged) onTextChanged();
}

void EditBox::setMultiLine(bool on) {
  if (multiLine_ == on) return;
  multiLine_ = on;
  Notify(change::kOptions);
}

void EditBox::setPasswordInput(bool on) {
  if (password_ == on) return;
  password_ = on;
  Notify(change::kOptions);
}

void EditBox::setReadOnly(bool on) {
  if (readOnly_ == on) return;
  readOnly_ = on;
  Notify(change::kOptions);
}

void EditBox::setMaxLength(int characters) {
  characters = std::max(0, characters);
  if (maxLength_ == characters) return;
  maxLength_ = characters;
  Notify(change::kOptions);
}

bool EditBox::AcceptsTyping() const { return CanAct() && !readOnly_; }

bool EditBox::ReplaceText(std::string_view text) {
  if (!AcceptsTyping()) return false;
  if (maxLength_ > 0) text = firstChars(text, static_cast<std::size_t>(maxLength_));
  setText(std::string(text));
  return true;
}

bool EditBox::Type(std::string_view text) {
  if (!AcceptsTyping()) return false;
  if (maxLength_ > 0) {
    const std::size_t have = charCount(text_);
    const std::size_t room = have >= static_cast<std::size_t>(maxLength_)
                                 ? 0
                                 : static_cast<std::size_t>(maxLength_) - have;
    text = firstChars(text, room);
  }
  setText(text_ + std::string(text));
  return true;
}

// ---- Button ----------------------------------------------------------------

Button::Button(Window& window, std::string name, std::string caption)
    : Unit(&window, std::move(name), UnitKind::Button), caption_(std::move(caption)) {}
Button::Button(std::string caption)
    : Unit(nullptr, {}, UnitKind::Button), caption_(std::move(caption)) {}

void Button::setCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Notify(change::kText);
}

bool Button::Click() {
  if (!CanAct()) return false;
  if (onClick) onClick();
  return true;
}

// ---- CheckBox --------------------------------------------------------------

CheckBox::CheckBox(Window& window, std::string name, std::string caption, bool checked)
    : Unit(&window, std::move(name), UnitKind::CheckBox),
      caption_(std::move(caption)),
      checked_(checked) {}
CheckBox::CheckBox(std::string caption, bool checked)
    : Unit(nullptr, {}, UnitKind::CheckBox), caption_(std::move(caption)), checked_(checked) {}

void CheckBox::setCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Notify(change::kText);
}

void CheckBox::setChecked(bool on) {
  if (checked_ == on) return;
  checked_ = on;
  Notify(change::kValue);
}

bool CheckBox::Toggle() {
  if (!CanAct()) return false;
  setChecked(!checked_);
  if (onClick) onClick();
  return true;
}

// ---- RadioButton -----------------------------------------------------------

RadioButton::RadioButton(Window& window, std::string name, std::string caption, bool checked,
                         int group)
    : Unit(&window, std::move(name), UnitKind::RadioButton),
      caption_(std::move(caption)),
      group_(group) {
  setChecked(checked);
}

void RadioButton::setCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Notify(change::kText);
}

void RadioButton::setChecked(bool on) {
  if (on && window()) {
    for (Unit* u : window()->units()) {
      if (u == this || u->kind() != UnitKind::RadioButton) continue;
      auto* other = static_cast<RadioButton*>(u);
      if (other->group_ == group_ && other->checked_) {
        other->checked_ = false;
        other->Notify(change::kValue);
      }
    }
  }
  if (checked_ == on) return;
  checked_ = on;
  Notify(change::kValue);
}

bool RadioButton::Choose() {
  if (!CanAct()) return false;
  setChecked(true);
  if (onClick) onClick();
  return true;
}

// ---- ComboBox --------------------------------------------------------------

ComboBox::ComboBox(Window& window, std::string name, Style style)
    : Unit(&window, std::move(name), UnitKind::ComboBox), style_(style) {}
ComboBox::ComboBox(Style style) : Unit(nullptr, {}, UnitKind::ComboBox), style_(style) {}

void ComboBox::setStyle(Style s) {
  if (style_ == s) return;
  style_ = s;
  Notify(change::kOptions);
}

const std::string& ComboBox::itemText(int index) const {
  static const std::string kEmpty;
  if (index < 0 || index >= count()) return kEmpty;
  return items_[static_cast<std::size_t>(index)];
}

std::int64_t ComboBox::itemData(int index) const {
  if (index < 0 || index >= count()) return 0;
  return data_[static_cast<std::size_t>(index)];
}

void ComboBox::setItemData(int index, std::int64_t data) {
  if (index < 0 || index >= count()) return;
  data_[static_cast<std::size_t>(index)] = data;
}

int ComboBox::AddItem(std::string text, std::int64_t data) {
  items_.push_back(std::move(text));
  data_.push_back(data);
  Notify(change::kItems);
  return count() - 1;
}

void ComboBox::InsertItem(int index, std::string text, std::int64_t data) {
  index = std::clamp(index, 0, count());
  items_.insert(items_.begin() + index, std::move(text));
  data_.insert(data_.begin() + index, data);
  if (selected_ >= index) ++selected_;
  Notify(change::kItems | change::kSelection);
}

void ComboBox::RemoveItem(int index) {
  if (index < 0 || index >= count()) return;
  items_.erase(items_.begin() + index);
  data_.erase(data_.begin() + index);
  if (selected_ == index) {
    selected_ = -1;
    text_.clear();
  } else if (selected_ > index) {
    --selected_;
  }
  Notify(change::kItems | change::kSelection | change::kText);
}

void ComboBox::Clear() {
  items_.clear();
  data_.clear();
  selected_ = -1;
  text_.clear();
  Notify(change::kItems | change::kSelection | change::kText);
}

void ComboBox::setItems(std::vector<std::string> items) {
  items_ = std::move(items);
  data_.assign(items_.size(), 0);
  selected_ = -1;
  if (style_ == Style::DropDownList) text_.clear();
  Notify(change::kItems | change::kSelection | change::kText);
}

void ComboBox::setSelectedIndex(int index) {
  if (index < 0 || index >= count()) index = -1;
  selected_ = index;
  if (index >= 0)
    text_ = items_[static_cast<std::size_t>(index)];
  else if (style_ == Style::DropDownList)
    text_.clear();
  Notify(change::kSelection | change::kText);
}

void ComboBox::setText(std::string text) {
  if (style_ == Style::DropDownList) {
    setSelectedIndex(FindItem(text));
    return;
  }
  text_ = std::move(text);
  const int found = FindItem(text_);
  selected_ = found;
  Notify(change::kSelection | change::kText);
}

int ComboBox::FindItem(std::string_view text) const {
  for (int i = 0; i < count(); ++i)
    if (items_[static_cast<std::size_t>(i)] == text) return i;
  return -1;
}

bool ComboBox::OpenList() {
  if (!CanAct()) return false;
  if (onListOpened) onListOpened();
  return true;
}

bool ComboBox::Choose(int index) {
  if (!OpenList()) return false;
  if (index < 0 || index >= count()) return false;
  setSelectedIndex(index);
  if (onSelectionChanged) onSelectionChanged();
  return true;
}

bool ComboBox::ChooseText(std::string_view text) {
  if (!OpenList()) return false;
  const int index = FindItem(text);
  if (index < 0) return false;
  setSelectedIndex(index);
  if (onSelectionChanged) onSelectionChanged();
  return true;
}

bool ComboBox::Type(std::string_view text) {
  if (!CanAct() || style_ != Style::Editable) return false;
  text_ = std::string(text);
  selected_ = FindItem(text_);
  Notify(change::kSelection | change::kText);
  if (onTextChanged) onTextChanged();
  return true;
}

// ---- ScrollBar -------------------------------------------------------------

ScrollBar::ScrollBar(Window& window, std::string name, Orientation o)
    : Unit(&window, std::move(name), UnitKind::ScrollBar), orientation_(o) {}

void ScrollBar::setRange(int minimum, int maximum) {
  if (maximum < minimum) maximum = minimum;
  min_ = minimum;
  max_ = maximum;
  pos_ = std::clamp(pos_, min_, max_);
  Notify(change::kRange | change::kValue);
}

void ScrollBar::setPageStep(int step) {
  page_ = std::max(0, step);
  Notify(change::kRange);
}

void ScrollBar::setLineStep(int step) {
  line_ = std::max(0, step);
  Notify(change::kRange);
}

void ScrollBar::setPosition(int position) {
  position = std::clamp(position, min_, max_);
  if (position == pos_) return;
  pos_ = position;
  Notify(change::kValue);
}

bool ScrollBar::MoveTo(int position) {
  if (!CanAct()) return false;
  position = std::clamp(position, min_, max_);
  if (position == pos_) return true;
  pos_ = position;
  Notify(change::kValue);
  if (onPositionChanged) onPositionChanged();
  return true;
}

bool ScrollBar::LineUp() { return MoveTo(pos_ - line_); }
bool ScrollBar::LineDown() { return MoveTo(pos_ + line_); }
bool ScrollBar::PageUp() { return MoveTo(pos_ - page_); }
bool ScrollBar::PageDown() { return MoveTo(pos_ + page_); }

// ---- ProgressBar -----------------------------------------------------------

ProgressBar::ProgressBar(Window& window, std::string name)
    : Unit(&window, std::move(name), UnitKind::ProgressBar) {}

void ProgressBar::setRange(int minimum, int maximum) {
  if (maximum < minimum) maximum = minimum;
  min_ = minimum;
  max_ = maximum;
  pos_ = std::clamp(pos_, min_, max_);
  Notify(change::kRange | change::kValue);
}

void ProgressBar::setPosition(int position) {
  position = std::clamp(position, min_, max_);
  if (position == pos_) return;
  pos_ = position;
  Notify(change::kValue);
}

// ---- StatusBar -------------------------------------------------------------

StatusBar::StatusBar(Window& window, std::string name, int parts)
    : Unit(&window, std::move(name), UnitKind::StatusBar),
      parts_(static_cast<std::size_t>(std::max(1, parts))) {}

const std::string& StatusBar::text(int part) const {
  static const std::string kEmpty;
  if (part < 0 || part >= partCount()) return kEmpty;
  return parts_[static_cast<std::size_t>(part)];
}

void StatusBar::setText(std::string text, int part) {
  if (part < 0 || part >= partCount()) return;
  auto& slot = parts_[static_cast<std::size_t>(part)];
  if (slot == text) return;
  slot = std::move(text);
  Notify(change::kText);
}

// ---- ToolBar ---------------------------------------------------------------

ToolBar::ToolBar(Window& window, std::string name)
    : Unit(&window, std::move(name), UnitKind::ToolBar) {}

const ToolBar::ToolButton& ToolBar::button(int index) const {
  static const ToolButton kNone{{}, {}, false, false};
  if (index < 0 || index >= buttonCount()) return kNone;
  return buttons_[static_cast<std::size_t>(index)];
}

int ToolBar::AddButton(std::string caption, std::string icon) {
  buttons_.push_back({std::move(caption), std::move(icon), true, true});
  Notify(change::kItems);
  return buttonCount() - 1;
}

void ToolBar::setButtonEnabled(int index, bool on) {
  if (index < 0 || index >= buttonCount()) return;
  auto& b = buttons_[static_cast<std::size_t>(index)];
  if (b.enabled == on) return;
  b.enabled = on;
  Notify(change::kItems);
}

void ToolBar::setButtonVisible(int index, bool on) {
  if (index < 0 || index >= buttonCount()) return;
  auto& b = buttons_[static_cast<std::size_t>(index)];
  if (b.visible == on) return;
  b.visible = on;
  Notify(change::kItems);
}

bool ToolBar::buttonEnabled(int index) const { return button(index).enabled; }

bool ToolBar::ClickButton(int index) {
  if (!CanAct()) return false;
  const ToolButton& b = button(index);
  if (!b.enabled || !b.visible) return false;
  if (onButtonClicked) onButtonClicked(index);
  return true;
}

// ---- GroupBox --------------------------------------------------------------

GroupBox::GroupBox(Window& window, std::string name, std::string caption)
    : Unit(&window, std::move(name), UnitKind::GroupBox), caption_(std::move(caption)) {}

void GroupBox::setCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Notify(change::kText);
}

// ---- PictureBox ------------------------------------------------------------

PictureBox::PictureBox(Window& window, std::string name)
    : Unit(&window, std::move(name), UnitKind::PictureBox) {}

void PictureBox::setImage(Bytes bytes) {
  image_ = std::move(bytes);
  Notify(change::kImage);
}

void PictureBox::clearImage() {
  if (image_.empty()) return;
  image_.clear();
  Notify(change::kImage);
}

bool PictureBox::Click() {
  if (!CanAct()) return false;
  if (onClick) onClick();
  return true;
}

// ---- Timer -----------------------------------------------------------------

Timer::Timer(Window& window, std::string name, int intervalMs)
    : Unit(&window, std::move(name), UnitKind::Timer) {
  setInterval(intervalMs);
}

Timer::~Timer() {
  if (interval_ > 0) window()->host().StopTimer(*this);
}

void Timer::setInterval(int ms) {
  ms = std::max(0, ms);
  if (ms == interval_) return;
  const bool wasRunning = interval_ > 0;
  interval_ = ms;
  if (interval_ > 0)
    window()->host().StartTimer(*this);
  else if (wasRunning)
    window()->host().StopTimer(*this);
  Notify(change::kValue);
}

void Timer::Tick() {
  if (interval_ > 0 && onTick) onTick();
}

}  // namespace ui
