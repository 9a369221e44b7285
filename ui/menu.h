// Menus of a window: a menu bar of top-level menus, each holding items,
// separators and sub-menus. A top-level menu kept hidden serves as a pop-up
// menu: its items can be chosen while it pops up.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/unit.h"

namespace ui {

struct SeparatorTag {};
inline constexpr SeparatorTag kSeparator{};

class MenuItem : public Unit {
 public:
  // A top-level menu of the window's menu bar, in construction order.
  MenuItem(Window& window, std::string caption, std::string name = {});
  // An entry (or sub-menu) of `parent`, appended to it.
  MenuItem(MenuItem& parent, std::string caption, std::string name = {});
  // A separator line in `parent`.
  MenuItem(MenuItem& parent, SeparatorTag);
  ~MenuItem() override;

  // Caption with "&" before the accelerator letter ("退出(&X)").
  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);
  // The caption without the "&" marks ("&&" stands for one "&").
  std::string PlainCaption() const;
  // The accelerator letter, 0 when there is none.
  char Accelerator() const;

  bool isSeparator() const { return separator_; }
  bool checked() const { return checked_; }
  void setChecked(bool on);

  MenuItem* parent() const { return parent_; }
  const std::vector<MenuItem*>& items() const { return items_; }
  bool isTopLevel() const { return parent_ == nullptr; }
  bool hasItems() const { return !items_.empty(); }
  // The first entry below this one (any depth) with that caption, with or
  // without its "&" marks; nullptr when absent.
  MenuItem* Find(std::string_view caption) const;

  std::function<void()> onChoose;

  // The person chooses this entry: nothing happens on a separator, a
  // sub-menu, a disabled or hidden entry, below a disabled menu, or in a
  // disabled window. Entries of a hidden top-level menu can be chosen only
  // while that menu pops up.
  bool Choose();
  // The program pops this menu up at x, y of the window's client area
  // through the host; returns when the menu has closed (an entry chosen
  // meanwhile has run its handler).
  void Popup(int x, int y);
  // True while this menu (or the menu it belongs to) pops up.
  bool PoppedUp() const;

 private:
  std::string caption_;
  MenuItem* parent_ = nullptr;
  std::vector<MenuItem*> items_;
  bool separator_ = false;
  bool checked_ = false;
  int popupDepth_ = 0;
};

}  // namespace ui
