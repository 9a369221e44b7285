#include "ui/qt/binders.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "ui/grid_control.h"
#include "ui/qt/grid_view.h"
#include "ui/qt/images.h"
#include "ui/qt/key_codes.h"
#include "ui/qt/pitched_text.h"
#include "ui/qt/qt_host.h"
#include "ui/qt/qt_text.h"
#include "ui/units.h"

namespace ui::qt {

// ---- Base ---------------------------------------------------------------

UnitBinder::UnitBinder(Unit& unit, QWidget* widget) : unit_(unit), widget_(widget) {
  connection_ = unit_.changed().Connect([this](unsigned what) {
    if (attached_ && widget_) Sync(what);
  });
  Watch(widget);
}

UnitBinder::~UnitBinder() {
  if (attached_) unit_.changed().Disconnect(connection_);
}

void UnitBinder::Detach() {
  if (!attached_) return;
  attached_ = false;
  unit_.changed().Disconnect(connection_);
}

void UnitBinder::setAbsolute(bool on) {
  absolute_ = on;
  if (on && widget_) Sync(change::kGeometry);
}

void UnitBinder::Watch(QObject* target) {
  if (target) target->installEventFilter(this);
}

void UnitBinder::ReplaceWidget(QWidget* widget) {
  QWidget* old = widget_;
  if (old == widget) return;
  if (old) {
    widget->setParent(old->parentWidget());
    if (QLayout* layout = old->parentWidget() ? old->parentWidget()->layout() : nullptr)
      delete layout->replaceWidget(old, widget, Qt::FindChildrenRecursively);
    widget->setGeometry(old->geometry());
    old->removeEventFilter(this);
    old->hide();
    old->deleteLater();
  }
  widget_ = widget;
  Watch(widget);
  Sync(change::kEnabled | change::kVisible | change::kGeometry);
}

void UnitBinder::Sync(unsigned what) {
  QWidget* w = widget_;
  if (!w) return;
  if (what & change::kEnabled) w->setEnabled(unit_.enabled());
  if (what & change::kVisible) w->setVisible(unit_.visible());
  if ((what & change::kGeometry) && absolute_ && !updating_) {
    const Rect& r = unit_.geometry();
    w->setGeometry(r.left, r.top, std::max(0, r.width), std::max(0, r.height));
  }
}

bool UnitBinder::eventFilter(QObject* watched, QEvent* event) {
  QWidget* w = widget_;
  if (!attached_ || !w) return false;
  auto pointOf = [&](const QMouseEvent* me) {
    QPoint p = me->position().toPoint();
    if (auto* source = qobject_cast<QWidget*>(watched); source && source != w)
      p = source->mapTo(w, p);
    return p;
  };
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* me = static_cast<QMouseEvent*>(event);
      if (me->button() != Qt::LeftButton || !unit_.CanAct() || !unit_.onLeftButtonDown) break;
      const QPoint p = pointOf(me);
      if (!unit_.onLeftButtonDown(p.x(), p.y(), ModifierFlags(me->modifiers()))) return true;
      break;
    }
    case QEvent::MouseButtonRelease: {
      auto* me = static_cast<QMouseEvent*>(event);
      const QPoint p = pointOf(me);
      const int mods = ModifierFlags(me->modifiers());
      if (me->button() == Qt::LeftButton && unit_.CanAct() && unit_.onLeftButtonUp) {
        if (!unit_.onLeftButtonUp(p.x(), p.y(), mods)) return true;
      } else if (me->button() == Qt::RightButton) {
        if (!unit_.RightClick(p.x(), p.y(), mods)) return true;
      }
      break;
    }
    case QEvent::MouseButtonDblClick: {
      auto* me = static_cast<QMouseEvent*>(event);
      if (me->button() != Qt::LeftButton || !unit_.CanAct() || !unit_.onDoubleClick) break;
      const QPoint p = pointOf(me);
      if (!unit_.onDoubleClick(p.x(), p.y(), ModifierFlags(me->modifiers()))) return true;
      break;
    }
    case QEvent::KeyPress: {
      auto* ke = static_cast<QKeyEvent*>(event);
      const int key = VirtualKey(ke->key());
      if (key != 0 && !unit_.PressKey(key, ModifierFlags(ke->modifiers()))) return true;
      break;
    }
    case QEvent::Resize:
    case QEvent::Move:
      if (watched == w && !absolute_ && !updating_) {
        updating_ = true;
        const QRect g = w->geometry();
        unit_.setGeometry({g.x(), g.y(), g.width(), g.height()});
        updating_ = false;
      }
      break;
    default: break;
  }
  return false;
}

