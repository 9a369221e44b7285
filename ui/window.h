// A window without a toolkit: its caption, size and state, the units and
// menus it holds (registered in construction order), its arrangement and
// its life-cycle events. Windows of the program derive from it and hold
// their units as members.
//
// Life cycle: a host shows the window (Open(): created is raised); the
// person closes it (UserClose(): may-close is asked) or the program does
// (Close() asks too, Destroy() does not); when it closes, destroyed is
// raised and the host's modal wait ends. A closed window may be shown again.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/layout.h"
#include "ui/unit.h"

namespace ui {

class Host;
class MenuItem;
class Button;

class Window {
 public:
  Window(Host& host, std::string caption, int designWidth, int designHeight);
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  Host& host() const { return host_; }

  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);
  // The caption the window was built with; it names the window for scripts
  // even after the window changed its caption.
  const std::string& initialCaption() const { return initialCaption_; }

  int designWidth() const { return designWidth_; }
  int designHeight() const { return designHeight_; }

  // Client area size and window position.
  int width() const { return width_; }
  int height() const { return height_; }
  int left() const { return left_; }
  int top() const { return top_; }
  // Sets the client size; raises onSizeChanged when it differs. A view calls
  // it when a person resizes the window, windows call it themselves too.
  void Resize(int width, int height);
  void Move(int left, int top);

  bool enabled() const { return enabled_; }
  void setEnabled(bool on);
  bool visible() const { return visible_; }
  void setVisible(bool on);
  // Shown and not closed since.
  bool isOpen() const { return open_; }
  bool modal() const { return modal_; }
  Window* owner() const { return owner_; }
  // True when a person can act on the window's units.
  bool acceptsInput() const { return enabled_; }

  // Units (not menu items) in construction order.
  const std::vector<Unit*>& units() const { return units_; }
  Unit* FindUnit(std::string_view name) const;
  // Top-level menus in construction order (hidden pop-up menus included).
  const std::vector<MenuItem*>& menus() const { return menus_; }
  // A menu entry at any depth by caption (with or without "&"); nullptr
  // when absent.
  MenuItem* FindMenuItem(std::string_view caption) const;

  // The arrangement; none means units sit at their geometry.
  void setLayout(LayoutNode root);
  const std::optional<LayoutNode>& layout() const { return layout_; }

  // The buttons Return and Escape press. Unless a window names them, they
  // are found by caption among its visible buttons: Return presses the
  // first reading "确定", "是", "OK" or "保存", Escape the first reading
  // "取消" (an "&" and a "(&X)" shortcut left aside).
  void setDefaultButton(Button* button) { defaultButton_ = button; }
  void setCancelButton(Button* button) { cancelButton_ = button; }
  Button* defaultButton() const;
  Button* cancelButton() const;
  // Whether Escape closes the window when it has no cancel button (as for
  // help and preview windows); the start window keeps it off.
  void setClosesOnEscape(bool on) { closesOnEscape_ = on; }
  bool closesOnEscape() const { return closesOnEscape_; }
  // Return and Escape pressed in the window and not taken by the unit in
  // focus. True when a button was pressed or the window closed.
  bool PressReturn();
  bool PressEscape();

  std::function<void()> onCreated;
  std::function<bool()> onMayClose;  // false keeps the window open
  std::function<void()> onDestroyed;
  std::function<void()> onSizeChanged;

  // Raised after caption, enabled, visible, size or position changed
  // (change:: bits as for units).
  Signal<unsigned>& changed() { return changed_; }
  // Raised once each time the window has closed (after onDestroyed).
  Signal<>& closed() { return closed_; }

  // Called by hosts when they show the window: marks it open and visible,
  // remembers owner and modality, and raises onCreated. The client size
  // starts at the design size. On a window already open it only shows it.
  void Open(bool modal, Window* owner);
  // The person closes the window (title bar, Alt+F4): nothing when the
  // window is disabled; otherwise as Close(). True when it closed.
  bool UserClose();
  // The program asks the window to close: onMayClose decides.
  bool Close();
  // Closes without asking: onDestroyed, then closed().
  void Destroy();

 private:
  friend class Unit;
  friend class MenuItem;
  void RegisterUnit(Unit* u);
  void UnregisterUnit(Unit* u);
  void RegisterMenu(MenuItem* m);
  void UnregisterMenu(MenuItem* m);

  Host& host_;
  std::string caption_;
  std::string initialCaption_;
  int designWidth_;
  int designHeight_;
  int width_ = 0;
  int height_ = 0;
  int left_ = 0;
  int top_ = 0;
  bool enabled_ = true;
  bool visible_ = false;
  bool open_ = false;
  bool modal_ = false;
  Window* owner_ = nullptr;
  std::vector<Unit*> units_;
  std::vector<MenuItem*> menus_;
  std::optional<LayoutNode> layout_;
  Button* defaultButton_ = nullptr;
  Button* cancelButton_ = nullptr;
  bool closesOnEscape_ = true;
  Signal<unsigned> changed_;
  Signal<> closed_;
};

}  // namespace ui
