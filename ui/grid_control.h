// The table unit of every editing window, and the in-memory tables some
// windows keep hidden. Cells are addressed by 0-based row and column; the
// first rows and columns may be fixed (headers). Each cell holds a text, a
// check state (check-box columns) or a picture (picture columns), plus a
// background colour, font height, alignment, word wrap and read-only flag.
//
// Only in-place editing raises EditBegun / CellEdited; writing cells,
// inserting or deleting rows and changing RowCount raise no event. Views
// follow changes through GridObserver.
//
// Storage: one vector of cells per row, each cell carrying its own compact
// style, so 10 000 x 15 grids fill and sort quickly.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "ui/types.h"
#include "ui/unit.h"

namespace ui {

enum class ColumnType : int {
  Text = 1,
  Numeric = 2,
  Date = 3,      // shown as %Y-%m-%d
  DropDown = 4,  // in-place editing offers the column's items
  CheckBox = 5,
  Picture = 6,
  Other7 = 7,    // further types of the component; behave as text
  Other8 = 8,
};

// What SetCellData is given. Any other value is refused.
enum class CellKind : int {
  Text = 1,     // a text or a number
  Check = 5,    // a bool, check-box columns only
  Picture = 6,  // picture bytes, or a text naming a file to load
};

enum class Alignment : std::uint8_t { Left = 1, Centre = 2, Right = 3 };

// A value given to or read from a cell.
using CellValue = std::variant<bool, int, std::int64_t, float, double, std::string, Bytes>;

// Initial settings of a grid as its window defines them.
struct GridSettings {
  int columns = 1;
  int rows = 1;  // rows at start, header row included
  int fixedRows = 1;
  int fixedColumns = 0;
  int rowHeight = 22;     // default height of every row
  int columnWidth = 64;   // default width of every column
  bool editable = false;
  bool visible = true;
  bool showZero = true;       // false: a numeric 0 shows as an empty cell
  bool cellSelection = false; // false: selection queries give the focus cell
  int fontHeight = 12;        // default character height of every cell
  Rgb backColour = kWhite;    // default background of every cell
};

// The initial settings of every grid of the program.
namespace grid_presets {
constexpr GridSettings make(int columns, int rows, int fixedRows, int fixedColumns, int rowHeight,
                            int columnWidth, bool editable, bool visible, bool showZero,
                            bool cellSelection) {
  GridSettings s;
  s.columns = columns;
  s.rows = rows;
  s.fixedRows = fixedRows;
  s.fixedColumns = fixedColumns;
  s.rowHeight = rowHeight;
  s.columnWidth = columnWidth;
  s.editable = editable;
  s.visible = visible;
  s.showZero = showZero;
  s.cellSelection = cellSelection;
  return s;
}

// Component defaults used by the hidden grids.
inline constexpr int kDefaultRowHeight = 22;
inline constexpr int kDefaultColumnWidth = 64;

// question bank editor 高级表格1
inline constexpr GridSettings kBankEditor = make(15, 1, 1, 0, 24, 75, true, true, true, true);
// question-type editor 高级表格1
inline constexpr GridSettings kTypeEditor = make(3, 1, 1, 0, 24, 55, true, true, true, false);
// compose 高级表格1
inline constexpr GridSettings kCompose = make(14, 1, 1, 0, 24, 60, true, true, true, true);
// compose 高级表格题型排序分值
inline constexpr GridSettings kComposeTypeOrderScores = make(5, 1, 1, 0, 24, 58, true, true, true, false);
// compose 高级表格A卷题型分值 and 高级表格B卷题型分值
inline constexpr GridSettings kComposePaperTypeScores = make(2, 1, 1, 0, 24, 60, false, true, true, false);
// compose 高级表格题型排列颜色 (hidden)
inline constexpr GridSettings kComposeTypeOrderColours = make(
    1, 1, 1, 0, kDefaultRowHeight, kDefaultColumnWidth, false, false, true, false);
// compose 高级表格2 (hidden work list)
inline constexpr GridSettings kComposeWorkList = make(
    10, 1, 1, 0, kDefaultRowHeight, kDefaultColumnWidth, false, false, true, false);
// compose 高级表格大题编号类型 and 高级表格3 (hidden, no fixed rows)
inline constexpr GridSettings kComposeNumberingCopy = make(
    10, 1, 0, 0, kDefaultRowHeight, kDefaultColumnWidth, false, false, true, false);
// automatic composition 高级表格1
inline constexpr GridSettings kAutoComposeStatistics = make(6, 1, 1, 0, 24, 60, true, true, true, false);
// automatic composition 高级表格2 (the only grid that hides zeros)
inline constexpr GridSettings kAutoComposeTotals = make(2, 1, 1, 0, 24, 60, false, true, false, false);
// automatic composition 高级表格3 (hidden plan table)
inline constexpr GridSettings kAutoComposePlan = make(5, 1, 1, 0, 24, 60, true, false, true, false);
// section numbering types 高级表格1 (10 rows, column 0 fixed)
inline constexpr GridSettings kSectionNumbering = make(3, 10, 1, 1, 24, 60, true, true, true, false);
}  // namespace grid_presets

// Display state of one cell, for views.
struct CellStyle {
  Rgb backColour = kWhite;
  bool hasBackColour = false;  // false: the grid's default colour
  int fontHeight = 0;          // resolved: the grid default when not set
  Alignment alignment = Alignment::Left;
  bool wordWrap = false;
  bool readOnly = false;
};

// Notifications for a view. "About to" calls come before the grid changes,
// the others after, so a table model adapter can bracket them.
class GridObserver {
 public:
  virtual ~GridObserver() = default;
  // Texts, check states, pictures or styles of the rectangle changed.
  virtual void cellsChanged(int /*firstRow*/, int /*firstColumn*/, int /*lastRow*/,
                            int /*lastColumn*/) {}
  virtual void rowsAboutToBeInserted(int /*first*/, int /*count*/) {}
  virtual void rowsInserted(int /*first*/, int /*count*/) {}
  virtual void rowsAboutToBeRemoved(int /*first*/, int /*count*/) {}
  virtual void rowsRemoved(int /*first*/, int /*count*/) {}
  virtual void columnsAboutToBeInserted(int /*first*/, int /*count*/) {}
  virtual void columnsInserted(int /*first*/, int /*count*/) {}
  virtual void columnsAboutToBeRemoved(int /*first*/, int /*count*/) {}
  virtual void columnsRemoved(int /*first*/, int /*count*/) {}
  // Everything may have changed (LoadFromFile).
  virtual void aboutToReset() {}
  virtual void reset() {}
  virtual void rowHeightsChanged(int /*firstRow*/, int /*lastRow*/) {}
  // Widths, types or drop-down items of these columns changed.
  virtual void columnsChanged(int /*firstColumn*/, int /*lastColumn*/) {}
  virtual void cursorChanged() {}
  virtual void selectionChanged() {}
  // Editable, fixed rows/columns, show-zero or defaults changed.
  virtual void settingsChanged() {}
};

class GridControl : public Unit {
 public:
  GridControl(Window& window, std::string name, const GridSettings& settings);
  explicit GridControl(const GridSettings& settings = GridSettings{});
  ~GridControl() override;

