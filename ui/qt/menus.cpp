#include "ui/qt/menus.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "ui/qt/qt_text.h"
#include "ui/window.h"

namespace ui::qt {

void syncAction(QAction* action, const MenuItem& item) {
  action->setText(ToQ(item.caption()));
  action->setEnabled(item.enabled());
  action->setVisible(item.visible());
  action->setCheckable(item.checked());
  action->setChecked(item.checked());
}

void fillMenu(QMenu* menu, MenuItem& item, std::map<const MenuItem*, QAction*>& actions) {
  for (MenuItem* child : item.items()) {
    if (child->isSeparator()) {
      actions[child] = menu->addSeparator();
      continue;
    }
    if (child->hasItems()) {
      QMenu* sub = menu->addMenu(ToQ(child->caption()));
      fillMenu(sub, *child, actions);
      syncAction(sub->menuAction(), *child);
      actions[child] = sub->menuAction();
      continue;
    }
    QAction* a = menu->addAction(ToQ(child->caption()));
    syncAction(a, *child);
    actions[child] = a;
  }
}

MenuBarBinder::MenuBarBinder(Window& window, QMenuBar* bar) : window_(window), bar_(bar) {
  Rebuild();
}

MenuBarBinder::~MenuBarBinder() { Detach(); }

void MenuBarBinder::Detach() {
  if (!attached_) return;
  attached_ = false;
  DisconnectAll();
}

QAction* MenuBarBinder::ActionFor(const MenuItem& item) const {
  auto it = actions_.find(&item);
  return it == actions_.end() ? nullptr : it->second;
}

void MenuBarBinder::DisconnectAll() {
  for (auto& [item, id] : connections_) item->changed().Disconnect(id);
  connections_.clear();
}

void MenuBarBinder::ConnectItem(MenuItem& item) {
  MenuItem* p = &item;
  connections_.push_back({p, item.changed().Connect([this, p](unsigned what) { Update(*p, what); })});
  for (MenuItem* child : item.items()) ConnectItem(*child);
}

void MenuBarBinder::Rebuild() {
  rebuildQueued_ = false;
  if (!attached_) return;
  DisconnectAll();
  actions_.clear();
  bar_->clear();
  for (MenuItem* top : window_.menus()) {
    ConnectItem(*top);
    QMenu* menu = bar_->addMenu(ToQ(top->caption()));
    fillMenu(menu, *top, actions_);
    QAction* a = menu->menuAction();
    syncAction(a, *top);
    actions_[top] = a;
    QObject::connect(menu, &QMenu::triggered, this, [this](QAction* chosen) {
      if (!attached_) return;
      for (auto& [item, action] : actions_) {
        if (action != chosen) continue;
        auto* entry = const_cast<MenuItem*>(item);
        entry->Choose();
        // A check mark follows the model, not Qt's own toggling.
        if (attached_) {
          if (QAction* again = ActionFor(*entry)) syncAction(again, *entry);
        }
        return;
      }
    });
  }
  bar_->setVisible(!window_.menus().empty());
}

void MenuBarBinder::Update(MenuItem& item, unsigned what) {
  if (!attached_) return;
  if (what & change::kItems) {
    // Entries were added: rebuild once the current event is over, never
    // while a menu of this bar is open and running a handler.
    if (!rebuildQueued_) {
      rebuildQueued_ = true;
      QTimer::singleShot(0, this, [this] { Rebuild(); });
    }
    return;
  }
  if (QAction* a = ActionFor(item)) syncAction(a, item);
}

}  // namespace ui::qt
