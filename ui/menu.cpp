#include "ui/menu.h"

#include <algorithm>

#include "ui/host.h"
#include "ui/window.h"

namespace ui {

MenuItem::MenuItem(Window& window, std::string caption, std::string name)
    : Unit(&window, name.empty() ? caption : std::move(name), UnitKind::MenuItem),
      caption_(std::move(caption)) {
  window.RegisterMenu(this);
}

MenuItem::MenuItem(MenuItem& parent, std::string caption, std::string name)
    : Unit(parent.window(), name.empty() ? caption : std::move(name), UnitKind::MenuItem),
      caption_(std::move(caption)),
      parent_(&parent) {
  parent.items_.push_back(this);
  parent.Notify(change::kItems);
}

MenuItem::MenuItem(MenuItem& parent, SeparatorTag)
    : Unit(parent.window(), "-", UnitKind::MenuItem), parent_(&parent), separator_(true) {
  parent.items_.push_back(this);
  parent.Notify(change::kItems);
}

MenuItem::~MenuItem() {
  for (MenuItem* child : items_) child->parent_ = nullptr;
  if (parent_) {
    std::erase(parent_->items_, this);
  } else if (window() && !separator_) {
    window()->UnregisterMenu(this);
  }
}

void MenuItem::setCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Notify(change::kText);
}

std::string MenuItem::PlainCaption() const {
  std::string out;
  out.reserve(caption_.size());
  for (std::size_t i = 0; i < caption_.size(); ++i) {
    if (caption_[i] == '&') {
      if (i + 1 < caption_.size() && caption_[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += caption_[i];
  }
  return out;
}

char MenuItem::Accelerator() const {
  for (std::size_t i = 0; i + 1 < caption_.size(); ++i) {
    if (caption_[i] != '&') continue;
    if (caption_[i + 1] == '&') {
      ++i;
      continue;
    }
    return caption_[i + 1];
  }
  return 0;
}

void MenuItem::setChecked(bool on) {
  if (checked_ == on) return;
  checked_ = on;
  Notify(change::kValue);
}

MenuItem* MenuItem::Find(std::string_view caption) const {
  for (MenuItem* child : items_) {
    if (child->separator_) continue;
    if (child->caption_ == caption || child->PlainCaption() == caption) return child;
    if (MenuItem* found = child->Find(caption)) return found;
  }
  return nullptr;
}

bool MenuItem::PoppedUp() const {
  for (const MenuItem* m = this; m; m = m->parent_)
    if (m->popupDepth_ > 0) return true;
  return false;
}

bool MenuItem::Choose() {
  if (separator_ || !items_.empty()) return false;
  if (!enabled() || !visible()) return false;
  if (window() && !window()->acceptsInput()) return false;
  // Walk up: every menu above must be enabled, and visible unless it is the
  // menu that pops up right now.
  bool inPopup = popupDepth_ > 0;
  for (const MenuItem* m = parent_; m; m = m->parent_) {
    if (!m->enabled()) return false;
    if (inPopup) continue;
    if (m->popupDepth_ > 0) {
      inPopup = true;
      continue;
    }
    if (!m->visible()) return false;
  }
  if (onChoose) onChoose();
  return true;
}

void MenuItem::Popup(int x, int y) {
  if (!window()) return;
  ++popupDepth_;
  struct Restore {
    int& depth;
    ~Restore() { --depth; }
  } restore{popupDepth_};
  window()->host().PopupMenu(*window(), *this, x, y);
}

}  // namespace ui