  // ---- Cells ----------------------------------------------------------
  // Stores a value; false (cell unchanged) when the kind, the value's type
  // or the cell does not fit:
  // - Text: a text or a number. Numbers become text (integers plainly,
  //   floats with 6 significant digits, doubles with 13); infinities and
  //   NaN are refused. In a numeric data cell the value is written in the
  //   column's format (rounded half away from zero to its decimals, whole
  //   numbers exactly; 0 empty when the grid hides zeros); a text that is
  //   not a number is refused, an empty text empties the cell. A
  //   date data cell writes a readable date as YYYY-MM-DD. Refused in the
  //   data cells of check-box and picture columns.
  // - Check: a bool, only in data cells of a check-box column.
  // - Picture: bytes, or a text naming a file whose bytes are loaded, only
  //   in a picture column.
  bool SetCellData(int row, int column, CellKind kind, const CellValue& value);
  // A bool for a data cell of a check-box column, picture bytes for a cell
  // of a picture column, otherwise the text. Outside the grid: false (empty
  // bytes in a picture column).
  CellValue GetCellData(int row, int column) const;

  // Direct reads for views and helpers (no copies). Outside the grid they
  // give empty / false / default values.
  const std::string& cellText(int row, int column) const;
  bool cellChecked(int row, int column) const;
  const Bytes& cellPicture(int row, int column) const;
  CellStyle cellStyle(int row, int column) const;
  // True for a cell inside the fixed rows or columns.
  bool IsFixedCell(int row, int column) const;
  // Inside the grid and not fixed.
  bool IsDataCell(int row, int column) const;
  // Text a view shows: the text, or "" for check-box and picture data cells.
  const std::string& DisplayText(int row, int column) const;

