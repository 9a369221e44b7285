// The question bank editor "题库编辑": every question of the selected course
// as one grid row, short values edited in place, long texts in the question
// text editor, every accepted change written at once to the question's
// record (found again by the record id in the hidden last column).
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/app_context.h"
#include "bank_editor/bank_model.h"
#include "bank_editor/cell_commit.h"
#include "bank_editor/editor_find.h"
#include "bank_editor/editor_pictures.h"
#include "bank_editor/group_editing.h"
#include "bank_editor/question_rules.h"
#include "bank_editor/type_drop_down.h"
#include "databases/program_databases.h"
#include "recfile/record_file_engine.h"
#include "ui/grid_control.h"
#include "ui/menu.h"
#include "ui/units.h"
#include "ui/window.h"

namespace bank_editor {

class HelpWindow;

// The window-wide working state; it starts afresh each time the window opens.
struct EditorState {
  int currentRow = 0;
  int currentColumn = 0;
  int pressedRow = 0;  // `PressedRow`: the row being left
  int editRow = -1;
  int editColumn = -1;
  int topLevelCount = 0;  // `TopLevelCount`
  bool groupSortAscending = false;  // `GroupSortAscending`
};

class BankEditorWindow : public ui::Window {
 public:
  explicit BankEditorWindow(app::AppContext& ctx);
  ~BankEditorWindow() override;

  // ---- Units ------------------------------------------------------------
  ui::ToolBar 工具条1;
  ui::GroupBox 分组框1;
  ui::EditBox 编辑框1;
  ui::Button 按钮从头查找;
  ui::Button 按钮从当前查找;
  ui::Button 按钮下一个;
  ui::Label 标签1;
  ui::ScrollBar 横向滚动条1;
  ui::Button 按钮自动行高;
  ui::GridControl 高级表格1;
  ui::StatusBar 状态条1;

  ui::MenuItem 菜单题型;
  ui::MenuItem 菜单题型编辑;
  ui::MenuItem 菜单试题;
  ui::MenuItem 菜单添加;
  ui::MenuItem 菜单删除;
  ui::MenuItem 菜单试题分隔;
  ui::MenuItem 菜单导入;
  ui::MenuItem 菜单导出;
  ui::MenuItem 菜单从文档导入;
  ui::MenuItem 菜单导出Moodle;
  ui::MenuItem 菜单难度;
  ui::MenuItem 菜单难度说明;
  ui::MenuItem 菜单帮助;
  ui::MenuItem 菜单题库编辑帮助;
  ui::MenuItem 右键菜单;
  ui::MenuItem 菜单预览图片;
  ui::MenuItem 菜单复制图片;
  ui::MenuItem 菜单从剪贴板导入;
  ui::MenuItem 菜单从文件添加;
  ui::MenuItem 菜单删除图片;
  ui::MenuItem 菜单升序;
  ui::MenuItem 菜单降序;
  ui::MenuItem 菜单复制该题并粘贴;

  app::AppContext& context() const { return ctx_; }
  const std::string& courseName() const { return courseName_; }
  const EditorState& state() const { return state_; }
  int currentRow() const { return state_.currentRow; }
  int currentColumn() const { return state_.currentColumn; }
  // The row a later leave check looks at.
  void setPressedRow(int row) { state_.pressedRow = row; }

  // ---- The bank's questions ---------------------------------------------
  BankModel& model() { return *model_; }
  // The question a row shows; an empty one for a row without.
  const databases::Question& RowQuestion(int row) const;
  // The stored mark ("√" or empty) of a picture column's picture on a row.
  const std::string& PictureMarkAt(int row, int column) const;
  // Writes changes of the row's question (one field on its own, several
  // in one record write) and shows them; on failure the bank's message is
  // shown and false returned, the cells as they were.
  bool StoreChanges(int row, const databases::QuestionChanges& changes);
  // Changes of several rows' questions (a group changes together), all or
  // nothing, each in one record write; shown when written.
  bool StoreRows(const std::vector<std::pair<int, databases::QuestionChanges>>& writes);
  // The question rows whose 分组名 is `groupName`, the title included, in
  // grid order.
  std::vector<int> GroupRows(const std::string& groupName) const;

