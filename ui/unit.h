// The base of every window unit: a name, a kind tag, enabled/visible state,
// a place in its window, the common mouse and key events, and a change
// signal a view binder subscribes to.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/types.h"

namespace ui {

class Window;

// A list of observers. Emitting works on a snapshot, so an observer may
// connect or disconnect others (or itself) while it runs.
template <class... Args>
class Signal {
 public:
  using Slot = std::function<void(Args...)>;
  using Id = std::uint64_t;

  Id Connect(Slot slot) {
    const Id id = ++lastId_;
    slots_.push_back({id, std::make_shared<Slot>(std::move(slot))});
    return id;
  }
  void Disconnect(Id id) {
    std::erase_if(slots_, [id](const Entry& e) { return e.id == id; });
  }
  void Emit(Args... args) const {
    if (slots_.empty()) return;
    const auto snapshot = slots_;
    for (const auto& e : snapshot) (*e.slot)(args...);
  }
  bool empty() const { return slots_.empty(); }

 private:
  struct Entry {
    Id id;
    std::shared_ptr<Slot> slot;
  };
  std::vector<Entry> slots_;
  Id lastId_ = 0;
};

enum class UnitKind {
  Label,
  EditBox,
  Button,
  CheckBox,
  RadioButton,
  ComboBox,
  ScrollBar,
  ProgressBar,
  StatusBar,
  ToolBar,
  GroupBox,
  PictureBox,
  Timer,
  Grid,
  MenuItem,
};

// What changed, for the binder: bits of one mask per notification.
namespace change {
inline constexpr unsigned kText = 1u << 0;      // caption or text
inline constexpr unsigned kEnabled = 1u << 1;
inline constexpr unsigned kVisible = 1u << 2;
inline constexpr unsigned kGeometry = 1u << 3;
inline constexpr unsigned kItems = 1u << 4;     // list items, tool buttons, parts
inline constexpr unsigned kSelection = 1u << 5; // selected item, radio/check state
inline constexpr unsigned kValue = 1u << 6;     // position, check state, interval
inline constexpr unsigned kRange = 1u << 7;     // minimum, maximum, steps
inline constexpr unsigned kImage = 1u << 8;     // picture bytes
inline constexpr unsigned kOptions = 1u << 9;   // read-only, password, length limit, style
inline constexpr unsigned kAll = 0xFFFFFFFFu;
}  // namespace change

// Mouse handler: x, y in the unit's client area, modifier keys. Returning
// false makes the unit ignore that button.
using MouseHandler = std::function<bool(int x, int y, int modifiers)>;
// Key handler: virtual key code, modifier keys. False: the key is ignored.
using KeyHandler = std::function<bool(int key, int modifiers)>;

class Unit {
 public:
  // A unit built with a window registers itself there, in construction order.
  // A unit without a window stands alone (hidden work tables, tests).
  Unit(Window* window, std::string name, UnitKind kind);
  virtual ~Unit();
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;

  UnitKind kind() const { return kind_; }
  const std::string& name() const { return name_; }
  Window* window() const { return window_; }

  bool enabled() const { return enabled_; }
  void setEnabled(bool on);
  bool visible() const { return visible_; }
  void setVisible(bool on);

  // Position and size in the window (design pixels until a layout moves it).
  const Rect& geometry() const { return geometry_; }
  void setGeometry(const Rect& r);
  int left() const { return geometry_.left; }
  int top() const { return geometry_.top; }
  int width() const { return geometry_.width; }
  int height() const { return geometry_.height; }
  void setLeft(int v);
  void setTop(int v);
  void setWidth(int v);
  void setHeight(int v);

  // True when a person can act on the unit now: it is enabled and visible
  // and its window takes input.
  bool CanAct() const;

  // Raised after any change of what the unit shows; the argument is a mask
  // of change:: bits.
  Signal<unsigned>& changed() { return changed_; }

  // Common events. A window sets the handlers it handles.
  MouseHandler onLeftButtonDown;
  MouseHandler onLeftButtonUp;
  MouseHandler onDoubleClick;
  MouseHandler onRightButtonUp;
  KeyHandler onKeyDown;

  // User actions common to all units; they return false when the unit
  // could not take the action or a handler refused it.
  virtual bool RightClick(int x = 0, int y = 0, int modifiers = 0);
  virtual bool PressKey(int key, int modifiers = 0);

 protected:
  void Notify(unsigned what) { changed_.Emit(what); }

 private:
  Window* window_;
  std::string name_;
  UnitKind kind_;
  bool enabled_ = true;
  bool visible_ = true;
  Rect geometry_;
  Signal<unsigned> changed_;
};

}  // namespace ui
