// The compose window "组卷": every question of the selected course in one
// grid with the check columns "A卷" and "B卷" that make up papers A and B,
// the type order with batch scores, the per-type scores, totals and the A/B
// similarity, the numbering and output choices, and saved paper plans.
// Edits of difficulty, score, fixed score and mask go to the bank; the
// selection itself lives in the grid (and in plan files the user saves).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/app_context.h"
#include "compose/paper_plan.h"
#include "compose/type_scores.h"
#include "databases/course_bank.h"
#include "ui/grid_control.h"
#include "ui/menu.h"
#include "ui/units.h"
#include "ui/window.h"

namespace output {
struct PaperRequest;
}

namespace compose {

// Columns of the compose grid.
enum ComposeColumn : int {
  kColKnowledge = 0,
  kColGroupName = 1,
  kColGroupNumber = 2,
  kColText1 = 3,
  kColPicture = 4,
  kColText2 = 5,
  kColType = 6,
  kColDifficulty = 7,
  kColScore = 8,
  kColFixedScore = 9,
  kColMasked = 10,
  kColA = 11,
  kColB = 12,
  kColRecordId = 13,
};
inline constexpr int kComposeColumnCount = 14;

// Columns of the type-order grid.
enum TypeOrderColumn : int {
  kOrderNumber = 0,
  kOrderType = 1,
  kOrderBatchScore = 2,
  kOrderAnswerOnNewLine = 3,
  kOrderTypeId = 4,
};

// The cell an edit of the compose grid acts on, with the values its row
// had before: captured by a click on a data cell and when an edit begins.
struct CellEditContext {
  bool set = false;
  int row = 0;
  int column = 0;
  std::string groupName;
  int difficulty = 0;
  int score = 0;
};

class ComposeHelpWindow;

class ComposeWindow : public ui::Window {
 public:
  explicit ComposeWindow(app::AppContext& ctx);
  ~ComposeWindow() override;

  // ---- Units ------------------------------------------------------------
  ui::GridControl 高级表格1;
  ui::Label 标签行高;
  ui::ScrollBar 纵向滚动条1;

  ui::GroupBox 分组框题型排序;
  ui::GridControl 高级表格题型排序分值;
  ui::GroupBox 分组框A卷题型分值;
  ui::GridControl 高级表格A卷题型分值;
  ui::Label 标签A卷总分;
  ui::Label A卷总分;
  ui::GroupBox 分组框B卷题型分值;
  ui::GridControl 高级表格B卷题型分值;
  ui::Label 标签B卷总分;
  ui::Label B卷总分;
  ui::GroupBox 分组框相似度;
  ui::Label 标签相似度;
  ui::Label 标签百分号;
  ui::GroupBox 分组框难度说明;
  ui::Label 标签2;

  ui::GroupBox 分组框输出;
  ui::RadioButton 单选框word;
  ui::RadioButton 单选框html;
  ui::RadioButton 单选框pdf;
  ui::GroupBox 分组框编号;
  ui::Label 标签大题编号类型;
  ui::ComboBox 组合框大题编号类型;
  ui::Label 标签大题编号后缀;
  ui::ComboBox 组合框大题编号后缀;
  ui::Label 标签选项编号类型;
  ui::ComboBox 组合框选项编号类型;
  ui::Label 标签选项编号后缀;
  ui::ComboBox 组合框选项编号后缀;
  ui::CheckBox 选择框大题分值;
  ui::CheckBox 选择框选项换行;
  ui::CheckBox 选择框小题连续编号;
  ui::GroupBox 分组框自动组卷难度;
  ui::Label 标签最低难度;
  ui::ComboBox 组合框最低难度;
  ui::Label 标签最高难度;
  ui::ComboBox 组合框最高难度;
  ui::Button 按钮自动组卷;
  ui::Button 按钮A卷;
  ui::Button 按钮B卷;

  // Hidden tables.
  ui::GridControl 高级表格题型排列颜色;
  ui::GridControl 高级表格大题编号类型;  // copy of the numbering table
  ui::GridControl 高级表格2;             // paper list of generation
  ui::GridControl 高级表格3;             // paper work list of generation

  ui::MenuItem 菜单方案;
  ui::MenuItem 菜单保存方案;
  ui::MenuItem 菜单打开方案;
  ui::MenuItem 菜单方案分隔;
  ui::MenuItem 菜单A卷导出Moodle;
  ui::MenuItem 菜单B卷导出Moodle;
  ui::MenuItem 菜单难度;
  ui::MenuItem 菜单难度说明;
  ui::MenuItem 菜单帮助;
  ui::MenuItem 菜单组卷帮助;
  ui::MenuItem 菜单大题;          // pop-up on 组合框大题编号类型
  ui::MenuItem 菜单编号设置;
  ui::MenuItem 菜单排序;          // pop-up on the compose grid
  ui::MenuItem 菜单升序;
  ui::MenuItem 菜单降序;
  ui::MenuItem 菜单排序分隔;
  ui::MenuItem 菜单全选;
  ui::MenuItem 菜单清空;
  ui::MenuItem 菜单取反;

  app::AppContext& context() const { return ctx_; }
  const std::string& courseName() const { return courseName_; }

