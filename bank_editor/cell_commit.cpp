#include "bank_editor/cell_commit.h"

#include "bank_editor/bank_editor_window.h"
#include "bank_editor/bank_grid.h"
#include "bank_editor/group_editing.h"
#include "text/text.h"
#include "ui/host.h"

namespace bank_editor {

CellCommit::CellCommit(BankEditorWindow& editor, GroupEditing& groups)
    : editor_(editor), groups_(groups) {}

void CellCommit::Begin(int row, int column) {
  const auto& g = editor_.高级表格1;
  if (column == kColDifficulty || column == kColScore)
    preEditNumber_ = text::ToInteger(g.cellText(row, column));
  else if (column < kColScore && column != kColPicture && column != kColAnswerPicture)
    preEditText_ = g.cellText(row, column);
}

void CellCommit::Refuse(int row, int column, const std::string& message) {
  auto& g = editor_.高级表格1;
  if (column == kColDifficulty || column == kColScore)
    g.SetCellData(row, column, ui::CellKind::Text, static_cast<std::int64_t>(preEditNumber_));
  else
    g.SetCellData(row, column, ui::CellKind::Text, preEditText_);
  if (!message.empty()) editor_.host().Message(&editor_, message);
}

void CellCommit::Commit(int row, int column) {
  auto& g = editor_.高级表格1;
  if (row < 1 || row >= g.RowCount()) return;
  const bool single = editor_.RowQuestion(row).groupNumber.empty();
  switch (column) {
    case kColGroupNumber:
      groups_.CommitGroupNumber(row);
      return;
    case kColType:
    case kColDifficulty:
    case kColScore:
    case kColChoice:
    case kColFixedScore:
      if (single)
        CommitSingleValue(row, column);
      else
        groups_.CommitGroupValue(row, column);
      return;
    case kColMasked:
      if (single)
        CommitSingleValue(row, column);
      else
        groups_.CommitGroupMask(row);
      return;
    default:
      // Long texts and pictures have their own editors; a value typed into
      // their cells is not taken.
      if (g.GetColumnType(column) != ui::ColumnType::CheckBox) Refuse(row, column, {});
      return;
  }
}

void CellCommit::CommitSingleValue(int row, int column) {
  auto& g = editor_.高级表格1;
  const std::string typed = g.cellText(row, column);
  const bool title = editor_.RowQuestion(row).isTitle();
  CellDecision d;
  switch (column) {
    case kColType:
      d = DecideQuestionType(typed, preEditText_, editor_.QuestionTypes());
      break;
    case kColDifficulty:
      d = DecideDifficulty(typed, preEditNumber_);
      break;
    case kColScore:
      d = DecideScore(typed, preEditNumber_, title);
      break;
    case kColChoice:
    case kColFixedScore:
    case kColMasked: {
      const bool on = g.cellChecked(row, column);
      if (title && on && column != kColMasked) {
        g.SetCellData(row, column, ui::CellKind::Check, false);
        return;
      }
      if (!editor_.StoreChanges(row, CheckChange(column, on)))
        g.SetCellData(row, column, ui::CellKind::Check, !on);
      return;
    }
    default:
      return;
  }
  switch (d.kind) {
    case CellDecision::Kind::Nothing:
      return;
    case CellDecision::Kind::Restore:
      Refuse(row, column, d.message);
      return;
    case CellDecision::Kind::Write:
      if (!editor_.StoreChanges(row, TextChange(column, d.value))) {
        Refuse(row, column, {});
        return;
      }
      g.SetCellData(row, column, ui::CellKind::Text, d.value);
      return;
  }
}

}  // namespace bank_editor
