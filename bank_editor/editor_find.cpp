#include "bank_editor/editor_find.h"

#include "bank_editor/bank_editor_window.h"
#include "ui/host.h"

#include "text/text.h"
#include "ui/grid_control.h"

namespace bank_editor {

bool CellContains(std::string_view cell, std::string_view needle) {
  if (needle.size() > cell.size()) return false;
  return text::LowerAscii(cell).find(text::LowerAscii(needle)) != std::string::npos;
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
  const std::string lowered = text::LowerAscii(needle);
  const GridCell last{rows - 1, kLastFindColumn};
  if (!examineStart) {
    cell = NextFindCell(cell, rows);
  }
  for (;;) {
    const std::string& shown = grid.cellText(cell.row, cell.column);
    if (shown.size() >= lowered.size() && text::LowerAscii(shown).find(lowered) != std::string::npos)
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

// ---- The find box -----------------------------------------------------------

EditorFind::EditorFind(BankEditorWindow& editor) : editor_(editor) {}

void EditorFind::TextChanged() {
  position_ = {1, 0};
  editor_.按钮下一个.setEnabled(false);
  const bool any = !editor_.编辑框1.text().empty();
  editor_.按钮从头查找.setEnabled(any);
  editor_.按钮从当前查找.setEnabled(any);
}

// Like a click there, a hit in another row may only be shown when the
// current row is complete (else the check sends the cursor back with its
// message).
bool EditorFind::ShowHit(const GridCell& hit) {
  const int row = editor_.currentRow();
  if (row >= 1 && hit.row != row &&
      (!editor_.ValidateQuestionRow(row) || editor_.FindDuplicateQuestion(row)))
    return false;
  editor_.GoToCell(hit.row, hit.column);
  position_ = hit;
  editor_.UpdateDeleteCommands();
  return true;
}

void EditorFind::FromStart() {
  const auto hit = FindFromFirstCell(editor_.高级表格1, editor_.编辑框1.text());
  if (!hit) return editor_.host().Message(&editor_, "没有找到指定文本");
  if (ShowHit(*hit)) editor_.按钮下一个.setEnabled(true);
}

void EditorFind::FromCurrent() {
  bool examine = true;
  const GridCell start = FindStartCell({editor_.currentRow(), editor_.currentColumn()},
                                       editor_.高级表格1.RowCount(), examine);
  const auto hit = FindFrom(editor_.高级表格1, editor_.编辑框1.text(), start, examine);
  if (!hit) return editor_.host().Message(&editor_, "没有找到指定文本");
  if (ShowHit(*hit)) editor_.按钮下一个.setEnabled(true);
}

void EditorFind::Next() {
  const auto hit = FindFrom(editor_.高级表格1, editor_.编辑框1.text(), position_, false);
  if (!hit) return editor_.host().Message(&editor_, "没有找到指定文本");
  ShowHit(*hit);
}

}  // namespace bank_editor