  // ---- Operations others call --------------------------------------------
  // Per-type grids, totals, similarity, `SelectionStamp`, generate buttons.
  void RecomputeTypeScores();
  // Stores 难度, 分值, 定分 and 屏蔽 of every row whose values differ from
  // the bank's; false (message shown) when a write failed.
  bool WriteBackGridEdits();
  // Groups together, ungrouped questions last, titles first in each group.
  void SortByGroup();
  // When the selection or a score last changed, as 14 digits.
  const std::string& SelectionStamp() const { return selectionStamp_; }
  // The sums of the last recompute.
  const PaperScores& paperScores() const { return scores_; }
  // The type names of the type-order grid, in section order.
  std::vector<std::string> TypeOrder() const;
  // The selection and the choices as a plan (record ids in grid order).
  PaperPlan CurrentPlan() const;
  // Produces paper 'A' or 'B' from the current selection and choices.
  void GeneratePaper(char paper);
  // Paper A or B generated as for "生成A卷", saved as Moodle XML where the
  // person chooses.
  void ExportPaperToMoodle(char paper);

  // The automatic-composition window while it is open, else nullptr.
  ui::Window* autoComposeWindow() const;
  bool AutoComposeOpen() const { return autoComposeWindow() != nullptr; }
  // Closes it (it may refuse while it draws).
  void CloseAutoCompose();

  // ---- Operations of the window -------------------------------------------
  void LoadComposeGrid();
  void LoadTypeOrder();
  void ApplyTypeOrderColours();
  bool SaveTypeOrder();
  void UpdateGenerateButtons();
  void LoadNumberingTypes();
  void OpenNumberingWindow();
  void SortColumn(bool ascending);
  // 全选 (1), 清空 (0), 取反 (-1) over the selected rows of the cursor column.
  void MarkSelectedRows(int mode);
  void OpenAutoCompose();
  void EditDifficultyDescription();
  void ShowHelp();
  void PreviewQuestion(int row);
  void SavePlan();
  void OpenPlan();
  // Ticks the plan's questions and takes its choices; false when nothing
  // changed.
  bool ApplyPlan(const PaperPlan& plan);

  // Row of the record id, 0 when absent.
  int RowOfId(std::int64_t id) const;
  std::int64_t RecordIdOf(int row) const;
  // Rows of the group (non-empty name), in grid order.
  std::vector<int> GroupRows(const std::string& groupName) const;
  // The first row of the group whose 分组号 is "0"; 0 when none.
  int TitleRowOf(const std::string& groupName) const;

  CellEditContext cellEditContext;
  int rowHeight() const { return 纵向滚动条1.position() + 24; }

 private:
  // The request of paper A or B as 生成A卷 gathers it (groups sorted first);
  // false after telling why it cannot be made.
  bool RequestPaper(char which, output::PaperRequest& request);
  struct Stored {
    int difficulty = 0;
    int score = 0;
    bool fixedScore = false;
    bool masked = false;
  };
  // One row's values to store.
  struct RowChange {
    int row = 0;
    databases::QuestionChanges changes;
  };

  void BuildLayout();
  void Opening();
  void RestyleRows();
  void RefreshRowIndex();
  void CaptureContext(int row, int column);
  bool ComposeLeftButtonUp();
  bool ComposeRightButtonUp(int x, int y);
  void ComposeEditBegun();
  void ComposeCellEdited();
  void RowHeightMoved();
  void RestoreCursor();
  // The rules of each column; the row is cellEditContext.row.
  void EditDifficulty();
  void EditScore();
  void EditFixedScore();
  void EditMask();
  void EditPaperCheck(int column);
  void SetCheck(int row, int column, bool on);
  void SetScoreCell(int row, int score);
  // Stores the changes of several rows together; on a failure nothing is
  // stored, the engine's message is shown and false returned.
  bool Store(const std::vector<RowChange>& changes);
  Stored GridValues(int row) const;
  void Remember(int row);

  bool TypeOrderLeftButtonUp();
  bool TypeOrderRightButtonUp();
  void TypeOrderEditBegun();
  void TypeOrderCellEdited();
  void StyleTypeOrderRows();
  void ApplyBatchScore(int orderRow, int score);
  void FillDifficultyList(ui::ComboBox& list, int from, int to, std::string& remembered);
  bool MayClose();

  app::AppContext& ctx_;
  std::string courseName_;
  int coursePosition_ = -1;
  std::string selectionStamp_;
  PaperScores scores_;
  bool shortOfLabels_ = false;
  std::unordered_map<std::int64_t, Stored> stored_;  // the bank's values by id
  std::unordered_map<std::int64_t, int> rowOfId_;
  bool rowIndexValid_ = false;
  // Remembered at a click or edit start in the type-order grid.
  int orderRow_ = 0;
  int orderColumn_ = 0;
  std::string orderNumberText_;
  std::string orderBatchText_;
  std::string lowestRemembered_ = "1";
  std::string highestRemembered_ = "9";
  std::unique_ptr<ui::Window> autoCompose_;
  std::unique_ptr<ComposeHelpWindow> help_;
};

// "组卷帮助": how papers are composed, in one read-only text.
class ComposeHelpWindow : public ui::Window {
 public:
  explicit ComposeHelpWindow(ui::Host& host);
  ui::EditBox 编辑框1;
};

// The factory the main window's "组卷" uses.
std::unique_ptr<ui::Window> MakeComposeWindow(app::AppContext& ctx, ui::Window* owner);

}  // namespace compose
