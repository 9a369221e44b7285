// The window "自动组卷": how many questions of each type and score papers A
// and B get, then a run that draws them into the compose window's "A卷" and
// "B卷" columns. It works on the compose window's rows only; the counting
// and drawing themselves live in statistics.h and draw.h.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_context.h"
#include "autocompose/draw.h"
#include "autocompose/statistics.h"
#include "ui/grid_control.h"
#include "ui/menu.h"
#include "ui/units.h"
#include "ui/window.h"

namespace autocompose {

// What the window reads and writes of the compose window.
struct ComposeSide {
  ui::Window& window;
  ui::GridControl& grid;         // 高级表格1: 0 知识点, 2 分组号, 6 题型, 7 难度, 8 分值, 10 屏蔽, 11 A卷, 12 B卷
  ui::GridControl& typeOrder;    // 高级表格题型排序分值: 1 the type, column 0's colour
  ui::ComboBox& minDifficulty;   // 组合框最低难度
  ui::ComboBox& maxDifficulty;   // 组合框最高难度
  ui::Label& totalA;             // A卷总分
  ui::Label& totalB;             // B卷总分
  ui::Label& similarity;         // 标签相似度
  ui::Button& autoComposeButton; // 按钮自动组卷
  std::function<void()> recomputeTypeScores;
};

extern const std::string_view kAutoComposeHelpText;

class AutoComposeHelpWindow : public ui::Window {
 public:
  explicit AutoComposeHelpWindow(ui::Host& host);
  ui::EditBox 编辑框1;
};

class AutoComposeWindow : public ui::Window {
 public:
  AutoComposeWindow(app::AppContext& ctx, ComposeSide compose);
  ~AutoComposeWindow() override;

  ui::GridControl 高级表格1;  // statistics
  ui::GridControl 高级表格2;  // type totals
  ui::GridControl 高级表格3;  // plan table, never shown
  ui::Label 标签1;
  ui::Label 标签8;
  ui::CheckBox 选择框组A卷;
  ui::CheckBox 选择框组B卷;
  ui::Label 标签3;
  ui::ComboBox 组合框1;
  ui::Label 标签4;
  ui::Label 标签2;
  ui::Label 标签7;
  ui::Label 标签5;
  ui::Label 标签9;
  ui::Label 标签10;
  ui::Label 标签12;
  ui::Label 标签11;
  ui::Button 按钮开始;
  ui::ProgressBar 进度条1;
  ui::Label 标签6;
  ui::Timer 时钟1;
  ui::StatusBar 状态条1;
  ui::MenuItem 菜单排序;
  ui::MenuItem 按题型;
  ui::MenuItem 按可选题数;
  ui::MenuItem 菜单帮助;
  ui::MenuItem 自动组卷帮助;

  // `AutoComposeState`.
  bool running() const { return running_; }
  int elapsedSeconds() const { return elapsedSeconds_; }
  int chosenTotal() const { return chosenTotal_; }
  int globalSelectable() const { return stats_.globalSelectable; }
  float selectableRatio() const { return stats_.selectableRatio; }
  bool drawFailed() const { return drawFailed_; }
  // True from the start of a run until its loop has cleaned up.
  bool runActive() const { return loopActive_; }
  AutoComposeHelpWindow* helpWindow() const { return help_.get(); }

  // Operations the events run.
  void CountStatistics();
  void OfferDrawCounts();
  void ApplyDrawCount();
  void UpdatePaperChoice();
  void SortBySelectable();
  void SortByTypeOrder();
  void ColourRows();
  void StartOrStop();
  void TickElapsed();

 private:
  class WindowHooks;
  void Opened();
  std::vector<ComposeRow> ComposeRows() const;
  DifficultyRange difficultyRange() const;
  std::vector<PlanRow> PlanRows() const;
  void WritePlanRows(const std::vector<PlanRow>& plan);
  void PrepareRun(int attemptLimit);
  void FinishRun();
  void SetControlsEnabled(bool on);
  void StyleDataRows();
  void ShowHelp();

  app::AppContext& ctx_;
  ComposeSide compose_;
  Statistics stats_;
  bool running_ = false;
  bool loopActive_ = false;
  bool drawFailed_ = false;
  int elapsedSeconds_ = 0;
  int chosenTotal_ = 0;
  std::string previousDrawCount_;  // `PreviousDrawCount`
  int offeredRow_ = -1;            // the row whose counts were offered
  int editRow_ = -1, editColumn_ = -1;
  std::string editOldText_;
  std::unique_ptr<AutoComposeHelpWindow> help_;
};

// The factory the compose window opens this window through; `owner` is the
// compose window (nullptr for any other owner).
std::unique_ptr<ui::Window> MakeAutoComposeWindow(app::AppContext& ctx, ui::Window* owner);

}  // namespace autocompose
