#include "ui/qt/window_view.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMoveEvent>
#include <QResizeEvent>

#include "ui/qt/binders.h"
#include "ui/qt/grid_view.h"
#include "ui/qt/menus.h"
#include "ui/qt/qt_host.h"
#include "ui/qt/qt_text.h"
#include "ui/units.h"

namespace ui::qt {

namespace {

bool isBar(const Unit& u) { return u.kind() == UnitKind::ToolBar || u.kind() == UnitKind::StatusBar; }

bool hasShownMenu(const Window& w) {
  for (const MenuItem* m : w.menus())
    if (m->visible()) return true;
  return false;
}

}  // namespace

WindowView::WindowView(Window& window, QtHost& host, QWidget* parent, bool modal)
    : QWidget(parent, parent ? (modal ? Qt::Dialog : Qt::Window) : Qt::Window),
      window_(window),
      host_(host) {
  if (modal) setWindowModality(Qt::ApplicationModal);
  setWindowTitle(ToQ(window.caption()));

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  if (!window.menus().empty()) {
    menuBar_ = new QMenuBar(this);
    menuBinder_ = std::make_unique<MenuBarBinder>(window, menuBar_);
    outer->setMenuBar(menuBar_);
    menuBar_->setVisible(hasShownMenu(window));
  }
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("client"));
  outer->addWidget(client_, 1);

  absolute_ = !window.layout().has_value();
  if (absolute_) {
    for (Unit* u : window.units()) {
      UnitBinder* b = Bind(*u, client_);
      if (!b) continue;
      if (isBar(*u)) {
        b->setAbsolute(false);
        (u->kind() == UnitKind::ToolBar ? topBars_ : bottomBars_).push_back(b);
      }
      b->SyncAll();
    }
  } else {
    std::vector<Unit*> placed;
    CollectUnits(*window.layout(), placed);
    auto* column = new QVBoxLayout(client_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    for (Unit* u : window.units()) {
      if (u->kind() != UnitKind::ToolBar || std::find(placed.begin(), placed.end(), u) != placed.end())
        continue;
      if (UnitBinder* b = Bind(*u, client_)) column->addWidget(b->widget());
    }
    QLayout* content = BuildLayout(*window.layout(), client_);
    content->setContentsMargins(9, 9, 9, 9);
    column->addLayout(content, 1);
    for (Unit* u : window.units()) {
      if (u->kind() != UnitKind::StatusBar ||
          std::find(placed.begin(), placed.end(), u) != placed.end())
        continue;
      if (UnitBinder* b = Bind(*u, client_)) column->addWidget(b->widget());
    }
    for (auto& b : binders_) {
      b->setAbsolute(false);
      b->SyncAll();
    }
  }
  client_->installEventFilter(this);

  const int menuHeight = menuBar_ && hasShownMenu(window) ? menuBar_->sizeHint().height() : 0;
  resize(window.designWidth(), window.designHeight() + menuHeight);

  windowConnection_ = window.changed().Connect([this](unsigned what) {
    if (attached_) SyncWindow(what);
  });
}

WindowView::~WindowView() { Detach(); }

void WindowView::Detach() {
  if (!attached_) return;
  attached_ = false;
  window_.changed().Disconnect(windowConnection_);
  if (menuBinder_) menuBinder_->Detach();
  for (auto& b : binders_) b->Detach();
}

UnitBinder* WindowView::Bind(Unit& unit, QWidget* parent) {
  std::unique_ptr<UnitBinder> b = bindUnit(unit, parent, host_);
  if (!b) return nullptr;
  UnitBinder* raw = b.get();
  if (QWidget* w = raw->widget()) w->setObjectName(ToQ(unit.name()));
  byUnit_[&unit] = raw;
  binders_.push_back(std::move(b));
  return raw;
}

void WindowView::CollectUnits(const LayoutNode& node, std::vector<Unit*>& out) const {
  if (node.unit) out.push_back(node.unit);
  for (const LayoutNode& child : node.children) CollectUnits(child, out);
}

QLayout* WindowView::BuildLayout(const LayoutNode& node, QWidget* parent) {
  QLayout* layout = nullptr;
  switch (node.kind) {
    case LayoutNode::Kind::Row: layout = new QHBoxLayout; break;
    case LayoutNode::Kind::Grid: layout = new QGridLayout; break;
    case LayoutNode::Kind::Column: layout = new QVBoxLayout; break;
    default: {
      // A single unit, group or space as the whole arrangement.
      auto* box = new QVBoxLayout;
      AddNode(box, node, parent);
      return box;
    }
  }
  if (node.spacing >= 0) layout->setSpacing(node.spacing);
  for (const LayoutNode& child : node.children) AddNode(layout, child, parent);
  return layout;
}

void WindowView::AddNode(QLayout* layout, const LayoutNode& node, QWidget* parent) {
  auto* box = qobject_cast<QBoxLayout*>(layout);
  auto* grid = qobject_cast<QGridLayout*>(layout);
  auto place = [&](QWidget* w) {
    if (box) box->addWidget(w, node.stretch);
    if (grid) grid->addWidget(w, node.row, node.column, node.rowSpan, node.columnSpan);
  };
  switch (node.kind) {
    case LayoutNode::Kind::Unit: {
      if (!node.unit) return;
      if (UnitBinder* b = Bind(*node.unit, parent)) place(b->widget());
      return;
    }
    case LayoutNode::Kind::Group: {
      if (!node.unit) return;
      UnitBinder* b = Bind(*node.unit, parent);
      if (!b) return;
      QWidget* frame = b->widget();
      if (!node.children.empty()) {
        QLayout* inner = BuildLayout(node.children.front(), frame);
        frame->setLayout(inner);
      }
      place(frame);
      return;
    }
    case LayoutNode::Kind::Stretch:
      if (box) box->addStretch(node.stretch > 0 ? node.stretch : 1);
      if (grid)
        grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Expanding),
                      node.row, node.column, node.rowSpan, node.columnSpan);
      return;
    case LayoutNode::Kind::Spacing:
      if (box) box->addSpacing(node.size);
      if (grid)
        grid->addItem(new QSpacerItem(node.size, node.size, QSizePolicy::Fixed, QSizePolicy::Fixed),
                      node.row, node.column, node.rowSpan, node.columnSpan);
      return;
    default: {
      QLayout* sub = BuildLayout(node, parent);
      if (box) box->addLayout(sub, node.stretch);
      if (grid) grid->addLayout(sub, node.row, node.column, node.rowSpan, node.columnSpan);
      return;
    }
  }
}

