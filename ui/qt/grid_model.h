// A table model over a GridControl. The grid's first row is the view's
// column header when the grid has fixed rows, so model row r is grid row
// r + headerRows(). Changes of cell contents are gathered and told to views
// once per turn of the event loop; rows and columns are told at once.
#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <map>

#include "ui/grid_control.h"

namespace ui::qt {

class GridTableModel : public QAbstractTableModel, public GridObserver {
  Q_OBJECT

 public:
  enum Role {
    WordWrapRole = Qt::UserRole + 1,  // bool
    FixedRole,                        // bool: a fixed (header) cell
    PictureRole,                      // QByteArray: picture bytes
  };

  explicit GridTableModel(GridControl& grid, QObject* parent = nullptr);
  ~GridTableModel() override;

  GridControl& grid() const { return grid_; }
  void Detach();
  bool attached() const { return attached_; }

  int headerRows() const { return headerRows_; }
  int gridRow(int modelRow) const { return modelRow + headerRows_; }
  int modelRow(int gridRow) const { return gridRow - headerRows_; }
  QModelIndex IndexOfCell(int gridRow, int column) const;

  // Tells views every gathered content change now.
  void FlushChanges();
  // Everything is read afresh (a view's reset).
  void ResetFromGrid();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The face a cell of that character-cell height is drawn in, and how far
  // apart its lines are. The heights were chosen for faces whose characters
  // fill the whole cell; the CJK face fills more of it, so it is drawn a
  // fifth smaller, never below 12 px.
  QFont FontOfHeight(int cellHeight) const;
  static int GlyphSize(int cellHeight);
  static int linePitch(int cellHeight) { return GlyphSize(cellHeight) + 1; }

 Q_SIGNALS:
  void GridRowHeightsChanged(int firstGridRow, int lastGridRow);
  void GridColumnsChanged(int firstColumn, int lastColumn);
  void GridCursorChanged();
  void GridSelectionChanged();
  void GridReset();

 private:
  // GridObserver
  void cellsChanged(int firstRow, int firstColumn, int lastRow, int lastColumn) override;
  void rowsAboutToBeInserted(int first, int count) override;
  void rowsInserted(int first, int count) override;
  void rowsAboutToBeRemoved(int first, int count) override;
  void rowsRemoved(int first, int count) override;
  void columnsAboutToBeInserted(int first, int count) override;
  void columnsInserted(int first, int count) override;
  void columnsAboutToBeRemoved(int first, int count) override;
  void columnsRemoved(int first, int count) override;
  void aboutToReset() override;
  void reset() override;
  void rowHeightsChanged(int firstRow, int lastRow) override;
  void columnsChanged(int firstColumn, int lastColumn) override;
  void cursorChanged() override;
  void selectionChanged() override;
  void settingsChanged() override;

  int ComputeHeaderRows() const { return grid_.FixedRowCount() >= 1 ? 1 : 0; }
  void ScheduleFlush();

  GridControl& grid_;
  bool attached_ = true;
  int headerRows_ = 1;
  // Rows the view knows of; differs from the grid's only between an
  // "about to" call and its "done" call.
  bool resetting_ = false;
  bool flushQueued_ = false;
  int dirtyTop_ = -1, dirtyLeft_ = -1, dirtyBottom_ = -1, dirtyRight_ = -1;
  mutable std::map<int, QFont> fonts_;
};

}  // namespace ui::qt
