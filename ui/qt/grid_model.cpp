#include "ui/qt/grid_model.h"

#include <QColor>
#include <QMetaObject>

#include "ui/qt/qt_text.h"

namespace ui::qt {

namespace {

QColor toColour(Rgb c) { return QColor(redOf(c), greenOf(c), blueOf(c)); }

Qt::Alignment toAlignment(Alignment a) {
  switch (a) {
    case Alignment::Centre: return Qt::AlignHCenter;
    case Alignment::Right: return Qt::AlignRight;
    default: return Qt::AlignLeft;
  }
}

}  // namespace

GridTableModel::GridTableModel(GridControl& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid) {
  headerRows_ = ComputeHeaderRows();
  grid_.AddObserver(this);
}

GridTableModel::~GridTableModel() {
  if (attached_) grid_.RemoveObserver(this);
}

void GridTableModel::Detach() {
  if (!attached_) return;
  beginResetModel();
  attached_ = false;
  grid_.RemoveObserver(this);
  endResetModel();
}

QModelIndex GridTableModel::IndexOfCell(int gridRow, int column) const {
  const int r = modelRow(gridRow);
  if (r < 0 || r >= rowCount() || column < 0 || column >= columnCount()) return {};
  return index(r, column);
}

int GridTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !attached_) return 0;
  return std::max(0, grid_.RowCount() - headerRows_);
}

int GridTableModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid() || !attached_) return 0;
  return grid_.ColumnCount();
}

int GridTableModel::GlyphSize(int cellHeight) {
  return std::max(12, (cellHeight * 4 + 2) / 5);
}