namespace {

// ---- Label ---------------------------------------------------------------

// A label whose text wraps like a static text control, its lines a little
// more than a character apart, so the heights windows give labels (14 px a
// line) hold the lines.
class UnitLabel : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                             QPalette::WindowText));
    const int glyph = PixelSizeOf(font());
    DrawPitchedText(&p, contentsRect(), text(), font(), glyph, glyph + 1,
                    alignment() & Qt::AlignHorizontal_Mask, true);
  }
};

class LabelBinder : public UnitBinder {
 public:
  LabelBinder(Label& label, QWidget* parent) : UnitBinder(label, new UnitLabel(parent)), label_(label) {
    auto* w = static_cast<QLabel*>(widget());
    w->setTextFormat(Qt::PlainText);
    w->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    w->setWordWrap(false);
  }

 protected:
  void Sync(unsigned what) override {
    UnitBinder::Sync(what);
    if (what & change::kText) static_cast<QLabel*>(widget())->setText(ToQLines(label_.text()));
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (UnitBinder::eventFilter(watched, event)) return true;
    if (attached() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
      label_.Click();
    return false;
  }

 private:
  Label& label_;
};

// ---- Edit box ------------------------------------------------------------

// A multi-line box whose text reaches the model as CR LF lines.
class EditBoxBinder : public UnitBinder {
 public:
  EditBoxBinder(EditBox& box, QWidget* parent) : UnitBinder(box, MakeWidget(box, parent)), box_(box) {
    multiLine_ = box.multiLine();
    ConnectWidget();
  }

 protected:
  void Sync(unsigned what) override {
    if ((what & change::kOptions) && box_.multiLine() != multiLine_) {
      multiLine_ = box_.multiLine();
      QWidget* parent = widget() ? widget()->parentWidget() : nullptr;
      ReplaceWidget(MakeWidget(box_, parent));
      ConnectWidget();
      what = change::kAll;
    }
    UnitBinder::Sync(what);
    if (what & change::kOptions) SyncOptions();
    if (what & change::kText) SyncText();
  }

 private:
  static QWidget* MakeWidget(EditBox& box, QWidget* parent) {
    if (box.multiLine()) {
      auto* e = new QPlainTextEdit(parent);
      e->setLineWrapMode(QPlainTextEdit::WidgetWidth);
      e->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
      return e;
    }
    return new QLineEdit(parent);
  }

  void ConnectWidget() {
    if (auto* e = qobject_cast<QLineEdit*>(widget())) {
      QObject::connect(e, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (updating_ || !attached()) return;
        updating_ = true;
        const bool taken = box_.ReplaceText(ToStd(text));
        updating_ = false;
        if (!taken || ToQ(box_.text()) != text) SyncText();
      });
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(widget())) {
      QObject::connect(p, &QPlainTextEdit::textChanged, this, [this, p] {
        if (updating_ || !attached()) return;
        const std::string text = FromQLines(p->toPlainText());
        if (text == box_.text()) return;
        updating_ = true;
        const bool taken = box_.ReplaceText(text);
        updating_ = false;
        if (!taken || box_.text() != text) SyncText();
      });
    }
  }

  void SyncOptions() {
    if (auto* e = qobject_cast<QLineEdit*>(widget())) {
      e->setEchoMode(box_.passwordInput() ? QLineEdit::Password : QLineEdit::Normal);
      e->setReadOnly(box_.readOnly());
      e->setMaxLength(box_.maxLength() > 0 ? box_.maxLength() : 32767);
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(widget())) {
      p->setReadOnly(box_.readOnly());
    }
  }

