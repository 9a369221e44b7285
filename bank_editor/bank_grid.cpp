#include "bank_editor/bank_grid.h"

#include <algorithm>

#include "databases/program_databases.h"
#include "text/text.h"
#include "ui/shared_helpers.h"
#include "ui/window.h"

namespace bank_editor {

namespace {
constexpr int kTextFontHeight = 18;
constexpr int kLastTextColumn = kColAnswerPicture;
}  // namespace

int LongTextColumnWidth(int cellAreaWidth) {
  return std::max(0, (cellAreaWidth - kFixedColumnsWidth) / 3);
}

std::vector<int> BankColumnWidths(int cellAreaWidth) {
  const int w = LongTextColumnWidth(cellAreaWidth);
  return {45, 45, 55, w, 40, w, w, 40, 55, 35, 35, 35, 35, 35, 0};
}

void SetUpBankColumns(ui::GridControl& grid) {
  grid.SetShowZero(false);
  grid.SetColumnType(kColScore, ui::ColumnType::Numeric);
  for (int c = kColChoice; c <= kColMasked; ++c) grid.SetColumnType(c, ui::ColumnType::CheckBox);
  grid.SetColumnType(kColRecordId, ui::ColumnType::Numeric);
}

const char* ColumnHeading(int column) { return databases::kQuestionFieldNames[column]; }

namespace {
// The text fields by column, 知识点 … 题型.
std::string databases::Question::*const kTextFields[] = {
    &databases::Question::knowledgePoints, &databases::Question::groupName,
    &databases::Question::groupNumber,     &databases::Question::text1,
    &databases::Question::pictureMark,     &databases::Question::text2,
    &databases::Question::answer,          &databases::Question::answerPictureMark,
    &databases::Question::type};
std::optional<std::string> databases::QuestionChanges::*const kTextChanges[] = {
    &databases::QuestionChanges::knowledgePoints, &databases::QuestionChanges::groupName,
    &databases::QuestionChanges::groupNumber,     &databases::QuestionChanges::text1,
    &databases::QuestionChanges::pictureMark,     &databases::QuestionChanges::text2,
    &databases::QuestionChanges::answer,          &databases::QuestionChanges::answerPictureMark,
    &databases::QuestionChanges::type};
}  // namespace

void ShowQuestion(ui::GridControl& grid, int row, const databases::Question& q) {
  using ui::CellKind;
  for (int c = kColKnowledge; c <= kColType; ++c)
    grid.SetCellData(row, c, CellKind::Text, q.*kTextFields[c]);
  grid.SetCellData(row, kColDifficulty, CellKind::Text, std::to_string(q.difficulty));
  grid.SetCellData(row, kColScore, CellKind::Text, std::int64_t{q.score});
  grid.SetCellData(row, kColChoice, CellKind::Check, q.choice);
  grid.SetCellData(row, kColFixedScore, CellKind::Check, q.fixedScore);
  grid.SetCellData(row, kColMasked, CellKind::Check, q.masked);
  grid.SetCellData(row, kColRecordId, CellKind::Text, q.id);
}

void ShowChanges(ui::GridControl& grid, int row, const databases::QuestionChanges& c) {
  using ui::CellKind;
  for (int col = kColKnowledge; col <= kColType; ++col)
    if (const auto& v = c.*kTextChanges[col]) grid.SetCellData(row, col, CellKind::Text, *v);
  if (c.difficulty)
    grid.SetCellData(row, kColDifficulty, CellKind::Text, std::to_string(*c.difficulty));
  if (c.score) grid.SetCellData(row, kColScore, CellKind::Text, std::int64_t{*c.score});
  if (c.choice) grid.SetCellData(row, kColChoice, CellKind::Check, *c.choice);
  if (c.fixedScore) grid.SetCellData(row, kColFixedScore, CellKind::Check, *c.fixedScore);
  if (c.masked) grid.SetCellData(row, kColMasked, CellKind::Check, *c.masked);
}

databases::QuestionChanges TextChange(int column, const std::string& value) {
  databases::QuestionChanges c;
  if (column >= kColKnowledge && column <= kColType) c.*kTextChanges[column] = value;
  if (column == kColDifficulty) c.difficulty = static_cast<int>(text::ToInteger(value));
  if (column == kColScore) c.score = static_cast<int>(text::ToInteger(value));
  return c;
}

databases::QuestionChanges CheckChange(int column, bool on) {
  databases::QuestionChanges c;
  if (column == kColChoice) c.choice = on;
  if (column == kColFixedScore) c.fixedScore = on;
  if (column == kColMasked) c.masked = on;
  return c;
}

const std::string& QuestionText(const databases::Question& q, int column) {
  return q.*kTextFields[column];
}

void AppendQuestionRow(ui::GridControl& grid, const databases::Question& q) {
  grid.InsertRow();
  ShowQuestion(grid, grid.RowCount() - 1, q);
}

int FillBankGrid(ui::GridControl& grid, const BankModel& model) {
  grid.SetRowCount(1);
  for (const std::int64_t id : model.ids()) AppendQuestionRow(grid, *model.Find(id));
  return CountTopLevel(model);
}

int CountTopLevel(const BankModel& model) {
  int n = 0;
  for (const std::int64_t id : model.ids())
    if (model.Find(id)->countsAsOne()) ++n;
  return n;
}

void GroupSortRows(ui::Window& window, ui::GridControl& grid, bool ascending) {
  ui::SortGridRows(window, grid, kColGroupName, 1, grid.RowCount() - 1, ui::kSortText, true,
                   ascending);
  ui::SortWithinGroups(window, grid, kColGroupName, kColGroupNumber, true);
}

void StyleBankRows(ui::GridControl& grid, int rowHeight) {
  grid.SetRangeWordWrap(0, kColKnowledge, 0, kLastTextColumn, true);
  grid.SetRangeAlignment(0, kColPicture, 0, kColPicture, 2);
  grid.SetRangeAlignment(0, kColAnswerPicture, 0, kColAnswerPicture, 2);
  grid.SetRangeAlignment(0, kColType, 0, kColFixedScore, 2);
  StyleQuestionRows(grid, 1, grid.RowCount() - 1, rowHeight);
}

void StyleQuestionRows(ui::GridControl& grid, int first, int last, int rowHeight) {
  if (first < 1 || last < first) return;
  grid.SetRangeWordWrap(first, kColKnowledge, last, kLastTextColumn, true);
  grid.SetRangeFontHeight(first, kColKnowledge, last, kLastTextColumn, kTextFontHeight);
  grid.SetRangeAlignment(first, kColPicture, last, kColPicture, 2);
  grid.SetRangeAlignment(first, kColAnswerPicture, last, kColAnswerPicture, 2);
  grid.SetRangeAlignment(first, kColType, last, kColFixedScore, 2);
  for (int r = first; r <= last; ++r) grid.SetRowHeight(r, rowHeight);
}

std::int64_t RowRecordId(const ui::GridControl& grid, int row) {
  return text::ToInteger(grid.cellText(row, kColRecordId));
}

std::string EditorCaption(const std::string& courseName, int topLevelCount) {
  return "题库编辑 —— " + courseName + "（共 " + std::to_string(topLevelCount) + " 题）";
}

}  // namespace bank_editor
