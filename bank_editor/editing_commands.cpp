// Commands of the menus and the grid's pop-up menu: adding, deleting,
// copying and sorting questions, pictures, the difficulty description and
// the question types (import and export live with their own window).
#include "bank_editor/bank_editor_window.h"
#include "bank_editor/bank_grid.h"
#include "bank_editor/pictures/picture_commands.h"
#include "bank_editor/pictures/side_windows.h"
#include "text/text.h"
#include "types/question_type_window.h"
#include "ui/host.h"
#include "ui/shared_helpers.h"

namespace bank_editor {

namespace pic = bank_editor::pictures;

namespace {
bool isTitle(const ui::GridControl& g, int row) { return g.cellText(row, kColGroupNumber) == "0"; }
bool isMember(const ui::GridControl& g, int row) {
  const std::string& n = g.cellText(row, kColGroupNumber);
  return !n.empty() && n != "0";
}
}  // namespace

void BankEditorWindow::EditQuestionTypes() {
  if (openQuestionTypeWindow) return openQuestionTypeWindow(*this);
  types::QuestionTypeWindow window(ctx_);
  window.onRenamed = [this](const std::string& from, const std::string& to) {
    auto& g = 高级表格1;
    for (int r = 1; r < g.RowCount(); ++r)
      if (g.cellText(r, kColType) == from) g.SetCellData(r, kColType, ui::CellKind::Text, to);
  };
  window.onTypesChanged = [this] { RefreshTypeDropDown(); };
  host().showModal(window, this);
  MakeBankCurrent();
}

void BankEditorWindow::ImportFromDocument() {
  if (!importQuestionsFromDocument) return;
  // The grid is the bank's mirror: read it again with the new questions.
  if (importQuestionsFromDocument(*this) > 0) {
    LoadBankGrid();
    restyleRows();
  }
}

void BankEditorWindow::ExportToMoodle() {
  if (exportToMoodle) exportToMoodle(*this);
}

void BankEditorWindow::EditDifficultyDescription() {
  pic::DifficultyDescriptionWindow window(ctx_);
  host().showModal(window, this);
  MakeBankCurrent();
}

int BankEditorWindow::TitleRowOf(const std::string& groupName) const {
  const auto& g = 高级表格1;
  for (int r = 1; r < g.RowCount(); ++r)
    if (g.cellText(r, kColGroupNumber) == "0" && g.cellText(r, kColGroupName) == groupName) return r;
  return 0;
}

bool BankEditorWindow::ChangeTitleScore(int titleRow, long long delta) {
  if (titleRow < 1 || delta == 0) return true;
  const long long score = text::toInteger(高级表格1.cellText(titleRow, kColScore)) + delta;
  if (!StoreFields(titleRow, {{databases::kScore, recfile::Value{std::int64_t{score}}}}))
    return false;
  高级表格1.SetCellData(titleRow, kColScore, ui::CellKind::Text, std::int64_t{score});
  return true;
}

// ---- Sorting ---------------------------------------------------------------------

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

// ---- Adding, deleting, copying ----------------------------------------------------------

void BankEditorWindow::AddQuestion() {
  auto& g = 高级表格1;
  if (state.currentRow >= 1 && !ValidateQuestionRow(state.pressedRow)) return;
  if (!MakeBankCurrent()) return;
  auto& engine = ctx_.engine;
  // The record first: a bank that refuses it leaves the grid as it was.
  const std::vector<recfile::Value> fresh = {std::string(), std::string(), std::string(),
                                             std::string(), std::string(), std::string(),
                                             std::string(), std::string(), std::string(),
                                             std::int64_t{1}, std::int64_t{0}};
  if (!engine.Append(fresh)) {
    host().message(this, recfile::ErrorText(engine.LastError()));
    return;
  }
  const int at = std::clamp(state.currentRow + 1, 1, g.RowCount());
  g.InsertRow(std::nullopt, at);
  const int row = at < g.RowCount() - 1 ? at : g.RowCount() - 1;
  g.SetCellData(row, kColDifficulty, ui::CellKind::Text, std::string("1"));
  g.SetCellData(row, kColScore, ui::CellKind::Text, std::int64_t{0});
  g.SetCellData(row, kColRecordId, ui::CellKind::Text, engine.RecordId());
  StyleQuestionRows(g, row, row, questionRowHeight());
  GoToCell(row, kColText1);
  UpdateDeleteCommands();
  ++state.topLevelCount;
  UpdateEditorCaption();
  OpenQuestionTextEditor(row, kColText1);
  state.pressedRow = g.CursorRow();
}

void BankEditorWindow::DeleteQuestions() {
  auto& g = 高级表格1;
  const int first = g.SelectionFirstRow();
  if (first < 1) {
    host().message(this, "请选择试题！");
    return;
  }
  const int last = std::min(g.SelectionLastRow(), g.RowCount() - 1);
  for (int r = first; r <= last; ++r) {
    if (isTitle(g, r) && text::toInteger(g.cellText(r, kColScore)) != 0) {
      host().message(this, "选择试题中包含带有子试题而不能被删除的标题试题，请重新选择！");
      UpdateEditorCaption();
      return;
    }
  }
  if (host().messageBox(this, "删除试题后将不能恢复，确定要删除所选试题吗", ui::kMessageCaption,
                        ui::MessageButtons::OkCancel, ui::MessageIcon::Warning) != ui::kButtonOk)
    return;
  auto& engine = ctx_.engine;
  bool deleted = false;
  for (int k = first; k <= last; ++k) {
    const int r = first;  // the rows below move up
    const int titleRow = isMember(g, r) && !g.cellChecked(r, kColMasked)
                             ? TitleRowOf(g.cellText(r, kColGroupName))
                             : 0;
    const long long score = text::toInteger(g.cellText(r, kColScore));
    if (!ChangeTitleScore(titleRow, -score)) break;
    if (!MakeBankCurrent()) break;
    if (!engine.GoToId(RowRecordId(g, r)) || !engine.Delete()) {
      host().message(this, recfile::ErrorText(engine.LastError() != 0 ? engine.LastError() : -44));
      ChangeTitleScore(titleRow, score);
      break;
    }
    if (CountsAsQuestion(g, r)) --state.topLevelCount;
    state.pressedRow = -1;
    g.DeleteRow(r);
    deleted = true;
  }
  if (deleted && MakeBankCurrent() && !engine.Pack())
    host().message(this, recfile::ErrorText(engine.LastError()));
  const int row = first > 1 ? first - 1 : (g.RowCount() > 1 ? 1 : 0);
  GoToCell(row, kColText1);
  UpdateDeleteCommands();
  UpdateEditorCaption();
}

void BankEditorWindow::CopyQuestion() {
  auto& g = 高级表格1;
  const int row = state.currentRow;
  if (row < 1 || row >= g.RowCount()) return;
  auto& engine = ctx_.engine;
  if (!MakeBankCurrent()) return;
  if (!engine.GoToId(RowRecordId(g, row))) {
    host().message(this, recfile::ErrorText(engine.LastError() != 0 ? engine.LastError() : -44));
    return;
  }
  const bool choice = engine.ReadBool(databases::kChoice);
  const bool fixedScore = engine.ReadBool(databases::kFixedScore);
  const bool masked = engine.ReadBool(databases::kMasked);
  recfile::Bytes picture = engine.ReadBytes(databases::kQuestionPictureData);
  recfile::Bytes answerPicture = engine.ReadBytes(databases::kAnswerPictureData);
  const bool title = isTitle(g, row);
  std::vector<recfile::Value> values;
  for (int c = kColKnowledge; c <= kColType; ++c)
    values.emplace_back(title && (c == kColGroupName || c == kColGroupNumber) ? std::string()
                                                                              : g.cellText(row, c));
  values.emplace_back(std::int64_t{text::toInteger(g.cellText(row, kColDifficulty))});
  values.emplace_back(std::int64_t{text::toInteger(g.cellText(row, kColScore))});
  values.emplace_back(choice);
  values.emplace_back(fixedScore);
  values.emplace_back(masked);
  values.emplace_back(std::move(picture));
  values.emplace_back(std::move(answerPicture));
  if (!engine.Append(values)) {
    host().message(this, recfile::ErrorText(engine.LastError()));
    return;
  }
  g.InsertRow(std::nullopt, row + 1);
  const int copy = row + 1 < g.RowCount() - 1 ? row + 1 : g.RowCount() - 1;
  FillQuestionRow(g, copy, engine);
  StyleQuestionRows(g, copy, copy, questionRowHeight());
  GoToCell(copy, kColText1);
  if (isMember(g, copy) && !g.cellChecked(copy, kColMasked))
    ChangeTitleScore(TitleRowOf(g.cellText(copy, kColGroupName)),
                     text::toInteger(g.cellText(copy, kColScore)));
  if (g.cellText(copy, kColGroupNumber).empty()) ++state.topLevelCount;
  UpdateDeleteCommands();
  UpdateEditorCaption();
  state.pressedRow = g.CursorRow();
}

// ---- Pictures -------------------------------------------------------------------------

int BankEditorWindow::pictureRow() const {
  const int row = state.currentRow;
  if (row < 1 || row >= 高级表格1.RowCount()) return -1;
  if (!pic::SlotOfColumn(state.currentColumn)) return -1;
  return row;
}

void BankEditorWindow::PreviewPicture() {
  const int row = pictureRow();
  if (row < 0 || 高级表格1.cellText(row, state.currentColumn).empty()) return;
  const pic::PictureSlot slot = *pic::SlotOfColumn(state.currentColumn);
  state.pictureBuffer = pic::ReadPicture(ctx_.engine, courseName_, RowRecordId(高级表格1, row), slot);
  state.previewCaption = pic::SlotHeading(slot);
  pic::PreviewPicture(host(), this, state.pictureBuffer, slot);
}

void BankEditorWindow::CopyPicture() {
  const int row = pictureRow();
  if (row < 0 || 高级表格1.cellText(row, state.currentColumn).empty()) return;
  const pic::PictureSlot slot = *pic::SlotOfColumn(state.currentColumn);
  pic::CopyPictureToClipboard(
      host(), pic::ReadPicture(ctx_.engine, courseName_, RowRecordId(高级表格1, row), slot));
}

void BankEditorWindow::AddPictureFromFile() {
  const int row = pictureRow();
  if (row < 0) return;
  const int column = state.currentColumn;
  if (auto bytes = pic::ChoosePictureFile(host(), this)) storePicture(row, column, std::move(*bytes));
}

void BankEditorWindow::ImportPictureFromClipboard() {
  const int row = pictureRow();
  if (row < 0) return;
  const int column = state.currentColumn;
  pic::ImportPictureFromClipboard(host(), this, pic::ProgramLauncher::System(),
                                  [this, row, column](const ui::Bytes& bytes) {
                                    storePicture(row, column, bytes);
                                  });
}

void BankEditorWindow::storePicture(int row, int column, ui::Bytes bytes) {
  state.pictureBuffer = std::move(bytes);
  const auto result = pic::StorePicture(host(), this, ctx_.engine, courseName_,
                                        RowRecordId(高级表格1, row), *pic::SlotOfColumn(column),
                                        state.pictureBuffer, [this, row] {
                                          return FindDuplicateQuestion(row);
                                        });
  if (result == pic::PictureStoreResult::Stored)
    高级表格1.SetCellData(row, column, ui::CellKind::Text, std::string(databases::kPictureMark));
}

void BankEditorWindow::DeletePicture() {
  const int row = pictureRow();
  if (row < 0) return;
  if (!pic::ConfirmDeletePicture(host(), this)) return;
  if (!pic::ErasePicture(ctx_.engine, courseName_, RowRecordId(高级表格1, row),
                         *pic::SlotOfColumn(state.currentColumn))) {
    host().message(this, recfile::ErrorText(ctx_.engine.LastError()));
    return;
  }
  高级表格1.SetCellData(row, state.currentColumn, ui::CellKind::Text, std::string());
}

}  // namespace bank_editor
