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
#include "bank_editor/editor_find.h"
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
  // Pre-edit values of the cell being edited in place.
  std::string preEditText;
  long long preEditNumber = 0;
  ui::Bytes preEditPicture;
  int editRow = -1;
  int editColumn = -1;
  int topLevelCount = 0;  // `TopLevelCount`
  GridCell findPosition{1, 0};  // `FindPosition`
  ui::Bytes pictureBuffer;  // `PictureBuffer`
  std::string previewCaption;
  bool groupSortAscending = false;  // `GroupSortAscending`
  std::vector<std::string> letterLabels;
  std::vector<std::string> circledLabels;
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

  EditorState state;

  app::AppContext& context() const { return ctx_; }
  const std::string& courseName() const { return courseName_; }

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
  int questionRowHeight() const { return 横向滚动条1.position() + 10; }

  // Stores values of one question: the record is found by the row's id,
  // the fields written together. On failure the engine's message is shown
  // and false returned; the caller keeps the cells as they were.
  bool StoreFields(int row, std::initializer_list<std::pair<int, recfile::Value>> fields);
  // Values for several rows at once (a group changes together): each row's
  // fields go to its record in one write and are then shown in its cells.
  // When a write fails, the rows written before it get their old values
  // back, the engine's message is shown and false returned.
  struct RowWrite {
    int row = 0;
    std::vector<std::pair<int, recfile::Value>> fields;
  };
  bool StoreRows(const std::vector<RowWrite>& writes);
  // Stores a text field and shows it in its cell; false when refused.
  bool StoreTextCell(int row, int column, const std::string& value);
  // Reads the question's byte-set field (题图数据 or 答图数据).
  ui::Bytes ReadPictureData(int row, int field);
  // The row of the group's title question (分组号 "0"); 0 when none.
  int TitleRowOf(const std::string& groupName) const;
  // Adds `delta` to the 分值 of a title row, cell and record; false when
  // the record refused it.
  bool ChangeTitleScore(int titleRow, long long delta);
  // The question rows whose 分组名 is `groupName`, the title included.
  std::vector<int> GroupRows(const std::string& groupName) const;
  // `TopLevelCount` counted afresh from the rows, and the caption.
  void RecountQuestions();

  // ---- Group rules (filled in by the group operations) --------------------
  void CommitGroupNumber(int row);
  void CommitGroupValue(int row, int column);
  void CommitGroupMask(int row);
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
  void buildLayout();
  // Column widths for the grid's cell area.
  void fitColumns();
  void opening();
  void restyleRows();
  void refuseCell(int row, int column, const std::string& message);
  bool confirm(const std::string& question);
  bool joinGroup(int row, const std::string& name, bool wasMember);
  bool dissolveTitle(int row, const char* membersMessage);
  bool leaveGroup(int row);
  void commitGroupType(int row, bool title);
  void commitGroupDifficulty(int row, bool title);
  void commitMemberScore(int row);
  void storePicture(int row, int column, ui::Bytes bytes);
  // A picture command's row when the current cell is a picture cell of a
  // question row; -1 otherwise.
  int pictureRow() const;
  void commitSingleValue(int row, int column);
  bool leftButtonDown();
  bool leftButtonUp();
  // Settles the editor on the grid's current cell: Editable and the delete
  // commands follow it.
  void cellEntered();
  bool keyDown(int key);
  bool doubleClicked();
  bool rightButtonUp(int x, int y);
  void editBegun();
  void cellEdited();
  void headerClicked();
  void findTextChanged();
  void rowHeightMoved();
  bool showFindHit(const GridCell& hit);
  bool mayClose();
  databases::DatabaseContext dbContext();

  app::AppContext& ctx_;
  std::string courseName_;
  HostPrompter prompter_;
  std::unique_ptr<HelpWindow> help_;
};

// The factory the main window's "题库编辑" uses: an editor on the course
// selected in the main window.
std::unique_ptr<ui::Window> MakeBankEditor(app::AppContext& ctx, ui::Window* owner);

}  // namespace bank_editor