  void SyncText() {
    if (updating_) return;
    updating_ = true;
    if (auto* e = qobject_cast<QLineEdit*>(widget())) {
      const QString text = ToQ(box_.text());
      if (e->text() != text) e->setText(text);
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(widget())) {
      const QString text = ToQLines(box_.text());
      if (p->toPlainText() != text) p->setPlainText(text);
    }
    updating_ = false;
  }

  EditBox& box_;
  bool multiLine_ = false;
};

// ---- Button, check box, radio button ---------------------------------------

class ButtonBinder : public UnitBinder {
 public:
  ButtonBinder(Button& button, QWidget* parent)
      : UnitBinder(button, new QPushButton(parent)), button_(button) {
    auto* w = static_cast<QPushButton*>(widget());
    w->setAutoDefault(false);
    QObject::connect(w, &QPushButton::clicked, this, [this] {
      if (attached()) button_.Click();
    });
  }

 protected:
  void Sync(unsigned what) override {
    UnitBinder::Sync(what);
    if (what & change::kText) static_cast<QPushButton*>(widget())->setText(ToQ(button_.caption()));
  }
  // Return on a button in focus presses that button, as in any dialog.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (UnitBinder::eventFilter(watched, event)) return true;
    if (!attached() || event->type() != QEvent::KeyPress) return false;
    auto* ke = static_cast<QKeyEvent*>(event);
    if ((ke->key() != Qt::Key_Return && ke->key() != Qt::Key_Enter) ||
        (ke->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
      return false;
    button_.Click();
    return true;
  }

 private:
  Button& button_;
};

class CheckBoxBinder : public UnitBinder {
 public:
  CheckBoxBinder(CheckBox& box, QWidget* parent)
      : UnitBinder(box, new QCheckBox(parent)), box_(box) {
    auto* w = static_cast<QCheckBox*>(widget());
    QObject::connect(w, &QCheckBox::clicked, this, [this] {
      if (!attached() || updating_) return;
      box_.Toggle();
      Sync(change::kValue);
    });
  }

 protected:
  void Sync(unsigned what) override {
    UnitBinder::Sync(what);
    auto* w = static_cast<QCheckBox*>(widget());
    if (what & change::kText) w->setText(ToQ(box_.caption()));
    if (what & (change::kValue | change::kSelection)) {
      updating_ = true;
      w->setChecked(box_.checked());
      updating_ = false;
    }
  }

 private:
  CheckBox& box_;
};

class RadioButtonBinder : public UnitBinder {
 public:
  RadioButtonBinder(RadioButton& button, QWidget* parent)
      : UnitBinder(button, new QRadioButton(parent)), button_(button) {
    auto* w = static_cast<QRadioButton*>(widget());
    // The model knows the groups; Qt's own exclusion would join every
    // button of the same parent.
    w->setAutoExclusive(false);
    QObject::connect(w, &QRadioButton::clicked, this, [this] {
      if (!attached() || updating_) return;
      button_.Choose();
      Sync(change::kValue);
    });
  }

 protected:
  void Sync(unsigned what) override {
    UnitBinder::Sync(what);
    auto* w = static_cast<QRadioButton*>(widget());
    if (what & change::kText) w->setText(ToQ(button_.caption()));
    if (what & (change::kValue | change::kSelection)) {
      updating_ = true;
      w->setChecked(button_.checked());
      updating_ = false;
    }
  }

