// The plain unit models of a window. Each holds what it shows, the events a
// window handles, and the user actions a person (or a test) performs. A user
// action does nothing on a disabled or hidden unit or in a disabled window.
//
// Programmatic setters never raise the unit's user events, with one
// exception that mirrors the platform: an edit box raises onTextChanged
// whenever its content changes, whoever changes it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/types.h"
#include "ui/unit.h"

namespace ui {

class Label : public Unit {
 public:
  Label(Window& window, std::string name, std::string text = {});
  explicit Label(std::string text = {});

  const std::string& text() const { return text_; }
  void setText(std::string text);

  std::function<void()> onClick;
  bool Click();

 private:
  std::string text_;
};

class EditBox : public Unit {
 public:
  EditBox(Window& window, std::string name, std::string text = {});
  explicit EditBox(std::string text = {});

  const std::string& text() const { return text_; }
  // Replaces the content; raises onTextChanged when it differs. Not cut to
  // the length limit, which only restrains typing.
  void setText(std::string text);

  bool multiLine() const { return multiLine_; }
  void setMultiLine(bool on);
  bool passwordInput() const { return password_; }  // shown as "*"
  void setPasswordInput(bool on);
  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool on);
  // Most characters a person may type; 0 = no limit.
  int maxLength() const { return maxLength_; }
  void setMaxLength(int characters);

  std::function<void()> onTextChanged;

  // The person replaces the whole content with `text` (select all, type),
  // cut to the length limit. False when the box refuses input.
  bool ReplaceText(std::string_view text);
  // The person types `text` at the end of the content, up to the limit.
  bool Type(std::string_view text);

 private:
  bool AcceptsTyping() const;
  std::string text_;
  bool multiLine_ = false;
  bool password_ = false;
  bool readOnly_ = false;
  int maxLength_ = 0;
};

class Button : public Unit {
 public:
  Button(Window& window, std::string name, std::string caption = {});
  explicit Button(std::string caption = {});

  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);

  std::function<void()> onClick;
  bool Click();

 private:
  std::string caption_;
};

class CheckBox : public Unit {
 public:
  CheckBox(Window& window, std::string name, std::string caption = {}, bool checked = false);
  explicit CheckBox(std::string caption = {}, bool checked = false);

  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);
  bool checked() const { return checked_; }
  void setChecked(bool on);

  // Raised after a person ticked or unticked the box.
  std::function<void()> onClick;
  bool Toggle();

 private:
  std::string caption_;
  bool checked_ = false;
};

// Radio buttons of the same window and the same group number exclude each
// other.
class RadioButton : public Unit {
 public:
  RadioButton(Window& window, std::string name, std::string caption = {}, bool checked = false,
              int group = 0);

  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);
  int group() const { return group_; }
  bool checked() const { return checked_; }
  // Checking one unchecks the others of its group.
  void setChecked(bool on);

  // Raised after a person chose this button.
  std::function<void()> onClick;
  bool Choose();

 private:
  std::string caption_;
  bool checked_ = false;
  int group_ = 0;
};

// A drop-down list (DropDownList: only the items can be chosen) or a combo
// box (Editable: a text may also be typed).
class ComboBox : public Unit {
 public:
  enum class Style { DropDownList, Editable };

  ComboBox(Window& window, std::string name, Style style = Style::DropDownList);
  explicit ComboBox(Style style = Style::DropDownList);

  Style style() const { return style_; }
  void setStyle(Style s);

  int count() const { return static_cast<int>(items_.size()); }
  const std::vector<std::string>& items() const { return items_; }
  const std::string& itemText(int index) const;    // "" outside the list
  std::int64_t itemData(int index) const;          // 0 outside the list
  void setItemData(int index, std::int64_t data);
  // Returns the new item's index.
  int AddItem(std::string text, std::int64_t data = 0);
  void InsertItem(int index, std::string text, std::int64_t data = 0);
  void RemoveItem(int index);
  // Removes every item and the selection; the text becomes empty.
  void Clear();
  void setItems(std::vector<std::string> items);

  // -1 when nothing is selected.
  int selectedIndex() const { return selected_; }
  // Selects an item (-1: none); the text follows. Out of range: none.
  void setSelectedIndex(int index);
  // The shown text: the selected item's text, or what was typed/set.
  const std::string& text() const { return text_; }
  // Sets the shown text; in a drop-down list the item of that text becomes
  // selected (none when absent), as the platform does.
  void setText(std::string text);
  // First item equal to text, -1 when absent.
  int FindItem(std::string_view text) const;