QWidget* WindowView::WidgetFor(const Unit& unit) const {
  auto it = byUnit_.find(&unit);
  return it == byUnit_.end() ? nullptr : it->second->widget();
}

GridView* WindowView::GridViewFor(const Unit& grid) const {
  return qobject_cast<GridView*>(WidgetFor(grid));
}

void WindowView::DockBars() {
  if (!absolute_) return;
  const int width = client_->width();
  int top = 0;
  for (UnitBinder* b : topBars_) {
    QWidget* w = b->widget();
    if (!w || !w->isVisibleTo(client_)) continue;
    const int h = w->sizeHint().height();
    w->setGeometry(0, top, width, h);
    top += h;
  }
  int bottom = client_->height();
  for (auto it = bottomBars_.rbegin(); it != bottomBars_.rend(); ++it) {
    QWidget* w = (*it)->widget();
    if (!w || !w->isVisibleTo(client_)) continue;
    const int h = w->sizeHint().height();
    bottom -= h;
    w->setGeometry(0, bottom, width, h);
  }
}

void WindowView::ResizeClientTo(int width, int height) {
  const QSize extra = size() - client_->size();
  const int menuHeight = menuBar_ && menuBar_->isVisibleTo(this) ? menuBar_->sizeHint().height() : 0;
  const QSize frame = isVisible() ? extra : QSize(0, menuHeight);
  resize(width + frame.width(), height + frame.height());
}

void WindowView::SyncWindow(unsigned what) {
  if (what & change::kText) setWindowTitle(ToQ(window_.caption()));
  if (what & change::kEnabled) setEnabled(window_.enabled());
  if (what & change::kVisible) {
    if (window_.visible() && window_.isOpen()) {
      show();
      // Offscreen platforms (tests, pictures) keep no window order.
      if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        raise();
        activateWindow();
      }
    } else if (!window_.visible()) {
      hide();
    }
  }
  if ((what & change::kGeometry) && !updating_) {
    updating_ = true;
    if (client_->size() != QSize(window_.width(), window_.height()))
      ResizeClientTo(window_.width(), window_.height());
    if ((window_.left() != 0 || window_.top() != 0) && pos() != QPoint(window_.left(), window_.top()))
      move(window_.left(), window_.top());
    updating_ = false;
  }
}

void WindowView::closeEvent(QCloseEvent* e) {
  if (!attached_) {
    e->accept();
    return;
  }
  // The model decides; if it closes, the host hides and drops this view.
  e->ignore();
  window_.UserClose();
}

void WindowView::keyPressEvent(QKeyEvent* e) {
  const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
  if (attached_ && (mods == Qt::NoModifier)) {
    switch (e->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (window_.PressReturn()) return;
        break;
      case Qt::Key_Escape:
        window_.PressEscape();
        return;
      default: break;
    }
  }
  QWidget::keyPressEvent(e);
}

void WindowView::moveEvent(QMoveEvent* e) {
  QWidget::moveEvent(e);
  if (!attached_ || updating_ || !isVisible()) return;
  updating_ = true;
  window_.Move(e->pos().x(), e->pos().y());
  updating_ = false;
}

bool WindowView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == client_ && event->type() == QEvent::Resize) {
    DockBars();
    if (attached_ && !updating_) {
      updating_ = true;
      window_.Resize(client_->width(), client_->height());
      updating_ = false;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace ui::qt