 private:
  RadioButton& button_;
};

// ---- Combo box -------------------------------------------------------------

// Lets the window refill the list just before it opens.
class ModelComboBox : public QComboBox {
 public:
  using QComboBox::QComboBox;
  std::function<void()> beforePopup;
  void showPopup() override {
    if (beforePopup) beforePopup();
    QComboBox::showPopup();
  }
};

class ComboBoxBinder : public UnitBinder {
 public:
  ComboBoxBinder(ComboBox& box, QWidget* parent)
      : UnitBinder(box, new ModelComboBox(parent)), box_(box) {
    auto* w = static_cast<ModelComboBox*>(widget());
    w->setInsertPolicy(QComboBox::NoInsert);
    w->setMaxVisibleItems(20);
    w->beforePopup = [this] {
      if (attached()) box_.OpenList();
    };
    QObject::connect(w, &QComboBox::activated, this, [this](int index) {
      if (!attached() || updating_) return;
      // The list is open (or keys moved through it): choosing raises only
      // the selection event; the list-opened event came with the popup.
      if (!box_.CanAct() || index < 0 || index >= box_.count()) {
        Sync(change::kSelection);
        return;
      }
      updating_ = true;
      box_.setSelectedIndex(index);
      updating_ = false;
      if (box_.onSelectionChanged) box_.onSelectionChanged();
    });
    QObject::connect(w, &QComboBox::editTextChanged, this, [this, w](const QString& text) {
      if (!attached() || updating_ || !w->isEditable()) return;
      if (ToQ(box_.text()) == text) return;
      updating_ = true;
      box_.Type(ToStd(text));
      updating_ = false;
    });
  }

 protected:
  void Sync(unsigned what) override {
    UnitBinder::Sync(what);
    if (updating_) return;
    auto* w = static_cast<ModelComboBox*>(widget());
    updating_ = true;
    if (what & change::kOptions) w->setEditable(box_.style() == ComboBox::Style::Editable);
    if (what & change::kItems) {
      w->clear();
      QStringList items;
      items.reserve(box_.count());
      for (const std::string& item : box_.items()) items << ToQ(item);
      w->addItems(items);
    }
    if (what & (change::kItems | change::kSelection | change::kText | change::kOptions)) {
      w->setCurrentIndex(box_.selectedIndex());
      if (w->isEditable()) w->setEditText(ToQ(box_.text()));
    }
    updating_ = false;
  }

 private:
  ComboBox& box_;
};

// ---- Scroll bar, progress bar ------------------------------------------------

class ScrollBarBinder : public UnitBinder {
 public:
  ScrollBarBinder(ScrollBar& bar, QWidget* parent)
      : UnitBinder(bar, new QScrollBar(bar.orientation() == ScrollBar::Orientation::Vertical
                                           ? Qt::Vertical
                                           : Qt::Horizontal,
                                       parent)),
        bar_(bar) {
    auto* w = static_cast<QScrollBar*>(widget());
    QObject::connect(w, &QScrollBar::valueChanged, this, [this](int value) {
      if (!attached() || updating_) return;
      updating_ = true;
      bar_.MoveTo(value);
      updating_ = false;
      if (bar_.position() != value) Sync(change::kValue);
    });
  }

 protected:
  void Sync(unsigned what) override {
    UnitBinder::Sync(what);
    auto* w = static_cast<QScrollBar*>(widget());
    if (updating_) return;
    updating_ = true;
    if (what & change::kRange) {
      w->setRange(bar_.minimum(), bar_.maximum());
      w->setPageStep(bar_.pageStep());
      w->setSingleStep(bar_.lineStep());
    }
    if (what & change::kValue) w->setValue(bar_.position());
    updating_ = false;
  }

 private:
  ScrollBar& bar_;
};

class ProgressBarBinder : public UnitBinder {
 public:
  ProgressBarBinder(ProgressBar& bar, QWidget* parent)
      : UnitBinder(bar, new QProgressBar(parent)), bar_(bar) {
    static_cast<QProgressBar*>(widget())->setTextVisible(false);
  }

 protected:
  void Sync(unsigned what) override {
    UnitBinder::Sync(what);
    auto* w = static_cast<QProgressBar*>(widget());
    if (what & change::kRange) w->setRange(bar_.minimum(), bar_.maximum());
    if (what & (change::kValue | change::kRange)) w->setValue(bar_.position());
  }

