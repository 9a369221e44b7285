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
  grid.setShowZero(false);
  grid.SetColumnType(kColScore, ui::ColumnType::Numeric);
  for (int c = kColChoice; c <= kColMasked; ++c) grid.SetColumnType(c, ui::ColumnType::CheckBox);
  grid.SetColumnType(kColRecordId, ui::ColumnType::Numeric);
}

void AppendQuestionRow(ui::GridControl& grid, recfile::RecordFileEngine& engine) {
  grid.InsertRow();
  FillQuestionRow(grid, grid.RowCount() - 1, engine);
}

void FillQuestionRow(ui::GridControl& grid, int row, recfile::RecordFileEngine& engine) {
  using ui::CellKind;
  for (int c = kColKnowledge; c <= kColType; ++c)
    grid.SetCellData(row, c, CellKind::Text, engine.ReadText(c + 1));
  grid.SetCellData(row, kColDifficulty, CellKind::Text,
                   std::to_string(engine.ReadInt(databases::kDifficulty)));
  grid.SetCellData(row, kColScore, CellKind::Text, engine.ReadInt(databases::kScore));
  for (int c = kColChoice; c <= kColMasked; ++c)
    grid.SetCellData(row, c, CellKind::Check, engine.ReadBool(c + 1));
  grid.SetCellData(row, kColRecordId, CellKind::Text, engine.RecordId());
}

void AppendQuestionRow(ui::GridControl& grid, const databases::Question& q) {
  using ui::CellKind;
  grid.InsertRow();
  const int row = grid.RowCount() - 1;
  const std::string* texts[] = {&q.knowledgePoints, &q.groupName, &q.groupNumber,
                                &q.text1,           &q.pictureMark, &q.text2,
                                &q.answer,          &q.answerPictureMark, &q.type};
  for (int c = kColKnowledge; c <= kColType; ++c)
    grid.SetCellData(row, c, CellKind::Text, *texts[c - kColKnowledge]);
  grid.SetCellData(row, kColDifficulty, CellKind::Text, std::to_string(q.difficulty));
  grid.SetCellData(row, kColScore, CellKind::Text, std::int64_t{q.score});
  grid.SetCellData(row, kColChoice, CellKind::Check, q.choice);
  grid.SetCellData(row, kColFixedScore, CellKind::Check, q.fixedScore);
  grid.SetCellData(row, kColMasked, CellKind::Check, q.masked);
  grid.SetCellData(row, kColRecordId, CellKind::Text, q.id);
}

int FillBankGrid(ui::GridControl& grid, recfile::RecordFileEngine& engine) {
  grid.SetRowCount(1);
  const std::int64_t n = engine.RecordCount();
  for (std::int64_t j = 1; j <= n; ++j) {
    engine.GoTo(j);
    AppendQuestionRow(grid, engine);
  }
  return CountTopLevel(grid);
}

bool CountsAsQuestion(const ui::GridControl& grid, int row) {
  return grid.cellText(row, kColGroupName).empty() || grid.cellText(row, kColGroupNumber) == "0";
}

int CountTopLevel(const ui::GridControl& grid) {
  int n = 0;
  for (int r = 1; r < grid.RowCount(); ++r)
    if (CountsAsQuestion(grid, r)) ++n;
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

QuestionRow ReadQuestionRow(const ui::GridControl& grid, int row) {
  QuestionRow q;
  q.groupNumber = grid.cellText(row, kColGroupNumber);
  q.text1 = grid.cellText(row, kColText1);
  q.picture = grid.cellText(row, kColPicture);
  q.text2 = grid.cellText(row, kColText2);
  q.answer = grid.cellText(row, kColAnswer);
  q.answerPicture = grid.cellText(row, kColAnswerPicture);
  q.type = grid.cellText(row, kColType);
  q.score = grid.cellText(row, kColScore);
  q.choice = grid.cellChecked(row, kColChoice);
  return q;
}

std::int64_t RowRecordId(const ui::GridControl& grid, int row) {
  return text::toInteger(grid.cellText(row, kColRecordId));
}

std::string EditorCaption(const std::string& courseName, int topLevelCount) {
  return "题库编辑 —— " + courseName + "（共 " + std::to_string(topLevelCount) + " 题）";
}

int FindSameQuestionRow(const ui::GridControl& grid, int row) {
  const std::string& t1 = grid.cellText(row, kColText1);
  const std::string& t2 = grid.cellText(row, kColText2);
  const std::string& a = grid.cellText(row, kColAnswer);
  for (int r = 1; r < grid.RowCount(); ++r) {
    if (r == row) continue;
    if (SameQuestionContent(t1, t2, a, grid.cellText(r, kColText1), grid.cellText(r, kColText2),
                            grid.cellText(r, kColAnswer)))
      return r;
  }
  return 0;
}

}  // namespace bank_editor