  // ---- Rows, columns and sizes ------------------------------------------
  int RowCount() const { return static_cast<int>(rows_.size()); }
  // Appends empty rows or removes rows from the end; below 1 is ignored.
  void SetRowCount(int rows);
  int ColumnCount() const { return columnCount_; }
  // Appends empty columns or removes columns from the end; below 0 ignored.
  void SetColumnCount(int columns);
  int FixedRowCount() const;     // never more than RowCount
  int FixedColumnCount() const;  // never more than ColumnCount
  void SetFixedRowCount(int rows);
  void SetFixedColumnCount(int columns);

  // Inserts an empty row before `position`, or appends it when there is no
  // position or it lies outside the data rows; the heading text goes into
  // column 0.
  bool InsertRow(std::optional<std::string> heading = std::nullopt,
                 std::optional<int> position = std::nullopt);
  // As InsertRow for columns; the heading text goes into row 0.
  bool InsertColumn(std::optional<std::string> heading = std::nullopt,
                    std::optional<int> position = std::nullopt);
  // Later rows move up. False outside the grid, and for the only row left.
  bool DeleteRow(int row);
  bool DeleteColumn(int column);

  bool SetRowHeight(int row, int height);  // any height from 0 up
  int rowHeight(int row) const;            // -1 outside the grid
  bool SetColumnWidth(int column, int width);  // 0 hides the column
  int GetColumnWidth(int column) const;        // -1 outside the grid
  void SetUniformRowHeight(int height);    // every row, and rows added later
  void SetUniformColumnWidth(int width);   // every column, and columns added later
  int defaultRowHeight() const { return defaultRowHeight_; }
  int defaultColumnWidth() const { return defaultColumnWidth_; }

  // The width the columns can fill without a horizontal scroll bar: the
  // grid's width less the frame and the vertical scroll bar its view draws.
  // A view tells it; until then the grid's width less kDesignDecoration,
  // the frame and scroll bar the windows were laid out for.
  static constexpr int kDesignDecoration = 18;
  int cellAreaWidth() const;
  void SetCellAreaWidth(int width);
  // Raised when a view told another cell area width (its size changed).
  std::function<void()> cellAreaResized;

  // ---- Column types and drop-down items ---------------------------------
  // False for a column outside the grid or a type outside 1..8.
  bool SetColumnType(int column, ColumnType type);
  ColumnType GetColumnType(int column) const;  // Text for a column never set
  // Decimals of a numeric column (0 unless set); data cells are rewritten.
  bool SetColumnDecimals(int column, int decimals);
  int columnDecimals(int column) const;
  void ClearPendingListItems();
  void AddPendingListItem(std::string text);
  const std::vector<std::string>& pendingListItems() const { return pending_; }
  // False unless the column is a drop-down list column.
  bool AddColumnListItem(int column, std::string text);
  const std::vector<std::string>& columnListItems(int column) const;

  // ---- Range styles ---------------------------------------------------
  // The last row and column are clamped to the grid; a first corner outside
  // the grid or a last before the first changes nothing. Mode 1 left,
  // 2 centre, 3 right, anything else left.
  void SetRangeAlignment(int firstRow, int firstColumn, int lastRow, int lastColumn, int mode);
  void SetRangeWordWrap(int firstRow, int firstColumn, int lastRow, int lastColumn, bool on);
  void SetRangeReadOnly(int firstRow, int firstColumn, int lastRow, int lastColumn, bool on);
  void SetRangeBackColour(int firstRow, int firstColumn, int lastRow, int lastColumn, Rgb colour);
  void SetRangeFontHeight(int firstRow, int firstColumn, int lastRow, int lastColumn, int height);
  // The cell's colour, the grid default when it has none, -1 outside.
  Rgb GetCellBackColour(int row, int column) const;
  Rgb defaultBackColour() const { return defaultBack_; }
  int defaultFontHeight() const { return defaultFontHeight_; }

  // ---- Focus cell and selection -----------------------------------------
  // Moves the focus cell (clamped into the grid) and asks views to scroll
  // it into view.
  void SetCursorCell(int row, int column);
  int CursorRow() const { return cursorRow_; }
  int CursorColumn() const { return cursorColumn_; }
  // Selects the rectangle, clamped to the grid; omitted ends equal the
  // first cell.
  void SelectRange(int firstRow, int firstColumn, std::optional<int> lastRow = std::nullopt,
                   std::optional<int> lastColumn = std::nullopt);
  void ClearSelection();
  // Corners of the selection, -1 when nothing is selected; in a grid
  // without cell selection, the focus cell's row or column.
  int SelectionFirstRow() const;
  int SelectionFirstColumn() const;
  int SelectionLastRow() const;
  int SelectionLastColumn() const;
  bool cellSelection() const { return cellSelection_; }
  void SetCellSelection(bool on);