 private:
  ProgressBar& bar_;
};

// ---- Status bar, tool bar ------------------------------------------------------

class StatusBarBinder : public UnitBinder {
 public:
  StatusBarBinder(StatusBar& bar, QWidget* parent)
      : UnitBinder(bar, new QStatusBar(parent)), bar_(bar) {
    auto* w = static_cast<QStatusBar*>(widget());
    w->setSizeGripEnabled(false);
  }

 protected:
  void Sync(unsigned what) override {
    UnitBinder::Sync(what);
    auto* w = static_cast<QStatusBar*>(widget());
    if (static_cast<int>(parts_.size()) != bar_.partCount()) {
      for (QLabel* l : parts_) delete l;
      parts_.clear();
      for (int i = 0; i < bar_.partCount(); ++i) {
        auto* label = new QLabel(w);
        label->setTextFormat(Qt::PlainText);
        w->addWidget(label, i + 1 == bar_.partCount() ? 1 : 0);
        parts_.push_back(label);
      }
      what |= change::kText;
    }
    if (what & change::kText)
      for (int i = 0; i < bar_.partCount(); ++i)
        parts_[static_cast<std::size_t>(i)]->setText(ToQ(bar_.text(i)));
  }

 private:
  StatusBar& bar_;
  std::vector<QLabel*> parts_;
};

class ToolBarBinder : public UnitBinder {
 public:
  ToolBarBinder(ToolBar& bar, QWidget* parent) : UnitBinder(bar, new QToolBar(parent)), bar_(bar) {
    auto* w = static_cast<QToolBar*>(widget());
    w->setMovable(false);
    w->setFloatable(false);
    w->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  }

 protected:
  void Sync(unsigned what) override {
    UnitBinder::Sync(what);
    if (!(what & change::kItems)) return;
    auto* w = static_cast<QToolBar*>(widget());
    if (static_cast<int>(actions_.size()) != bar_.buttonCount()) {
      w->clear();
      actions_.clear();
      for (int i = 0; i < bar_.buttonCount(); ++i) {
        const ToolBar::ToolButton& b = bar_.button(i);
        QAction* a = w->addAction(ToQ(b.caption));
        if (!b.icon.empty()) {
          const QIcon icon = QIcon::fromTheme(ToQ(b.icon));
          if (!icon.isNull()) a->setIcon(icon);
        }
        QObject::connect(a, &QAction::triggered, this, [this, i] {
          if (attached()) bar_.ClickButton(i);
        });
        actions_.push_back(a);
      }
    }
    for (int i = 0; i < bar_.buttonCount(); ++i) {
      const ToolBar::ToolButton& b = bar_.button(i);
      QAction* a = actions_[static_cast<std::size_t>(i)];
      a->setText(ToQ(b.caption));
      a->setToolTip(ToQ(b.caption));
      a->setEnabled(b.enabled);
      a->setVisible(b.visible);
    }
  }

 private:
  ToolBar& bar_;
  std::vector<QAction*> actions_;
};

// ---- Group box, picture box ------------------------------------------------------

class GroupBoxBinder : public UnitBinder {
 public:
  GroupBoxBinder(GroupBox& box, QWidget* parent) : UnitBinder(box, new QGroupBox(parent)), box_(box) {}

 protected:
  void Sync(unsigned what) override {
    UnitBinder::Sync(what);
    if (what & change::kText) static_cast<QGroupBox*>(widget())->setTitle(ToQ(box_.caption()));
    // Units drawn over the frame must stay in front of it.
    if ((what & change::kGeometry) && absolute()) widget()->lower();
  }

 private:
  GroupBox& box_;
};

// Shows image-file bytes scaled into the box, keeping the proportions.
class PictureLabel : public QLabel {
 public:
  using QLabel::QLabel;
  void setImage(const QImage& image) {
    image_ = image;
    Rescale();
  }

 protected:
  void resizeEvent(QResizeEvent* e) override {
    QLabel::resizeEvent(e);
    Rescale();
  }

