// The type-order grid beside the compose grid, the per-type score grids and
// totals, the generate buttons and the section numbering choices.
#include <cmath>
#include <cstdlib>
#include <set>
#include <string_view>
#include <unordered_map>

#include "compose/compose_window.h"
#include "compose/type_order.h"
#include "databases/program_databases.h"
#include "text/text.h"
#include "types/numbering_table.h"
#include "types/numbering_window.h"
#include "ui/host.h"
#include "ui/shared_helpers.h"

namespace compose {

namespace {
// Whether a typed order number is a number at all.
bool isNumber(const std::string& typed) {
  const std::string t = text::ToHalfWidth(text::TrimSpaces(typed));
  if (t.empty()) return false;
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  return end && *end == '\0' && std::isfinite(v);
}
}  // namespace

std::vector<std::string> ComposeWindow::TypeOrder() const {
  std::vector<std::string> names;
  const auto& g = 高级表格题型排序分值;
  for (int r = 1; r < g.RowCount(); ++r) names.push_back(g.cellText(r, kOrderType));
  return names;
}

void ComposeWindow::LoadTypeOrder() {
  std::string stored;
  if (coursePosition_ >= 0 && ctx_.Show(databases::OpenCourseLibrary(ctx_.db()))) {
    databases::CourseLibrary library(ctx_.engine);
    if (auto course = library.CourseAt(coursePosition_)) stored = course->typeOrder;
  }
  std::vector<std::string_view> gridTypes;
  for (int r = 1; r < 高级表格1.RowCount(); ++r) gridTypes.push_back(高级表格1.cellText(r, kColType));
  const std::vector<std::string> order = MergeTypeOrder(SplitTypeOrder(stored), CollectTypes(gridTypes));

  auto& g = 高级表格题型排序分值;
  const int t = static_cast<int>(order.size());
  g.SetRowCount(1);
  g.SetRowCount(t + 1);
  g.SetColumnType(kOrderBatchScore, ui::ColumnType::Numeric);
  g.SetColumnType(kOrderAnswerOnNewLine, ui::ColumnType::CheckBox);
  g.SetColumnType(kOrderTypeId, ui::ColumnType::Numeric);
  g.SetColumnWidth(kOrderTypeId, 0);
  g.SetCellData(0, kOrderNumber, ui::CellKind::Text, std::string("排序"));
  g.SetCellData(0, kOrderType, ui::CellKind::Text, std::string(databases::kTypeNameField));
  g.SetCellData(0, kOrderBatchScore, ui::CellKind::Text, std::string("调分"));
  g.SetCellData(0, kOrderAnswerOnNewLine, ui::CellKind::Text,
                std::string(databases::kAnswerOnNewLineField));

  std::unordered_map<std::string, databases::QuestionType> library;
  if (ctx_.Show(databases::OpenQuestionTypeLibrary(ctx_.db()))) {
    databases::TypeLibrary types(ctx_.engine);
    std::vector<databases::QuestionType> all;
    if (types.ReadAll(all))
      for (auto& type : all) library.emplace(type.name, std::move(type));
  }
  for (int i = 1; i <= t; ++i) {
    const std::string& name = order[static_cast<std::size_t>(i - 1)];
    g.SetCellData(i, kOrderNumber, ui::CellKind::Text, std::to_string(i));
    g.SetCellData(i, kOrderType, ui::CellKind::Text, name);
    const auto it = library.find(name);
    if (it == library.end()) continue;
    g.SetCellData(i, kOrderAnswerOnNewLine, ui::CellKind::Check, it->second.answerOnNewLine);
    g.SetCellData(i, kOrderTypeId, ui::CellKind::Text, it->second.id);
  }
  SaveTypeOrder();
  StyleTypeOrderRows();
}

bool ComposeWindow::SaveTypeOrder() {
  if (coursePosition_ < 0 || !ctx_.Show(databases::OpenCourseLibrary(ctx_.db()))) return false;
  databases::CourseLibrary library(ctx_.engine);
  if (library.SetTypeOrder(coursePosition_, JoinTypeOrder(TypeOrder()))) return true;
  host().Message(this, library.lastError().message);
  return false;
}

void ComposeWindow::StyleTypeOrderRows() {
  auto& g = 高级表格题型排序分值;
  const int last = g.RowCount() - 1;
  g.SetRangeAlignment(0, 0, last, kOrderBatchScore, 2);
  if (last >= 1) g.SetRangeReadOnly(1, kOrderType, last, kOrderType, true);
  // Without a record in the type library there is nowhere to keep the flag.
  for (int r = 1; r <= last; ++r)
    g.SetRangeReadOnly(r, kOrderAnswerOnNewLine, r, kOrderAnswerOnNewLine,
                       g.cellText(r, kOrderTypeId).empty());
  ApplyTypeOrderColours();
}

void ComposeWindow::ApplyTypeOrderColours() {
  if (!ctx_.Show(databases::OpenTypeOrderColourLibrary(ctx_.db()))) return;
  databases::ColourLibrary library(ctx_.engine);
  std::vector<int> colours;
  if (!library.ReadAll(colours)) return;
  auto& g = 高级表格题型排序分值;
  const int t = g.RowCount() - 1;
  const int n = std::min(t, static_cast<int>(colours.size()));
  for (int i = 1; i <= n; ++i)
    g.SetRangeBackColour(i, 0, i, g.ColumnCount() - 2, colours[static_cast<std::size_t>(i - 1)]);
}

bool ComposeWindow::TypeOrderLeftButtonUp() {
  auto& g = 高级表格题型排序分值;
  const int row = g.CursorRow();
  const int col = g.CursorColumn();
  if (col == kOrderType || (col == kOrderBatchScore && AutoComposeOpen())) {
    g.SetEditable(false);
    return true;
  }
  g.SetEditable(true);
  orderRow_ = row;
  orderColumn_ = col;
  orderNumberText_ = g.cellText(row, kOrderNumber);
  orderBatchText_ = g.cellText(row, kOrderBatchScore);
  return true;
}

void ComposeWindow::TypeOrderEditBegun() {
  const auto& g = 高级表格题型排序分值;
  orderRow_ = g.editRow() >= 0 ? g.editRow() : g.CursorRow();
  orderColumn_ = g.editColumn() >= 0 ? g.editColumn() : g.CursorColumn();
  orderNumberText_ = g.cellText(orderRow_, kOrderNumber);
  orderBatchText_ = g.cellText(orderRow_, kOrderBatchScore);
}

void ComposeWindow::TypeOrderCellEdited() {
  auto& g = 高级表格题型排序分值;
  const int row = orderRow_;
  if (row < 1 || row >= g.RowCount()) return;
  switch (orderColumn_) {
    case kOrderNumber: {
      const std::string typed = g.cellText(row, kOrderNumber);
      if (!isNumber(typed)) {
        g.SetCellData(row, kOrderNumber, ui::CellKind::Text, orderNumberText_);
        return;
      }
      if (isNumber(orderNumberText_) &&
          text::ToDouble(typed) == text::ToDouble(orderNumberText_))
        return;
      ui::SortGridRows(*this, g, kOrderNumber, 1, g.RowCount() - 1, ui::kSortNumeric);
      orderRow_ = 0;
      SaveTypeOrder();
      StyleTypeOrderRows();
      RecomputeTypeScores();
      return;
    }
    case kOrderBatchScore: {
      auto putBack = [&] {
        g.SetCellData(row, kOrderBatchScore, ui::CellKind::Text, orderBatchText_);
      };
      const std::int64_t v = text::ToInteger(g.cellText(row, kOrderBatchScore));
      if (v == 0) return;  // no batch score for this type
      if (v < 0 || v > 100) {
        putBack();
        host().Message(this, "请输入1-100的分值！");
        return;
      }
      if (v == text::ToInteger(orderBatchText_)) return;
      if (host().MessageBox(this, "确定要改变题型分值吗？", ui::kMessageCaption,
                            ui::MessageButtons::OkCancel, ui::MessageIcon::Question) != ui::kButtonOk)
        return putBack();
      ApplyBatchScore(row, static_cast<int>(v));
      return;
    }
    case kOrderAnswerOnNewLine: {
      const bool on = g.cellChecked(row, kOrderAnswerOnNewLine);
      const std::int64_t id = text::ToInteger(g.cellText(row, kOrderTypeId));
      if (id <= 0 || !ctx_.Show(databases::OpenQuestionTypeLibrary(ctx_.db()))) {
        g.SetCellData(row, kOrderAnswerOnNewLine, ui::CellKind::Check, !on);
        return;
      }
      databases::TypeLibrary types(ctx_.engine);
      if (!types.SetAnswerOnNewLine(id, on)) {
        host().Message(this, types.lastError().message);
        g.SetCellData(row, kOrderAnswerOnNewLine, ui::CellKind::Check, !on);
      }
      return;
    }
    default: return;
  }
}

void ComposeWindow::ApplyBatchScore(int orderRow, int score) {
  auto& g = 高级表格1;
  const std::string type = 高级表格题型排序分值.cellText(orderRow, kOrderType);
  auto scoreOf = [&](int row) { return static_cast<int>(text::ToInteger(g.cellText(row, kColScore))); };
  std::unordered_map<int, int> newScores;
  std::set<std::string> groups;
  for (int r = 1; r < g.RowCount(); ++r) {
    if (g.cellText(r, kColType) != type) continue;
    const std::string& number = g.cellText(r, kColGroupNumber);
    if (number == "0" || g.cellChecked(r, kColFixedScore)) continue;
    if (scoreOf(r) == score) continue;
    newScores[r] = score;
    if (!number.empty()) groups.insert(g.cellText(r, kColGroupName));
  }
  // The titles of the changed members follow their sums.
  for (const std::string& name : groups) {
    const int title = TitleRowOf(name);
    if (!title) continue;
    int sum = 0;
    if (!g.cellChecked(title, kColMasked)) {
      for (int row : GroupRows(name)) {
        if (g.cellText(row, kColGroupNumber) == "0" || g.cellChecked(row, kColMasked)) continue;
        const auto it = newScores.find(row);
        sum += it == newScores.end() ? scoreOf(row) : it->second;
      }
    }
    if (sum != scoreOf(title)) newScores[title] = sum;
  }
  std::vector<RowChange> changes;
  for (const auto& [row, s] : newScores) {
    RowChange change{row, {}};
    change.changes.score = s;
    changes.push_back(std::move(change));
  }
  if (!Store(changes)) {
    高级表格题型排序分值.SetCellData(orderRow, kOrderBatchScore, ui::CellKind::Text, orderBatchText_);
    return;
  }
  for (const auto& [row, s] : newScores) SetScoreCell(row, s);
  RecomputeTypeScores();
  WriteBackGridEdits();
}

bool ComposeWindow::TypeOrderRightButtonUp() {
  auto& g = 高级表格题型排序分值;
  const int row = g.CursorRow();
  if (row < 1 || row >= g.RowCount()) return true;
  const auto colour = host().ChooseColour(this, g.GetCellBackColour(row, 0));
  if (!colour) return true;
  if (*colour == databases::kGreyColour) {
    host().Message(this, "请选灰色以外的颜色！");
    return true;
  }
  if (!ctx_.Show(databases::OpenTypeOrderColourLibrary(ctx_.db()))) return true;
  databases::ColourLibrary library(ctx_.engine);
  if (!library.SetColour(row, *colour, g.RowCount() - 1)) {
    host().Message(this, library.lastError().message);
    return true;
  }
  g.SetRangeBackColour(row, 0, row, g.ColumnCount() - 2, *colour);
  return true;
}

// ---- Scores ---------------------------------------------------------------------

void ComposeWindow::RecomputeTypeScores() {
  const auto& g = 高级表格1;
  std::vector<ScoreRow> rows;
  rows.reserve(static_cast<std::size_t>(g.RowCount()));
  for (int r = 1; r < g.RowCount(); ++r) {
    rows.push_back({g.cellText(r, kColType), g.cellText(r, kColGroupNumber),
                    static_cast<int>(text::ToInteger(g.cellText(r, kColScore))),
                    g.cellChecked(r, kColA), g.cellChecked(r, kColB)});
  }
  scores_ = ComputeTypeScores(TypeOrder(), rows);
  auto fill = [](ui::GridControl& grid, const std::vector<TypeScore>& list) {
    grid.SetRowCount(1);
    grid.SetRowCount(static_cast<int>(list.size()) + 1);
    for (std::size_t i = 0; i < list.size(); ++i) {
      const int r = static_cast<int>(i) + 1;
      grid.SetCellData(r, 0, ui::CellKind::Text, list[i].type);
      grid.SetCellData(r, 1, ui::CellKind::Text, list[i].score);
    }
    grid.SetRangeAlignment(0, 0, grid.RowCount() - 1, 1, 2);
  };
  fill(高级表格A卷题型分值, scores_.a);
  fill(高级表格B卷题型分值, scores_.b);
  A卷总分.setText(std::to_string(scores_.totalA));
  B卷总分.setText(std::to_string(scores_.totalB));
  标签相似度.setText(std::to_string(scores_.similarity));
  selectionStamp_ = text::FormatTimestamp(host().Now());
  UpdateGenerateButtons();
}

void ComposeWindow::UpdateGenerateButtons() {
  按钮A卷.setEnabled(false);
  按钮B卷.setEnabled(false);
  if (组合框大题编号类型.selectedIndex() < 0) return;
  const int labels = 高级表格大题编号类型.RowCount() - 1;
  if (scores_.sectionsA > labels || scores_.sectionsB > labels) {
    // Said once when it arises; automatic drawing recomputes after each try.
    if (!shortOfLabels_) host().Message(this, "大题编号不够用！");
    shortOfLabels_ = true;
    return;
  }
  shortOfLabels_ = false;
  按钮A卷.setEnabled(scores_.totalA > 0);
  按钮B卷.setEnabled(scores_.totalB > 0);
}

// ---- Section numbering ------------------------------------------------------------

void ComposeWindow::LoadNumberingTypes() {
  const std::string path = types::NumberingFilePath(ctx_.dataDir);
  auto& table = 高级表格大题编号类型;
  if (!table.LoadFromFile(path)) {
    types::NumberingWindow window(host(), path);
    host().ShowModal(window, this);
    if (!table.LoadFromFile(path)) {
      // Without the file the table stays in memory for this window only;
      // opening the numbering window again would not get further.
      host().Message(this, "无法保存大题编号类型文件：" + path);
      types::FillDefaultNumberingGrid(table);
    }
  }
  组合框大题编号类型.Clear();
  if (table.RowCount() > 1)
    for (int c = 1; c < table.ColumnCount(); ++c) 组合框大题编号类型.AddItem(table.cellText(0, c), c);
  组合框大题编号类型.setSelectedIndex(组合框大题编号类型.count() > 0 ? 0 : -1);
  UpdateGenerateButtons();
}

void ComposeWindow::OpenNumberingWindow() {
  const std::string chosen = 组合框大题编号类型.text();
  {
    types::NumberingWindow window(host(), types::NumberingFilePath(ctx_.dataDir));
    host().ShowModal(window, this);
  }
  LoadNumberingTypes();
  // The type in use stays chosen while it exists.
  const int again = 组合框大题编号类型.FindItem(chosen);
  if (again > 0) {
    组合框大题编号类型.setSelectedIndex(again);
    UpdateGenerateButtons();
  }
}

}  // namespace compose