  // ---- Settings ---------------------------------------------------------
  bool Editable() const { return editable_; }
  void SetEditable(bool on);
  bool showZero() const { return showZero_; }
  void SetShowZero(bool on);
  // True when in-place editing of the cell may start now: the grid is
  // editable, the cell is a data cell, not read-only and not a picture cell.
  bool CanEditCell(int row, int column) const;

  // ---- Files ------------------------------------------------------------
  // Writes the whole grid (UTF-8 text; format in grid_file_format.md).
  bool SaveToFile(const std::string& path) const;
  // Replaces the whole grid by a file SaveToFile wrote; false (grid
  // unchanged) when the file cannot be read or is not such a file.
  bool LoadFromFile(const std::string& path);

  // ---- Events -------------------------------------------------------------
  // (Mouse and key handlers come from Unit: onLeftButtonDown, onLeftButtonUp,
  // onDoubleClick, onRightButtonUp, onKeyDown; false ignores the button/key.)
  std::function<void()> EditBegun;
  std::function<void()> CellEdited;
  std::function<void(int column)> ColumnResized;
  std::function<void(int x, int y)> GridClicked;
  std::function<void(int row, int column)> HeaderClicked;

  // ---- User actions (what a person does; the view calls these) -----------
  // Each does nothing in a disabled or hidden grid or window. x, y default
  // to the centre of the cell.
  //
  // Left button down over a cell: onLeftButtonDown, then the focus cell
  // (and, with cell selection, the selection) moves there. False when the
  // handler refused the button.
  bool LeftButtonDown(int row, int column, int modifiers = 0);
  bool LeftButtonDown(int row, int column, int x, int y, int modifiers);
  // Left button up over a cell: the selection spans from the pressed cell
  // to this one; onLeftButtonUp; then a check-box toggle (EditBegun, new
  // state, CellEdited) when the pressed cell allows it; then GridClicked
  // and, for a fixed cell, HeaderClicked. After a double click only
  // onLeftButtonUp is raised.
  bool LeftButtonUp(int row, int column, int modifiers = 0);
  bool LeftButtonUp(int row, int column, int x, int y, int modifiers);
  // The second press of a double click: onDoubleClick. A view starts
  // in-place editing (beginEdit) afterwards when the handler accepted it and
  // canEditCell allows it.
  bool LeftDoubleClick(int row, int column, int x, int y, int modifiers);
  // Right button down over a cell: the cell under the mouse becomes the
  // focus cell as with a left Click (onLeftButtonDown, the move,
  // onLeftButtonUp, so a window's checks on leaving a cell apply), unless
  // the cell lies in the selection or is fixed. No check box is toggled and
  // no GridClicked or HeaderClicked is raised. False when a handler refused
  // the move; the release that follows then raises nothing either.
  bool RightButtonDown(int row, int column, int modifiers = 0);
  bool RightButtonDown(int row, int column, int x, int y, int modifiers);
  // Right button up: onRightButtonUp.
  bool RightButtonUp(int row, int column, int modifiers = 0);
  bool RightButtonUp(int row, int column, int x, int y, int modifiers);

  // A whole Click (down and up on one cell).
  bool Click(int row, int column, int modifiers = 0);
  // A drag from one cell to another (down on the first, up on the last).
  bool Drag(int fromRow, int fromColumn, int toRow, int toColumn, int modifiers = 0);
  // A whole double click: down, up, double click, up.
  bool DoubleClick(int row, int column, int modifiers = 0);
  // A right click on a cell (down and up at the cell's centre).
  bool RightClickCell(int row, int column, int modifiers = 0);
  // A right click at x, y of the grid.
  bool RightClick(int x = 0, int y = 0, int modifiers = 0) override;

  // A key goes down: onKeyDown; unless refused, the grid's own handling:
  // arrows/Home/End/PageUp/PageDown move the focus cell; Delete empties an
  // editable text cell (EditBegun, empty, CellEdited); Space toggles an
  // editable check-box cell.
  bool PressKey(int key, int modifiers = 0) override;

