// The on-screen form of a ui::Window: a top-level widget holding one bound
// widget per unit, the menu bar, and the arrangement the window describes
// (or the units' own geometry when it describes none).
#pragma once

#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>
#include <vector>

#include "ui/window.h"

class QLayout;
class QMenuBar;
class QBoxLayout;

namespace ui::qt {

class QtHost;
class UnitBinder;
class MenuBarBinder;
class GridView;

class WindowView : public QWidget {
  Q_OBJECT

 public:
  WindowView(Window& window, QtHost& host, QWidget* parent, bool modal);
  ~WindowView() override;

  Window& window() const { return window_; }
  bool attached() const { return attached_; }
  // Stops following the model (the window closed); the widget may then be
  // deleted at leisure.
  void Detach();

  // The widget bound to a unit; nullptr when the unit has none.
  QWidget* WidgetFor(const Unit& unit) const;
  GridView* GridViewFor(const Unit& grid) const;
  QMenuBar* menuBar() const { return menuBar_; }
  MenuBarBinder* menus() const { return menuBinder_.get(); }
  // The area the units live in (the window's client area).
  QWidget* client() const { return client_; }

 protected:
  void closeEvent(QCloseEvent* e) override;
  // Return and Escape that no unit took: the window's default and cancel
  // buttons.
  void keyPressEvent(QKeyEvent* e) override;
  void moveEvent(QMoveEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  UnitBinder* Bind(Unit& unit, QWidget* parent);
  QLayout* BuildLayout(const LayoutNode& node, QWidget* parent);
  void AddNode(QLayout* layout, const LayoutNode& node, QWidget* parent);
  void CollectUnits(const LayoutNode& node, std::vector<Unit*>& out) const;
  void DockBars();
  void SyncWindow(unsigned what);
  void ResizeClientTo(int width, int height);

  Window& window_;
  QtHost& host_;
  QWidget* client_ = nullptr;
  QMenuBar* menuBar_ = nullptr;
  std::unique_ptr<MenuBarBinder> menuBinder_;
  std::vector<std::unique_ptr<UnitBinder>> binders_;
  std::map<const Unit*, UnitBinder*> byUnit_;
  std::vector<UnitBinder*> topBars_, bottomBars_;
  bool absolute_ = true;
  bool attached_ = true;
  bool updating_ = false;
  std::uint64_t windowConnection_ = 0;
};

}  // namespace ui::qt
