#include "ui/unit.h"

#include "ui/window.h"

namespace ui {

Unit::Unit(Window* window, std::string name, UnitKind kind)
    : window_(window), name_(std::move(name)), kind_(kind) {
  if (window_ && kind_ != UnitKind::MenuItem) window_->RegisterUnit(this);
}

Unit::~Unit() {
  if (window_ && kind_ != UnitKind::MenuItem) window_->UnregisterUnit(this);
}

void Unit::setEnabled(bool on) {
  if (enabled_ == on) return;
  enabled_ = on;
  Notify(change::kEnabled);
}

void Unit::setVisible(bool on) {
  if (visible_ == on) return;
  visible_ = on;
  Notify(change::kVisible);
}

void Unit::setGeometry(const Rect& r) {
  if (geometry_ == r) return;
  geometry_ = r;
  Notify(change::kGeometry);
}

void Unit::setLeft(int v) { setGeometry({v, geometry_.top, geometry_.width, geometry_.height}); }
void Unit::setTop(int v) { setGeometry({geometry_.left, v, geometry_.width, geometry_.height}); }
void Unit::setWidth(int v) { setGeometry({geometry_.left, geometry_.top, v, geometry_.height}); }
void Unit::setHeight(int v) { setGeometry({geometry_.left, geometry_.top, geometry_.width, v}); }

bool Unit::CanAct() const {
  return enabled_ && visible_ && (window_ == nullptr || window_->acceptsInput());
}

bool Unit::RightClick(int x, int y, int modifiers) {
  if (!CanAct()) return false;
  if (onRightButtonUp && !onRightButtonUp(x, y, modifiers)) return false;
  return true;
}

bool Unit::PressKey(int key, int modifiers) {
  if (!CanAct()) return false;
  if (onKeyDown && !onKeyDown(key, modifiers)) return false;
  return true;
}

}  // namespace ui