  // In-place editing. beginEdit moves the focus cell there if needed and
  // raises EditBegun (false when the cell cannot be edited now);
  // commitEdit stores the text (a numeric column keeps the old value when
  // the text is not a number) and raises CellEdited; cancelEdit keeps the
  // old value and raises CellEdited too.
  bool BeginEdit(int row, int column);
  bool CommitEdit(std::string_view text);
  void CancelEdit();
  bool editing() const { return editRow_ >= 0; }
  int editRow() const { return editRow_; }
  int editColumn() const { return editColumn_; }
  // Begin, type `text`, commit.
  bool EditCell(int row, int column, std::string_view text);
  // Begin, choose item `index` of the column's drop-down list, commit.
  bool ChooseListItem(int row, int column, int index);
  // The person drags the right border of a column: new width, then
  // ColumnResized.
  bool ResizeColumn(int column, int width);

  // Top-left pixel of a cell when nothing is scrolled (fixed and hidden
  // sizes included); {-1,-1,0,0} outside.
  Rect CellRect(int row, int column) const;

  // ---- Views ------------------------------------------------------------
  void AddObserver(GridObserver* observer);
  void RemoveObserver(GridObserver* observer);

  // ---- Used by the row sorts --------------------------------------------
  // Reorders rows first..first+order.size()-1: new row first+k takes the
  // cells of old row first+order[k]. Moved rows get the default height and
  // default cell styles, as rows inserted afresh.
  void PermuteRows(int first, const std::vector<int>& order);

  // Storage, private to the grid and its tests of layout size.
  struct Cell {
    static constexpr std::uint8_t kHasBack = 1, kWrap = 2, kReadOnly = 4, kChecked = 8;
    std::string text;
    std::unique_ptr<Bytes> picture;
    Rgb back = 0;
    std::int16_t fontHeight = 0;  // 0: the grid default
    Alignment alignment = Alignment::Left;
    std::uint8_t flags = 0;

    Cell() = default;
    Cell(Cell&&) noexcept = default;
    Cell& operator=(Cell&&) noexcept = default;
    Cell(const Cell& o)
        : text(o.text),
          picture(o.picture ? std::make_unique<Bytes>(*o.picture) : nullptr),
          back(o.back), fontHeight(o.fontHeight), alignment(o.alignment), flags(o.flags) {}
    Cell& operator=(const Cell& o) {
      if (this != &o) *this = Cell(o);
      return *this;
    }
    bool has(std::uint8_t f) const { return (flags & f) != 0; }
    void set(std::uint8_t f, bool on) { flags = on ? (flags | f) : (flags & ~f); }
    void ResetStyle() {
      back = 0;
      fontHeight = 0;
      alignment = Alignment::Left;
      flags &= kChecked;
    }
  };
  struct Column {
    ColumnType type = ColumnType::Text;
    int width = 64;
    int decimals = 0;
    std::vector<std::string> items;
  };
  struct Row {
    std::vector<Cell> cells;
    int height = 22;
  };

 private:
  void Init(const GridSettings& s);
  bool InGrid(int row, int column) const;
  bool ClampRange(int& r1, int& c1, int& r2, int& c2) const;
  template <class F>
  void ForRange(int r1, int c1, int r2, int c2, F f);
  bool StoreText(int row, int column, std::string text);
  std::string FormatForColumn(int column, double v) const;
  void RewriteNumericColumn(int column);
  void ClampCursor();
  void ToggleCheckByUser(int row, int column);
  bool ActsNow() const;
  Row MakeRow() const;

  template <class F>
  void each(F f) const {
    for (GridObserver* o : observers_) f(*o);
  }

  std::vector<Row> rows_;
  std::vector<Column> columns_;
  int columnCount_ = 0;
  int fixedRows_ = 1;
  int fixedColumns_ = 0;
  int defaultRowHeight_ = 22;
  int defaultColumnWidth_ = 64;
  int cellAreaWidth_ = -1;  // -1: no view told it
  int defaultFontHeight_ = 12;
  Rgb defaultBack_ = kWhite;
  bool editable_ = false;
  bool showZero_ = true;
  bool cellSelection_ = false;
  std::vector<std::string> pending_;
  int cursorRow_ = 0;
  int cursorColumn_ = 0;
  int selFirstRow_ = -1, selFirstColumn_ = -1, selLastRow_ = -1, selLastColumn_ = -1;
  int pressRow_ = -1, pressColumn_ = -1;
  bool afterDoubleClick_ = false;
  bool rightPressRefused_ = false;
  int editRow_ = -1, editColumn_ = -1;
  std::vector<GridObserver*> observers_;
};

}  // namespace ui
