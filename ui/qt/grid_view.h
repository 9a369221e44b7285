// The view of a GridControl: a QTableView over GridTableModel whose mouse,
// keys and in-place editing go through the grid's user actions, so the
// grid's events come in the grid's order (press before the focus cell
// moves, release after it; EditBegun before an editor opens, CellEdited
// once it closes, also for an unchanged value).
#pragma once

#include <QPointer>
#include <QTableView>

#include "ui/grid_control.h"

namespace ui::qt {

class GridTableModel;
class GridDelegate;

class GridView : public QTableView {
  Q_OBJECT

 public:
  explicit GridView(GridControl& grid, QWidget* parent = nullptr);
  ~GridView() override;

  GridControl& grid() const { return grid_; }
  GridTableModel* tableModel() const { return model_; }
  // Stops following the grid (its window closed).
  void Detach();
  // Reads the whole grid afresh: model reset, sizes, focus cell, selection.
  void Resync();

  // The grid cell under a point of the viewport; {-1, -1} over no cell.
  std::pair<int, int> CellAt(const QPoint& viewportPos) const;
  // Where a grid cell is in the viewport (empty for the header row and
  // cells out of the model).
  QRect CellRect(int gridRow, int column) const;
  // The editor open in a cell, nullptr when none.
  QWidget* openEditor() const { return editor_; }
  // Opens the editor of a cell as a person would (double click or F2
  // without the mouse); false when the cell cannot be edited now.
  bool EditCellInPlace(int gridRow, int column);

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class GridDelegate;

  bool StartEdit(int gridRow, int column, EditTrigger trigger, QEvent* event);
  void CommitOpenEditor();
  void editorOpened(QWidget* editor) { editor_ = editor; }
  void editorGone(QWidget* editor) {
    if (editor_ == editor) editor_ = nullptr;
  }
  QPoint ToGridPoint(const QPoint& viewportPos) const;
  std::pair<int, int> NearestCell(const QPoint& viewportPos) const;
  bool headerEvent(QEvent* event);

  // Tells the grid the width its columns can fill.
  void ReportCellArea();
  void ApplyAll();
  void ApplyRowHeights(int firstGridRow, int lastGridRow);
  void ApplyColumns(int firstColumn, int lastColumn);
  void ApplyCursor();
  void ApplySelection();
  void ShowDragSelection(int gridRow, int column);

  GridControl& grid_;
  GridTableModel* model_;
  GridDelegate* delegate_;
  QPointer<QWidget> editor_;
  bool attached_ = true;
  bool allowEdit_ = false;
  bool applying_ = false;
  // Left button pressed on a cell and taken by the grid.
  bool pressed_ = false;
  int pressRow_ = -1, pressColumn_ = -1;
  bool editAfterRelease_ = false;
  // Header: a press on a column border resizes; elsewhere it is a click on
  // row 0's cell.
  bool headerResizing_ = false;
  int resizedColumn_ = -1;
  int resizedWidth_ = 0;
  bool headerPressed_ = false;
};

}  // namespace ui::qt
