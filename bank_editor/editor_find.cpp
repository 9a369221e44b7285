#include "bank_editor/editor_find.h"

#include "text/text.h"
#include "ui/grid_control.h"

namespace bank_editor {

bool CellContains(std::string_view cell, std::string_view needle) {
  if (needle.size() > cell.size()) return false;
  return text::lowerAscii(cell).find(text::lowerAscii(needle)) != std::string::npos;
}

GridCell NextFindCell(const GridCell& from, int rowCount) {
  if (from.row < rowCount - 1) return {from.row + 1, from.column};
  if (from.column < kLastFindColumn) return {1, from.column + 1};
  return {1, kLastFindColumn};
}

std::optional<GridCell> FindFrom(const ui::GridControl& grid, std::string_view needle,
                                 GridCell cell, bool examineStart) {
  const int rows = grid.RowCount();
  if (rows <= 1) return std::nullopt;
  const std::string lowered = text::lowerAscii(needle);
  const GridCell last{rows - 1, kLastFindColumn};
  if (!examineStart) {
    cell = NextFindCell(cell, rows);
  }
  for (;;) {
    const std::string& shown = grid.cellText(cell.row, cell.column);
    if (shown.size() >= lowered.size() && text::lowerAscii(shown).find(lowered) != std::string::npos)
      return cell;
    if (cell == last) return std::nullopt;
    cell = NextFindCell(cell, rows);
  }
}

std::optional<GridCell> FindFromFirstCell(const ui::GridControl& grid, std::string_view needle) {
  return FindFrom(grid, needle, {1, 0}, true);
}

GridCell FindStartCell(const GridCell& current, int rowCount, bool& examineStart) {
  examineStart = true;
  if (current.row < 1) return {1, current.column <= kLastFindColumn ? current.column : 0};
  if (current.column <= kLastFindColumn) return current;
  // Right of 答图: go on with the first column of the next row.
  if (current.row < rowCount - 1) return {current.row + 1, 0};
  return {1, 0};
}

}  // namespace bank_editor
