#include "ui/window.h"

#include <algorithm>

#include "ui/menu.h"
#include "ui/units.h"

namespace ui {

Window::Window(Host& host, std::string caption, int designWidth, int designHeight)
    : host_(host),
      caption_(caption),
      initialCaption_(std::move(caption)),
      designWidth_(designWidth),
      designHeight_(designHeight),
      width_(designWidth),
      height_(designHeight) {}

Window::~Window() = default;

void Window::setCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  changed_.Emit(change::kText);
}

void Window::Resize(int width, int height) {
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  changed_.Emit(change::kGeometry);
  if (onSizeChanged) onSizeChanged();
}

void Window::Move(int left, int top) {
  if (left == left_ && top == top_) return;
  left_ = left;
  top_ = top;
  changed_.Emit(change::kGeometry);
}

void Window::setEnabled(bool on) {
  if (enabled_ == on) return;
  enabled_ = on;
  changed_.Emit(change::kEnabled);
}

void Window::setVisible(bool on) {
  if (visible_ == on) return;
  visible_ = on;
  changed_.Emit(change::kVisible);
}

Unit* Window::FindUnit(std::string_view name) const {
  for (Unit* u : units_)
    if (u->name() == name) return u;
  return nullptr;
}

MenuItem* Window::FindMenuItem(std::string_view caption) const {
  for (MenuItem* m : menus_) {
    if (m->caption() == caption || m->PlainCaption() == caption) return m;
    if (MenuItem* found = m->Find(caption)) return found;
  }
  return nullptr;
}

void Window::setLayout(LayoutNode root) {
  layout_ = std::move(root);
  changed_.Emit(change::kGeometry);
}

namespace {

// A button caption without its "&" marks and a trailing "(&X)" shortcut.
std::string plainButtonCaption(const std::string& caption) {
  std::string s = caption;
  if (s.size() >= 4 && s[s.size() - 1] == ')' && s[s.size() - 4] == '(' && s[s.size() - 3] == '&')
    s.resize(s.size() - 4);
  std::erase(s, '&');
  return s;
}

Button* findButton(const std::vector<Unit*>& units, std::initializer_list<std::string_view> captions) {
  for (Unit* u : units) {
    if (u->kind() != UnitKind::Button || !u->visible()) continue;
    auto* b = static_cast<Button*>(u);
    const std::string plain = plainButtonCaption(b->caption());
    for (std::string_view c : captions)
      if (plain == c) return b;
  }
  return nullptr;
}

}  // namespace

Button* Window::defaultButton() const {
  if (defaultButton_) return defaultButton_;
  return findButton(units_, {"确定", "是", "OK", "保存"});
}

Button* Window::cancelButton() const {
  if (cancelButton_) return cancelButton_;
  return findButton(units_, {"取消"});
}

bool Window::PressReturn() {
  if (!open_ || !enabled_) return false;
  Button* b = defaultButton();
  return b && b->Click();
}

bool Window::PressEscape() {
  if (!open_ || !enabled_) return false;
  if (Button* b = cancelButton()) return b->Click();
  return closesOnEscape_ && UserClose();
}

void Window::Open(bool modal, Window* owner) {
  if (open_) {  // shown again while open: only brought back into view
    setVisible(true);
    return;
  }
  modal_ = modal;
  owner_ = owner;
  open_ = true;
  setVisible(true);
  if (onCreated) onCreated();
}

bool Window::UserClose() {
  if (!open_ || !enabled_) return false;
  return Close();
}

bool Window::Close() {
  if (!open_) return false;
  if (onMayClose && !onMayClose()) return false;
  Destroy();
  return true;
}

void Window::Destroy() {
  if (!open_) return;
  open_ = false;
  setVisible(false);
  if (onDestroyed) onDestroyed();
  closed_.Emit();
}

void Window::RegisterUnit(Unit* u) { units_.push_back(u); }
void Window::UnregisterUnit(Unit* u) {
  std::erase(units_, u);
  if (u == defaultButton_) defaultButton_ = nullptr;
  if (u == cancelButton_) cancelButton_ = nullptr;
}
void Window::RegisterMenu(MenuItem* m) { menus_.push_back(m); }
void Window::UnregisterMenu(MenuItem* m) { std::erase(menus_, m); }

}  // namespace ui
