#include "bank_editor/bank_editor_window.h"

#include <algorithm>

#include "bank_editor/bank_grid.h"
#include "bank_editor/help_window.h"
#include "bank_editor/question_text_editor.h"
#include "text/text.h"
#include "ui/host.h"
#include "ui/layout.h"
#include "ui/shared_helpers.h"

namespace bank_editor {

namespace {
constexpr int kDesignWidth = 960;
constexpr int kDesignHeight = 600;
constexpr int kBarHeight = 44;
constexpr int kStatusHeight = 22;
constexpr int kAddButton = 0;
constexpr int kDeleteButton = 1;
}  // namespace

BankEditorWindow::BankEditorWindow(app::AppContext& ctx)
    : ui::Window(ctx.host, "题库编辑", kDesignWidth, kDesignHeight),
      工具条1(*this, "工具条1"),
      分组框1(*this, "分组框1", "查找"),
      编辑框1(*this, "编辑框1"),
      按钮从头查找(*this, "按钮从头查找", "从头"),
      按钮从当前查找(*this, "按钮从当前查找", "从当前"),
      按钮下一个(*this, "按钮下一个", "下一个"),
      标签1(*this, "标签1", "行高："),
      横向滚动条1(*this, "横向滚动条1", ui::ScrollBar::Orientation::Horizontal),
      按钮自动行高(*this, "按钮自动行高", "自动"),
      高级表格1(*this, "高级表格1", ui::grid_presets::kBankEditor),
      状态条1(*this, "状态条1", 1),
      菜单题型(*this, "题型(&T)"),
      菜单题型编辑(菜单题型, "编辑(&E)"),
      菜单试题(*this, "试题(&Q)"),
      菜单添加(菜单试题, "添加(&A)"),
      菜单删除(菜单试题, "删除(&D)"),
      菜单试题分隔(菜单试题, ui::kSeparator),
      菜单导入(菜单试题, "导入(&R)"),
      菜单导出(菜单试题, "导出(&C)"),
      菜单从文档导入(菜单试题, "从文档导入(&W)…"),
      菜单导出Moodle(菜单试题, "导出为Moodle XML(&M)…"),
      菜单难度(*this, "难度(&N)"),
      菜单难度说明(菜单难度, "说明(&E)"),
      菜单帮助(*this, "帮助(&H)"),
      菜单题库编辑帮助(菜单帮助, "题库编辑帮助(&H)"),
      右键菜单(*this, "右键菜单(&R)"),
      菜单预览图片(右键菜单, "预览图片(&Y)"),
      菜单复制图片(右键菜单, "复制图片(&C)"),
      菜单从剪贴板导入(右键菜单, "从剪贴板导入(&P)"),
      菜单从文件添加(右键菜单, "从文件添加(&T)"),
      菜单删除图片(右键菜单, "删除图片(&D)"),
      菜单升序(右键菜单, "升序(&A)"),
      菜单降序(右键菜单, "降序(&S)"),
      菜单复制该题并粘贴(右键菜单, "复制该题并粘贴(&C)"),
      ctx_(ctx),
      cellCommit_(*this, groupEditing_),
      groupEditing_(*this),
      pictures_(*this),
      find_(*this) {
  groupEditing_.setCellCommit(cellCommit_);
  工具条1.AddButton("添加", "add");
  工具条1.AddButton("删除", "delete");
  右键菜单.setVisible(false);
  横向滚动条1.setRange(1, 500);
  横向滚动条1.setPageStep(10);
  横向滚动条1.setLineStep(1);
  横向滚动条1.setPosition(ui::grid_presets::kBankEditor.rowHeight - 10);
  按钮从头查找.setEnabled(false);
  按钮从当前查找.setEnabled(false);
  按钮下一个.setEnabled(false);
  编辑框1.setMultiLine(false);

  // Design geometry; LayoutBankEditor keeps the stated relations on resize.
  工具条1.setGeometry({0, 0, 64, kBarHeight});
  分组框1.setGeometry({70, 0, 420, kBarHeight});
  编辑框1.setGeometry({78, 16, 180, 22});
  按钮从头查找.setGeometry({264, 16, 70, 22});
  按钮从当前查找.setGeometry({338, 16, 70, 22});
  按钮下一个.setGeometry({412, 16, 70, 22});
  标签1.setGeometry({0, 18, 40, 20});
  横向滚动条1.setGeometry({0, 18, 100, 20});
  按钮自动行高.setGeometry({0, 16, 50, 22});
  高级表格1.setGeometry({0, kBarHeight + 4, kDesignWidth, 0});
  状态条1.setGeometry({0, kDesignHeight - kStatusHeight, kDesignWidth, kStatusHeight});
  BuildLayout();

  工具条1.onButtonClicked = [this](int index) {
    if (index == kAddButton) AddQuestion();
    if (index == kDeleteButton) DeleteQuestions();
  };
  菜单题型编辑.onChoose = [this] { EditQuestionTypes(); };
  菜单添加.onChoose = [this] { AddQuestion(); };
  菜单删除.onChoose = [this] { DeleteQuestions(); };
  菜单导入.onChoose = [this] { ImportBank(); };
  菜单导出.onChoose = [this] { ExportBank(); };
  菜单从文档导入.onChoose = [this] { ImportFromDocument(); };
  菜单导出Moodle.onChoose = [this] { ExportToMoodle(); };
  菜单难度说明.onChoose = [this] { EditDifficultyDescription(); };
  菜单题库编辑帮助.onChoose = [this] { ShowHelp(); };
  菜单预览图片.onChoose = [this] { PreviewPicture(); };
  菜单复制图片.onChoose = [this] { CopyPicture(); };
  菜单从剪贴板导入.onChoose = [this] { ImportPictureFromClipboard(); };
  菜单从文件添加.onChoose = [this] { AddPictureFromFile(); };
  菜单删除图片.onChoose = [this] { DeletePicture(); };
  菜单升序.onChoose = [this] { SortColumn(true); };
  菜单降序.onChoose = [this] { SortColumn(false); };
  菜单复制该题并粘贴.onChoose = [this] { CopyQuestion(); };

  编辑框1.onTextChanged = [this] { find_.TextChanged(); };
  按钮从头查找.onClick = [this] { FindFromStart(); };
  按钮从当前查找.onClick = [this] { FindFromCurrent(); };
  按钮下一个.onClick = [this] { FindNext(); };
  横向滚动条1.onPositionChanged = [this] { RowHeightMoved(); };
  按钮自动行高.onClick = [this] { FitRowHeights(); };

  高级表格1.onLeftButtonDown = [this](int, int, int) { return LeftButtonDown(); };
  高级表格1.onLeftButtonUp = [this](int, int, int) { return LeftButtonUp(); };
  高级表格1.onDoubleClick = [this](int, int, int) { return DoubleClicked(); };
  高级表格1.onRightButtonUp = [this](int x, int y, int) { return RightButtonUp(x, y); };
  高级表格1.onKeyDown = [this](int key, int) { return KeyDown(key); };
  高级表格1.EditBegun = [this] { EditBegun(); };
  高级表格1.CellEdited = [this] { CellEdited(); };
  高级表格1.HeaderClicked = [this](int, int) { HeaderClicked(); };
  高级表格1.ColumnResized = [this](int) { GoToCell(state_.currentRow, state_.currentColumn); };
  // A view lays the grid out after the window's size handler ran.
  高级表格1.cellAreaResized = [this] {
    if (isOpen()) FitColumns();
  };

  onCreated = [this] { Opening(); };
  onMayClose = [this] { return MayClose(); };
  onSizeChanged = [this] { LayoutBankEditor(); };
  onDestroyed = [this] {
    if (help_) help_->Destroy();
  };
}

BankEditorWindow::~BankEditorWindow() = default;

void BankEditorWindow::BuildLayout() {
  using namespace ui::layout;
  setLayout(column({
      row({unit(工具条1),
           group(分组框1, row({unit(编辑框1, 1), unit(按钮从头查找), unit(按钮从当前查找),
                               unit(按钮下一个)})),
           stretch(1), unit(标签1), unit(横向滚动条1, 1), unit(按钮自动行高), stretch(1)}),
      unit(高级表格1, 1),
      unit(状态条1),
  }));
}

databases::DatabaseContext BankEditorWindow::DbContext() {
  return databases::DatabaseContext{ctx_.engine, ctx_.dataDir};
}

bool BankEditorWindow::MakeBankCurrent() {
  if (ctx_.engine.SetCurrent(courseName_)) return true;
  return app::ShowResult(host(), this, databases::OpenCourseBank(DbContext(), courseName_, false));
}

void BankEditorWindow::Opening() {
  state_ = EditorState{};
  courseName_ = ctx_.selectedCourse.name;
  if (!MakeBankCurrent()) {
    Destroy();
    return;
  }
  model_ = std::make_unique<BankModel>(ctx_.engine, courseName_);
  if (!model_->Load()) host().Message(this, model_->lastError().message);
  // The rows first: whether the grid needs a scroll bar sets the widths.
  高级表格1.SetRowCount(static_cast<int>(model_->size()) + 1);
  for (int c = kColKnowledge; c <= kColMasked; ++c)
    高级表格1.SetCellData(0, c, ui::CellKind::Text, std::string(ColumnHeading(c)));
  SetUpBankColumns(高级表格1);
  LayoutBankEditor();
  FillGrid();
  菜单删除.setEnabled(false);
  工具条1.setButtonEnabled(kDeleteButton, false);
  RestyleRows();
}

void BankEditorWindow::RefreshTypeDropDown() {
  bank_editor::RefreshTypeDropDown(高级表格1, DbContext(), host(), this);
}

std::vector<std::string> BankEditorWindow::QuestionTypes() {
  return QuestionTypeNames(DbContext(), host(), this);
}

void BankEditorWindow::LoadBankGrid() {
  if (model_ && !model_->Load()) host().Message(this, model_->lastError().message);
  FillGrid();
}

void BankEditorWindow::FillGrid() {
  RefreshTypeDropDown();
  高级表格1.ClearPendingListItems();
  for (int d = 1; d <= 9; ++d) 高级表格1.AddPendingListItem(std::to_string(d));
  高级表格1.SetColumnType(kColDifficulty, ui::ColumnType::DropDown);
  if (!MakeBankCurrent()) return;
  state_.topLevelCount = FillBankGrid(高级表格1, *model_);
  UpdateEditorCaption();
  GroupSort(false);
}

// ---- The bank's questions -------------------------------------------------------

const databases::Question& BankEditorWindow::RowQuestion(int row) const {
  static const databases::Question none;
  if (!model_ || row < 1 || row >= 高级表格1.RowCount()) return none;
  const databases::Question* q = model_->Find(RowRecordId(高级表格1, row));
  return q ? *q : none;
}

const std::string& BankEditorWindow::PictureMarkAt(int row, int column) const {
  const databases::Question& q = RowQuestion(row);
  return column == kColAnswerPicture ? q.answerPictureMark : q.pictureMark;
}

bool BankEditorWindow::StoreChanges(int row, const databases::QuestionChanges& changes) {
  if (!model_->Update(RowRecordId(高级表格1, row), changes)) {
    host().Message(this, model_->lastError().message);
    return false;
  }
  ShowChanges(高级表格1, row, changes);
  return true;
}

bool BankEditorWindow::StoreRows(
    const std::vector<std::pair<int, databases::QuestionChanges>>& writes) {
  std::vector<std::pair<std::int64_t, databases::QuestionChanges>> changes;
  changes.reserve(writes.size());
  for (const auto& [row, change] : writes) changes.emplace_back(RowRecordId(高级表格1, row), change);
  if (!model_->UpdateMany(changes)) {
    host().Message(this, model_->lastError().message);
    return false;
  }
  for (const auto& [row, change] : writes) ShowChanges(高级表格1, row, change);
  return true;
}

bool BankEditorWindow::StoreTextCell(int row, int column, const std::string& value) {
  return StoreChanges(row, TextChange(column, value));
}

ui::Bytes BankEditorWindow::ReadPictureData(int row, databases::PictureKind kind) {
  return model_->ReadPicture(RowRecordId(高级表格1, row), kind);
}

std::vector<int> BankEditorWindow::GroupRows(const std::string& groupName) const {
  std::vector<int> rows;
  for (int r = 1; r < 高级表格1.RowCount(); ++r)
    if (RowQuestion(r).groupName == groupName) rows.push_back(r);
  return rows;
}

void BankEditorWindow::RecountQuestions() {
  state_.topLevelCount = CountTopLevel(*model_);
  UpdateEditorCaption();
}

void BankEditorWindow::CommitCellEdit(int row, int column) { cellCommit_.Commit(row, column); }

bool BankEditorWindow::EditGroupName(int row, const std::string& content) {
  return groupEditing_.EditGroupName(row, content);
}

void BankEditorWindow::GroupSort(bool ascending) {
  GroupSortRows(*this, 高级表格1, ascending);
  state_.groupSortAscending = ascending;
  RestyleRows();
}

void BankEditorWindow::RestyleRows() { StyleBankRows(高级表格1, QuestionRowHeight()); }

void BankEditorWindow::UpdateEditorCaption() {
  setCaption(EditorCaption(courseName_, state_.topLevelCount));
}

void BankEditorWindow::LayoutBankEditor() {
  const int c = width();
  const int barWidth = (c - 分组框1.left() - 分组框1.width()) / 3;
  const int barLeft = c - 2 * barWidth + 标签1.width();
  横向滚动条1.setLeft(barLeft);
  横向滚动条1.setWidth(std::max(0, barWidth));
  按钮自动行高.setLeft(barLeft + barWidth);
  标签1.setLeft(barLeft - 标签1.width());
  状态条1.setGeometry({0, height() - kStatusHeight, c, kStatusHeight});
  高级表格1.setHeight(std::max(0, 状态条1.top() - 高级表格1.top()));
  高级表格1.setWidth(c);
  FitColumns();
}

void BankEditorWindow::FitColumns() {
  const std::vector<int> widths = BankColumnWidths(高级表格1.cellAreaWidth());
  for (int col = 0; col < kBankColumnCount; ++col) 高级表格1.SetColumnWidth(col, widths[col]);
}

void BankEditorWindow::GoToCell(int row, int column) {
  state_.currentRow = row;
  state_.currentColumn = column;
  高级表格1.SetCursorCell(row, column);
  高级表格1.SelectRange(row, column);
}

void BankEditorWindow::UpdateDeleteCommands() {
  const bool on = state_.currentRow >= 1 && state_.currentRow < 高级表格1.RowCount();
  菜单删除.setEnabled(on);
  工具条1.setButtonEnabled(kDeleteButton, on);
}

// ---- Leaving a row ------------------------------------------------------------

bool BankEditorWindow::ValidateQuestionRow(int row) {
  if (row < 1 || row >= 高级表格1.RowCount()) return true;
  const std::optional<RuleFailure> failure = CheckQuestionRules(RowQuestion(row));
  if (!failure) return true;
  GoToCell(row, failure->column);
  host().Message(this, failure->message);
  return false;
}

// Every accepted change is written at once and kept in the model, each
// refused one put back, so the bank's questions are compared in memory
// through the model's content index rather than read record by record.
bool BankEditorWindow::FindDuplicateQuestion(int row) {
  if (row < 1 || row >= 高级表格1.RowCount()) return false;
  if (model_->FindDuplicate(RowRecordId(高级表格1, row)) == 0) return false;
  GoToCell(row, kColText1);
  host().Message(this, "试题重复！");
  return true;
}

bool BankEditorWindow::LeaveRowCheck() {
  return ValidateQuestionRow(state_.pressedRow) && !FindDuplicateQuestion(state_.pressedRow);
}

// ---- Grid events --------------------------------------------------------------

bool BankEditorWindow::LeftButtonDown() {
  state_.pressedRow = 高级表格1.CursorRow();
  return true;
}

bool BankEditorWindow::LeftButtonUp() {
  auto& g = 高级表格1;
  state_.currentRow = g.CursorRow();
  if (state_.pressedRow >= 1 && state_.currentRow != state_.pressedRow && !LeaveRowCheck())
    return false;  // the cursor went back to the row being left
  CellEntered();
  return true;
}

void BankEditorWindow::CellEntered() {
  auto& g = 高级表格1;
  state_.currentColumn = g.CursorColumn();
  const int row = state_.currentRow;
  const int col = state_.currentColumn;
  const bool startsHere = g.SelectionFirstRow() == row && g.SelectionFirstColumn() == col;
  const bool inPlaceColumn = col == kColGroupNumber || col > kColAnswerPicture;
  const bool titleScore = col == kColScore && RowQuestion(row).isTitle();
  g.SetEditable(startsHere && inPlaceColumn && !titleScore);
  UpdateDeleteCommands();
}

// The arrow and page keys leave a row just as a click elsewhere does, so the
// row is checked first; the editor moves the cursor itself to stay in step.
bool BankEditorWindow::KeyDown(int key) {
  auto& g = 高级表格1;
  const int row = g.CursorRow();
  int r = row, c = g.CursorColumn();
  switch (key) {
    case ui::kKeyDelete: return false;
    case ui::kKeyLeft: --c; break;
    case ui::kKeyRight: ++c; break;
    case ui::kKeyUp: --r; break;
    case ui::kKeyDown: ++r; break;
    case ui::kKeyHome: c = 0; break;
    case ui::kKeyEnd: c = kColMasked; break;
    case ui::kKeyPageUp: r -= 10; break;
    case ui::kKeyPageDown: r += 10; break;
    default: return true;
  }
  if (g.RowCount() < 2) return false;
  r = std::clamp(r, 1, g.RowCount() - 1);
  c = std::clamp(c, 0, static_cast<int>(kColMasked));
  if (r != row && row >= 1) {
    state_.pressedRow = row;
    if (!LeaveRowCheck()) return false;
  }
  g.SetCursorCell(r, c);
  g.SelectRange(r, c);
  state_.pressedRow = r;
  state_.currentRow = r;
  CellEntered();
  return false;
}

void BankEditorWindow::HeaderClicked() {
  if (state_.currentRow == 1 && !ValidateQuestionRow(state_.pressedRow)) return;
  菜单删除.setEnabled(false);
  工具条1.setButtonEnabled(kDeleteButton, false);
}

bool BankEditorWindow::DoubleClicked() {
  auto& g = 高级表格1;
  const int col = g.CursorColumn();
  state_.currentColumn = col;
  const int row = state_.currentRow;
  if (row < 1 || row >= g.RowCount()) return true;
  const bool title = RowQuestion(row).isTitle();
  if (col > kColAnswerPicture) {
    g.SetEditable(!(col == kColScore && title));
    return true;
  }
  g.SetEditable(false);
  if (col == kColPicture || col == kColAnswerPicture) {
    // An empty picture cell has nothing to show and no text to edit.
    if (!(col == kColAnswerPicture && title) && PictureMarkAt(row, col) == databases::kPictureMark)
      PreviewPicture();
    return true;
  }
  if (col == kColGroupNumber || (col == kColAnswer && title)) return true;
  OpenQuestionTextEditor(row, col);
  return true;
}

bool BankEditorWindow::RightButtonUp(int x, int y) {
  auto& g = 高级表格1;
  for (ui::MenuItem* item : 右键菜单.items()) item->setVisible(false);
  const bool oneColumn = g.SelectionFirstColumn() == g.SelectionLastColumn();
  const bool oneRow = g.SelectionFirstRow() == g.SelectionLastRow();
  const int col = state_.currentColumn;
  if (oneColumn) {
    if (col != kColGroupNumber) {
      菜单升序.setVisible(true);
      菜单降序.setVisible(true);
    }
    if (col == kColPicture || col == kColAnswerPicture) {
      const bool has = PictureMarkAt(state_.currentRow, col) == databases::kPictureMark;
      菜单预览图片.setVisible(has);
      菜单复制图片.setVisible(has);
      菜单删除图片.setVisible(has);
      菜单从文件添加.setVisible(!has);
      菜单从剪贴板导入.setVisible(!has);
    }
  }
  if (oneRow) 菜单复制该题并粘贴.setVisible(true);
  if (oneColumn || oneRow) 右键菜单.Popup(g.left() + x, g.top() + y);
  return true;
}

void BankEditorWindow::EditBegun() {
  auto& g = 高级表格1;
  state_.editRow = g.editRow() >= 0 ? g.editRow() : g.CursorRow();
  state_.editColumn = g.editColumn() >= 0 ? g.editColumn() : g.CursorColumn();
  状态条1.setText("");
  cellCommit_.Begin(state_.editRow, state_.editColumn);
}

void BankEditorWindow::CellEdited() {
  const int row = state_.editRow >= 0 ? state_.editRow : 高级表格1.CursorRow();
  const int col = state_.editColumn >= 0 ? state_.editColumn : 高级表格1.CursorColumn();
  state_.editRow = state_.editColumn = -1;
  CommitCellEdit(row, col);
  LeaveRowCheck();
}

// ---- Row heights --------------------------------------------------------------

void BankEditorWindow::RowHeightMoved() {
  const int h = QuestionRowHeight();
  for (int r = 1; r < 高级表格1.RowCount(); ++r) 高级表格1.SetRowHeight(r, h);
  GoToCell(state_.currentRow, state_.currentColumn);
  按钮自动行高.setEnabled(true);
}

void BankEditorWindow::FitRowHeights() {
  auto& g = 高级表格1;
  for (int r = 1; r < g.RowCount(); ++r) {
    int lines = 1;
    for (int c : {kColText1, kColText2, kColAnswer})
      lines = std::max(lines, ui::CountTextLines(host(), g.GetColumnWidth(c), g.cellText(r, c)));
    if (lines > 1) g.SetRowHeight(r, 14 * lines + 4);
  }
  按钮自动行高.setEnabled(false);
}

// ---- Find ---------------------------------------------------------------------

void BankEditorWindow::FindFromStart() { find_.FromStart(); }
void BankEditorWindow::FindFromCurrent() { find_.FromCurrent(); }
void BankEditorWindow::FindNext() { find_.Next(); }

// ---- Help, text editor --------------------------------------------------------

void BankEditorWindow::ShowHelp() {
  if (!help_) help_ = std::make_unique<HelpWindow>(host());
  if (!help_->isOpen()) host().ShowModeless(*help_, this);
}

void BankEditorWindow::OpenQuestionTextEditor(int row, int column) {
  QuestionTextEditor dialog(*this, row, column);
  host().ShowModal(dialog, this);
}

// ---- Closing ------------------------------------------------------------------

// A click on a check box of another row changes that row while the row
// being left is the one checked; the current row is checked as well, so a
// row broken that way cannot be left behind by closing.
bool BankEditorWindow::MayClose() {
  if (!LeaveRowCheck()) return false;
  const int row = state_.currentRow;
  if (row != state_.pressedRow && (!ValidateQuestionRow(row) || FindDuplicateQuestion(row)))
    return false;
  return CheckLabelPairs();
}

std::unique_ptr<ui::Window> MakeBankEditor(app::AppContext& ctx, ui::Window* /*owner*/) {
  return std::make_unique<BankEditorWindow>(ctx);
}

}  // namespace bank_editor
