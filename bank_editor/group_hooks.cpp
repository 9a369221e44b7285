// Values that concern question groups. Until the group bookkeeping lands
// here, group rows are held to the rules of a single question and group
// numbers are not changed in place.
#include "bank_editor/bank_editor_window.h"
#include "bank_editor/bank_grid.h"
#include "text/text.h"
#include "ui/host.h"

namespace bank_editor {

void BankEditorWindow::CommitGroupNumber(int row) {
  const std::string typed = text::trimSpaces(高级表格1.cellText(row, kColGroupNumber));
  if (typed != state.preEditText)
    高级表格1.SetCellData(row, kColGroupNumber, ui::CellKind::Text, state.preEditText);
}

void BankEditorWindow::CommitGroupValue(int row, int column) { commitSingleValue(row, column); }

void BankEditorWindow::CommitGroupMask(int row) { commitSingleValue(row, kColMasked); }

bool BankEditorWindow::EditGroupName(int row, const std::string& content) {
  const std::string name = text::removeSpaces(content);
  if (name == 高级表格1.cellText(row, kColGroupName)) return true;
  if (text::gbkLength(name) > kMaxGroupNameBytes) {
    host().message(this, "分组名长度超标！");
    return false;
  }
  return StoreTextCell(row, kColGroupName, name);
}

}  // namespace bank_editor
