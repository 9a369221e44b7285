// Menu bars and pop-up menus built from a window's menu items, kept in
// step with them: choosing an entry runs the item's choose().
#pragma once

#include <QObject>
#include <map>
#include <vector>

#include "ui/menu.h"

class QMenu;
class QMenuBar;
class QAction;

namespace ui::qt {

class MenuBarBinder : public QObject {
 public:
  MenuBarBinder(Window& window, QMenuBar* bar);
  ~MenuBarBinder() override;
  void Detach();
  QMenuBar* bar() const { return bar_; }
  // The action standing for a menu item (tests, pictures); nullptr if none.
  QAction* ActionFor(const MenuItem& item) const;

 private:
  void Rebuild();
  void Update(MenuItem& item, unsigned what);
  void ConnectItem(MenuItem& item);
  void DisconnectAll();

  Window& window_;
  QMenuBar* bar_;
  bool attached_ = true;
  bool rebuildQueued_ = false;
  std::vector<std::pair<MenuItem*, std::uint64_t>> connections_;
  std::map<const MenuItem*, QAction*> actions_;
};

// Fills `menu` with the entries below `item`; `actions` learns which action
// stands for which entry.
void fillMenu(QMenu* menu, MenuItem& item, std::map<const MenuItem*, QAction*>& actions);
// Sets an action's caption, enabled, visible and check mark from its item.
void syncAction(QAction* action, const MenuItem& item);

}  // namespace ui::qt