 private:
  void Rescale() {
    if (image_.isNull()) {
      clear();
      return;
    }
    const QSize room = contentsRect().size();
    QImage shown = image_;
    if (room.width() > 0 && room.height() > 0 &&
        (image_.width() > room.width() || image_.height() > room.height()))
      shown = image_.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    setPixmap(QPixmap::fromImage(shown));
  }
  QImage image_;
};

class PictureBoxBinder : public UnitBinder {
 public:
  PictureBoxBinder(PictureBox& box, QWidget* parent)
      : UnitBinder(box, new PictureLabel(parent)), box_(box) {
    auto* w = static_cast<PictureLabel*>(widget());
    w->setAlignment(Qt::AlignCenter);
    w->setFrameShape(QFrame::StyledPanel);
    w->setMinimumSize(1, 1);
  }

 protected:
  void Sync(unsigned what) override {
    UnitBinder::Sync(what);
    if (!(what & change::kImage)) return;
    const QImage image = DecodeImageBytes(box_.image().data(), box_.image().size());
    static_cast<PictureLabel*>(widget())->setImage(image);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (UnitBinder::eventFilter(watched, event)) return true;
    if (attached() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
      box_.Click();
    return false;
  }

 private:
  PictureBox& box_;
};

// ---- Grid ------------------------------------------------------------------------

class GridBinder : public UnitBinder {
 public:
  GridBinder(GridControl& grid, QWidget* parent) : UnitBinder(grid, new GridView(grid, parent)) {}
  void Detach() override {
    if (auto* view = qobject_cast<GridView*>(widget())) view->Detach();
    UnitBinder::Detach();
  }

 protected:
  // The view routes the grid's mouse and keys itself, cell by cell.
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Resize:
      case QEvent::Move: return UnitBinder::eventFilter(watched, event);
      default: return false;
    }
  }
};

}  // namespace

std::unique_ptr<UnitBinder> bindUnit(Unit& unit, QWidget* parent, QtHost& /*host*/) {
  std::unique_ptr<UnitBinder> b;
  switch (unit.kind()) {
    case UnitKind::Label: b = std::make_unique<LabelBinder>(static_cast<Label&>(unit), parent); break;
    case UnitKind::EditBox:
      b = std::make_unique<EditBoxBinder>(static_cast<EditBox&>(unit), parent);
      break;
    case UnitKind::Button:
      b = std::make_unique<ButtonBinder>(static_cast<Button&>(unit), parent);
      break;
    case UnitKind::CheckBox:
      b = std::make_unique<CheckBoxBinder>(static_cast<CheckBox&>(unit), parent);
      break;
    case UnitKind::RadioButton:
      b = std::make_unique<RadioButtonBinder>(static_cast<RadioButton&>(unit), parent);
      break;
    case UnitKind::ComboBox:
      b = std::make_unique<ComboBoxBinder>(static_cast<ComboBox&>(unit), parent);
      break;
    case UnitKind::ScrollBar:
      b = std::make_unique<ScrollBarBinder>(static_cast<ScrollBar&>(unit), parent);
      break;
    case UnitKind::ProgressBar:
      b = std::make_unique<ProgressBarBinder>(static_cast<ProgressBar&>(unit), parent);
      break;
    case UnitKind::StatusBar:
      b = std::make_unique<StatusBarBinder>(static_cast<StatusBar&>(unit), parent);
      break;
    case UnitKind::ToolBar:
      b = std::make_unique<ToolBarBinder>(static_cast<ToolBar&>(unit), parent);
      break;
    case UnitKind::GroupBox:
      b = std::make_unique<GroupBoxBinder>(static_cast<GroupBox&>(unit), parent);
      break;
    case UnitKind::PictureBox:
      b = std::make_unique<PictureBoxBinder>(static_cast<PictureBox&>(unit), parent);
      break;
    case UnitKind::Grid:
      b = std::make_unique<GridBinder>(static_cast<GridControl&>(unit), parent);
      break;
    case UnitKind::Timer:
    case UnitKind::MenuItem: return nullptr;
  }
  return b;
}

}  // namespace ui::qt