QFont GridTableModel::FontOfHeight(int cellHeight) const {
  auto it = fonts_.find(cellHeight);
  if (it != fonts_.end()) return it->second;
  QFont f = FontFor(Font{"宋体", GlyphSize(cellHeight), false});
  fonts_.emplace(cellHeight, f);
  return f;
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
  if (!attached_ || !index.isValid()) return {};
  const int row = gridRow(index.row());
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return ToQLines(grid_.DisplayText(row, column));
    case Qt::CheckStateRole:
      if (grid_.IsDataCell(row, column) && grid_.GetColumnType(column) == ColumnType::CheckBox)
        return grid_.cellChecked(row, column) ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::BackgroundRole: {
      if (grid_.IsFixedCell(row, column)) return {};
      const CellStyle s = grid_.cellStyle(row, column);
      return toColour(s.hasBackColour ? s.backColour : grid_.defaultBackColour());
    }
    case Qt::ForegroundRole: return QColor(Qt::black);
    case Qt::FontRole: return FontOfHeight(grid_.cellStyle(row, column).fontHeight);
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(toAlignment(grid_.cellStyle(row, column).alignment) |
                                 Qt::AlignVCenter);
    case WordWrapRole: return grid_.cellStyle(row, column).wordWrap;
    case FixedRole: return grid_.IsFixedCell(row, column);
    case PictureRole: {
      const Bytes& b = grid_.cellPicture(row, column);
      if (b.empty()) return {};
      return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
    }
    default: return {};
  }
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (!attached_) return {};
  if (orientation == Qt::Vertical) {
    if (role == Qt::DisplayRole) return section + headerRows_;
    return {};
  }
  if (section < 0 || section >= grid_.ColumnCount()) return {};
  if (headerRows_ == 0) {
    if (role == Qt::DisplayRole) return section + 1;
    return {};
  }
  switch (role) {
    case Qt::DisplayRole: return ToQLines(grid_.cellText(0, section));
    case Qt::TextAlignmentRole: return QVariant::fromValue(Qt::AlignCenter);
    case Qt::FontRole: return FontOfHeight(grid_.cellStyle(0, section).fontHeight);
    default: return {};
  }
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const {
  if (!attached_ || !index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  const int row = gridRow(index.row());
  const int column = index.column();
  const ColumnType type = grid_.GetColumnType(column);
  if (grid_.CanEditCell(row, column) && type != ColumnType::CheckBox) f |= Qt::ItemIsEditable;
  return f;
}

// ---- Content changes ---------------------------------------------------------

void GridTableModel::ScheduleFlush() {
  if (flushQueued_) return;
  flushQueued_ = true;
  QMetaObject::invokeMethod(this, &GridTableModel::FlushChanges, Qt::QueuedConnection);
}

void GridTableModel::FlushChanges() {
  flushQueued_ = false;
  if (dirtyTop_ < 0) return;
  const int rows = rowCount();
  const int columns = columnCount();
  const int top = std::max(0, dirtyTop_);
  const int bottom = std::min(rows - 1, dirtyBottom_);
  const int left = std::max(0, dirtyLeft_);
  const int right = std::min(columns - 1, dirtyRight_);
  dirtyTop_ = dirtyLeft_ = dirtyBottom_ = dirtyRight_ = -1;
  if (!attached_ || top > bottom || left > right) return;
  Q_EMIT dataChanged(index(top, left), index(bottom, right));
}

void GridTableModel::cellsChanged(int firstRow, int firstColumn, int lastRow, int lastColumn) {
  if (resetting_) return;
  if (firstRow < headerRows_) {
    Q_EMIT headerDataChanged(Qt::Horizontal, std::max(0, firstColumn),
                           std::min(grid_.ColumnCount() - 1, lastColumn));
  }
  const int top = std::max(0, modelRow(firstRow));
  const int bottom = modelRow(lastRow);
  if (bottom < top) return;
  if (dirtyTop_ < 0) {
    dirtyTop_ = top;
    dirtyBottom_ = bottom;
    dirtyLeft_ = firstColumn;
    dirtyRight_ = lastColumn;
  } else {
    dirtyTop_ = std::min(dirtyTop_, top);
    dirtyBottom_ = std::max(dirtyBottom_, bottom);
    dirtyLeft_ = std::min(dirtyLeft_, firstColumn);
    dirtyRight_ = std::max(dirtyRight_, lastColumn);
  }
  ScheduleFlush();
}

// ---- Rows and columns ------------------------------------------------------------

void GridTableModel::rowsAboutToBeInserted(int first, int count) {
  FlushChanges();
  if (first < headerRows_) {
    aboutToReset();
    return;
  }
  beginInsertRows({}, modelRow(first), modelRow(first + count - 1));
}

void GridTableModel::rowsInserted(int first, int count) {
  if (resetting_) {
    reset();
    return;
  }
  (void)first;
  (void)count;
  endInsertRows();
}

void GridTableModel::rowsAboutToBeRemoved(int first, int count) {
  FlushChanges();
  if (first < headerRows_) {
    aboutToReset();
    return;
  }
  beginRemoveRows({}, modelRow(first), modelRow(first + count - 1));
}

void GridTableModel::rowsRemoved(int first, int count) {
  if (resetting_) {
    reset();
    return;
  }
  (void)first;
  (void)count;
  endRemoveRows();
}

void GridTableModel::columnsAboutToBeInserted(int first, int count) {
  FlushChanges();
  beginInsertColumns({}, first, first + count - 1);
}

void GridTableModel::columnsInserted(int, int) {
  endInsertColumns();
  Q_EMIT GridColumnsChanged(0, grid_.ColumnCount() - 1);
}

void GridTableModel::columnsAboutToBeRemoved(int first, int count) {
  FlushChanges();
  beginRemoveColumns({}, first, first + count - 1);
}

void GridTableModel::columnsRemoved(int, int) {
  endRemoveColumns();
  Q_EMIT GridColumnsChanged(0, grid_.ColumnCount() - 1);
}

void GridTableModel::aboutToReset() {
  if (resetting_) return;
  FlushChanges();
  resetting_ = true;
  beginResetModel();
}

void GridTableModel::reset() {
  if (!resetting_) return;
  headerRows_ = ComputeHeaderRows();
  resetting_ = false;
  endResetModel();
  Q_EMIT GridReset();
}

void GridTableModel::ResetFromGrid() {
  aboutToReset();
  reset();
}

// ---- Sizes, cursor, settings -------------------------------------------------------

void GridTableModel::rowHeightsChanged(int firstRow, int lastRow) {
  if (!resetting_) Q_EMIT GridRowHeightsChanged(firstRow, lastRow);
}

void GridTableModel::columnsChanged(int firstColumn, int lastColumn) {
  if (resetting_) return;
  Q_EMIT GridColumnsChanged(firstColumn, lastColumn);
  // A column's type decides how its cells look (check boxes).
  cellsChanged(0, firstColumn, grid_.RowCount() - 1, lastColumn);
}

void GridTableModel::cursorChanged() {
  if (!resetting_) Q_EMIT GridCursorChanged();
}

void GridTableModel::selectionChanged() {
  if (!resetting_) Q_EMIT GridSelectionChanged();
}

void GridTableModel::settingsChanged() {
  if (resetting_) return;
  if (ComputeHeaderRows() != headerRows_) {
    ResetFromGrid();
    return;
  }
  Q_EMIT headerDataChanged(Qt::Horizontal, 0, std::max(0, grid_.ColumnCount() - 1));
  cellsChanged(0, 0, grid_.RowCount() - 1, grid_.ColumnCount() - 1);
  Q_EMIT GridRowHeightsChanged(0, grid_.RowCount() - 1);
}

}  // namespace ui::qt
