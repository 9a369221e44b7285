// Commands of the menus and the grid's pop-up menu: adding, deleting,
// copying and sorting questions, pictures, the difficulty description and
// the question types (import and export live with their own window).
#include "bank_editor/bank_editor_window.h"
#include "bank_editor/bank_grid.h"
#include "bank_editor/pictures/side_windows.h"
#include "text/text.h"
#include "types/question_type_window.h"
#include "ui/host.h"
#include "ui/shared_helpers.h"

namespace bank_editor {

void BankEditorWindow::EditQuestionTypes() {
  if (openQuestionTypeWindow) return openQuestionTypeWindow(*this);
  types::QuestionTypeWindow window(ctx_);
  window.onRenamed = [this](const std::string& from, const std::string& to) {
    // The window has renamed the type in the bank's records already.
    databases::QuestionChanges rename;
    rename.type = to;
    for (const std::int64_t id : model_->ids())
      if (model_->Find(id)->type == from) model_->Reflect(id, rename);
    auto& g = 高级表格1;
    for (int r = 1; r < g.RowCount(); ++r)
      if (g.cellText(r, kColType) == from) g.SetCellData(r, kColType, ui::CellKind::Text, to);
  };
  window.onTypesChanged = [this] { RefreshTypeDropDown(); };
  host().ShowModal(window, this);
  MakeBankCurrent();
}

void BankEditorWindow::ImportFromDocument() {
  if (!importQuestionsFromDocument) return;
  // Read the bank again with the new questions.
  if (importQuestionsFromDocument(*this) > 0) {
    LoadBankGrid();
    RestyleRows();
  }
}

void BankEditorWindow::ExportToMoodle() {
  if (exportToMoodle) exportToMoodle(*this);
}

void BankEditorWindow::EditDifficultyDescription() {
  bank_editor::pictures::DifficultyDescriptionWindow window(ctx_);
  host().ShowModal(window, this);
  MakeBankCurrent();
}

int BankEditorWindow::TitleRowOf(const std::string& groupName) const {
  const auto& g = 高级表格1;
  for (int r = 1; r < g.RowCount(); ++r) {
    const databases::Question& q = RowQuestion(r);
    if (q.isTitle() && q.groupName == groupName) return r;
  }
  return 0;
}

bool BankEditorWindow::ChangeTitleScore(int titleRow, long long delta) {
  if (titleRow < 1 || delta == 0) return true;
  databases::QuestionChanges c;
  c.score = static_cast<int>(RowQuestion(titleRow).score + delta);
  return StoreChanges(titleRow, c);
}

// ---- Sorting ---------------------------------------------------------------------

void BankEditorWindow::SortColumn(bool ascending) {
  auto& g = 高级表格1;
  const int col = state_.currentColumn;
  if (col == kColScore)
    ui::SortGridRows(*this, g, kColScore, 1, g.RowCount() - 1, ui::kSortNumeric, true, ascending);
  else if (col == kColGroupName)
    GroupSort(ascending);
  else
    ui::SortGridRows(*this, g, col, 1, g.RowCount() - 1, ui::kSortText, true, ascending);
  RestyleRows();
  GoToCell(state_.currentRow, state_.currentColumn);
}

// ---- Adding, deleting, copying ----------------------------------------------------------

void BankEditorWindow::AddQuestion() {
  auto& g = 高级表格1;
  if (state_.currentRow >= 1 && !ValidateQuestionRow(state_.pressedRow)) return;
  // The record first: a bank that refuses it leaves the grid as it was.
  databases::Question fresh;
  fresh.difficulty = 1;
  fresh.id = model_->Append(fresh);
  if (fresh.id == 0) {
    host().Message(this, model_->lastError().message);
    return;
  }
  const int at = std::clamp(state_.currentRow + 1, 1, g.RowCount());
  g.InsertRow(std::nullopt, at);
  const int row = at < g.RowCount() - 1 ? at : g.RowCount() - 1;
  ShowQuestion(g, row, fresh);
  StyleQuestionRows(g, row, row, QuestionRowHeight());
  GoToCell(row, kColText1);
  UpdateDeleteCommands();
  ++state_.topLevelCount;
  UpdateEditorCaption();
  OpenQuestionTextEditor(row, kColText1);
  state_.pressedRow = g.CursorRow();
}

void BankEditorWindow::DeleteQuestions() {
  auto& g = 高级表格1;
  const int first = g.SelectionFirstRow();
  if (first < 1) {
    host().Message(this, "请选择试题！");
    return;
  }
  const int last = std::min(g.SelectionLastRow(), g.RowCount() - 1);
  for (int r = first; r <= last; ++r) {
    const databases::Question& q = RowQuestion(r);
    if (q.isTitle() && q.score != 0) {
      host().Message(this, "选择试题中包含带有子试题而不能被删除的标题试题，请重新选择！");
      UpdateEditorCaption();
      return;
    }
  }
  if (host().MessageBox(this, "删除试题后将不能恢复，确定要删除所选试题吗", ui::kMessageCaption,
                        ui::MessageButtons::OkCancel, ui::MessageIcon::Warning) != ui::kButtonOk)
    return;
  bool deleted = false;
  for (int k = first; k <= last; ++k) {
    const int r = first;  // the rows below move up
    const databases::Question q = RowQuestion(r);
    const int titleRow = q.isMember() && !q.masked ? TitleRowOf(q.groupName) : 0;
    if (!ChangeTitleScore(titleRow, -q.score)) break;
    if (!model_->Delete(q.id)) {
      host().Message(this, model_->lastError().message);
      ChangeTitleScore(titleRow, q.score);
      break;
    }
    if (q.countsAsOne()) --state_.topLevelCount;
    state_.pressedRow = -1;
    g.DeleteRow(r);
    deleted = true;
  }
  if (deleted && !model_->Pack()) host().Message(this, model_->lastError().message);
  const int row = first > 1 ? first - 1 : (g.RowCount() > 1 ? 1 : 0);
  GoToCell(row, kColText1);
  UpdateDeleteCommands();
  UpdateEditorCaption();
}

void BankEditorWindow::CopyQuestion() {
  auto& g = 高级表格1;
  const int row = state_.currentRow;
  if (row < 1 || row >= g.RowCount()) return;
  databases::Question copy = RowQuestion(row);
  recfile::Bytes pictures[2];
  for (const auto kind : {databases::PictureKind::Question, databases::PictureKind::Answer}) {
    pictures[static_cast<int>(kind)] = model_->ReadPicture(copy.id, kind);
    if (model_->lastError().code != 0) {
      host().Message(this, model_->lastError().message);
      return;
    }
  }
  if (copy.isTitle()) copy.groupName = copy.groupNumber = "";
  copy.id = model_->Append(copy, pictures[0], pictures[1]);
  if (copy.id == 0) {
    host().Message(this, model_->lastError().message);
    return;
  }
  g.InsertRow(std::nullopt, row + 1);
  const int at = row + 1 < g.RowCount() - 1 ? row + 1 : g.RowCount() - 1;
  ShowQuestion(g, at, copy);
  StyleQuestionRows(g, at, at, QuestionRowHeight());
  GoToCell(at, kColText1);
  if (copy.isMember() && !copy.masked) ChangeTitleScore(TitleRowOf(copy.groupName), copy.score);
  if (copy.groupNumber.empty()) ++state_.topLevelCount;
  UpdateDeleteCommands();
  UpdateEditorCaption();
  state_.pressedRow = g.CursorRow();
}

// ---- Pictures -------------------------------------------------------------------------

void BankEditorWindow::PreviewPicture() { pictures_.Preview(); }
void BankEditorWindow::CopyPicture() { pictures_.Copy(); }
void BankEditorWindow::AddPictureFromFile() { pictures_.AddFromFile(); }
void BankEditorWindow::ImportPictureFromClipboard() { pictures_.ImportFromClipboard(); }
void BankEditorWindow::DeletePicture() { pictures_.Delete(); }

}  // namespace bank_editor
