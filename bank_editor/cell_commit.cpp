// The end of an in-place edit: the new value is checked, then written at
// once to the question's record, or the pre-edit value goes back.
#include <algorithm>

#include "bank_editor/bank_editor_window.h"
#include "bank_editor/bank_grid.h"
#include "text/text.h"
#include "ui/host.h"

namespace bank_editor {

namespace {
// Field number of a grid column.
int fieldOf(int column) { return column + 1; }
}  // namespace

bool BankEditorWindow::StoreFields(int row,
                                   std::initializer_list<std::pair<int, recfile::Value>> fields) {
  auto& engine = ctx_.engine;
  if (!MakeBankCurrent()) return false;
  const std::int64_t id = RowRecordId(高级表格1, row);
  if (!engine.GoToId(id)) {
    const int code = engine.LastError();
    host().message(this, recfile::ErrorText(code != 0 ? code : -44));  // "指定记录不存在"
    return false;
  }
  bool ok = false;
  if (fields.size() == 1) {
    ok = engine.WriteField(fields.begin()->first, fields.begin()->second);
  } else {
    // One record write, so a failure leaves no field of the set changed.
    int last = 0;
    for (const auto& f : fields) last = std::max(last, f.first);
    std::vector<recfile::Value> values(static_cast<std::size_t>(last));
    for (const auto& f : fields) values[static_cast<std::size_t>(f.first - 1)] = f.second;
    ok = engine.Modify(values);
  }
  if (!ok) {
    host().message(this, recfile::ErrorText(engine.LastError()));
    return false;
  }
  return true;
}

namespace {
void showField(ui::GridControl& g, int row, int field, const recfile::Value& v) {
  const int column = field - 1;
  if (column > kColMasked) return;
  if (const auto* b = std::get_if<bool>(&v)) {
    g.SetCellData(row, column, ui::CellKind::Check, *b);
  } else if (const auto* i = std::get_if<std::int64_t>(&v)) {
    if (column == kColScore)
      g.SetCellData(row, column, ui::CellKind::Text, *i);
    else
      g.SetCellData(row, column, ui::CellKind::Text, std::to_string(*i));
  } else if (const auto* t = std::get_if<std::string>(&v)) {
    g.SetCellData(row, column, ui::CellKind::Text, *t);
  }
}

// A record's values for `fields` laid out for Modify (others omitted).
std::vector<recfile::Value> modifyValues(const std::vector<std::pair<int, recfile::Value>>& fields) {
  int last = 0;
  for (const auto& f : fields) last = std::max(last, f.first);
  std::vector<recfile::Value> values(static_cast<std::size_t>(last));
  for (const auto& f : fields) values[static_cast<std::size_t>(f.first - 1)] = f.second;
  return values;
}
}  // namespace

bool BankEditorWindow::StoreRows(const std::vector<RowWrite>& writes) {
  auto& engine = ctx_.engine;
  if (!MakeBankCurrent()) return false;
  std::vector<std::pair<std::int64_t, std::vector<std::pair<int, recfile::Value>>>> undo;
  int error = 0;
  for (const RowWrite& w : writes) {
    const std::int64_t id = RowRecordId(高级表格1, w.row);
    if (!engine.GoToId(id)) {
      error = engine.LastError() != 0 ? engine.LastError() : -44;
      break;
    }
    std::vector<std::pair<int, recfile::Value>> old;
    for (const auto& f : w.fields) old.emplace_back(f.first, engine.ReadField(f.first));
    if (engine.LastError() != 0 || !engine.Modify(modifyValues(w.fields))) {
      error = engine.LastError() != 0 ? engine.LastError() : -1;
      break;
    }
    undo.emplace_back(id, std::move(old));
  }
  if (error != 0) {
    for (auto it = undo.rbegin(); it != undo.rend(); ++it)
      if (engine.GoToId(it->first)) engine.Modify(modifyValues(it->second));
    host().message(this, recfile::ErrorText(error));
    return false;
  }
  for (const RowWrite& w : writes)
    for (const auto& f : w.fields) showField(高级表格1, w.row, f.first, f.second);
  return true;
}

bool BankEditorWindow::StoreTextCell(int row, int column, const std::string& value) {
  if (!StoreFields(row, {{fieldOf(column), recfile::Value{value}}})) return false;
  高级表格1.SetCellData(row, column, ui::CellKind::Text, value);
  return true;
}

ui::Bytes BankEditorWindow::ReadPictureData(int row, int field) {
  auto& engine = ctx_.engine;
  if (!MakeBankCurrent() || !engine.GoToId(RowRecordId(高级表格1, row))) return {};
  return engine.ReadBytes(field);
}

void BankEditorWindow::refuseCell(int row, int column, const std::string& message) {
  auto& g = 高级表格1;
  if (column == kColDifficulty || column == kColScore)
    g.SetCellData(row, column, ui::CellKind::Text, static_cast<std::int64_t>(state.preEditNumber));
  else
    g.SetCellData(row, column, ui::CellKind::Text, state.preEditText);
  if (!message.empty()) host().message(this, message);
}

void BankEditorWindow::CommitCellEdit(int row, int column) {
  auto& g = 高级表格1;
  if (row < 1 || row >= g.RowCount()) return;
  const bool single = g.cellText(row, kColGroupNumber).empty();
  switch (column) {
    case kColGroupNumber:
      CommitGroupNumber(row);
      return;
    case kColType:
    case kColDifficulty:
    case kColScore:
    case kColChoice:
    case kColFixedScore:
      if (single)
        commitSingleValue(row, column);
      else
        CommitGroupValue(row, column);
      return;
    case kColMasked:
      if (single)
        commitSingleValue(row, column);
      else
        CommitGroupMask(row);
      return;
    default:
      // Long texts and pictures have their own editors; a value typed into
      // their cells is not taken.
      if (g.GetColumnType(column) != ui::ColumnType::CheckBox) refuseCell(row, column, {});
      return;
  }
}

void BankEditorWindow::commitSingleValue(int row, int column) {
  auto& g = 高级表格1;
  const std::string typed = g.cellText(row, column);
  const bool title = g.cellText(row, kColGroupNumber) == "0";
  CellDecision d;
  switch (column) {
    case kColType: {
      const std::vector<std::string> types = QuestionTypeNames(dbContext());
      d = DecideQuestionType(typed, state.preEditText, types);
      break;
    }
    case kColDifficulty:
      d = DecideDifficulty(typed, state.preEditNumber);
      break;
    case kColScore:
      d = DecideScore(typed, state.preEditNumber, title);
      break;
    case kColChoice:
    case kColFixedScore:
    case kColMasked: {
      const bool on = g.cellChecked(row, column);
      if (title && on && column != kColMasked) {
        g.SetCellData(row, column, ui::CellKind::Check, false);
        return;
      }
      if (!StoreFields(row, {{fieldOf(column), recfile::Value{on}}}))
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
      refuseCell(row, column, d.message);
      return;
    case CellDecision::Kind::Write: {
      recfile::Value v = d.value;
      if (column != kColType) v = static_cast<std::int64_t>(text::toInteger(d.value));
      if (!StoreFields(row, {{fieldOf(column), v}})) {
        refuseCell(row, column, {});
        return;
      }
      g.SetCellData(row, column, ui::CellKind::Text, d.value);
      return;
    }
  }
}

}  // namespace bank_editor
