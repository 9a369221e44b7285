// One binder per unit kind keeps a Qt widget and its unit model in step:
// a model change reaches the widget through the unit's change signal, and
// what a person does with the widget reaches the model through the unit's
// user actions, so windows need no Qt code of their own.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "ui/unit.h"

namespace ui::qt {

class QtHost;

class UnitBinder : public QObject {
 public:
  UnitBinder(Unit& unit, QWidget* widget);
  ~UnitBinder() override;

  Unit& unit() const { return unit_; }
  QWidget* widget() const { return widget_; }
  // Stops listening to the model; the widget stays as it is. Called when
  // the window closes, before the model may go away.
  virtual void Detach();
  bool attached() const { return attached_; }

  // Absolute placement: the widget sits at the unit's geometry. Otherwise a
  // layout places it and the unit's geometry follows the widget.
  void setAbsolute(bool on);
  bool absolute() const { return absolute_; }

  // Brings the whole widget up to the model (after construction).
  void SyncAll() { Sync(change::kAll); }

 protected:
  // Model -> widget for the changed parts (change:: bits).
  virtual void Sync(unsigned what);
  // The widget whose mouse and key events stand for the unit's.
  void Watch(QObject* target);
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Replaces the widget (an edit box switching between one and many lines).
  void ReplaceWidget(QWidget* widget);

  // True while the binder itself writes to the widget or the model, so the
  // echo of that write is not taken for a person's act.
  bool updating_ = false;

 private:
  Unit& unit_;
  QPointer<QWidget> widget_;
  Signal<unsigned>::Id connection_ = 0;
  bool attached_ = true;
  bool absolute_ = true;
};

// The binder of a unit, its widget made a child of `parent`; nullptr for
// units without a widget (timers, menu items).
std::unique_ptr<UnitBinder> bindUnit(Unit& unit, QWidget* parent, QtHost& host);

}  // namespace ui::qt