  // ---- Operations --------------------------------------------------------
  // Makes the course's bank the current database; false (message shown)
  // when it cannot be opened.
  bool MakeBankCurrent();
  void LoadBankGrid();
  void GroupSort(bool ascending);
  void UpdateEditorCaption();
  void LayoutBankEditor();
  void CommitCellEdit(int row, int column);
  bool LeaveRowCheck();
  bool ValidateQuestionRow(int row);
  bool FindDuplicateQuestion(int row);
  bool CheckLabelPairs();
  void FitRowHeights();
  void FindFromStart();
  void FindFromCurrent();
  void FindNext();
  // Rebuilds the 题型 drop-down (also after the types were edited).
  void RefreshTypeDropDown();
  // The types of "题型库" in record order.
  std::vector<std::string> QuestionTypes();
  void ShowHelp();
  // Opens the question text editor on a cell of 知识点, 分组名, 题文1, 题文2
  // or 答案.
  void OpenQuestionTextEditor(int row, int column);

  // Puts the cursor and the selection on a cell and makes it current.
  void GoToCell(int row, int column);
  // Enables "删除(&D)" and tool-bar button 1 exactly when a question row is
  // current.
  void UpdateDeleteCommands();
  // Every question row gets the height the row-height bar sets.
  int QuestionRowHeight() const { return 横向滚动条1.position() + 10; }

  // Stores a text field and shows it in its cell; false when refused.
  bool StoreTextCell(int row, int column, const std::string& value);
  // The question's picture (题图数据 or 答图数据).
  ui::Bytes ReadPictureData(int row, databases::PictureKind kind);
  // The row of the group's title question (分组号 "0"); 0 when none.
  int TitleRowOf(const std::string& groupName) const;
  // Adds `delta` to the 分值 of a title row, cell and record; false when
  // the record refused it.
  bool ChangeTitleScore(int titleRow, long long delta);
  // `TopLevelCount` counted afresh from the questions, and the caption.
  void RecountQuestions();

  // "确定" of the question text editor on 分组名; true when it may close.
  bool EditGroupName(int row, const std::string& content);

  // ---- Commands of the menus and the pop-up menu -------------------------
  void AddQuestion();
  void DeleteQuestions();
  void ImportBank();
  void ExportBank();
  void ImportFromDocument();
  void ExportToMoodle();
  void EditDifficultyDescription();
  void EditQuestionTypes();
  void PreviewPicture();
  void CopyPicture();
  void ImportPictureFromClipboard();
  void AddPictureFromFile();
  void DeletePicture();
  void SortColumn(bool ascending);
  void CopyQuestion();

  // Replaces the question-type window "题型编辑" the editor opens by default.
  std::function<void(BankEditorWindow&)> openQuestionTypeWindow;
  // Brings in questions from a Word document or text file; returns how many
  // were written. The program sets it.
  std::function<int(BankEditorWindow&)> importQuestionsFromDocument;
  // Writes the bank as Moodle XML. The program sets it.
  std::function<void(BankEditorWindow&)> exportToMoodle;

  HelpWindow* helpWindow() const { return help_.get(); }

 private:
  void BuildLayout();
  // Column widths for the grid's cell area.
  void FitColumns();
  void Opening();
  // Shows the model's questions in the grid, in the group order.
  void FillGrid();
  void RestyleRows();
  bool LeftButtonDown();
  bool LeftButtonUp();
  // Settles the editor on the grid's current cell: Editable and the delete
  // commands follow it.
  void CellEntered();
  bool KeyDown(int key);
  bool DoubleClicked();
  bool RightButtonUp(int x, int y);
  void EditBegun();
  void CellEdited();
  void HeaderClicked();
  void RowHeightMoved();
  bool MayClose();
  databases::DatabaseContext DbContext();

  app::AppContext& ctx_;
  std::string courseName_;
  EditorState state_;
  std::unique_ptr<BankModel> model_;
  CellCommit cellCommit_;
  GroupEditing groupEditing_;
  EditorPictures pictures_;
  EditorFind find_;
  std::unique_ptr<HelpWindow> help_;
};

// The factory the main window's "题库编辑" uses: an editor on the course
// selected in the main window.
std::unique_ptr<ui::Window> MakeBankEditor(app::AppContext& ctx, ui::Window* owner);

}  // namespace bank_editor
