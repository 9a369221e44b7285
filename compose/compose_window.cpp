#include "compose/compose_window.h"

#include <algorithm>

#include "bank_editor/pictures/side_windows.h"
#include "databases/program_databases.h"
#include "text/text.h"
#include "types/numbering_table.h"
#include "types/numbering_window.h"
#include "ui/host.h"
#include "ui/layout.h"
#include "ui/shared_helpers.h"

namespace compose {

namespace {
constexpr int kDesignWidth = 1180;
constexpr int kDesignHeight = 720;
const int kColumnWidths[kComposeColumnCount] = {45, 45, 55, 271, 62, 214, 55,
                                                35, 35, 35, 35, 35, 35, 0};
const char* const kDifficulties[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9"};
}  // namespace

ComposeWindow::ComposeWindow(app::AppContext& ctx)
    : ui::Window(ctx.host, "组卷", kDesignWidth, kDesignHeight),
      高级表格1(*this, "高级表格1", ui::grid_presets::kCompose),
      标签行高(*this, "标签行高", "行高"),
      纵向滚动条1(*this, "纵向滚动条1", ui::ScrollBar::Orientation::Vertical),
      分组框题型排序(*this, "分组框题型排序", "题型排序、批量调分、答案小题换行"),
      高级表格题型排序分值(*this, "高级表格题型排序分值",
                           ui::grid_presets::kComposeTypeOrderScores),
      分组框A卷题型分值(*this, "分组框A卷题型分值", "A卷题型分值"),
      高级表格A卷题型分值(*this, "高级表格A卷题型分值", ui::grid_presets::kComposePaperTypeScores),
      标签A卷总分(*this, "标签A卷总分", "总分："),
      A卷总分(*this, "A卷总分", "0"),
      分组框B卷题型分值(*this, "分组框B卷题型分值", "B卷题型分值"),
      高级表格B卷题型分值(*this, "高级表格B卷题型分值", ui::grid_presets::kComposePaperTypeScores),
      标签B卷总分(*this, "标签B卷总分", "总分："),
      B卷总分(*this, "B卷总分", "0"),
      分组框相似度(*this, "分组框相似度", "A、B卷相似度"),
      标签相似度(*this, "标签相似度", "0"),
      标签百分号(*this, "标签百分号", "%"),
      分组框难度说明(*this, "分组框难度说明", "难度说明"),
      标签2(*this, "标签2"),
      分组框输出(*this, "分组框输出", "输出"),
      单选框word(*this, "单选框word", "word", false, 1),
      单选框html(*this, "单选框html", "html", true, 1),
      单选框pdf(*this, "单选框pdf", "pdf", false, 1),
      分组框编号(*this, "分组框编号", "编号"),
      标签大题编号类型(*this, "标签大题编号类型", "大题编号："),
      组合框大题编号类型(*this, "组合框大题编号类型"),
      标签大题编号后缀(*this, "标签大题编号后缀", "大题编号后缀："),
      组合框大题编号后缀(*this, "组合框大题编号后缀"),
      标签选项编号类型(*this, "标签选项编号类型", "选项编号："),
      组合框选项编号类型(*this, "组合框选项编号类型"),
      标签选项编号后缀(*this, "标签选项编号后缀", "选项编号后缀："),
      组合框选项编号后缀(*this, "组合框选项编号后缀"),
      选择框大题分值(*this, "选择框大题分值", "大题分值说明"),
      选择框选项换行(*this, "选择框选项换行", "选项换行"),
      选择框小题连续编号(*this, "选择框小题连续编号", "小题连续编号"),
      分组框自动组卷难度(*this, "分组框自动组卷难度", "自动组卷难度"),
      标签最低难度(*this, "标签最低难度", "最低："),
      组合框最低难度(*this, "组合框最低难度"),
      标签最高难度(*this, "标签最高难度", "最高："),
      组合框最高难度(*this, "组合框最高难度"),
      按钮自动组卷(*this, "按钮自动组卷", "自动组卷"),
      按钮A卷(*this, "按钮A卷", "生成A卷"),
      按钮B卷(*this, "按钮B卷", "生成B卷"),
      高级表格题型排列颜色(*this, "高级表格题型排列颜色", ui::grid_presets::kComposeTypeOrderColours),
      高级表格大题编号类型(*this, "高级表格大题编号类型", ui::grid_presets::kComposeNumberingCopy),
      高级表格2(*this, "高级表格2", ui::grid_presets::kComposeWorkList),
      高级表格3(*this, "高级表格3", ui::grid_presets::kComposeNumberingCopy),
      菜单方案(*this, "方案(&P)"),
      菜单保存方案(菜单方案, "保存方案(&S)…"),
      菜单打开方案(菜单方案, "打开方案(&O)…"),
      菜单方案分隔(菜单方案, ui::kSeparator),
      菜单A卷导出Moodle(菜单方案, "A卷导出为Moodle XML(&A)…"),
      菜单B卷导出Moodle(菜单方案, "B卷导出为Moodle XML(&B)…"),
      菜单难度(*this, "难度(&N)"),
      菜单难度说明(菜单难度, "说明(&E)"),
      菜单帮助(*this, "帮助(&H)"),
      菜单组卷帮助(菜单帮助, "组卷帮助(&H)"),
      菜单大题(*this, "大题"),
      菜单编号设置(菜单大题, "编号设置"),
      菜单排序(*this, "排序(&S)"),
      菜单升序(菜单排序, "升序(&A)"),
      菜单降序(菜单排序, "降序(&S)"),
      菜单排序分隔(菜单排序, ui::kSeparator),
      菜单全选(菜单排序, "全选(&X)"),
      菜单清空(菜单排序, "清空(&Q)"),
      菜单取反(菜单排序, "取反(&F)"),
      ctx_(ctx) {
  菜单大题.setVisible(false);
  菜单排序.setVisible(false);
  // HTML and PDF need no other program; Word documents need one to open them.
  单选框word.setEnabled(false);
  组合框大题编号后缀.setItems({". ", " "});
  组合框选项编号类型.setItems({"A", "①"});
  组合框选项编号后缀.setItems({". ", " ", "）"});
  组合框最低难度.setItems({std::begin(kDifficulties), std::end(kDifficulties)});
  组合框最高难度.setItems({std::begin(kDifficulties), std::end(kDifficulties)});
  for (int i = 0; i < 9; ++i) {
    组合框最低难度.setItemData(i, i + 1);
    组合框最高难度.setItemData(i, i + 1);
  }
  组合框大题编号后缀.setSelectedIndex(0);
  组合框选项编号类型.setSelectedIndex(0);
  组合框选项编号后缀.setSelectedIndex(0);
  组合框最低难度.setSelectedIndex(0);
  组合框最高难度.setSelectedIndex(8);
  按钮A卷.setEnabled(false);
  按钮B卷.setEnabled(false);
  纵向滚动条1.setRange(0, 200);
  纵向滚动条1.setPageStep(10);
  纵向滚动条1.setLineStep(1);
  纵向滚动条1.setPosition(0);

  高级表格1.setGeometry({0, 0, 860, 520});
  高级表格题型排序分值.setGeometry({0, 0, 300, 170});
  高级表格A卷题型分值.setGeometry({0, 0, 140, 150});
  高级表格B卷题型分值.setGeometry({0, 0, 140, 150});
  BuildLayout();

  菜单保存方案.onChoose = [this] { SavePlan(); };
  菜单打开方案.onChoose = [this] { OpenPlan(); };
  菜单A卷导出Moodle.onChoose = [this] { ExportPaperToMoodle('A'); };
  菜单B卷导出Moodle.onChoose = [this] { ExportPaperToMoodle('B'); };
  菜单难度说明.onChoose = [this] { EditDifficultyDescription(); };
  菜单组卷帮助.onChoose = [this] { ShowHelp(); };
  菜单编号设置.onChoose = [this] { OpenNumberingWindow(); };
  菜单升序.onChoose = [this] { SortColumn(true); };
  菜单降序.onChoose = [this] { SortColumn(false); };
  菜单全选.onChoose = [this] { MarkSelectedRows(1); };
  菜单清空.onChoose = [this] { MarkSelectedRows(0); };
  菜单取反.onChoose = [this] { MarkSelectedRows(-1); };

  组合框大题编号类型.onSelectionChanged = [this] { UpdateGenerateButtons(); };
  组合框大题编号类型.onRightButtonUp = [this](int x, int y, int) {
    菜单大题.Popup(组合框大题编号类型.left() + x, 组合框大题编号类型.top() + y);
    return true;
  };
  组合框最高难度.onListOpened = [this] {
    FillDifficultyList(组合框最高难度,
                       static_cast<int>(std::max<std::int64_t>(1, text::ToInteger(组合框最低难度.text()))),
                       9, highestRemembered_);
  };
  组合框最低难度.onListOpened = [this] {
    const auto highest = text::ToInteger(组合框最高难度.text());
    FillDifficultyList(组合框最低难度, 1, static_cast<int>(highest < 1 ? 9 : highest),
                       lowestRemembered_);
  };
  组合框最高难度.onSelectionChanged = [this] {
    if (组合框最高难度.selectedIndex() < 0) 组合框最高难度.setText(highestRemembered_);
  };
  组合框最低难度.onSelectionChanged = [this] {
    if (组合框最低难度.selectedIndex() < 0) 组合框最低难度.setText(lowestRemembered_);
  };
  按钮自动组卷.onClick = [this] { OpenAutoCompose(); };
  按钮A卷.onClick = [this] { GeneratePaper('A'); };
  按钮B卷.onClick = [this] { GeneratePaper('B'); };
  纵向滚动条1.onPositionChanged = [this] { RowHeightMoved(); };

  高级表格1.onLeftButtonUp = [this](int, int, int) { return ComposeLeftButtonUp(); };
  高级表格1.onRightButtonUp = [this](int x, int y, int) { return ComposeRightButtonUp(x, y); };
  高级表格1.onDoubleClick = [this](int, int, int) {
    const int row = 高级表格1.CursorRow();
    if (row >= 1 && 高级表格1.CursorColumn() <= kColType) PreviewQuestion(row);
    return true;
  };
  高级表格1.onKeyDown = [](int key, int) { return key != ui::kKeyDelete; };
  高级表格1.EditBegun = [this] { ComposeEditBegun(); };
  高级表格1.CellEdited = [this] { ComposeCellEdited(); };
  高级表格1.ColumnResized = [this](int) { RestoreCursor(); };

  高级表格题型排序分值.onLeftButtonUp = [this](int, int, int) { return TypeOrderLeftButtonUp(); };
  高级表格题型排序分值.onRightButtonUp = [this](int, int, int) { return TypeOrderRightButtonUp(); };
  高级表格题型排序分值.onKeyDown = [](int key, int) { return key != ui::kKeyDelete; };
  高级表格题型排序分值.EditBegun = [this] { TypeOrderEditBegun(); };
  高级表格题型排序分值.CellEdited = [this] { TypeOrderCellEdited(); };

  onCreated = [this] { Opening(); };
  onMayClose = [this] { return MayClose(); };
  onDestroyed = [this] {
    if (autoCompose_ && autoCompose_->isOpen()) autoCompose_->Destroy();
    if (help_ && help_->isOpen()) help_->Destroy();
  };
}

ComposeWindow::~ComposeWindow() {
  if (autoCompose_ && autoCompose_->isOpen()) autoCompose_->Destroy();
}

void ComposeWindow::BuildLayout() {
  using namespace ui::layout;
  setLayout(column({
      row({
              unit(高级表格1, 4),
              column({unit(标签行高), unit(纵向滚动条1, 1)}),
              spacing(6),
              column({
                         group(分组框题型排序, column({unit(高级表格题型排序分值, 1)}), 2),
                         row({group(分组框A卷题型分值,
                                    column({unit(高级表格A卷题型分值, 1),
                                            row({unit(标签A卷总分), unit(A卷总分, 1)})}),
                                    1),
                              group(分组框B卷题型分值,
                                    column({unit(高级表格B卷题型分值, 1),
                                            row({unit(标签B卷总分), unit(B卷总分, 1)})}),
                                    1)},
                             2),
                         row({group(分组框相似度, row({unit(标签相似度, 1), unit(标签百分号)}), 1),
                              group(分组框难度说明, row({unit(标签2, 1)}), 2)}),
                     },
                     2),
          },
          1),
      row({
          group(分组框输出, grid({at(unit(单选框word), 0, 0), at(unit(单选框pdf), 0, 1),
                                at(unit(单选框html), 1, 0)})),
          group(分组框编号,
                grid({at(unit(标签大题编号类型), 0, 0), at(unit(组合框大题编号类型), 0, 1),
                      at(unit(标签大题编号后缀), 0, 2), at(unit(组合框大题编号后缀), 0, 3),
                      at(unit(选择框大题分值), 0, 4), at(unit(选择框小题连续编号), 0, 5),
                      at(unit(标签选项编号类型), 1, 0), at(unit(组合框选项编号类型), 1, 1),
                      at(unit(标签选项编号后缀), 1, 2), at(unit(组合框选项编号后缀), 1, 3),
                      at(unit(选择框选项换行), 1, 4)})),
          group(分组框自动组卷难度,
                grid({at(unit(标签最低难度), 0, 0), at(unit(组合框最低难度), 0, 1),
                      at(unit(标签最高难度), 1, 0), at(unit(组合框最高难度), 1, 1)})),
          stretch(1),
          column({unit(按钮自动组卷), row({unit(按钮A卷), unit(按钮B卷)})}),
      }),
  }));
}

// ---- Opening --------------------------------------------------------------------

void ComposeWindow::Opening() {
  cellEditContext = CellEditContext{};
  courseName_ = ctx_.selectedCourse.name;
  coursePosition_ = ctx_.selectedCourse.position;
  shortOfLabels_ = false;
  if (host().WordProcessorAvailable()) {
    单选框word.setEnabled(true);
    单选框html.setEnabled(true);
    单选框word.setChecked(true);
  }
  if (ctx_.Show(databases::OpenCourseLibrary(ctx_.db()))) {
    databases::CourseLibrary library(ctx_.engine);
    if (auto course = library.CourseAt(coursePosition_)) 标签2.setText(course->difficultyNote);
  }
  LoadComposeGrid();
  高级表格A卷题型分值.SetCellData(0, 0, ui::CellKind::Text, std::string("题型"));
  高级表格A卷题型分值.SetCellData(0, 1, ui::CellKind::Text, std::string("分值"));
  高级表格B卷题型分值.SetCellData(0, 0, ui::CellKind::Text, std::string("题型"));
  高级表格B卷题型分值.SetCellData(0, 1, ui::CellKind::Text, std::string("分值"));
  高级表格A卷题型分值.SetRangeAlignment(0, 0, 0, 1, 2);
  高级表格B卷题型分值.SetRangeAlignment(0, 0, 0, 1, 2);
  const char* paperHeadings[] = {"",     "题目文本1", "题目图片1", "题目文本2", "答案",
                                 "答案图片", "题型",      "分值",      "",          ""};
  for (int c = 0; c < 10; ++c)
    高级表格2.SetCellData(0, c, ui::CellKind::Text, std::string(paperHeadings[c]));
  LoadTypeOrder();
  RecomputeTypeScores();
  LoadNumberingTypes();
}

void ComposeWindow::LoadComposeGrid() {
  auto& g = 高级表格1;
  g.ClearPendingListItems();
  for (const char* d : kDifficulties) g.AddPendingListItem(d);
  g.SetColumnType(kColDifficulty, ui::ColumnType::DropDown);
  g.SetColumnType(kColScore, ui::ColumnType::Numeric);
  for (int c : {kColFixedScore, kColMasked, kColA, kColB}) g.SetColumnType(c, ui::ColumnType::CheckBox);
  g.SetColumnType(kColRecordId, ui::ColumnType::Numeric);
  for (int c = 0; c < kComposeColumnCount; ++c) g.SetColumnWidth(c, kColumnWidths[c]);

  g.SetRowCount(1);
  const int headingFields[] = {1, 2, 3, 4, 5, 6, 9, 10, 11, 13, 14};
  for (int c = 0; c <= kColMasked; ++c)
    g.SetCellData(0, c, ui::CellKind::Text,
                  std::string(databases::kQuestionFieldNames[headingFields[c] - 1]));
  g.SetCellData(0, kColA, ui::CellKind::Text, std::string("A卷"));
  g.SetCellData(0, kColB, ui::CellKind::Text, std::string("B卷"));

  std::vector<databases::Question> questions;
  databases::CourseBank bank(ctx_.engine, courseName_);
  if (!bank.ReadAll(questions)) host().Message(this, bank.lastError().message);
  stored_.clear();
  stored_.reserve(questions.size());
  g.SetRowCount(static_cast<int>(questions.size()) + 1);
  int n = 0;
  for (std::size_t i = 0; i < questions.size(); ++i) {
    const databases::Question& q = questions[i];
    const int r = static_cast<int>(i) + 1;
    g.SetCellData(r, kColKnowledge, ui::CellKind::Text, q.knowledgePoints);
    g.SetCellData(r, kColGroupName, ui::CellKind::Text, q.groupName);
    g.SetCellData(r, kColGroupNumber, ui::CellKind::Text, q.groupNumber);
    g.SetCellData(r, kColText1, ui::CellKind::Text, q.text1);
    g.SetCellData(r, kColPicture, ui::CellKind::Text, q.pictureMark);
    g.SetCellData(r, kColText2, ui::CellKind::Text, q.text2);
    g.SetCellData(r, kColType, ui::CellKind::Text, q.type);
    g.SetCellData(r, kColDifficulty, ui::CellKind::Text, std::to_string(q.difficulty));
    g.SetCellData(r, kColScore, ui::CellKind::Text, q.score);
    g.SetCellData(r, kColFixedScore, ui::CellKind::Check, q.fixedScore);
    g.SetCellData(r, kColMasked, ui::CellKind::Check, q.masked);
    g.SetCellData(r, kColRecordId, ui::CellKind::Text, q.id);
    stored_[q.id] = Stored{q.difficulty, q.score, q.fixedScore, q.masked};
    if (q.countsAsOne()) ++n;
  }
  setCaption("组卷 —— " + courseName_ + "（共 " + std::to_string(n) + " 题）");
  SortByGroup();
}

void ComposeWindow::RestyleRows() {
  auto& g = 高级表格1;
  const int last = g.RowCount() - 1;
  g.SetRangeAlignment(0, 0, 0, kColRecordId, 2);
  if (last >= 1) {
    g.SetRangeAlignment(1, kColPicture, last, kColPicture, 2);
    g.SetRangeAlignment(1, kColType, last, kColB, 2);
    g.SetRangeReadOnly(1, 0, last, kColType, true);
  }
  const int h = rowHeight();
  for (int r = 1; r <= last; ++r) g.SetRowHeight(r, h);
  rowIndexValid_ = false;
}

void ComposeWindow::SortByGroup() {
  auto& g = 高级表格1;
  const int last = g.RowCount() - 1;
  if (last >= 1) {
    ui::SortGridRows(*this, g, kColGroupName, 1, last, ui::kSortText, true, false);
    ui::SortWithinGroups(*this, g, kColGroupName, kColGroupNumber, true);
  }
  RestyleRows();
}

void ComposeWindow::SortColumn(bool ascending) {
  auto& g = 高级表格1;
  const int col = g.CursorColumn();
  const int row = g.CursorRow();
  const int last = g.RowCount() - 1;
  if (last >= 1 && col >= 0 && col < kColRecordId) {
    if (col == kColGroupName) {
      ui::SortGridRows(*this, g, kColGroupName, 1, last, ui::kSortText, true, ascending);
      ui::SortWithinGroups(*this, g, kColGroupName, kColGroupNumber, true);
    } else if (col == kColScore) {
      ui::SortGridRows(*this, g, col, 1, last, ui::kSortNumeric, true, ascending);
    } else if (col >= kColFixedScore) {
      // Check cells hold no text; their state is what a person sorts by.
      ui::SortGridRows(*this, g, col, 1, last, ui::kSortCheckState, true, ascending);
    } else {
      ui::SortGridRows(*this, g, col, 1, last, ui::kSortText, true, ascending);
    }
    ctx_.groupOrderFlag = col == kColGroupName;
  }
  RestyleRows();
  g.SetCursorCell(row, col);
}

void ComposeWindow::RowHeightMoved() {
  const int h = rowHeight();
  for (int r = 1; r < 高级表格1.RowCount(); ++r) 高级表格1.SetRowHeight(r, h);
  if (cellEditContext.set && cellEditContext.row < 高级表格1.RowCount()) {
    高级表格1.SetCursorCell(cellEditContext.row, kColPicture);
    高级表格1.SelectRange(cellEditContext.row, kColPicture);
  }
}

void ComposeWindow::RestoreCursor() {
  const auto& c = cellEditContext;
  if (!c.set || c.row >= 高级表格1.RowCount()) return;
  高级表格1.SetCursorCell(c.row, c.column);
  高级表格1.SelectRange(c.row, c.column);
}

void ComposeWindow::FillDifficultyList(ui::ComboBox& list, int from, int to,
                                       std::string& remembered) {
  remembered = list.text();
  list.Clear();
  for (int d = std::clamp(from, 1, 9); d <= std::clamp(to, 1, 9); ++d)
    list.AddItem(std::to_string(d), d);
  list.setSelectedIndex(list.FindItem(remembered));
  if (list.selectedIndex() < 0) list.setText(remembered);
}

// ---- Rows and the bank -------------------------------------------------------------

void ComposeWindow::RefreshRowIndex() {
  if (rowIndexValid_) return;
  rowOfId_.clear();
  rowOfId_.reserve(static_cast<std::size_t>(高级表格1.RowCount()));
  for (int r = 1; r < 高级表格1.RowCount(); ++r) rowOfId_[RecordIdOf(r)] = r;
  rowIndexValid_ = true;
}

int ComposeWindow::RowOfId(std::int64_t id) const {
  const_cast<ComposeWindow*>(this)->RefreshRowIndex();
  const auto it = rowOfId_.find(id);
  return it == rowOfId_.end() ? 0 : it->second;
}

std::int64_t ComposeWindow::RecordIdOf(int row) const {
  return text::ToInteger(高级表格1.cellText(row, kColRecordId));
}

std::vector<int> ComposeWindow::GroupRows(const std::string& groupName) const {
  std::vector<int> rows;
  if (groupName.empty()) return rows;
  for (int r = 1; r < 高级表格1.RowCount(); ++r)
    if (高级表格1.cellText(r, kColGroupName) == groupName) rows.push_back(r);
  return rows;
}

int ComposeWindow::TitleRowOf(const std::string& groupName) const {
  if (groupName.empty()) return 0;
  for (int r = 1; r < 高级表格1.RowCount(); ++r)
    if (高级表格1.cellText(r, kColGroupName) == groupName &&
        高级表格1.cellText(r, kColGroupNumber) == "0")
      return r;
  return 0;
}

ComposeWindow::Stored ComposeWindow::GridValues(int row) const {
  const auto& g = 高级表格1;
  return Stored{static_cast<int>(text::ToInteger(g.cellText(row, kColDifficulty))),
                static_cast<int>(text::ToInteger(g.cellText(row, kColScore))),
                g.cellChecked(row, kColFixedScore), g.cellChecked(row, kColMasked)};
}

void ComposeWindow::Remember(int row) { stored_[RecordIdOf(row)] = GridValues(row); }

bool ComposeWindow::Store(const std::vector<RowChange>& changes) {
  if (changes.empty()) return true;
  std::vector<std::pair<std::int64_t, databases::QuestionChanges>> batch;
  batch.reserve(changes.size());
  for (const RowChange& c : changes) batch.emplace_back(RecordIdOf(c.row), c.changes);
  databases::CourseBank bank(ctx_.engine, courseName_);
  if (!bank.UpdateMany(batch)) {
    host().Message(this, bank.lastError().message);
    return false;
  }
  for (const auto& [id, c] : batch) {
    Stored& s = stored_[id];
    if (c.difficulty) s.difficulty = *c.difficulty;
    if (c.score) s.score = *c.score;
    if (c.fixedScore) s.fixedScore = *c.fixedScore;
    if (c.masked) s.masked = *c.masked;
  }
  return true;
}

bool ComposeWindow::WriteBackGridEdits() {
  std::vector<RowChange> changes;
  for (int r = 1; r < 高级表格1.RowCount(); ++r) {
    const Stored now = GridValues(r);
    const auto it = stored_.find(RecordIdOf(r));
    if (it != stored_.end() && it->second.difficulty == now.difficulty &&
        it->second.score == now.score && it->second.fixedScore == now.fixedScore &&
        it->second.masked == now.masked)
      continue;
    RowChange c;
    c.row = r;
    c.changes.difficulty = now.difficulty;
    c.changes.score = now.score;
    c.changes.fixedScore = now.fixedScore;
    c.changes.masked = now.masked;
    changes.push_back(std::move(c));
  }
  return Store(changes);
}

// ---- Commands -------------------------------------------------------------------

void ComposeWindow::PreviewQuestion(int row) {
  const auto& g = 高级表格1;
  ui::Bytes picture;
  if (g.cellText(row, kColPicture) == databases::kPictureMark) {
    databases::CourseBank bank(ctx_.engine, courseName_);
    picture = bank.ReadPicture(RecordIdOf(row), databases::PictureKind::Question);
  }
  bank_editor::pictures::QuestionPreviewWindow preview(host(), g.cellText(row, kColText1),
                                                       std::move(picture),
                                                       g.cellText(row, kColText2));
  host().ShowModal(preview, this);
}

void ComposeWindow::EditDifficultyDescription() {
  bank_editor::pictures::DifficultyDescriptionWindow window(ctx_);
  host().ShowModal(window, this);
  标签2.setText(window.description());
}

void ComposeWindow::ShowHelp() {
  if (!help_) help_ = std::make_unique<ComposeHelpWindow>(host());
  if (!help_->isOpen()) host().ShowModeless(*help_, this);
}

ui::Window* ComposeWindow::autoComposeWindow() const {
  return autoCompose_ && autoCompose_->isOpen() ? autoCompose_.get() : nullptr;
}

void ComposeWindow::CloseAutoCompose() {
  if (ui::Window* w = autoComposeWindow()) w->Close();
}

void ComposeWindow::OpenAutoCompose() {
  if (autoComposeWindow()) return;
  if (!ctx_.makeAutoComposeWindow) {
    host().Message(this, "本版本尚未提供自动组卷功能。");
    return;
  }
  WriteBackGridEdits();
  组合框最低难度.setEnabled(false);
  组合框最高难度.setEnabled(false);
  autoCompose_ = ctx_.makeAutoComposeWindow(ctx_, this);
  if (!autoCompose_) {
    组合框最低难度.setEnabled(true);
    组合框最高难度.setEnabled(true);
    return;
  }
  host().ShowModeless(*autoCompose_, this);
}

bool ComposeWindow::MayClose() {
  if (ui::Window* w = autoComposeWindow()) {
    if (!w->Close()) return false;
  }
  WriteBackGridEdits();
  return true;
}

std::unique_ptr<ui::Window> MakeComposeWindow(app::AppContext& ctx, ui::Window* /*owner*/) {
  return std::make_unique<ComposeWindow>(ctx);
}

}  // namespace compose