  std::function<void()> onListOpened;       // the list is about to open
  std::function<void()> onSelectionChanged; // a person chose an item
  std::function<void()> onTextChanged;      // a person typed (Editable only)

  // The person opens the list (raises onListOpened).
  bool OpenList();
  // The person opens the list and clicks item `index` of the list as it
  // is after onListOpened ran. onSelectionChanged is raised even when the
  // same item is chosen again. False when the index is not in the list.
  bool Choose(int index);
  // Same, finding the item by its text.
  bool ChooseText(std::string_view text);
  // The person types into an editable combo box (replacing the text).
  bool Type(std::string_view text);

 private:
  void NotifySelection();
  Style style_;
  std::vector<std::string> items_;
  std::vector<std::int64_t> data_;
  int selected_ = -1;
  std::string text_;
};

class ScrollBar : public Unit {
 public:
  enum class Orientation { Horizontal, Vertical };

  ScrollBar(Window& window, std::string name, Orientation o = Orientation::Horizontal);

  Orientation orientation() const { return orientation_; }
  int minimum() const { return min_; }
  int maximum() const { return max_; }
  int pageStep() const { return page_; }
  int lineStep() const { return line_; }
  int position() const { return pos_; }
  void setRange(int minimum, int maximum);  // position is clamped into it
  void setPageStep(int step);
  void setLineStep(int step);
  void setPosition(int position);            // clamped, no event

  // Raised after a person moved the bar to another position.
  std::function<void()> onPositionChanged;

  // The person drags the thumb to `position` (clamped).
  bool MoveTo(int position);
  bool LineUp();
  bool LineDown();
  bool PageUp();
  bool PageDown();

 private:
  Orientation orientation_;
  int min_ = 0, max_ = 100, page_ = 10, line_ = 1, pos_ = 0;
};

class ProgressBar : public Unit {
 public:
  ProgressBar(Window& window, std::string name);

  int minimum() const { return min_; }
  int maximum() const { return max_; }
  int position() const { return pos_; }
  void setRange(int minimum, int maximum);
  void setPosition(int position);  // clamped into the range

 private:
  int min_ = 0, max_ = 100, pos_ = 0;
};

// A status bar of one or more text parts.
class StatusBar : public Unit {
 public:
  StatusBar(Window& window, std::string name, int parts = 1);

  int partCount() const { return static_cast<int>(parts_.size()); }
  const std::string& text(int part = 0) const;  // "" outside the parts
  void setText(std::string text, int part = 0);

 private:
  std::vector<std::string> parts_;
};

class ToolBar : public Unit {
 public:
  struct ToolButton {
    std::string caption;  // tooltip text when an icon is shown
    std::string icon;     // icon name the view may map to a picture
    bool enabled = true;
    bool visible = true;
  };

  ToolBar(Window& window, std::string name);

  int buttonCount() const { return static_cast<int>(buttons_.size()); }
  const ToolButton& button(int index) const;
  int AddButton(std::string caption, std::string icon = {});
  void setButtonEnabled(int index, bool on);
  void setButtonVisible(int index, bool on);
  bool buttonEnabled(int index) const;

  // Raised with the 0-based index of the button a person clicked.
  std::function<void(int index)> onButtonClicked;
  bool ClickButton(int index);

 private:
  std::vector<ToolButton> buttons_;
};

class GroupBox : public Unit {
 public:
  GroupBox(Window& window, std::string name, std::string caption = {});

  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);

 private:
  std::string caption_;
};

// Shows the bytes of an image file (BMP, JPEG, PNG, GIF, icon); the view
// decodes them.
class PictureBox : public Unit {
 public:
  PictureBox(Window& window, std::string name);

  const Bytes& image() const { return image_; }
  bool hasImage() const { return !image_.empty(); }
  void setImage(Bytes bytes);
  void clearImage();

  std::function<void()> onClick;
  bool Click();

 private:
  Bytes image_;
};

// A window timer. An interval above 0 runs it through the window's host;
// 0 stops it. The host calls Tick() each time the interval passes.
class Timer : public Unit {
 public:
  Timer(Window& window, std::string name, int intervalMs = 0);
  ~Timer() override;

  int interval() const { return interval_; }
  void setInterval(int ms);
  bool running() const { return interval_ > 0; }

  std::function<void()> onTick;
  // One period passed: raises onTick while the timer runs.
  void Tick();

 private:
  int interval_ = 0;
};

}  // namespace ui
